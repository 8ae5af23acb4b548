// OK and Apply of the Preferences dialog: values brought into range, the live unit, coordinate
// format and scale display mode set, SETTING3.PLT written at once; and the image Cancel puts
// back.
#include "app/preferences_commit.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/preferences.h"
#include "geometry/geo_settings.h"
#include "render/map_view.h"
#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class PreferencesCommitTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetDirectoryTableForTesting();
    fs::create_directories(folder / "Settings");
    ASSERT_EQ(RegisterDirectory((folder / "Settings").string() + "/", true, settingsID), 0);
    SetDefaultPreferences();
  }
  void TearDown() override {
    ResetMapView();
    ResetGeometrySettings();
    SetDefaultPreferences();
    test::CoreTest::TearDown();
  }
  test::TempFolder folder;
  int32_t settingsID = -1;
};

TEST_F(PreferencesCommitTest, CommitNormalisesSetsTheLiveSettingsAndWrites) {
  SetPref(Pref::kDistanceUnit, 4);
  SetPref(Pref::kCoordinateFormat, 2);
  SetPref(Pref::kScaleDisplayMode, 1);
  SetPref(Pref::kSelectionTagSize, 99);
  SetPref(Pref::kClickPointMark, -1);
  ASSERT_EQ(CommitPreferences(0, settingsID), 0);
  EXPECT_EQ(GetPref(Pref::kSelectionTagSize), 4) << "out of range: the default";
  EXPECT_EQ(GetPref(Pref::kClickPointMark), 0);
  EXPECT_EQ(CurrentGeometrySettings().distanceUnit, 4);
  EXPECT_EQ(CurrentGeometrySettings().coordinateFormat, 2);
  EXPECT_EQ(ScaleDisplayModeSetting(), 1);
  const std::string file = test::ReadWholeFile(folder / "Settings" / "SETTING3.PLT");
  EXPECT_EQ(file, PreferencesImage());
  // What was written loads back as it is.
  SetDefaultPreferences();
  ASSERT_TRUE(LoadSettings(0, settingsID, -1));
  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 4);
  EXPECT_EQ(GetPref(Pref::kCoordinateFormat), 2);
}

TEST_F(PreferencesCommitTest, TheImagePutsEveryFieldBack) {
  SetPrefText(PrefText::kTimeStampCustomDate, "dd.MM");
  const std::string before = PreferencesImage();
  SetPref(Pref::kGridShown, 1);
  SetPrefText(PrefText::kTimeStampCustomDate, "yyyy");
  ViewRecord home = HomeView();
  home.scale = 0;
  SetHomeView(home);
  ASSERT_NE(PreferencesImage(), before);
  RestorePreferencesImage(before);
  EXPECT_EQ(PreferencesImage(), before);
  EXPECT_EQ(GetPrefText(PrefText::kTimeStampCustomDate), "dd.MM");
}

TEST_F(PreferencesCommitTest, AFolderThatCannotBeWrittenIsReported) {
  int32_t missing = -1;
  ASSERT_EQ(RegisterDirectory((folder / "Gone").string() + "/", false, missing), 0);
  EXPECT_NE(CommitPreferences(0, missing), 0);
  EXPECT_FALSE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv
