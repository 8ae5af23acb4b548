// A drawing pass meets a sibling program's message that must not wait: the pass stops, the
// message is dispatched only after the pass has unwound, and the picture is drawn again whole.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <string>
#include <vector>

#include "app/wiring.h"
#include "edit/life_cycle.h"
#include "iac/iac.h"
#include "iac/recording_transport.h"
#include "render/draw_map.h"
#include "render/graphics_tables.h"
#include "render/map_view.h"
#include "render/qt/qt_draw_port.h"
#include "store/object_record.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 100;
constexpr QRgb kMapColour = 0xFFC8A0F0;

QApplication& App() {
  static int argc = 1;
  static char name[] = "iac_draw_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) app = new QApplication(argc, argv);
  return *app;
}

class MessageDuringDrawTest : public CatalogueTest {
 protected:
  void SetUp() override {
    App();
    CatalogueTest::SetUp();
    ResetLifeCycleForTesting();
    ResetDrawMapForTesting();
    WireCore();
    MakeMap("Harbour", "Harbour");
    ASSERT_EQ(LoadAll(), 0);
    const int32_t harbour = MapAt(MapNameToIndex("Harbour")).mapID;
    std::string name = "Roads";
    int32_t roadsIndex = -1;
    ASSERT_EQ(AddLayer(name, false, false, false, roadsIndex), 0);
    const int32_t roads = LayerAt(roadsIndex).layerID;
    ResetMapView();
    SetMapArea({0, 0, kWidth, kHeight});
    CentreViewOn(50000, 190000000, 130000000);
    for (int i = 0; i < 4; ++i) {
      const WPoint a = ScreenToWorldPoint(CurrentViewMapping(), {10 + 70 * i, 20});
      const WPoint b = ScreenToWorldPoint(CurrentViewMapping(), {60 + 70 * i, 80});
      const WRect rect{a.x, b.y, b.x, a.y};
      ObjectGraphics graphics;
      graphics.colour = ColourCodeForIndex(kColourBlack);
      graphics.variant = 1;
      graphics.lineType = kLineNone;
      graphics.fillPattern = 1;
      const std::string empty;
      ObjectContents contents;
      contents.prefix = empty;
      contents.name = empty;
      contents.graphics = graphics;
      contents.rect = rect;
      ObjectID id;
      ASSERT_EQ(NewObjectID(id), 0);
      int32_t position = -1;
      ASSERT_EQ(CreateObject(harbour, roads, kRectangleObject, id, contents, position), 0);
    }
    ASSERT_EQ(FlushBufferedFiles(), 0);

    IacPlaces places;
    places.programFolder = temp.folderPath() + "Program/";
    places.systemLibraryFolder = temp.folderPath() + "system/";
    SetIacPlaces(places);
    WriteWholeFile(temp / "Program" / "libWEXO_32.so", "library");
    ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
    DefaultRecordingTransport().running.insert("PEER");
  }
  void TearDown() override {
    QuitIAC();
    ResetDrawMapForTesting();
    ResetLifeCycleForTesting();
    ResetMapView();
    CatalogueTest::TearDown();
  }

  // Draws with an input check that sees no key; the message side of the check is the pass's.
  int32_t Draw(const std::function<void()>& beforeEachCheck = {}) {
    image = QImage(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kMapColour);
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawMapRequest request;
    request.interrupted = [&] {
      if (beforeEachCheck) beforeEachCheck();
      ++checks;
      return false;
    };
    return DrawMap(port, CurrentMapView(), {0, 0, kWidth, kHeight}, request);
  }
  bool Drawn(int object) { return image.pixel(35 + 70 * object, 50) == qRgb(0, 0, 0); }

  QImage image;
  int checks = 0;
};

TEST_F(MessageDuringDrawTest, TheMessageWaitsForThePassWhichIsThenDrawnWhole) {
  RecordingTransport& library = DefaultRecordingTransport();
  // The "VIEW" arrives while the second object is about to be drawn; the timer runs inside the
  // pass's input check, as it does when events are delivered there.
  auto arrive = [&] {
    if (checks == 2) library.inbox.push_back("MSSG\x0BVIEW\x0BSIGN\x0BPEER");
    if (checks == 2)
      library.inbox.push_back(
          "MSSG\x0BVER?\x0BSIGN\x0BPEER\x0BXTRA\x0B"
          "after");
    IACTimerStep();
    EXPECT_TRUE(library.sent.empty()) << "nothing is dispatched inside the pass";
  };
  ASSERT_EQ(Draw(arrive), kDrawInterrupted);
  EXPECT_TRUE(Drawn(0));
  EXPECT_FALSE(Drawn(3));
  EXPECT_TRUE(DrawIncomplete());
  EXPECT_EQ(PendingIACMessageCount(), 2);

  // Once the pass has unwound, the timer dispatches in arrival order and asks for the redraw.
  IACTimerStep();
  ASSERT_EQ(library.sent.size(), 1u);
  EXPECT_EQ(PendingIACMessageCount(), 0);
  // Drawn again, the same view would stop where it stopped; after messages it is drawn whole.
  ASSERT_EQ(Draw(), 0);
  EXPECT_FALSE(DrawIncomplete());
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Drawn(i)) << i;
}

TEST_F(MessageDuringDrawTest, AMessageThatCanWaitLetsThePassFinish) {
  RecordingTransport& library = DefaultRecordingTransport();
  auto arrive = [&] {
    if (checks == 2) library.inbox.push_back("MSSG\x0BVER?\x0BSIGN\x0BPEER");
  };
  ASSERT_EQ(Draw(arrive), 0);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Drawn(i)) << i;
  EXPECT_EQ(PendingIACMessageCount(), 1);
  EXPECT_TRUE(library.sent.empty());
}

}  // namespace
}  // namespace tlv::test
