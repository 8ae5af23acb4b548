// Maps, overlays and objects made through the real catalogue and life cycle for the editing
// tests (selection, modify and delete commands, Undo), with a picture of every live object and
// summary record to compare states.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/endian.h"
#include "base/strings.h"
#include "catalogue/open_files.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/modify.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "store/object_record.h"
#include "store/summary.h"
#include "support/objects_fixture.h"

namespace tlv::test {

class EditTest : public ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    ResetSelectionForTesting();
    ResetUndoForTesting();
    ResetModifyForTesting();
    ResetEditTargetsForTesting();
    user = UserMapID();
    ASSERT_LT(user, 0) << "the User's Map is loaded";
    platform().fixedTicks = 77;
    LifeCycleHooks hooks;
    hooks.redrawArea = [this](const WRect&) { ++redraws; };
    hooks.removeFromSelections = SelectionObjectRemoved;
    hooks.addToSelection = SelectionObjectAdded;
    hooks.objectMoved = SelectionObjectMoved;
    SetLifeCycleHooks(hooks);
  }
  void TearDown() override {
    ResetModifyForTesting();
    ResetUndoForTesting();
    ResetSelectionForTesting();
    ObjectsTest::TearDown();
  }

  void SetLock(int32_t overlayID, int32_t lockState, int32_t flags = 0) {
    const int32_t index = LayerIDToIndex(overlayID);
    LayerRecord layer = LayerAt(index);
    layer.lockState = lockState;
    layer.flags = flags;
    ASSERT_TRUE(SetLayerRecord(index, layer));
  }
  void SetLayerField(int32_t overlayID, int16_t graphicsOverride, uint8_t displayMode) {
    const int32_t index = LayerIDToIndex(overlayID);
    LayerRecord layer = LayerAt(index);
    layer.graphicsOverride = graphicsOverride;
    layer.displayMode = displayMode;
    ASSERT_TRUE(SetLayerRecord(index, layer));
  }
  void SetMap(int32_t mapID, int32_t locked, int32_t indexed, const char* owner = "00000") {
    const int32_t index = MapIDToIndex(mapID);
    MapRecord map = MapAt(index);
    map.locked = locked;
    map.indexed = indexed;
    std::memset(map.owner, 0, sizeof map.owner);
    std::strncpy(map.owner, owner, sizeof map.owner - 1);
    ASSERT_TRUE(SetMapRecord(index, map));
  }

  // A point with a name, a colour and a place; id (when given) is used instead of a new one.
  int32_t MakePoint(int32_t mapID, int32_t overlayID, const std::string& name, int16_t colour,
                    int32_t x, const ObjectID* id = nullptr) {
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = colour;
    graphics.variant = 1;
    graphics.lineType = 1;
    graphics.fillPattern = 2;
    ObjectID made;
    if (id != nullptr) made = *id;
    return MakeObject(mapID, overlayID, kPointObject, name, &graphics,
                      {x, 90000000, x + 10, 90000010}, nullptr, &made);
  }
  // A polyline (or polygon) through the points, all one piece.
  int32_t MakePoly(int32_t mapID, int32_t overlayID, int16_t type, const std::vector<WPoint>& at) {
    ObjectID id;
    NewObjectID(id);
    ScopedHandle points(MyNewHandle(static_cast<int32_t>(at.size() * sizeof(WPoint))));
    WRect rect = kUnionStartRect;
    for (size_t i = 0; i < at.size(); ++i) {
      std::memcpy(*points.get() + i * sizeof(WPoint), &at[i], sizeof(WPoint));
      UnionWRect(rect, {at[i].x, at[i].y, at[i].x, at[i].y});
    }
    ObjectGraphics graphics;
    graphics.colour = 3;
    return MakeObject(mapID, overlayID, type, "Line", &graphics, rect, points.get(), &id);
  }
  // An alias of the object at position, in the same overlay file.
  int32_t MakeAlias(int32_t mapID, int32_t overlayID, int32_t position, const std::string& name) {
    ObjectID id;
    EXPECT_EQ(FSGetObjectID(Objects(mapID, overlayID), position, id.high, id.low), 0);
    uint8_t count = 0;
    FSGetObjectAliasCount(Objects(mapID, overlayID), position, count);
    FSSetObjectAliasCount(Objects(mapID, overlayID), position, static_cast<uint8_t>(count + 1));
    const std::string prefix;
    const WRect idRect{id.high, id.low, 0, 0};
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.rect = idRect;
    ObjectID aliasID;
    NewObjectID(aliasID);
    int32_t alias = -1;
    EXPECT_EQ(CreateObject(mapID, overlayID, kAliasObject, aliasID, contents, alias), 0);
    return alias;
  }

  ObjectGraphics GraphicsOf(int32_t mapID, int32_t overlayID, int32_t position) {
    ObjectGraphics g;
    EXPECT_EQ(FSGetObjectGraphics(Objects(mapID, overlayID), position, g), 0);
    return g;
  }
  int16_t TypeOf(int32_t mapID, int32_t overlayID, int32_t position) {
    int16_t type = 0;
    EXPECT_EQ(FSGetObjectType(Objects(mapID, overlayID), position, type), 0);
    return type;
  }

  std::vector<int32_t> LivePositions(int32_t mapID, int32_t overlayID) {
    std::vector<int32_t> live;
    for (const auto& r : Summaries(mapID, overlayID)) {
      if (SummaryRecordLive(r)) live.push_back(r.position);
    }
    return live;
  }

  // Every live summary record and its object's bytes (modification time zeroed), per overlay
  // file of the test's maps and overlays.
  std::map<std::string, std::string> Picture() {
    std::map<std::string, std::string> picture;
    for (int32_t mapID : {harbour, inland, user}) {
      for (int32_t overlayID : {roads, sites}) {
        std::string text;
        for (const SummaryRecord& r : Summaries(mapID, overlayID)) {
          if (!SummaryRecordLive(r)) continue;
          char head[48];
          std::snprintf(head, sizeof head, "@%d ", r.position);
          text += head;
          text.append(reinterpret_cast<const char*>(&r.worldRect), sizeof r.worldRect);
          text.append(reinterpret_cast<const char*>(&r.idHigh), 8);
          text.append(r.nameStart, 4);
          BufferedFile& file = Objects(mapID, overlayID);
          int32_t length = 0;
          EXPECT_EQ(FSGetObjectLength(file, r.position, length), 0);
          std::string bytes(static_cast<size_t>(length + 4), '\0');
          int32_t count = length + 4;
          EXPECT_EQ(SetFPosBuf(file, r.position), 0);
          EXPECT_EQ(FSReadBuf(file, count, bytes.data()), 0);
          std::memset(bytes.data() + kObjModTimeOffset, 0, 4);
          text += bytes;
        }
        picture[std::to_string(mapID) + "/" + std::to_string(overlayID)] = text;
      }
    }
    return picture;
  }

  // The object count of an overlay file (0 when the overlay has no file on the map).
  int32_t CountOf(int32_t mapID, int32_t overlayID) {
    OverlayFileRecord entry;
    const int32_t m = MapIDToIndex(mapID);
    if (!GetOverlayFileRecord(m, OverlayFileIndexForID(m, overlayID), entry)) return 0;
    return entry.objectCount;
  }
  // The object count of the Harbour map's Roads overlay file.
  int32_t FileCount() { return CountOf(harbour, roads); }
  // Every overlay file of the test's maps and overlays counts exactly its live records.
  ::testing::AssertionResult CountsMatchLiveRecords() {
    for (int32_t mapID : {harbour, inland, user}) {
      for (int32_t overlayID : {roads, sites}) {
        const auto live = static_cast<int32_t>(LivePositions(mapID, overlayID).size());
        const int32_t count = CountOf(mapID, overlayID);
        if (count != live) {
          return ::testing::AssertionFailure()
                 << "map " << mapID << " overlay " << overlayID << " counts " << count << " for "
                 << live << " live records";
        }
      }
    }
    return ::testing::AssertionSuccess();
  }
  void Select(int32_t mapID, int32_t overlayID, int32_t position) {
    ASSERT_EQ(AddSelectedObject(mapID, overlayID, position), 1);
  }
  bool Alerted(int m) { return AlertsContaining(MessageText(m)) > 0; }

  int32_t user = 0;
  int redraws = 0;
};

}  // namespace tlv::test
