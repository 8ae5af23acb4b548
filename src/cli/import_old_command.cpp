#include "cli/import_old_command.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "base/files.h"
#include "base/memory.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "cli/json_text.h"
#include "interchange/old_import.h"

namespace tlv::cli {

namespace {

constexpr const char* kUsage =
    "usage: tolvane-cli import-old FILE [--map NAME | --new-map] [--mode N|R|M] [--select] "
    "[--list] [--owned] [--relative LAT,LON --unit E|K|M|Y]\n";

bool ParseCentre(const std::string& text, double& latitude, double& longitude) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  char* end = nullptr;
  latitude = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + comma) return false;
  longitude = std::strtod(text.c_str() + comma + 1, &end);
  return end == text.c_str() + text.size() && comma + 1 < text.size();
}

}  // namespace

int RunImportOldCommand(const std::vector<std::string>& words, std::ostream& out,
                        std::ostream& err) {
  std::string file;
  std::string mapName;
  bool newMap = false;
  char mode = kOldImportNew;
  bool select = false;
  bool list = false;
  bool owned = false;
  bool relative = false;
  double latitude = 0.0;
  double longitude = 0.0;
  char unit = kOldUnitMiles;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool hasValue = i + 1 < words.size();
    if (word == "--map" && hasValue) {
      mapName = words[++i];
    } else if (word == "--new-map") {
      newMap = true;
    } else if (word == "--mode" && hasValue && words[i + 1].size() == 1 &&
               std::string("NRM").find(words[i + 1][0]) != std::string::npos) {
      mode = words[++i][0];
    } else if (word == "--select") {
      select = true;
    } else if (word == "--list") {
      list = true;
    } else if (word == "--owned") {
      owned = true;
    } else if (word == "--relative" && hasValue && ParseCentre(words[i + 1], latitude, longitude)) {
      relative = true;
      ++i;
    } else if (word == "--unit" && hasValue && words[i + 1].size() == 1 &&
               std::string("EKMY").find(words[i + 1][0]) != std::string::npos) {
      unit = words[++i][0];
    } else if (file.empty() && word.rfind("--", 0) != 0) {
      file = word;
    } else {
      err << kUsage;
      return 1;
    }
  }
  if (file.empty() || (newMap && !mapName.empty())) {
    err << kUsage;
    return 1;
  }
  std::error_code ignored;
  const std::string path = std::filesystem::absolute(file, ignored).string();
  std::string resolved;
  if (ResolvePath(path, resolved) != 0 || IsFolder(resolved)) {
    err << "tolvane-cli: no such file: " << file << "\n";
    return 1;
  }
  int32_t mapID = UserMapID();
  if (newMap) {
    int32_t index = -1;
    if (MapNamedAfterFile(resolved, index) != 0) {
      err << "tolvane-cli: the map could not be made: "
          << std::filesystem::path(resolved).stem().string() << "\n";
      return 1;
    }
    MapRecord map;
    if (!GetMapRecord(index, map)) return 1;
    mapID = map.mapID;
  } else if (!mapName.empty()) {
    const int32_t index = MapNameToIndex(mapName);
    MapRecord map;
    if (index < 0 || !GetMapRecord(index, map)) {
      err << "tolvane-cli: no such map: " << mapName << "\n";
      return 1;
    }
    mapID = map.mapID;
  }
  if (mapID == 0) {
    err << "tolvane-cli: there is no User's Map\n";
    return 1;
  }
  OldImportSummary summary;
  std::string overlay;
  Handle ids = OldImportObjects(nullptr, resolved, 0, mode, select, list, relative, latitude,
                                longitude, unit, mapID, owned, &overlay, &summary);
  if (ids != nullptr) MyDisposeHandle(ids);
  const int32_t saved = SaveLayers();
  CloseBufferedFiles();
  out << "{\"created\":" << summary.created << ",\"changed\":" << summary.changed
      << ",\"listedOnly\":" << summary.listedOnly << ",\"overlay\":" << JsonString(overlay)
      << ",\"overlaysCreated\":" << summary.overlaysCreated
      << ",\"readError\":" << (summary.readError ? "true" : "false") << ",\"ids\":[";
  for (size_t i = 0; i < summary.ids.size(); ++i) {
    out << (i == 0 ? "" : ",") << JsonString(summary.ids[i]);
  }
  out << "]}\n";
  if (saved != 0) {
    err << "tolvane-cli: the overlay list could not be saved (error " << saved << ")\n";
    return 1;
  }
  return summary.readError ? 1 : 0;
}

}  // namespace tlv::cli
