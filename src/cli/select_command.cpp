#include "cli/select_command.h"

#include <cmath>
#include <cstdio>
#include <ostream>

#include "catalogue/layers.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "cli/json_text.h"
#include "cli/object_list_output.h"
#include "edit/selection.h"
#include "render/map_view.h"
#include "search/pick.h"
#include "store/object_record.h"

namespace tlv::cli {
namespace {

constexpr const char* kUsage =
    "tolvane-cli: select (--click LAT,LON | --rect S,W,N,E | --circle LAT,LON,MILES) "
    "--view LAT,LON,SCALE --size WxH [--overlays A,B]\n";
constexpr int kMaxSide = 16384;

// Comma-separated decimal numbers, exactly count of them, all finite.
bool ParseNumbers(const std::string& text, size_t count, std::vector<double>& values) {
  values.clear();
  size_t at = 0;
  while (values.size() < count) {
    const size_t comma = text.find(',', at);
    const std::string part = text.substr(at, comma == std::string::npos ? comma : comma - at);
    double value = 0;
    char extra = 0;
    if (std::sscanf(part.c_str(), "%lf%c", &value, &extra) != 1 || !std::isfinite(value)) {
      return false;
    }
    values.push_back(value);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return values.size() == count && text.find(',', at) == std::string::npos;
}

bool LatLon(double lat, double lon, WPoint& p) {
  if (lat < -90 || lat > 90 || lon < -180 || lon > 180) return false;
  p = {static_cast<int32_t>(std::llround((lon + 180.0) * 1000000.0)),
       static_cast<int32_t>(std::llround((lat + 90.0) * 1000000.0))};
  return true;
}

bool OverlayIDs(const std::string& list, std::vector<int32_t>& ids, std::string& unknown) {
  size_t at = 0;
  while (at <= list.size()) {
    const size_t comma = list.find(',', at);
    const std::string name =
        Windows1252FromUtf8(list.substr(at, comma == std::string::npos ? comma : comma - at));
    const int32_t index = LayerNameToIndex(name);
    LayerRecord layer;
    if (index < 0 || !GetLayerRecord(index, layer)) {
      unknown = name;
      return false;
    }
    ids.push_back(layer.layerID);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return true;
}

}  // namespace

bool IsSelectCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "select";
}

int RunSelectCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::string click, rect, circle, view, size, overlays;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    std::string* into = w == "--click"      ? &click
                        : w == "--rect"     ? &rect
                        : w == "--circle"   ? &circle
                        : w == "--view"     ? &view
                        : w == "--size"     ? &size
                        : w == "--overlays" ? &overlays
                                            : nullptr;
    if (into == nullptr || i + 1 >= words.size()) {
      err << kUsage;
      return 1;
    }
    *into = words[++i];
  }
  if ((!click.empty()) + (!rect.empty()) + (!circle.empty()) != 1 || view.empty() || size.empty()) {
    err << kUsage;
    return 1;
  }
  int width = 0, height = 0;
  char extra = 0;
  if (std::sscanf(size.c_str(), "%dx%d%c", &width, &height, &extra) != 2 || width <= 0 ||
      height <= 0 || width > kMaxSide || height > kMaxSide) {
    err << "tolvane-cli: select needs --size WxH (1 to " << kMaxSide << " pixels a side)\n";
    return 1;
  }
  std::vector<double> v;
  WPoint centre;
  if (!ParseNumbers(view, 3, v) || !LatLon(v[0], v[1], centre) || v[2] <= 0) {
    err << "tolvane-cli: --view takes LAT,LON,SCALE in decimal degrees\n";
    return 1;
  }
  SetMapArea({0, 0, width, height});
  CentreViewOn(ClampScale(std::llround(std::min(v[2], 1e12))), centre.x, centre.y);

  std::vector<int32_t> chosen;
  std::string unknown;
  if (!overlays.empty() && !OverlayIDs(overlays, chosen, unknown)) {
    err << "tolvane-cli: no overlay named " << unknown << "\n";
    return 1;
  }
  const OverlayFilter filter = overlays.empty() ? nullptr : &chosen;
  int32_t result = 0;
  if (!click.empty()) {
    WPoint p;
    if (!ParseNumbers(click, 2, v) || !LatLon(v[0], v[1], p)) {
      err << "tolvane-cli: --click takes LAT,LON in decimal degrees\n";
      return 1;
    }
    SelectClickResult picked;
    result = SelectToolClick(WorldToScreenPoint(CurrentViewMapping(), p), false, 0, picked, filter);
  } else {
    PickArea area;
    if (!rect.empty()) {
      WPoint southWest, northEast;
      if (!ParseNumbers(rect, 4, v) || !LatLon(v[0], v[1], southWest) ||
          !LatLon(v[2], v[3], northEast) || v[0] > v[2] || v[1] > v[3]) {
        err << "tolvane-cli: --rect takes S,W,N,E in decimal degrees\n";
        return 1;
      }
      area.rect = {southWest.x, southWest.y, northEast.x, northEast.y};
    } else {
      area.circle = true;
      if (!ParseNumbers(circle, 3, v) || !LatLon(v[0], v[1], area.centre) || v[2] < 0) {
        err << "tolvane-cli: --circle takes LAT,LON,MILES\n";
        return 1;
      }
      area.radiusMiles = v[2];
    }
    int32_t count = 0;
    result =
        SelectObjectsInArea(area, filter != nullptr ? chosen : ShownOverlayIDs(), false, count);
  }
  if (result != 0) {
    err << "tolvane-cli: the objects could not be read\n";
    return 1;
  }
  const int32_t count = SelectedObjectCount();
  for (int32_t i = 0; i < count; ++i) {
    ObjectRef object;
    GetSelectedObject(i, object);
    int32_t byteOffset = 0, mapIndex = -1, fileIndex = -1;
    SummaryRecord summary;
    std::string json;
    uint8_t aliases = 0;
    int32_t readErr = FindSummaryRecord(object.mapID, object.overlayID, object.position, byteOffset,
                                        summary, &mapIndex, &fileIndex, false);
    if (readErr == 0) {
      readErr = AllocateSpaceForFile(object.mapID, object.overlayID, kObjectFileKind,
                                     kSmallWindowSize, &mapIndex, &fileIndex);
    }
    if (readErr == 0)
      readErr = FSGetObjectAliasCount(CurrentObjectFile(), object.position, aliases);
    // Picked objects are drawn objects, never aliases; flag 4 tells they have some.
    if (readErr == 0) {
      readErr = ListedObjectJson(object.mapID, object.overlayID, object.position, summary.nameStart,
                                 aliases > 0 ? 4 : 0, json);
    }
    if (readErr != 0) {
      err << "tolvane-cli: the object at " << object.position << " could not be read\n";
      return 1;
    }
    out << json << "\n";
  }
  out << ListCountsJson(count, 0, 0) << "\n";
  CloseBufferedFiles();
  return 0;
}

}  // namespace tlv::cli
