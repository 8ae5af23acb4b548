// The reference view in use follows the map: the smallest saved view holding the current view
// once the map leaves the chosen one, the chosen one again when the map comes back; a missing
// thumbnail is said once, not on every pass.
#include "app/reference_views.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/preferences.h"
#include "base/dib_file.h"
#include "render/map_view.h"
#include "support/catalogue_fixture.h"
#include "support/picture_port.h"

namespace tlv::test {
namespace {

class ReferenceViewsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    SetDefaultPreferences();
    ResetReferenceViewsForTesting();
    MakeFolders(root / "Settings" / "Views");
    SetViewFolders(0, Register(root / "Settings" / "Views"), -1);
    ResetMapView();
    SetMapArea({0, 0, 400, 300});
    SetPref(Pref::kShowReferenceView, 1);
  }
  void TearDown() override {
    ResetReferenceViewsForTesting();
    ResetViewsForTesting();
    ResetMapView();
    SetDefaultPreferences();
    CatalogueTest::TearDown();
  }

  ViewRecord Save(const char* name, const WRect& rect) {
    ViewRecord view;
    std::strncpy(view.name, name, sizeof view.name - 1);
    view.rect = rect;
    view.scale = 100000;
    const std::vector<uint32_t> pixels(12, 0xFF808080u);
    std::string packed;
    EXPECT_EQ(EncodePackedDib({4, 3, pixels.data(), 4, 96.0}, packed), 0);
    ViewRecord saved;
    EXPECT_EQ(SaveView(view, packed, saved), 0);
    return saved;
  }
  static void Show(int32_t x, int32_t y) { CentreViewOn(24000, x, y); }

  const WRect county{101400000, 128400000, 102000000, 128850000};
  const WRect town{101650000, 128600000, 101750000, 128680000};
  const WRect lake{101450000, 128450000, 101550000, 128530000};
};

TEST_F(ReferenceViewsTest, TheInsetFollowsTheMapAndComesBackToTheChosenView) {
  const ViewRecord townView = Save("Town", town);
  Save("County", county);
  Show(101700000, 128640000);
  ChooseReferenceView(townView);
  UpdateReferenceView();
  EXPECT_STREQ(ReferenceViewInUse().name, "Town");
  // Out of town, over the lake: the county view is the smallest that holds it.
  Show(101500000, 128490000);
  UpdateReferenceView();
  EXPECT_STREQ(ReferenceViewInUse().name, "County");
  EXPECT_STREQ(ReferenceView().name, "Town") << "the choice itself is kept";
  // Back in town: the chosen view again.
  Show(101700000, 128640000);
  UpdateReferenceView();
  EXPECT_STREQ(ReferenceViewInUse().name, "Town");
  // Somewhere no view holds: nothing changes.
  Show(150000000, 100000000);
  UpdateReferenceView();
  EXPECT_STREQ(ReferenceViewInUse().name, "Town");
  // Hidden, or any view allowed: the reference stays as it is.
  SetPref(Pref::kAllowAnyViewInReference, 1);
  Show(101500000, 128490000);
  UpdateReferenceView();
  EXPECT_STREQ(ReferenceViewInUse().name, "Town");
}

TEST_F(ReferenceViewsTest, AMissingThumbnailIsSaidOnceAndNothingIsDrawn) {
  const ViewRecord lakeView = Save("Lake", lake);
  Show(101500000, 128490000);
  ChooseReferenceView(lakeView);
  PicturePort port;
  const ViewMapping mapping{ViewWorldRect(), MapArea()};
  DrawReferenceViewInset(port, mapping);
  EXPECT_EQ(port.pictures.size(), 1u);
  fs::remove(root / "Settings" / "Views" / "Lake.BTS");
  ResetReferenceViewsForTesting();
  ChooseReferenceView(lakeView);
  platform().Reset();
  DrawReferenceViewInset(port, mapping);
  DrawReferenceViewInset(port, mapping);
  EXPECT_EQ(port.pictures.size(), 1u);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "View bitmap file not found.");
  // Hidden: nothing at all.
  SetPref(Pref::kShowReferenceView, 0);
  DrawReferenceViewInset(port, mapping);
  EXPECT_EQ(platform().alerts.size(), 1u);
}

}  // namespace
}  // namespace tlv::test
