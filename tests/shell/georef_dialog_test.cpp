// The geo-referencing dialog off screen: clicks on the picture panel place the control points,
// the latitude/longitude (or distance) dialogs answer through the real widgets, OK stays
// disabled until both points are known, refusals keep the dialog open, and Cancel changes
// nothing.
#include "shell/georef_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "base/headless_platform.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/new_object.h"
#include "edit/selection.h"
#include "geometry/coordinates.h"
#include "geometry/geo_settings.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "shell/latlong_entry.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/object_settings_dialog.h"
#include "shell/qt_test_app.h"
#include "store/object_record.h"
#include "store/summary.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

// Answers the next latitude/longitude dialog with the given degrees (north, west).
void AnswerLatLongDialog(double latitude, double longitude, bool ok = true) {
  QTimer::singleShot(0, [=] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* entry = dialog->findChild<LatLongEntry*>();
    ASSERT_NE(entry, nullptr);
    entry->SetFormat(kFormatDecimalDegrees);
    entry->Field(0, 0)->setText(QString::number(latitude, 'f', 6));
    entry->Field(1, 0)->setText(QString::number(longitude, 'f', 6));
    entry->Hemisphere(1)->setCurrentIndex(entry->Hemisphere(1)->findData(QChar('W')));
    dialog->findChild<QDialogButtonBox*>()
        ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
        ->click();
  });
}

class GeoRefDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    platform.Reset();
    InstallPlatform(&platform);
    SetCoordinateFormatSetting(kFormatDecimalDegrees);
    SetDistanceUnitSetting(kUnitMiles);
    ASSERT_TRUE(folder.isValid());
    file = folder.filePath(QStringLiteral("scan.png"));
    QImage scan(1000, 500, QImage::Format_RGB32);
    scan.fill(Qt::white);
    ASSERT_TRUE(scan.save(file));
  }
  void TearDown() override { InstallPlatform(&DefaultHeadlessPlatform()); }

  static void AnswerLatLong(double latitude, double longitude, bool ok = true) {
    AnswerLatLongDialog(latitude, longitude, ok);
  }
  // Clicks the panel where a picture pixel shows.
  static void ClickPixel(GeoRefDialog& dialog, QPoint pixel) {
    GeoRefPicturePanel* panel = dialog.Panel();
    const QPointF at = panel->PanelPosition(QPointF(pixel) + QPointF(0.5, 0.5));
    QMouseEvent press(QEvent::MouseButtonPress, at, panel->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &press);
  }

  HeadlessPlatform platform;
  QTemporaryDir folder;
  QString file;
};

TEST_F(GeoRefDialogTest, TwoClickedPointsGiveTheRectangleOnceBothAreKnown) {
  GeoRefDialog dialog(nullptr, file, {});
  dialog.show();
  EXPECT_EQ(dialog.Panel()->PictureSize(), QSize(1000, 500));
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  EXPECT_FALSE(dialog.ResetButton(0)->isEnabled());
  EXPECT_EQ(dialog.Hint(), QStringLiteral("Click to position point 1."));
  EXPECT_EQ(dialog.LatText(0)->text(), QStringLiteral("-----"));

  // Zoomed in, the panel shows less of the picture; the click spot stays in view.
  dialog.SetTool(GeoRefDialog::kZoomInTool);
  EXPECT_EQ(dialog.Hint(), QStringLiteral("Click to zoom in."));
  const double fitted = dialog.Panel()->Zoom();
  ClickPixel(dialog, {100, 200});
  EXPECT_DOUBLE_EQ(dialog.Panel()->Zoom(), fitted * 2);
  EXPECT_TRUE(dialog.Panel()->VisiblePart().contains(QPointF(100.5, 200.5)));
  dialog.SetTool(GeoRefDialog::kZoomOutTool);
  ClickPixel(dialog, {100, 200});
  EXPECT_DOUBLE_EQ(dialog.Panel()->Zoom(), fitted);

  dialog.SetTool(GeoRefDialog::kPoint1Tool);
  AnswerLatLong(38.5, 78.5);
  ClickPixel(dialog, {100, 200});
  EXPECT_EQ(dialog.Point(0).column, 100);
  EXPECT_EQ(dialog.Point(0).row, 200);
  EXPECT_TRUE(dialog.Point(0).set);
  EXPECT_EQ(dialog.LatText(0)->text(), QString::fromUtf8("38.500000\u00B0N"));
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  EXPECT_TRUE(dialog.ResetButton(0)->isEnabled());
  // Point 2 is the next tool, and its hint.
  EXPECT_EQ(dialog.CurrentTool(), GeoRefDialog::kPoint2Tool);
  EXPECT_EQ(dialog.Hint(), QStringLiteral("Click to position point 2."));

  platform.answers = {1};  // "Specify Point 2": by latitude/longitude
  AnswerLatLong(38.5, 78.1);
  ClickPixel(dialog, {900, 200});
  ASSERT_EQ(platform.questions.size(), 1u);
  EXPECT_EQ(platform.questions[0].buttons[0], "&Distance");
  EXPECT_EQ(platform.questions[0].buttons[1], "&Latitude/Longitude");
  EXPECT_TRUE(dialog.OkButton()->isEnabled());
  EXPECT_EQ(dialog.Hint(), QStringLiteral("Click to reposition point 2."));

  dialog.TryAccept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Result(), (WRect{101450000, 128382608, 101950000, 128578260}));
}

TEST_F(GeoRefDialogTest, CancelledQuestionsPutThePointBackAndRefusalsKeepTheDialogOpen) {
  GeoRefDialog dialog(nullptr, file, {});
  dialog.show();
  AnswerLatLong(38.5, 78.5);
  ClickPixel(dialog, {100, 200});
  // Placing point 1 again and cancelling its latitude/longitude: back where it was.
  dialog.SetTool(GeoRefDialog::kPoint1Tool);
  EXPECT_EQ(dialog.Hint(), QStringLiteral("Click to reposition point 1."));
  AnswerLatLong(10, 10, false);
  ClickPixel(dialog, {400, 300});
  EXPECT_EQ(dialog.Point(0).column, 100);
  EXPECT_EQ(dialog.Point(0).world, LatLongToWorld(38.5, 78.5, 'N', 'W'));

  // Point 2 ten miles away by distance, straight to the right: due east.
  dialog.SetTool(GeoRefDialog::kPoint2Tool);
  platform.answers = {0};
  QTimer::singleShot(0, [] {
    auto* distance = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(distance, nullptr);
    auto* field = distance->findChild<QLineEdit*>(QStringLiteral("distance"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("10.00"));
    distance->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  ClickPixel(dialog, {600, 200});
  EXPECT_EQ(dialog.Point(1).world.y, dialog.Point(0).world.y);
  EXPECT_EQ(dialog.Point(1).world.x - dialog.Point(0).world.x, 185062);

  // A longitude that contradicts the picture: the stop text, and the dialog stays open.
  platform.answers = {1};
  AnswerLatLong(38.5, 78.5);
  dialog.ResetButton(1)->click();
  dialog.TryAccept();
  ASSERT_FALSE(platform.alerts.empty());
  EXPECT_EQ(platform.alerts.back().text,
            "You have placed point 2 to the right of point 1, but the longitude values you have "
            "specified indicate the opposite.");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(GeoRefDialogTest, CancelLeavesTheRectangleUntouchedAndAnUnreadablePictureIsGrey) {
  WRect rect{1, 2, 3, 4};
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<GeoRefDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
  });
  EXPECT_EQ(GeoReferencePicture(nullptr, file.toStdString(), rect), 0);
  EXPECT_EQ(rect, (WRect{1, 2, 3, 4}));

  const QString broken = folder.filePath(QStringLiteral("broken.png"));
  QFile out(broken);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write("not a picture");
  out.close();
  GeoRefDialog dialog(nullptr, broken, QSize(300, 200));
  EXPECT_EQ(dialog.Panel()->PictureSize(), QSize(300, 200));
  const QImage shown = dialog.Panel()->grab().toImage();
  const QPointF middle = dialog.Panel()->PanelPosition(QPointF(150, 100));
  EXPECT_EQ(shown.pixelColor(middle.toPoint()), QColor(Qt::gray));
}

// Insert Picture Object... through the window: the file chooser, the two points, the Object
// Settings dialog, and the picture object on the edit target with the file copied beside it.
class InsertPictureTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    test::TestApplication();
    ResetSelectionForTesting();
    ResetEditTargetsForTesting();
    window = std::make_unique<MainWindow>();
    window->resize(800, 600);
    window->show();
    pane = InstallMapArea(*window, {});
    RegisterObjectSettingsCommands(*window);
    RegisterInsertPictureCommand(*window);
    ASSERT_TRUE(test::RunEventsUntil([&] { return pane->PassCount() > 0 && !pane->Busy(); }));
    SetEditTarget(harbour, sites);
    scan = temp.path() / "aerial.png";
    QImage picture(1000, 500, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString(scan.string())));
  }
  void TearDown() override {
    window.reset();
    ResetSelectionForTesting();
    ResetEditTargetsForTesting();
    ResetDrawMapForTesting();
    ResetMapView();
    ObjectsTest::TearDown();
  }

  size_t LiveObjects() {
    const auto records = Summaries(harbour, sites);
    return static_cast<size_t>(std::count_if(records.begin(), records.end(), SummaryRecordLive));
  }

  std::unique_ptr<MainWindow> window;
  MapPane* pane = nullptr;
  std::filesystem::path scan;
};

void AnswerPoints(HeadlessPlatform& platform) {
  auto* dialog = dynamic_cast<GeoRefDialog*>(QApplication::activeModalWidget());
  ASSERT_NE(dialog, nullptr);
  AnswerLatLongDialog(38.5, 78.5);
  dialog->ClickPicture({100, 200});
  platform.answers = {1};
  AnswerLatLongDialog(38.5, 78.1);
  dialog->ClickPicture({900, 200});
  // The Object Settings dialog follows: its defaults are taken.
  QTimer::singleShot(0, [] {
    auto* settings = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(settings, nullptr);
    settings->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  dialog->TryAccept();
}

TEST_F(InsertPictureTest, ThePictureLandsOnTheEditTargetWithACopyBesideIt) {
  const std::string file = scan.string();
  QTimer::singleShot(0, [this, file] {
    auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    chooser->selectFile(QString::fromStdString(file));
    QTimer::singleShot(0, [this] { AnswerPoints(platform()); });
    static_cast<QDialog*>(chooser)->accept();
  });
  ASSERT_TRUE(window->DispatchCommand(417));
  ASSERT_EQ(SelectedObjectCount(), 1)
      << (platform().alerts.empty() ? "" : platform().alerts[0].text);
  ASSERT_EQ(LiveObjects(), 1u);
  const int32_t position = Summaries(harbour, sites)[0].position;
  int16_t type = 0;
  ASSERT_EQ(FSGetObjectType(Objects(harbour, sites), position, type), 0);
  EXPECT_EQ(type, kPictureObject);
  WRect rect;
  ASSERT_EQ(FSGetObjectWorldRect(Objects(harbour, sites), position, rect), 0);
  EXPECT_EQ(rect, (WRect{101450000, 128382608, 101950000, 128578260}));
  std::string named;
  ASSERT_EQ(FSGetObjectPICTFile(Objects(harbour, sites), position, named), 0);
  EXPECT_EQ(named, "aerial.png");
  EXPECT_TRUE(std::filesystem::exists(harbourFolder / "aerial.png"));
}

TEST_F(InsertPictureTest, AFileThatIsNoPictureIsRefusedBeforeAnythingIsAsked) {
  const std::filesystem::path notes = temp.path() / "notes.png";
  { std::ofstream(notes) << "plain text"; }
  QTimer::singleShot(0, [notes] {
    auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    chooser->selectFile(QString::fromStdString(notes.string()));
    static_cast<QDialog*>(chooser)->accept();
  });
  ASSERT_TRUE(window->DispatchCommand(417));
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_NE(platform().alerts[0].text.find("cannot be read"), std::string::npos);
  EXPECT_EQ(LiveObjects(), 0u);
  EXPECT_FALSE(std::filesystem::exists(harbourFolder / "notes.png"));
}

// Chooses a file in the next file chooser, then runs then().
void ChooseFile(const std::filesystem::path& file, std::function<void()> then = {}) {
  QTimer::singleShot(0, [file, then] {
    auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    chooser->selectFile(QString::fromStdString(file.string()));
    static_cast<QDialog*>(chooser)->accept();
    if (then) then();
  });
}

TEST_F(InsertPictureTest, ThePicturePageTakesAnotherReadablePictureOnly) {
  NewObject object;
  object.type = kPictureObject;
  object.name = "Survey";
  object.overlayID = sites;
  object.rect = {101450000, 128382608, 101950000, 128578260};
  ObjectRef made;
  ASSERT_EQ(AddPictureObject(object, scan.string(), made), 0);
  const std::filesystem::path notes = temp.path() / "notes.png";
  { std::ofstream(notes) << "plain text"; }
  const std::filesystem::path newer = temp.path() / "newer.png";
  std::filesystem::copy_file(scan, newer);

  // A file that is no picture is refused on the page; then a real one is chosen and kept.
  QTimer::singleShot(0, [&] {
    auto* settings = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(settings, nullptr);
    auto* choose = settings->findChild<QPushButton*>(QStringLiteral("choosePicture"));
    ASSERT_NE(choose, nullptr);
    ChooseFile(notes);
    choose->click();
    ASSERT_EQ(platform().alerts.size(), 1u);
    EXPECT_NE(platform().alerts[0].text.find("cannot be read"), std::string::npos);
    ChooseFile(newer);
    choose->click();
    EXPECT_EQ(settings->findChild<QLabel*>(QStringLiteral("picture"))->text(),
              QStringLiteral("newer.png"));
    settings->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  ASSERT_TRUE(EditObjectSettings(window.get(), made));
  std::string named;
  ASSERT_EQ(FSGetObjectPICTFile(Objects(harbour, sites), made.position, named), 0);
  EXPECT_EQ(named, "newer.png");
  EXPECT_TRUE(std::filesystem::exists(harbourFolder / "newer.png"));
  EXPECT_TRUE(std::filesystem::exists(harbourFolder / "aerial.png"));
  EXPECT_FALSE(std::filesystem::exists(harbourFolder / "notes.png"));
}

}  // namespace
}  // namespace tlv
