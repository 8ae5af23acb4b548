// The fixture of the drawing-pass tests: a map "Harbour" with an overlay "Roads" made through
// the real catalogue, a 400 x 300 view at 1:50000, objects made with the life cycle, and an image
// to draw into with the Qt surface the map window uses.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <functional>
#include <string>
#include <vector>

#include "edit/life_cycle.h"
#include "render/draw_map.h"
#include "render/graphics_tables.h"
#include "render/map_view.h"
#include "render/qt/qt_draw_port.h"
#include "render/qt/symbol_fonts.h"
#include "render/symbols.h"
#include "store/object_record.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {

inline constexpr int kWidth = 400;
inline constexpr int kHeight = 300;
inline constexpr int32_t kScale = 50000;
inline constexpr QRgb kMapColour = 0xFFC8A0F0;  // (200, 160, 240)

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "draw_map_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) app = new QApplication(argc, argv);
  return *app;
}

inline bool PatternBit(const uint8_t* rows, int x, int y) {
  return ((rows[y % 8] >> (7 - x % 8)) & 1) != 0;
}

class DrawMapTest : public CatalogueTest {
 protected:
  void SetUp() override {
    App();
    CatalogueTest::SetUp();
    ResetLifeCycleForTesting();
    ResetDrawMapForTesting();
    ResetSymbolsForTesting();
    int32_t registered = 0;
    RegisterSymbolFontFolder(QString(TOLVANE_SOURCE_DIR) + "/data/fonts", registered);
    MakeMap("Harbour", "Harbour");
    ASSERT_EQ(LoadAll(), 0);
    harbour = MapAt(MapNameToIndex("Harbour")).mapID;
    std::string name = "Roads";
    ASSERT_EQ(AddLayer(name, false, false, false, roadsIndex), 0);
    roads = LayerAt(roadsIndex).layerID;
    ResetMapView();
    SetMapArea({0, 0, kWidth, kHeight});
    CentreViewOn(kScale, 190000000, 130000000);
    image = QImage(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kMapColour);
  }
  void TearDown() override {
    ResetDrawMapForTesting();
    ResetLifeCycleForTesting();
    ResetMapView();
    CatalogueTest::TearDown();
  }

  WPoint World(int x, int y) { return ScreenToWorldPoint(CurrentViewMapping(), {x, y}); }
  WRect WorldBox(int left, int top, int right, int bottom) {
    const WPoint a = World(left, top);
    const WPoint b = World(right, bottom);
    return {a.x, b.y, b.x, a.y};
  }

  int32_t Make(int16_t type, const WRect& rect, const ObjectGraphics& graphics,
               const std::string& name = "", Handle points = nullptr,
               const std::string* text = nullptr) {
    const std::string prefix;
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    contents.graphics = graphics;
    contents.rect = rect;
    contents.points = points;
    if (text != nullptr) contents.textOrPicture = *text;
    ObjectID id;
    EXPECT_EQ(NewObjectID(id), 0);
    int32_t position = -1;
    EXPECT_EQ(CreateObject(harbour, roads, type, id, contents, position), 0);
    if (points != nullptr) MyDisposeHandle(points);
    return position;
  }
  Handle Points(const std::vector<WPoint>& list) {
    Handle h = MyNewHandle(static_cast<int32_t>(list.size() * sizeof(WPoint)));
    HandleArray<WPoint> view(h);
    for (size_t i = 0; i < list.size(); ++i) view.Set(static_cast<int32_t>(i), list[i]);
    return h;
  }
  int32_t Draw(InterruptCheck check = [] { return false; }) {
    EXPECT_EQ(FlushBufferedFiles(), 0);
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawMapRequest request;
    request.interrupted = std::move(check);
    return DrawMap(port, CurrentMapView(), {0, 0, kWidth, kHeight}, request);
  }
  void SetLayer(const std::function<void(LayerRecord&)>& change) {
    LayerRecord layer = LayerAt(roadsIndex);
    change(layer);
    ASSERT_TRUE(SetLayerRecord(roadsIndex, layer));
  }
  int CountPixels(QRect r, QRgb colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) n += image.pixel(x, y) == colour;
    }
    return n;
  }
  int ChangedPixels() { return kWidth * kHeight - CountPixels(image.rect(), kMapColour); }

  int32_t harbour = 0;
  int32_t roads = 0;
  int32_t roadsIndex = -1;
  QImage image;
};

// Graphics store colour codes; the tests name table colours.
inline ObjectGraphics Area(int16_t colourIndex, int16_t pattern, int16_t lineType = kLineNone) {
  ObjectGraphics g;
  g.colour = ColourCodeForIndex(colourIndex);
  g.variant = 1;
  g.lineType = lineType;
  g.fillPattern = pattern;
  return g;
}

}  // namespace tlv::test
