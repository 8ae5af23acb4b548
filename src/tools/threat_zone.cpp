#include "tools/threat_zone.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <utility>

#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/walks.h"
#include "edit/object_access.h"
#include "store/summary.h"
#include "tools/basemap_bridge.h"

namespace tlv {

namespace {

constexpr const char* kThreatZonePrefix = "ZEPHA Threat Zone ";
constexpr const char* kConfidencePrefix = "ZEPHA Confidence Lines ";
// A renamed name must stay below this, and a name this long or longer is never renamed.
constexpr size_t kRenamedNameLimit = 512;
constexpr size_t kRenamableNameLimit = 501;
// The bold label is only made for lines shorter than this.
constexpr size_t kBoldLineLimit = 500;
// "zep_ftp.pas" is a few kilobytes; anything past this is not ZEPHA's footprint file.
constexpr size_t kMaxFootprintFileBytes = 16 * 1024 * 1024;
constexpr int16_t kAlertList = 25600;
constexpr int16_t kExportProblem = 74;
constexpr int16_t kNoThreatZone = 75;
constexpr int32_t kErrNotAvailable = -4;

struct ThreatZoneState {
  ThreatZoneHooks hooks;
  ThreatZoneLabels labels;
  std::string folderOverride;
};

ThreatZoneState& S() {
  static ThreatZoneState state;
  return state;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

// Calls visit with each line of the text, without its line end (LF or CR LF).
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    visit(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(kMaxFootprintFileBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(kMaxFootprintFileBytes));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return !in.bad();
}

void RemoveFile(const std::string& path) {
  std::remove(path.c_str());
}

// The summary lines of the file: after trimming they begin with a lower-case "t", which stands
// for a blank; the line is trimmed again without it.
std::vector<std::string> SummaryLines(std::string_view pasText) {
  std::vector<std::string> lines;
  ForEachLine(pasText, [&lines](std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.front() != 't') return;
    lines.emplace_back(Trimmed(line.substr(1)));
  });
  return lines;
}

constexpr std::array<const char*, 7> kKeyLabels = {
    "Time:", "Chemical Name:", "Wind:", "THREAT ZONE:", "Red   :", "Orange:", "Yellow:"};
constexpr std::array<const char*, 4> kBoldLabels = {
    "Time:", "Chemical Name:", "Wind:", "THREAT ZONE:"};

bool IsKeyLine(std::string_view line) {
  return std::any_of(kKeyLabels.begin(), kKeyLabels.end(),
                     [line](const char* label) { return StartsWith(line, label); });
}

void EraseFirst(std::string& line, std::string_view part) {
  const size_t at = line.find(part);
  if (at != std::string::npos) line.erase(at, part.size());
}

// The summary goes into HTML that KML readers render, so ZEPHA's text must not be able to add
// markup of its own.
std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

std::string SummaryHtmlLine(std::string line) {
  if (StartsWith(line, "Time:")) {
    EraseFirst(line, " (user specified)");
    EraseFirst(line, " (using computer's clock)");
  }
  if (StartsWith(line, "Model Run:")) line.replace(0, 10, "Model: ZEPHA");
  std::string prefix;
  if (StartsWith(line, "THREAT ZONE:")) {
    prefix = "<small><br></small>";
  } else if (StartsWith(line, "Red   :")) {
    prefix =
        "<span style=\"background-color: rgb(255, 0, 0);\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;";
  } else if (StartsWith(line, "Orange:")) {
    prefix =
        "<span style=\"background-color: rgb(255, 153, 0);\">&nbsp;&nbsp;&nbsp;&nbsp;</span>"
        "&nbsp;";
  } else if (StartsWith(line, "Yellow:")) {
    prefix =
        "<span style=\"background-color: rgb(255, 255, 0);\">&nbsp;&nbsp;&nbsp;&nbsp;</span>"
        "&nbsp;";
  }
  const bool bold = line.size() < kBoldLineLimit &&
                    std::any_of(kBoldLabels.begin(), kBoldLabels.end(),
                                [&line](const char* label) { return StartsWith(line, label); });
  std::string text;
  if (bold) {
    const size_t colon = line.find(':');
    text = "<b>" + EscapeHtml(std::string_view(line).substr(0, colon)) + ":</b>" +
           EscapeHtml(std::string_view(line).substr(colon + 1));
  } else {
    text = EscapeHtml(line);
  }
  return prefix + text + "\n";
}

// Writes the bytes beside the path and gives them the name only when complete, so a reader
// never sees half a file.
int32_t WriteThroughWorkFile(const std::string& path, const std::string& bytes) {
  const std::string work = path + ".work";
  {
    std::ofstream out(work, std::ios::binary | std::ios::trunc);
    if (!out) return kErrIO;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      RemoveFile(work);
      return kErrIO;
    }
  }
  if (std::rename(work.c_str(), path.c_str()) != 0) {
    RemoveFile(work);
    return kErrIO;
  }
  return 0;
}

bool PlainFileExists(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return static_cast<bool>(in) && IsRegularFile(path);
}

int32_t ThreatZoneKind(const std::string& name) {
  if (name.find("Confidence") != std::string::npos) return 0;
  if (name.find("Threat Zone") != std::string::npos) return 1;
  return 2;
}

// The live objects of the overlay on the User's Map, with their names and IDs.
int32_t CollectUserMapObjects(int32_t overlayID, std::vector<ThreatZoneObject>& objects) {
  objects.clear();
  const int32_t mapID = UserMapID();
  const int32_t mapIndex = MapIDToIndex(mapID);
  if (mapID == 0 || mapIndex < 0 || OverlayFileIndexForID(mapIndex, overlayID) < 0) return 0;
  std::vector<ThreatZoneObject> found;
  int32_t resolvedMap = -1;
  int32_t resolvedFile = -1;
  int32_t err = ForEachSummaryRecord(
      mapID, overlayID,
      [&found, mapID, overlayID](const SummaryRecord& record, int32_t) {
        if (!SummaryRecordLive(record)) return 0;
        ThreatZoneObject object;
        object.ref = ObjectRef{mapID, overlayID, record.position};
        object.idText = ObjectIDText(ObjectID{record.idHigh, record.idLow});
        found.push_back(std::move(object));
        return 0;
      },
      &resolvedMap, &resolvedFile);
  if (err != 0) return err;
  // The names are read after the walk: reading them makes another file current.
  for (ThreatZoneObject& object : found) {
    err = UseObjectFile(mapID, overlayID);
    std::string prefix;
    if (err == 0)
      err = FSGetObjectName(CurrentObjectFile(), object.ref.position, prefix, object.name);
    if (err != 0) return err;
  }
  objects = std::move(found);
  return 0;
}

}  // namespace

void SetThreatZoneHooks(ThreatZoneHooks hooks) {
  S().hooks = std::move(hooks);
}

void SetThreatZoneFolderOverride(const std::string& folder) {
  S().folderOverride = folder.empty() ? folder : WithTrailingSlash(folder);
}

std::string ThreatZoneFootprintPath() {
  std::string folder = S().folderOverride;
  if (folder.empty()) {
    const std::string program = S().hooks.zephaProgram ? S().hooks.zephaProgram() : "";
    if (program.empty()) return "";
    folder = FolderOfPath(program);
    if (folder.empty()) return "";
  }
  std::string resolved;
  if (ResolvePath(folder + kThreatZoneFootprintFile, resolved) != 0 || !IsRegularFile(resolved)) {
    return "";
  }
  return resolved;
}

ThreatZoneLabels ParseThreatZoneLabels(std::string_view text) {
  ThreatZoneLabels labels;
  ForEachLine(text, [&labels](std::string_view line) {
    line = Trimmed(line);
    if (!StartsWith(line, "FOOTPRINT")) return;
    const size_t at = line.find("[LOC: ");
    // A footprint line without a location names no zone.
    if (at == std::string_view::npos) return;
    std::string_view location = line.substr(at + 6);
    location = location.substr(0, location.find(']'));
    // The names compared with it are C strings.
    location = location.substr(0, location.find('\0'));
    location = location.substr(0, kMaxThreatZoneLabelLength);
    if (line.find("[COLOR: YELLOW]") != std::string_view::npos) {
      labels.yellow = location;
    } else if (line.find("[COLOR: LIGHT ORANGE]") != std::string_view::npos) {
      labels.orange = location;
    } else if (line.find("[COLOR: RED]") != std::string_view::npos) {
      labels.red = location;
    }
  });
  return labels;
}

int32_t ReadThreatZoneLabels(const std::string& pasPath) {
  S().labels = ThreatZoneLabels();
  const std::string path = pasPath.empty() ? ThreatZoneFootprintPath() : pasPath;
  std::string text;
  if (path.empty() || !ReadWholeFile(path, text)) return 0;
  S().labels = ParseThreatZoneLabels(text);
  return 0;
}

void ForgetThreatZoneLabels() {
  S().labels = ThreatZoneLabels();
}

const ThreatZoneLabels& CurrentThreatZoneLabels() {
  return S().labels;
}

void NameThreatZoneObject(std::string& name) {
  if (name.size() >= kRenamableNameLimit) return;
  std::string_view prefix;
  if (StartsWith(name, kThreatZonePrefix)) {
    prefix = kThreatZonePrefix;
  } else if (StartsWith(name, kConfidencePrefix)) {
    prefix = kConfidencePrefix;
  } else {
    return;
  }
  const ThreatZoneLabels& labels = S().labels;
  const std::pair<const std::string*, const char*> colours[] = {
      {&labels.yellow, "Yellow"}, {&labels.orange, "Orange"}, {&labels.red, "Red"}};
  const std::string_view text = std::string_view(name).substr(prefix.size());
  for (const auto& [label, colour] : colours) {
    if (label->empty() || text != *label) continue;
    std::string renamed = name;
    renamed.replace(renamed.find("ZEPHA"), 5, colour);
    if (renamed.size() < kRenamedNameLimit) name = std::move(renamed);
    return;
  }
}

std::string ThreatZoneSummaryText(std::string_view pasText) {
  const std::vector<std::string> lines = SummaryLines(pasText);
  std::string text;
  for (const std::string& line : lines) {
    if (IsKeyLine(line)) text += SummaryHtmlLine(line);
  }
  text += "\n";
  for (const std::string& line : lines) {
    if (!IsKeyLine(line)) text += SummaryHtmlLine(line);
  }
  return text;
}

int32_t WriteThreatZoneSummary() {
  const std::string summary = BasemapExchangeFolder() + kThreatZoneSummaryFile;
  RemoveFile(summary);
  const std::string pas = ThreatZoneFootprintPath();
  std::string text;
  if (pas.empty() || !ReadWholeFile(pas, text)) return 1;
  const int32_t err = WriteThroughWorkFile(summary, ThreatZoneSummaryText(text));
  if (err != 0) RemoveFile(summary);
  return err;
}

void SortThreatZoneObjects(std::vector<ThreatZoneObject>& objects) {
  std::stable_sort(objects.begin(), objects.end(),
                   [](const ThreatZoneObject& a, const ThreatZoneObject& b) {
                     const int32_t kindA = ThreatZoneKind(a.name);
                     const int32_t kindB = ThreatZoneKind(b.name);
                     if (kindA != kindB) return kindA < kindB;
                     return a.idText < b.idText;
                   });
}

int32_t ExportThreatZoneKml(ThreatZoneExport* result) {
  ThreatZoneExport local;
  ThreatZoneExport& out = result != nullptr ? *result : local;
  out = ThreatZoneExport();
  const int32_t layerIndex = LayerNameToIndex(kThreatZoneOverlay);
  LayerRecord layer;
  if (layerIndex < 0 || !GetLayerRecord(layerIndex, layer)) return 0;
  out.objects = LayerObjectCount(layer.layerID);
  if (out.objects <= 0) return 0;

  PrepareBasemapExchange();
  const std::string exchange = BasemapExchangeFolder();
  out.mie = exchange + kThreatZoneMieFile;
  RemoveFile(out.mie);
  // The objects go to the converter in a list of their own: the user's search collection is
  // never touched.
  std::vector<ThreatZoneObject> objects;
  int32_t err = CollectUserMapObjects(layer.layerID, objects);
  if (err == 0 && objects.size() > 1) SortThreatZoneObjects(objects);

  out.summary = WriteThreatZoneSummary() == 0;
  RemoveFile(exchange + kThreatZonePolygonsFile);
  RemoveFile(exchange + kThreatZonePointsFile);
  if (err == 0 && !objects.empty()) {
    std::vector<ObjectRef> refs;
    refs.reserve(objects.size());
    for (const ThreatZoneObject& object : objects) refs.push_back(object.ref);
    if (S().hooks.exportInterchange) {
      err = S().hooks.exportInterchange(refs, out.mie);
    } else {
      err = kErrNotAvailable;
    }
    if (err == 0 && PlainFileExists(out.mie)) out.exported = static_cast<int32_t>(refs.size());
  }

  if (out.exported == 0) {
    out.message = err == 0 && objects.empty() ? kNoThreatZone : kExportProblem;
    ShowAlert(GetIndString(kAlertList, static_cast<int16_t>(out.message)),
              out.message == kNoThreatZone ? kNoteAlert : kStopAlert);
    return -1;
  }
  out.argv = BasemapToolArgv("basemaptools\\php\\php.exe", {"basemaptools/zep2kml.php", out.mie});
  const int32_t ran = RunTool(out.argv);
  if (ran == kToolStartFailed) {
    out.message = kExportProblem;
    return -1;
  }
  if (ran == kToolCancelled) return -1;
  out.converted = LastToolStatus() == 0;
  if (PlainFileExists(exchange + kThreatZonePolygonsFile)) {
    out.polygons = exchange + kThreatZonePolygonsFile;
  }
  if (PlainFileExists(exchange + kThreatZonePointsFile)) {
    out.points = exchange + kThreatZonePointsFile;
  }
  // The converter always writes both files; its own messages go to the tools log, so the user
  // hears of a failed run here.
  if (!out.converted || out.polygons.empty() || out.points.empty()) {
    out.message = kExportProblem;
    ShowAlert(GetIndString(kAlertList, kExportProblem), kStopAlert);
    return -1;
  }
  OpenBasemapWindow(exchange + kThreatZoneWindowFile);
  return 0;
}

void ResetThreatZoneForTesting() {
  S() = ThreatZoneState();
}

}  // namespace tlv
