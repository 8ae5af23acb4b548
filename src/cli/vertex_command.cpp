#include "cli/vertex_command.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "base/headless_platform.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "cli/json_text.h"
#include "cli/view_options.h"
#include "edit/selection.h"
#include "edit/stored_segments.h"
#include "edit/undo.h"
#include "edit/vertex_edit.h"
#include "render/map_view.h"
#include "store/object_record.h"

namespace tlv::cli {
namespace {

constexpr const char* kUsage =
    "usage: tolvane-cli vertex mark|move|insert|delete MAP OVERLAY POSITION --click LAT,LON "
    "[--marked LAT,LON] --view LAT,LON,SCALE --size WxH [--undo N] [--unlock]\n";
constexpr int kMaxUndos = 100;

bool ParseLatLon(const std::string& text, WPoint& p) {
  double latitude = 0, longitude = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%lf,%lf%c", &latitude, &longitude, &extra) != 2 ||
      !std::isfinite(latitude) || !std::isfinite(longitude) || latitude < -90 || latitude > 90 ||
      longitude < -180 || longitude > 180) {
    return false;
  }
  p = {static_cast<int32_t>(std::llround((longitude + 180.0) * 1000000.0)),
       static_cast<int32_t>(std::llround((latitude + 90.0) * 1000000.0))};
  return true;
}

// The object after the command: its place, stored points and rectangle.
int PrintResult(const ObjectRef& object, std::ostream& out, std::ostream& err) {
  std::vector<StoredSegmentState> segments;
  int32_t room = 0;
  WRect rect;
  int32_t readErr = ReadSegments(object.mapID, object.overlayID, object.position, segments, room);
  if (readErr == 0) {
    readErr = FSGetObjectWorldRect(CurrentObjectFile(), object.position, rect);
  }
  if (readErr != 0) {
    err << "tolvane-cli: the object at " << object.position << " could not be read\n";
    return 1;
  }
  std::string points = "[";
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) points += ",";
    points += "[" + std::to_string(segments[i].X()) + "," + std::to_string(segments[i].y) + "," +
              (segments[i].NewPiece() ? "1" : "0") + "]";
  }
  points += "]";
  const VertexPlace& place = FoundVertex();
  out << JsonObject()
             .Number("segment", place.segment)
             .Number("vertex", place.vertex)
             .Number("x", place.point.x)
             .Number("y", place.point.y)
             .Number("position", object.position)
             .Raw("points", points)
             .Numbers("worldRect", {rect.x1, rect.y1, rect.x2, rect.y2})
             .Number("undoKind", UndoKindNow())
             .Str()
      << "\n";
  return 0;
}

}  // namespace

bool IsVertexCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "vertex";
}

int RunVertexCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  if (words.size() < 5) {
    err << kUsage;
    return 1;
  }
  const std::string& action = words[1];
  if (action != "mark" && action != "move" && action != "insert" && action != "delete") {
    err << kUsage;
    return 1;
  }
  std::map<std::string, std::string> options;
  // The options follow the object; the command's name leads their messages.
  std::vector<std::string> optionWords{words[0]};
  optionWords.insert(optionWords.end(), words.begin() + 5, words.end());
  if (!ParseOptions(optionWords,
                    {"--click", "--marked", "--view", "--size", "--undo", "--screen-dpi"},
                    {"--unlock"}, options, err)) {
    err << kUsage;
    return 1;
  }
  if (options.count("--click") == 0 || options.count("--view") == 0) {
    err << kUsage;
    return 1;
  }
  const int32_t mapIndex = MapNameToIndex(Windows1252FromUtf8(words[2]));
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) {
    err << "tolvane-cli: no map named " << words[2] << "\n";
    return 1;
  }
  const int32_t layerIndex = LayerNameToIndex(Windows1252FromUtf8(words[3]));
  LayerRecord layer;
  if (!GetLayerRecord(layerIndex, layer)) {
    err << "tolvane-cli: no overlay named " << words[3] << "\n";
    return 1;
  }
  char* end = nullptr;
  const long position = std::strtol(words[4].c_str(), &end, 10);
  if (end == words[4].c_str() || *end != '\0' || position < 0 || position > INT32_MAX) {
    err << kUsage;
    return 1;
  }
  int undos = 0;
  if (options.count("--undo") != 0) {
    undos = static_cast<int>(std::strtol(options["--undo"].c_str(), &end, 10));
    if (*end != '\0' || undos < 0 || undos > kMaxUndos) {
      err << "tolvane-cli: --undo takes 0 to " << kMaxUndos << "\n";
      return 1;
    }
  }
  WPoint click, marked;
  if (!ParseLatLon(options["--click"], click)) {
    err << "tolvane-cli: --click takes LAT,LON in decimal degrees\n";
    return 1;
  }
  if (options.count("--marked") != 0 && !ParseLatLon(options["--marked"], marked)) {
    err << "tolvane-cli: --marked takes LAT,LON in decimal degrees\n";
    return 1;
  }
  int width = 0, height = 0;
  const int viewResult = ApplyViewOptions(options, width, height, err);
  if (viewResult != 0) return viewResult;

  // Overlays load locked; the window's user unlocks one in its settings first.
  if (options.count("--unlock") != 0) SetLayerLocked(layerIndex, false);
  SetClickPoint(click);
  if (options.count("--marked") != 0) SetMarkedPoint(marked);
  RemoveAllSelectedObjects();
  AddSelectedObject(map.mapID, layer.layerID, static_cast<int32_t>(position));
  if (SelectedObjectCount() != 1) {
    err << "tolvane-cli: no object at " << position << " of that overlay and map\n";
    return 1;
  }

  const HeadlessPlatform& platform = DefaultHeadlessPlatform();
  const int beeps = platform.beeps;
  int32_t result = 0;
  if (action == "mark") {
    result = MarkVertex();
  } else if (action == "move") {
    result = MoveVertexToMarkedPoint();
  } else if (action == "insert") {
    result = InsertVertexAtClickPoint();
  } else {
    result = DeleteVertex();
  }
  if (result != 0) {
    // The command showed its message (echoed on stderr); a beep has none.
    if (platform.beeps != beeps) err << "tolvane-cli: no Marked Point (--marked LAT,LON)\n";
    CloseBufferedFiles();
    return 1;
  }
  for (int i = 0; i < undos; ++i) {
    if (Undo() != 0) {
      err << "tolvane-cli: Undo failed\n";
      CloseBufferedFiles();
      return 1;
    }
  }
  const int printed = PrintResult(FoundVertex().object, out, err);
  CloseBufferedFiles();
  return printed;
}

}  // namespace tlv::cli
