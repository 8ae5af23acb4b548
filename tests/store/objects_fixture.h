// Two maps ("Harbour" and "Inland") and two overlays ("Roads" and "Sites") made through the real
// catalogue, with a fixed clock, for the tests of the object life cycle and of the editing
// commands built on it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "catalogue/catalogue_fixture.h"
#include "store/life_cycle.h"
#include "store/object_record.h"

namespace tlv::test {

class ObjectsTest : public CatalogueTest {
 protected:
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

  fs::path harbourFolder;
  int32_t harbour = 0, inland = 0, roads = 0, sites = 0;
};

}  // namespace tlv::test
