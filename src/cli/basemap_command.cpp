#include "cli/basemap_command.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <ostream>
#include <sstream>

#include "base/headless_platform.h"
#include "cli/json_text.h"
#include "cli/view_options.h"
#include "render/map_view.h"
#include "store/directory_table.h"
#include "tools/basemap_bridge.h"

namespace tlv::cli {
namespace {

// Comma-separated decimal numbers, exactly count of them.
bool ParseNumbers(const std::string& text, size_t count, std::vector<double>& values) {
  values.clear();
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    double value = 0;
    const auto result = std::from_chars(item.data(), item.data() + item.size(), value);
    if (result.ec != std::errc() || result.ptr != item.data() + item.size() ||
        !std::isfinite(value)) {
      return false;
    }
    values.push_back(value);
  }
  return values.size() == count;
}

int32_t WorldX(double longitude) {
  return static_cast<int32_t>(std::lround(longitude * 1000000.0 + 180000000.0));
}
int32_t WorldY(double latitude) {
  return static_cast<int32_t>(std::lround(latitude * 1000000.0 + 90000000.0));
}

bool ParseArea(const std::string& text, WRect& area) {
  std::vector<double> v;
  if (!ParseNumbers(text, 4, v) || v[0] >= v[2] || v[1] >= v[3] || v[0] < -180 || v[2] > 180 ||
      v[1] < -90 || v[3] > 90) {
    return false;
  }
  area = {WorldX(v[0]), WorldY(v[1]), WorldX(v[2]), WorldY(v[3])};
  return true;
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string list = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) list += ",";
    list += JsonUtf8(items[i]);
  }
  return list + "]";
}

std::string Seconds(double seconds) {
  std::ostringstream text;
  text.precision(3);
  text << std::fixed << seconds;
  return text.str();
}

int RenderCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  // "--query KIND W,S,E,N" is two words; they travel as one value.
  std::vector<std::string> rest{"basemap render"};
  for (size_t i = 2; i < words.size(); ++i) {
    if (words[i] == "--query" && i + 2 < words.size()) {
      rest.push_back(words[i]);
      rest.push_back(words[i + 1] + " " + words[i + 2]);
      i += 2;
    } else {
      rest.push_back(words[i]);
    }
  }
  std::map<std::string, std::string> options;
  if (!ParseOptions(rest, {"--view", "--size", "--out", "--buttons", "--query"}, {}, options,
                    err)) {
    return kUsageError;
  }
  if (!options.count("--view") || !options.count("--size") || !options.count("--out")) {
    err << "tolvane-cli: basemap render --view LAT,LON,SCALE --size WxH --out F.png"
           " [--buttons 1000] [--query circle|rect W,S,E,N]\n";
    return kUsageError;
  }
  std::map<std::string, std::string> viewOptions{{"--view", options["--view"]},
                                                 {"--size", options["--size"]}};
  int width = 0;
  int height = 0;
  if (const int viewError = ApplyViewOptions(viewOptions, width, height, err); viewError != 0) {
    return viewError;
  }
  BasemapRenderRequest request;
  request.world = ViewWorldRectFor(CurrentMapView(), MapArea(), ViewScaleFactorK());
  request.width = width;
  request.height = height;
  request.clickPoint = ClickPoint();
  const std::string buttons = options.count("--buttons") ? options["--buttons"] : "1000";
  if (buttons.size() != 4 || buttons.find_first_not_of("01") != std::string::npos) {
    err << "tolvane-cli: --buttons takes four digits 0 or 1 (basemap, photo, topo, fourth)\n";
    return kUsageError;
  }
  request.buttons = {buttons[0] == '1', buttons[1] == '1', buttons[2] == '1', buttons[3] == '1'};
  if (options.count("--query")) {
    const std::string& query = options["--query"];
    const size_t blank = query.find(' ');
    const std::string kind = query.substr(0, blank);
    BasemapQueryArea area;
    if (blank == std::string::npos || (kind != "circle" && kind != "rect") ||
        !ParseArea(query.substr(blank + 1), area.area)) {
      err << "tolvane-cli: --query takes \"circle W,S,E,N\" or \"rect W,S,E,N\"\n";
      return kUsageError;
    }
    area.circle = kind == "circle";
    request.query = area;
  }
  const BasemapRenderResult result = RenderBasemap(request, false);
  bool copied = false;
  if (result.ready) {
    std::error_code failed;
    std::filesystem::copy_file(result.pngPath, options["--out"],
                               std::filesystem::copy_options::overwrite_existing, failed);
    copied = !failed;
    if (failed) err << "tolvane-cli: cannot write " << options["--out"] << "\n";
  }
  if (!BasemapAvailable()) err << "tolvane-cli: no basemap: " << BasemapMissing() << "\n";
  out << "{\"ok\":" << (copied ? "true" : "false") << ",\"file\":" << JsonUtf8(options["--out"])
      << ",\"argv\":" << JsonList(result.argv) << ",\"seconds\":" << Seconds(result.seconds)
      << ",\"phpError\":" << JsonUtf8(result.phpError) << "}\n";
  return copied ? 0 : 1;
}

int ToolCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  BasemapTool tool{};
  if (words.size() < 3 || !BasemapToolFromName(words[2], tool)) {
    err << "tolvane-cli: basemap tool NAME [--click LAT,LON] [--area W,S,E,N] [--text T]\n"
           "  NAME: address, elevation, weather, find_address, population_in_radius,\n"
           "  population_in_area, info_in_area, goto, redraw, download_manager, ...\n";
    return kUsageError;
  }
  std::map<std::string, std::string> options;
  std::vector<std::string> rest{"basemap tool"};
  rest.insert(rest.end(), words.begin() + 3, words.end());
  if (!ParseOptions(rest, {"--click", "--area", "--text", "--shapefile"}, {}, options, err)) {
    return kUsageError;
  }
  if (options.count("--click")) {
    std::vector<double> v;
    if (!ParseNumbers(options["--click"], 2, v) || v[0] < -90 || v[0] > 90 || v[1] < -180 ||
        v[1] > 180) {
      err << "tolvane-cli: --click takes LAT,LON in decimal degrees\n";
      return kUsageError;
    }
    SetClickPoint({WorldX(v[1]), WorldY(v[0])});
  }
  if (options.count("--area")) {
    BasemapQueryArea area;
    if (!ParseArea(options["--area"], area.area)) {
      err << "tolvane-cli: --area takes W,S,E,N in decimal degrees\n";
      return kUsageError;
    }
    SetBasemapQuery(area);
  }
  BasemapToolInput input;
  input.text = options["--text"];
  input.shapefile = options["--shapefile"];
  const BasemapToolOutcome outcome = RunBasemapTool(tool, input);
  const WPoint click = ClickPoint();
  out << "{\"argv\":" << JsonList(outcome.argv) << ",\"status\":" << outcome.status
      << ",\"waited\":" << (outcome.waited ? "true" : "false")
      << ",\"result\":" << JsonUtf8(outcome.result) << ",\"opened\":" << JsonList(outcome.opened)
      << ",\"click\":[" << (click.y - 90000000) / 1e6 << "," << (click.x - 180000000) / 1e6
      << "]}\n";
  return outcome.status == 0 ? 0 : 1;
}

}  // namespace

bool IsBasemapCommand(const std::vector<std::string>& words) {
  return words.size() >= 2 && words[0] == "basemap" && (words[1] == "render" || words[1] == "tool");
}

void PrepareBasemap(const std::string& programFolder, int32_t mapsID) {
  std::string mapsPath;
  DirectoryPath(mapsID, mapsPath);
  SetBasemapFolders(programFolder, mapsPath, true);
  LoadBasemapButtons();
}

int RunBasemapCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  if (words[1] == "render") {
    // A render needs only the exchange folder; a PHP without MapScript says so in its error.
    PrepareBasemapExchange();
    return RenderCommand(words, out, err);
  }
  // The tools and the package's scripts find the exchange folder as they do under the program.
  if (StartBasemapBridge() != 0) {
    err << "tolvane-cli: the maps folder has no BasemapFiles/Settings/global.map\n";
    return 1;
  }
  return ToolCommand(words, out, err);
}

}  // namespace tlv::cli
