#include "cli/polygon_command.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "cli/json_text.h"
#include "cli/objects_command.h"
#include "edit/polygon_commands.h"
#include "edit/selection.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "store/object_record.h"
#include "store/store_records.h"

namespace tlv::cli {

namespace {

constexpr const char* kCreateOption = "--create";

bool ParseUnit(const std::string& text, int16_t& unit) {
  for (int16_t u = kUnitFeet; u <= kUnitNauticalMiles; ++u) {
    if (text == std::to_string(u) || text == DistanceUnitAbbreviation(u) ||
        text == DistanceUnitName(u)) {
      unit = u;
      return true;
    }
  }
  return false;
}

bool ParseDistance(const std::string& text, double& distance) {
  char* end = nullptr;
  distance = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0';
}

bool ParsePosition(const std::string& text, int32_t& position) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || value < 0 || value > 0x7FFFFFFF) return false;
  position = static_cast<int32_t>(value);
  return true;
}

std::string PointsJson(const PolygonPoints& points) {
  std::string json = "[";
  for (size_t i = 0; i < points.points.size(); ++i) {
    const WPoint p = points.points[i];
    const bool newPiece = (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0;
    const auto x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit);
    if (i > 0) json += ",";
    json += "[" + std::to_string(x) + "," + std::to_string(p.y) + "," +
            (newPiece ? "true" : "false") + "]";
  }
  return json + "]";
}

int Usage(std::ostream& err) {
  err << "tolvane-cli: usage: polygon (union|intersection|difference|join|connect|envelope DIST "
         "UNIT) MAP OVERLAY POSITION... [--create]\n";
  return 1;
}

}  // namespace

bool IsPolygonCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "polygon";
}

int RunPolygonCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args;
  bool create = false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == kCreateOption) {
      create = true;
    } else {
      args.push_back(words[i]);
    }
  }
  if (args.empty()) return Usage(err);
  const std::string operation = args[0];
  size_t next = 1;
  MakePolygonRequest request;
  request.unit = CurrentGeometrySettings().distanceUnit;
  if (operation == "union") {
    request.operation = kPolygonUnion;
  } else if (operation == "intersection") {
    request.operation = kPolygonIntersection;
  } else if (operation == "difference") {
    request.operation = kPolygonDifference;
  } else if (operation == "envelope") {
    if (args.size() < 3 || !ParseDistance(args[1], request.distance) ||
        !ParseUnit(args[2], request.unit)) {
      return Usage(err);
    }
    next = 3;
  } else if (operation != "join" && operation != "connect") {
    return Usage(err);
  }
  if (args.size() < next + 3) return Usage(err);
  const int32_t mapIndex = MapNameToIndex(Windows1252FromUtf8(args[next]));
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) {
    err << "tolvane-cli: no map named " << args[next] << "\n";
    return 1;
  }
  LayerRecord layer;
  if (!GetLayerRecord(LayerNameToIndex(Windows1252FromUtf8(args[next + 1])), layer)) {
    err << "tolvane-cli: no overlay named " << args[next + 1] << "\n";
    return 1;
  }
  std::vector<ObjectRef> objects;
  for (size_t i = next + 2; i < args.size(); ++i) {
    int32_t position = 0;
    if (!ParsePosition(args[i], position)) return Usage(err);
    objects.push_back({map.mapID, layer.layerID, position});
  }
  // The menu commands work on the selection, so the objects become the selection first.
  RemoveAllSelectedObjects();
  for (const ObjectRef& o : objects) AddSelectedObject(o.mapID, o.overlayID, o.position);
  objects = SelectedObjectList();

  PolygonRefusal refusal = PolygonRefusal::kNone;
  int32_t status = 0;
  if (create) {
    ObjectRef made;
    if (operation == "join") {
      status = MakeNewPolyline(objects, made, refusal);
    } else if (operation == "connect") {
      status = ConnectPolylinesAtNearestPoint(objects, made, refusal);
    } else {
      status = MakeNewPolygon(objects, request, made, refusal);
    }
    if (status == 0) {
      std::string json;
      status = LiveObjectJson(made.mapID, made.overlayID, made.position, json);
      if (status == 0) out << json << "\n";
    }
  } else {
    PolygonPoints points;
    if (operation == "join") {
      refusal = CheckMakeNewPolyline(objects);
      if (refusal == PolygonRefusal::kNone)
        status = ComputeJoinedPolyline(objects, points, refusal);
    } else if (operation == "connect") {
      refusal = CheckConnectPolylines(objects);
      if (refusal == PolygonRefusal::kNone) {
        status = ComputeConnectedPolyline(objects[0], objects[1], points);
      }
    } else {
      OperandClass operandClass = OperandClass::kNone;
      refusal = CheckMakeNewPolygon(objects, operandClass);
      if (refusal == PolygonRefusal::kNone && operandClass == OperandClass::kAreas) {
        status = ComputeCombination(objects, request.operation, points, refusal);
      } else if (refusal == PolygonRefusal::kNone) {
        status = ComputeEnvelopePoints(objects, request.distance, request.unit, points, refusal);
      }
    }
    if (refusal == PolygonRefusal::kNone && status == 0) {
      out << JsonObject()
                 .Raw("points", PointsJson(points))
                 .Numbers("worldRect",
                          {points.bounds.x1, points.bounds.y1, points.bounds.x2, points.bounds.y2})
                 .Bool("noOutline", points.noOutline)
                 .Str()
          << "\n";
    }
  }
  CloseBufferedFiles();
  if (refusal != PolygonRefusal::kNone) {
    err << PolygonRefusalText(refusal) << "\n";
    return 1;
  }
  return status == 0 ? 0 : 1;
}

}  // namespace tlv::cli
