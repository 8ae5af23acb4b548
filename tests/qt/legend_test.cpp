// The legend: which overlays it lists and in which order, its box drawn through the Qt surface
// at the map area's top left with each overlay's colours, and the drawing pass drawing it while
// it is shown, so the window, pictures and pages all get it.
#include "render/legend.h"

#include <gtest/gtest.h>

#include "app/preferences.h"
#include "app/wiring.h"
#include "catalogue/display_settings.h"
#include "draw_map_fixture.h"

namespace tlv {
namespace {

class LegendTest : public test::DrawMapTest {
 protected:
  void SetUp() override {
    DrawMapTest::SetUp();
    WireCore();
    ResetLegendForTesting();
    SetDefaultPreferences();
  }
  void TearDown() override {
    SetDefaultPreferences();
    DrawMapTest::TearDown();
  }
  void Add(const std::string& wanted, const std::function<void(LayerRecord&)>& change) {
    std::string name = wanted;
    int32_t position = -1;
    ASSERT_EQ(AddLayer(name, false, false, false, position), 0);
    LayerRecord layer = LayerAt(position);
    change(layer);
    SetLayerRecord(position, layer);
  }
  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const LegendEntry& entry : LegendEntries()) names.push_back(entry.name);
    return names;
  }
};

TEST_F(LegendTest, ListsTheShownOverlaysNotLeftOutByName) {
  Add("Wells", [](LayerRecord&) {});
  Add("Sirens", [](LayerRecord& l) { l.displayMode = kDisplayHide; });
  Add("Bridges", [](LayerRecord& l) { l.flags |= kNotInLegendFlag; });
  Add("Airfields", [](LayerRecord& l) {
    l.displayMode = kDisplayRange;
    l.scales[0] = 500;
    l.scales[1] = 50000;  // the range's ends are not in it: not shown at 1:50,000
  });
  Add("Depots", [](LayerRecord& l) {
    l.displayMode = kDisplayRange;
    l.scales[0] = 500;
    l.scales[1] = 50001;
  });
  EXPECT_EQ(Names(), (std::vector<std::string>{"Depots", "Roads", "Temporary Overlay", "Wells"}));
}

TEST_F(LegendTest, TheBoxSitsTopRightWithEachOverlaysColours) {
  SetLayer([](LayerRecord& l) {
    l.graphics[1] = ColourCodeForIndex(14);  // red
    l.graphics[4] = 1;                       // solid fill
  });
  const std::vector<LegendEntry> entries = LegendEntries();
  ASSERT_FALSE(entries.empty());
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawLegend(port, {0, 0, test::kWidth, test::kHeight}, entries);
  }
  const QRgb white = qRgb(255, 255, 255);
  EXPECT_GT(CountPixels(QRect(0, 0, 100, 60), white), 200) << "the box at the top left";
  EXPECT_EQ(CountPixels(QRect(250, 0, 150, 300), white), 0) << "nothing at the right";
  const RGBColour red = ColourForCode(ColourCodeForIndex(14), RGBColour{});
  EXPECT_GT(CountPixels(QRect(0, 0, 200, 80), qRgb(red.red, red.green, red.blue)), 20)
      << "Roads' red swatch";
  // Larger names make a wider box.
  const LegendLayout small = LayOutLegend({0, 0, 400, 300}, 96, 2, 50, 12);
  const LegendLayout large = LayOutLegend({0, 0, 400, 300}, 96, 2, 90, 20);
  EXPECT_GT(large.box.right, small.box.right);
  EXPECT_EQ(large.box.left, small.box.left);
  EXPECT_GT(large.box.bottom, small.box.bottom);
  ASSERT_EQ(small.rowTops.size(), 2u);
  EXPECT_EQ(small.rowTops[1] - small.rowTops[0], small.rowHeight);
}

TEST_F(LegendTest, TheDrawingPassDrawsItOnlyWhileShown) {
  const QRgb white = qRgb(255, 255, 255);
  Draw();
  EXPECT_EQ(CountPixels(QRect(0, 0, 100, 60), white), 0);
  SetPref(Pref::kLegendShown, 1);
  image.fill(test::kMapColour);
  Draw();
  EXPECT_GT(CountPixels(QRect(0, 0, 100, 60), white), 200);
  // With every overlay left out there is nothing to list and no box.
  for (int32_t i = 0; i < LayerCount(); ++i) {
    LayerRecord layer = LayerAt(i);
    layer.flags |= kNotInLegendFlag;
    SetLayerRecord(i, layer);
  }
  image.fill(test::kMapColour);
  Draw();
  EXPECT_EQ(CountPixels(QRect(0, 0, 100, 60), white), 0);
}

TEST_F(LegendTest, FontSizeStaysInItsLimits) {
  SetLegendFontSize(2);
  EXPECT_EQ(LegendFontSize(), kLegendSmallestFontSize);
  SetLegendFontSize(99);
  EXPECT_EQ(LegendFontSize(), kLegendLargestFontSize);
  SetLegendFontSize(12);
  EXPECT_EQ(LegendFontSize(), 12);
}

}  // namespace
}  // namespace tlv
