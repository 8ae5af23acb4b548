#include "cli/georef_command.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/strings.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "cli/json_text.h"
#include "cli/objects_command.h"
#include "edit/edit_targets.h"
#include "edit/new_object.h"
#include "geometry/geo_settings.h"
#include "geometry/georef.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QImageReader>
#include <QString>
#endif

namespace tlv::cli {

namespace {

constexpr const char* kUsage =
    "usage: tolvane-cli georef (--picture FILE | --size WxH) --p1 COL,ROW,LAT,LON "
    "(--p2 COL,ROW,LAT,LON | --p2 COL,ROW --distance D [--unit ft|yd|m|km|mi|nm]) "
    "[--insert MAP OVERLAY]\n";

// Comma-separated numbers, exactly count of them, all finite.
bool Numbers(const std::string& text, size_t count, std::vector<double>& values) {
  values.clear();
  const char* p = text.c_str();
  while (*p != '\0') {
    char* end = nullptr;
    const double value = std::strtod(p, &end);
    if (end == p || !std::isfinite(value)) return false;
    values.push_back(value);
    if (*end == ',') {
      p = end + 1;
      if (*p == '\0') return false;
    } else if (*end != '\0') {
      return false;
    } else {
      p = end;
    }
  }
  return values.size() == count;
}

bool Pixel(double value, int32_t& pixel) {
  if (value < 0 || value > 2000000000.0 || value != std::floor(value)) return false;
  pixel = static_cast<int32_t>(value);
  return true;
}

bool WorldOf(double latitude, double longitude, WPoint& p) {
  if (latitude < -90 || latitude > 90 || longitude < -180 || longitude > 180) return false;
  p = {static_cast<int32_t>(std::llround((longitude + 180.0) * 1000000.0)),
       static_cast<int32_t>(std::llround((latitude + 90.0) * 1000000.0))};
  return true;
}

std::string Fixed(double value, const char* format = "%.6f") {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string PointJson(const GeoRefPoint& p) {
  return "{\"col\":" + std::to_string(p.column) + ",\"row\":" + std::to_string(p.row) +
         ",\"x\":" + std::to_string(p.world.x) + ",\"y\":" + std::to_string(p.world.y) +
         ",\"lat\":" + Fixed((p.world.y - 90000000.0) / 1e6) +
         ",\"lon\":" + Fixed((p.world.x - 180000000.0) / 1e6) + "}";
}

bool UnitOf(const std::string& word, int16_t& unit) {
  static const struct {
    const char* word;
    int16_t unit;
  } kUnits[] = {{"ft", kUnitFeet},       {"yd", kUnitYards}, {"m", kUnitMeters},
                {"km", kUnitKilometers}, {"mi", kUnitMiles}, {"nm", kUnitNauticalMiles}};
  for (const auto& u : kUnits) {
    if (word == u.word) {
      unit = u.unit;
      return true;
    }
  }
  return false;
}

// Puts the picture on the map as a picture object filling rect, on the named overlay of the
// named map. The command line names the overlay outright, so an overlay locked in the window
// takes the object here and is locked again afterwards. Returns 0 and the object's JSON, or 1
// after one message on err; nothing is left behind on a refusal.
int InsertPicture(const std::string& picture, const std::string& mapName,
                  const std::string& overlayName, const WRect& rect, std::string& json,
                  std::ostream& err) {
  MapRecord map;
  if (!GetMapRecord(MapNameToIndex(Windows1252FromUtf8(mapName)), map)) {
    err << "tolvane-cli: no map named " << mapName << "\n";
    return 1;
  }
  if (map.locked != 0 || map.inUse == 0) {
    err << "tolvane-cli: the map " << mapName << " is "
        << (map.locked != 0 ? "locked" : "not in use") << " and takes no new objects\n";
    return 1;
  }
  const int32_t layerIndex = LayerNameToIndex(Windows1252FromUtf8(overlayName));
  LayerRecord layer;
  if (!GetLayerRecord(layerIndex, layer)) {
    err << "tolvane-cli: no overlay named " << overlayName << "\n";
    return 1;
  }
  const bool wasLocked = layer.lockState != 0;
  if (wasLocked) SetLayerLocked(layerIndex, false);
  SetEditTarget(map.mapID, layer.layerID);
  NewObject object;
  object.type = kPictureObject;
  const std::filesystem::path path(picture);
  object.name = Windows1252FromUtf8(path.stem().string()).substr(0, 31);
  object.graphics = OverlayDefaultGraphics(layer.layerID);
  object.overlayID = layer.layerID;
  object.rect = rect;
  ObjectRef made;
  const int32_t result = AddPictureObject(object, picture, made);
  if (wasLocked) SetLayerLocked(layerIndex, true);
  // The core has shown its own message on the platform (echoed to stderr).
  if (result != 0) return 1;
  if (LiveObjectJson(made.mapID, made.overlayID, made.position, json) != 0) {
    err << "tolvane-cli: the new object could not be read back\n";
    return 1;
  }
  return 0;
}

}  // namespace

bool IsGeoRefCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "georef";
}

int RunGeoRefCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::string picture, size, first, second, distanceText, insertMap, insertOverlay;
  int16_t unit = kUnitMiles;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool hasValue = i + 1 < words.size();
    if (word == "--picture" && hasValue) {
      picture = words[++i];
    } else if (word == "--size" && hasValue) {
      size = words[++i];
    } else if (word == "--p1" && hasValue) {
      first = words[++i];
    } else if (word == "--p2" && hasValue) {
      second = words[++i];
    } else if (word == "--distance" && hasValue) {
      distanceText = words[++i];
    } else if (word == "--unit" && hasValue && UnitOf(words[i + 1], unit)) {
      ++i;
    } else if (word == "--insert" && i + 2 < words.size()) {
      insertMap = words[++i];
      insertOverlay = words[++i];
    } else {
      err << kUsage;
      return 1;
    }
  }
  if ((picture.empty() == size.empty()) || first.empty() || second.empty()) {
    err << kUsage;
    return 1;
  }
  if (!insertMap.empty() && picture.empty()) {
    err << "tolvane-cli: --insert needs the picture itself (--picture FILE)\n";
    return 1;
  }
  int32_t width = 0;
  int32_t height = 0;
  if (!size.empty()) {
    char x = 0;
    char extra = 0;
    if (std::sscanf(size.c_str(), "%d%c%d%c", &width, &x, &height, &extra) != 3 || x != 'x' ||
        width <= 0 || height <= 0) {
      err << "tolvane-cli: --size takes WxH in pixels, both above 0\n";
      return 1;
    }
  } else {
#ifdef TOLVANE_CLI_HAS_QT
    QImageReader reader(QString::fromLocal8Bit(picture.c_str()));
    const QSize found = reader.size();  // read from the header, the picture is not decoded
    if (!found.isValid() || found.isEmpty()) {
      err << "tolvane-cli: the picture cannot be read: " << picture << "\n";
      return 1;
    }
    width = found.width();
    height = found.height();
#else
    err << "tolvane-cli: this build reads no pictures; give --size WxH\n";
    return 1;
#endif
  }

  std::vector<double> v;
  GeoRefPoint p1;
  if (!Numbers(first, 4, v) || !Pixel(v[0], p1.column) || !Pixel(v[1], p1.row) ||
      !WorldOf(v[2], v[3], p1.world)) {
    err << "tolvane-cli: --p1 takes COL,ROW,LAT,LON (pixels from 0; latitude -90 to 90, "
           "longitude -180 to 180)\n";
    return 1;
  }
  p1.set = true;
  GeoRefPoint p2;
  if (distanceText.empty()) {
    if (!Numbers(second, 4, v) || !Pixel(v[0], p2.column) || !Pixel(v[1], p2.row) ||
        !WorldOf(v[2], v[3], p2.world)) {
      err << "tolvane-cli: --p2 takes COL,ROW,LAT,LON, or COL,ROW with --distance\n";
      return 1;
    }
  } else {
    char* end = nullptr;
    const double distance = std::strtod(distanceText.c_str(), &end);
    if (!Numbers(second, 2, v) || !Pixel(v[0], p2.column) || !Pixel(v[1], p2.row)) {
      err << "tolvane-cli: --p2 takes COL,ROW with --distance\n";
      return 1;
    }
    if (*end != '\0' || !std::isfinite(distance) || distance <= 0) {
      err << "tolvane-cli: --distance takes a number above 0\n";
      return 1;
    }
    const int32_t problem = PointFromDistance(p1, p2.column, p2.row, distance, unit, p2.world);
    if (problem != 0) {
      out << "{\"error\":" << JsonString(GeoRefProblemText(problem)) << ",\"check\":" << problem
          << "}\n";
      return 1;
    }
  }
  p2.set = true;

  WRect rect;
  GeoRefScales scales;
  const int32_t problem = GeoRefWorldRect(width, height, p1, p2, rect, &scales);
  if (problem != 0) {
    out << "{\"error\":" << JsonString(GeoRefProblemText(problem)) << ",\"check\":" << problem
        << "}\n";
    return 1;
  }
  std::string objectJson;
  if (!insertMap.empty() &&
      InsertPicture(picture, insertMap, insertOverlay, rect, objectJson, err) != 0) {
    return 1;
  }
  out << "{\"pictureSize\":[" << width << "," << height << "],\"p1\":" << PointJson(p1)
      << ",\"p2\":" << PointJson(p2) << ",\"scale\":{\"sx\":" << Fixed(scales.sx, "%.3f")
      << ",\"sy\":" << Fixed(scales.sy, "%.3f") << "},\"rect\":[" << rect.x1 << "," << rect.y1
      << "," << rect.x2 << "," << rect.y2
      << "],\"degrees\":{\"west\":" << Fixed((rect.x1 - 180000000.0) / 1e6)
      << ",\"south\":" << Fixed((rect.y1 - 90000000.0) / 1e6)
      << ",\"east\":" << Fixed((rect.x2 - 180000000.0) / 1e6)
      << ",\"north\":" << Fixed((rect.y2 - 90000000.0) / 1e6) << "}";
  if (!objectJson.empty()) out << ",\"object\":" << objectJson;
  out << "}\n";
  return 0;
}

}  // namespace tlv::cli
