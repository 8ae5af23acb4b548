#include "cli/export_command.h"

#include <filesystem>
#include <iomanip>
#include <ostream>
#include <set>
#include <sstream>

#include "app/folders.h"
#include "base/files.h"
#include "base/memory.h"
#include "base/object_ids.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "cli/json_text.h"
#include "edit/selection.h"
#include "interchange/export.h"
#include "render/metafile/metafile_port.h"
#include "store/directory_table.h"
#include "store/object_record.h"

namespace tlv::cli {

namespace {

constexpr const char* kUsage =
    "usage: tolvane-cli export --format mie|text|bna|shapefile --out FILE\n"
    "         (--overlay MAP OVERLAY | --ids MAP OVERLAY ID,...)\n"
    "         [--fields name,overlay,map,symbol,color,id] [--kind points|polylines|polygons]\n"
    "       tolvane-cli export --mie-text MAP OVERLAY ID\n";

// Command-line words arrive as UTF-8; the catalogue's names are Windows-1252.
std::string Windows1252Of(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    uint32_t code = length == 4   ? lead & 0x07u
                    : length == 3 ? lead & 0x0Fu
                    : length == 2 ? lead & 0x1Fu
                                  : lead;
    if (i + length > utf8.size()) return utf8;  // not UTF-8: the bytes as they are
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
    i += length;
    if (code < 0x80) {
      out += static_cast<char>(code);
      continue;
    }
    char byte = '?';
    for (int b = 0x80; b <= 0xFF; ++b) {
      if (UnicodeOfWindows1252(static_cast<uint8_t>(b)) == code) {
        byte = static_cast<char>(b);
        break;
      }
    }
    out += byte;
  }
  return out;
}

struct ExportRequest {
  std::string format;
  std::string out;
  std::vector<std::string> place;  // MAP OVERLAY
  bool byIDs = false;
  std::set<std::string> ids;
  bool fieldsGiven = false;
  std::vector<std::string> fields;
  std::string kind;
  std::vector<std::string> mieText;  // MAP OVERLAY ID
};

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, ',');) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

// The ID text as the file keeps it: upper case, left-padded to 16 digits.
std::string NormalisedID(std::string id) {
  for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (id.size() < 16) id.insert(0, 16 - id.size(), '0');
  return id;
}

bool ParseRequest(const std::vector<std::string>& words, ExportRequest& request) {
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    const size_t left = words.size() - i - 1;
    if (word == "--format" && left >= 1) {
      request.format = words[++i];
    } else if (word == "--out" && left >= 1) {
      request.out = words[++i];
    } else if (word == "--overlay" && left >= 2) {
      request.place = {words[i + 1], words[i + 2]};
      i += 2;
    } else if (word == "--ids" && left >= 3) {
      request.place = {words[i + 1], words[i + 2]};
      request.byIDs = true;
      for (const std::string& id : SplitCommas(words[i + 3])) request.ids.insert(NormalisedID(id));
      i += 3;
    } else if (word == "--fields" && left >= 1) {
      request.fieldsGiven = true;
      request.fields = SplitCommas(words[++i]);
    } else if (word == "--kind" && left >= 1) {
      request.kind = words[++i];
    } else if (word == "--mie-text" && left >= 3) {
      request.mieText = {words[i + 1], words[i + 2], words[i + 3]};
      i += 3;
    } else {
      return false;
    }
  }
  if (!request.mieText.empty()) return request.format.empty() && request.place.empty();
  return !request.format.empty() && !request.out.empty() && request.place.size() == 2;
}

// The map and overlay IDs of the names; false after a message.
bool FindPlace(const std::vector<std::string>& place, int32_t& mapID, int32_t& overlayID,
               std::ostream& err) {
  MapRecord map;
  if (!GetMapRecord(MapNameToIndex(Windows1252Of(place[0])), map)) {
    err << "tolvane-cli: no map named " << place[0] << "\n";
    return false;
  }
  LayerRecord layer;
  if (!GetLayerRecord(LayerNameToIndex(Windows1252Of(place[1])), layer)) {
    err << "tolvane-cli: no overlay named " << place[1] << "\n";
    return false;
  }
  mapID = map.mapID;
  overlayID = layer.layerID;
  return true;
}

// The live objects of the overlay on the map (those with the IDs when ids is given), in summary
// order.
int32_t ObjectsOf(int32_t mapID, int32_t overlayID, const std::set<std::string>* ids,
                  std::vector<ObjectRef>& objects) {
  if (OverlayFileIndexForID(MapIDToIndex(mapID), overlayID) < 0) return 0;
  int32_t walkMap = -1;
  int32_t walkFile = -1;
  return ForEachSummaryRecord(
      mapID, overlayID,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        if (!SummaryRecordLive(record)) return 0;
        if (ids != nullptr && !ids->count(ObjectIDText({record.idHigh, record.idLow}))) return 0;
        objects.push_back({mapID, overlayID, record.position});
        return 0;
      },
      &walkMap, &walkFile);
}

// The objects become the selection as they are, also those of hidden overlays: a script names
// what it wants exported.
bool SelectExactly(const std::vector<ObjectRef>& objects) {
  RemoveAllSelectedObjects();
  HandleArray<ObjectRef> list(SelectionList());
  if (!list.valid()) return false;
  MySetHandleSize(list.handle(), static_cast<int32_t>(objects.size() * sizeof(ObjectRef)));
  if (MyMemError() != 0) return false;
  for (size_t i = 0; i < objects.size(); ++i) list.Set(static_cast<int32_t>(i), objects[i]);
  return true;
}

std::string SecondsText(double seconds) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << std::fixed << std::setprecision(3) << seconds;
  return text.str();
}

int PrintMIEText(const ExportRequest& request, std::ostream& out, std::ostream& err) {
  int32_t mapID = 0;
  int32_t overlayID = 0;
  if (!FindPlace(request.mieText, mapID, overlayID, err)) return 1;
  const std::string id = NormalisedID(request.mieText[2]);
  const std::set<std::string> ids = {id};
  std::vector<ObjectRef> objects;
  if (ObjectsOf(mapID, overlayID, &ids, objects) != 0 || objects.empty()) {
    err << "tolvane-cli: no object " << request.mieText[2] << " on that map and overlay\n";
    return 1;
  }
  std::string text;
  const int32_t result = ObjectMIEText(objects.front(), text);
  CloseBufferedFiles();
  if (result != 0) {
    err << "tolvane-cli: the object could not be read (error " << result << ")\n";
    return 1;
  }
  out << JsonObject().Text("id", id).Text("text", text).Str() << "\n";
  return 0;
}

}  // namespace

bool IsExportCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "export";
}

int RunExportCommand(const std::vector<std::string>& words, int32_t mapsDirID, std::ostream& out,
                     std::ostream& err) {
  ExportRequest request;
  if (!ParseRequest(words, request)) {
    err << kUsage;
    return 1;
  }
  if (!request.mieText.empty()) return PrintMIEText(request, out, err);

  ExportSettings& settings = MutableExportSettings();
  int32_t format = 0;
  if (request.format == "mie") {
    format = kExportMIE;
  } else if (request.format == "text") {
    format = kExportSimpleText;
  } else if (request.format == "bna") {
    format = kExportBNA;
  } else if (request.format == "shapefile") {
    format = kExportShapefile;
  } else {
    err << "tolvane-cli: --format takes mie, text, bna or shapefile\n";
    return 1;
  }
  if (request.fieldsGiven) {
    static const char* const kFieldWords[kExportFieldCount] = {"name",   "overlay", "map",
                                                               "symbol", "color",   "id"};
    for (bool& on : settings.fields) on = false;
    for (const std::string& field : request.fields) {
      bool known = false;
      for (int32_t f = 0; f < kExportFieldCount; ++f) {
        if (field == kFieldWords[f]) settings.fields[f] = known = true;
      }
      if (!known) {
        err << "tolvane-cli: --fields takes name, overlay, map, symbol, color and id\n";
        return 1;
      }
    }
  }
  int32_t kind = 0;
  if (request.kind == "points") {
    kind = kExportPoints;
  } else if (request.kind == "polylines") {
    kind = kExportPolylines;
  } else if (request.kind == "polygons") {
    kind = kExportPolygonLike;
  } else if (!request.kind.empty()) {
    err << "tolvane-cli: --kind takes points, polylines or polygons\n";
    return 1;
  }

  int32_t mapID = 0;
  int32_t overlayID = 0;
  if (!FindPlace(request.place, mapID, overlayID, err)) return 1;
  std::vector<ObjectRef> objects;
  if (ObjectsOf(mapID, overlayID, request.byIDs ? &request.ids : nullptr, objects) != 0) {
    err << "tolvane-cli: the summary file could not be read\n";
    return 1;
  }
  if (request.byIDs && objects.size() < request.ids.size()) {
    err << "tolvane-cli: not every ID names an object of that overlay on that map\n";
    return 1;
  }
  CloseBufferedFiles();
  if (!SelectExactly(objects)) {
    err << "tolvane-cli: out of memory\n";
    return 1;
  }

  std::error_code ignored;
  const std::string path = std::filesystem::absolute(request.out, ignored).string();
  std::string mapsFolder;
  DirectoryPath(mapsDirID, mapsFolder);
  ExportHooks hooks;
  hooks.programFolder = [] { return WithTrailingSlash(ProgramFolderPath()); };
  hooks.exchangeFolder = [mapsFolder] {
    return WithTrailingSlash(mapsFolder) + "BasemapFiles/Temp/";
  };
  SetExportHooks(hooks);
  settings.source = kExportSelection;
  settings.format = format;
  ExportResult result;
  int32_t status = 0;
  if (format == kExportBNA) {
    status = ExportSelectionAsBNA(path, &result);
  } else if (format == kExportShapefile) {
    status = ExportShapefile(objects, path, kind, &result);
  } else {
    status = Export(ExportDefaultName(format), ExportFileKind(format), path, &result);
  }
  CloseBufferedFiles();
  if (status != 0) {
    err << "tolvane-cli: the export stopped (" << status << ")\n";
    return 1;
  }
  std::string files = "[";
  for (size_t i = 0; i < result.files.size(); ++i) {
    if (i > 0) files += ",";
    files += JsonString(Windows1252Of(result.files[i]));
  }
  files += "]";
  const std::string seconds = "{\"write\":" + SecondsText(result.writeSeconds) +
                              ",\"convert\":" + SecondsText(result.convertSeconds) + "}";
  out << JsonObject()
             .Text("file", Windows1252Of(result.path))
             .Text("format", request.format)
             .Number("objects", result.objects)
             .Number("written", result.written)
             .Number("passedOver", result.passedOver)
             .Number("bytes", result.bytes)
             .Raw("files", files)
             .Raw("seconds", seconds)
             .Str()
      << "\n";
  return 0;
}

}  // namespace tlv::cli
