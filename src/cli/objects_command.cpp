#include "cli/objects_command.h"

#include <cstdio>
#include <ostream>

#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "cli/json_text.h"
#include "edit/life_cycle.h"
#include "store/object_record.h"
#include "store/store_records.h"

namespace tlv::cli {

namespace {

constexpr const char* kDeletedOption = "--deleted";

struct Listed {
  int32_t position = 0;
  bool deleted = false;
};

std::string Degrees(int32_t world, int32_t offsetDegrees) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", world / 1000000.0 - offsetDegrees);
  return text;
}

std::string DegreesJson(const WRect& r) {
  return "{\"west\":" + Degrees(r.x1, 180) + ",\"south\":" + Degrees(r.y1, 90) +
         ",\"east\":" + Degrees(r.x2, 180) + ",\"north\":" + Degrees(r.y2, 90) + "}";
}

std::vector<int64_t> RectNumbers(const WRect& r) {
  return {r.x1, r.y1, r.x2, r.y2};
}

// The stored segments of a polyline or polygon, each with its piece flag and attributes.
int32_t SegmentsJson(BufferedFile& file, int32_t position, std::string& json) {
  int32_t count = 0;
  int32_t offset = 0;
  int32_t recordEnd = 0;
  int32_t err = FSGetObjectNumSegs(file, position, count);
  if (err == 0) err = FSGetObjectSegmentRange(file, position, offset, recordEnd);
  if (err != 0) return err;
  json = "[";
  for (int32_t i = 0; i < count && offset < recordEnd; ++i) {
    int32_t x = 0;
    int32_t y = 0;
    bool newPiece = false;
    SegmentAttributes attributes;
    err = FSGetObjectSegA(file, position, offset, x, y, newPiece, attributes);
    if (err != 0) return err;
    std::vector<int64_t> values(attributes.values, attributes.values + kSegmentAttributeCount);
    if (i > 0) json += ",";
    json += JsonObject()
                .Number("x", x)
                .Number("y", y)
                .Bool("newPiece", newPiece)
                .Number("mask", attributes.mask)
                .Numbers("attributes", values)
                .Bool("flag", (attributes.mask & kSegmentFlagBit) != 0)
                .Str();
  }
  json += "]";
  return 0;
}

// One object as JSON; the accessors report their own failures.
int32_t ObjectJson(int32_t mapID, int32_t overlayID, const Listed& listed, std::string& json) {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  int32_t err = AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, kSmallWindowSize, &mapIndex,
                                     &fileIndex);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  const int32_t at = listed.position;
  int32_t versionFlags = 0;
  uint32_t modTime = 0;
  int16_t type = 0;
  ObjectID id;
  WRect rect;
  std::string prefix;
  std::string name;
  bool colourPresent = false;
  bool colourActive = false;
  uint32_t rgb = 0;
  uint8_t aliasCount = 0;
  err = FSGetObjectVersionFlags(file, at, versionFlags);
  if (err == 0) err = FSGetObjectModTime(file, at, modTime);
  if (err == 0) err = FSGetObjectType(file, at, type);
  if (err == 0) err = FSGetObjectID(file, at, id.high, id.low);
  if (err == 0) err = FSGetObjectWorldRect(file, at, rect);
  if (err == 0) err = FSGetObjectName(file, at, prefix, name);
  if (err == 0) err = GetObjectCustomColour(file, at, colourPresent, colourActive, rgb);
  if (err == 0) err = FSGetObjectAliasCount(file, at, aliasCount);
  if (err != 0) return err;

  JsonObject object;
  object.Number("position", at);
  if (listed.deleted) object.Bool("deleted", true);
  object.Text("type", ObjectKindWord(type))
      .Text("id", ObjectIDText(id))
      .Text("prefix", prefix)
      .Text("name", name)
      .Numbers("worldRect", RectNumbers(rect));
  if (type == kAliasObject) {
    // An alias keeps the ID of the object it stands for in its rectangle's first corner.
    object.Text("aliasOf", ObjectIDText({rect.x1, rect.y1}));
  } else {
    object.Raw("degrees", DegreesJson(rect));
    ObjectGraphics g;
    err = FSGetObjectGraphics(file, at, g);
    if (err != 0) return err;
    object.Numbers("graphics", {g.symbol, g.colour, g.variant, g.lineType, g.fillPattern,
                                g.textValue, g.textFlag, g.textCode});
  }
  object
      .Raw("customColour", JsonObject()
                               .Bool("present", colourPresent)
                               .Bool("active", colourActive)
                               .Number("rgb", rgb)
                               .Str())
      .Number("aliasCount", aliasCount)
      .Number("versionFlags", versionFlags)
      .Number("modTime", modTime);
  if (type == kTextObject) {
    std::string text;
    err = FSGetObjectText(file, at, text);
    if (err != 0) return err;
    object.Text("text", text);
  } else if (type == kPictureObject) {
    std::string picture;
    err = FSGetObjectPICTFile(file, at, picture);
    if (err != 0) return err;
    object.Text("picture", picture);
  } else if (type == kPolylineObject || type == kPolygonObject) {
    std::string segments;
    err = SegmentsJson(file, at, segments);
    if (err != 0) return err;
    object.Raw("segments", segments);
  }
  json = object.Str();
  return 0;
}

}  // namespace

int32_t LiveObjectJson(int32_t mapID, int32_t overlayID, int32_t position, std::string& json) {
  return ObjectJson(mapID, overlayID, Listed{position, false}, json);
}

bool IsObjectsCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "objects";
}

int PrintObjects(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::vector<std::string> names;
  bool withDeleted = false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == kDeletedOption) {
      withDeleted = true;
    } else {
      names.push_back(Windows1252FromUtf8(words[i]));
    }
  }
  if (names.size() != 2) {
    err << "tolvane-cli: usage: objects MAP OVERLAY [--deleted]\n";
    return 1;
  }
  const int32_t mapIndex = MapNameToIndex(names[0]);
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) {
    err << "tolvane-cli: no map named " << words[1] << "\n";
    return 1;
  }
  LayerRecord layer;
  if (!GetLayerRecord(LayerNameToIndex(names[1]), layer)) {
    err << "tolvane-cli: no overlay named " << words[2] << "\n";
    return 1;
  }
  // An overlay without objects on the map has no files there.
  if (OverlayFileIndexForID(mapIndex, layer.layerID) < 0) return 0;

  std::vector<Listed> listed;
  int32_t walkMap = -1;
  int32_t walkFile = -1;
  if (ForEachSummaryRecord(
          map.mapID, layer.layerID,
          [&](const SummaryRecord& record, int32_t) {
            const bool live = SummaryRecordLive(record);
            if (live || withDeleted)
              listed.push_back({live ? record.position : ~record.position, !live});
            return 0;
          },
          &walkMap, &walkFile) != 0) {
    err << "tolvane-cli: the summary file could not be read\n";
    return 1;
  }
  for (const Listed& object : listed) {
    std::string json;
    if (ObjectJson(map.mapID, layer.layerID, object, json) != 0) {
      err << "tolvane-cli: the object at " << object.position << " could not be read\n";
      return 1;
    }
    out << json << "\n";
  }
  CloseBufferedFiles();
  return 0;
}

}  // namespace tlv::cli
