// Two maps ("Harbour" and "Inland") and two overlays ("Roads" and "Sites") made through the real
// catalogue, with a fixed clock, for the tests of the object life cycle and of the editing
// commands built on it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"
#include "store/object_record.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {

class ObjectsTest : public CatalogueTest {
 protected:
  explicit ObjectsTest(FilesKind kind = FilesKind::kPosix) : CatalogueTest(kind) {}

  void SetUp() override {
    CatalogueTest::SetUp();
    ResetLifeCycleForTesting();
    ResetObjectRecordForTesting();
    harbourFolder = MakeMap("Harbour", "Harbour");
    MakeMap("Inland", "Inland");
    ASSERT_EQ(LoadAll(), 0);
    harbour = MapAt(MapNameToIndex("Harbour")).mapID;
    inland = MapAt(MapNameToIndex("Inland")).mapID;
    roads = AddOverlay("Roads");
    sites = AddOverlay("Sites");
    platform().fixedClock = true;
    platform().fixedSeconds1970 = 1700000000;
  }
  void TearDown() override {
    ResetLifeCycleForTesting();
    CatalogueTest::TearDown();
  }

  int32_t AddOverlay(const std::string& wanted) {
    std::string name = wanted;
    int32_t position = -1;
    EXPECT_EQ(AddLayer(name, false, false, false, position), 0);
    return LayerAt(position).layerID;
  }

  // Makes an object with a name (empty prefix) and whatever else is given; id receives its ID.
  int32_t MakeObject(int32_t mapID, int32_t overlayID, int16_t type, const std::string& name,
                     const ObjectGraphics* graphics, const WRect& rect, Handle points = nullptr,
                     ObjectID* id = nullptr) {
    ObjectID made;
    if (id != nullptr && (id->high != 0 || id->low != 0)) {
      made = *id;
    } else {
      NewObjectID(made);
    }
    if (id != nullptr) *id = made;
    const std::string prefix;
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    if (graphics != nullptr) contents.graphics = *graphics;
    contents.rect = rect;
    contents.points = points;
    int32_t position = -1;
    EXPECT_EQ(CreateObject(mapID, overlayID, type, made, contents, position), 0)
        << (platform().alerts.empty() ? std::string() : platform().alerts.back().text);
    return position;
  }

  // The object file of the overlay on the map, current with a small window.
  BufferedFile& Objects(int32_t mapID, int32_t overlayID) {
    int32_t m = -1, f = -1;
    EXPECT_EQ(AllocateSpaceForFile(mapID, overlayID, kObjectFileKind, 1024, &m, &f), 0);
    return CurrentObjectFile();
  }

  // Every summary record of the overlay on the map, live and deleted; none without a file.
  std::vector<SummaryRecord> Summaries(int32_t mapID, int32_t overlayID) {
    std::vector<SummaryRecord> records;
    const int32_t m = MapIDToIndex(mapID);
    if (m < 0 || OverlayFileIndexForID(m, overlayID) < 0) return records;
    int32_t wm = -1, wf = -1;
    EXPECT_EQ(ForEachSummaryRecord(
                  mapID, overlayID,
                  [&records](const SummaryRecord& r, int32_t) {
                    records.push_back(r);
                    return 0;
                  },
                  &wm, &wf),
              0);
    return records;
  }

  fs::path harbourFolder;
  int32_t harbour = 0, inland = 0, roads = 0, sites = 0;
};

}  // namespace tlv::test
