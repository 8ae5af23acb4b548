#include "app/preferences.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "base/endian.h"
#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class PreferencesTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetDirectoryTableForTesting();
    fs::create_directories(folder / "Settings");
    fs::create_directories(folder / "Program");
    ASSERT_EQ(RegisterDirectory((folder / "Settings").string() + "/", true, settingsID), 0);
    ASSERT_EQ(RegisterDirectory((folder / "Program").string() + "/", true, programID), 0);
    SetDefaultPreferences();
  }
  std::string Image() {
    char bytes[kPreferencesSize];
    EncodePreferences(bytes);
    return std::string(bytes, sizeof bytes);
  }

  test::TempFolder folder;
  int32_t settingsID = -1, programID = -1;
};

TEST_F(PreferencesTest, RecordRoundTripsThroughItsImage) {
  SetPref(Pref::kDistanceUnit, 4);
  SetPref(Pref::kGridShown, 1);
  SetPrefText(PrefText::kTimeStampExtraLine, "Incident 42");
  ViewRecord home = HomeView();
  std::strcpy(home.name, "County");
  home.rect = {100, 200, 300, 400};
  home.scale = 24000;
  SetHomeView(home);
  const std::string image = Image();
  SetDefaultPreferences();
  ASSERT_TRUE(DecodePreferences(image.data(), kPreferencesSize));
  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 4);
  EXPECT_EQ(GetPref(Pref::kGridShown), 1);
  EXPECT_EQ(GetPrefText(PrefText::kTimeStampExtraLine), "Incident 42");
  EXPECT_STREQ(HomeView().name, "County");
  EXPECT_EQ(HomeView().rect.y2, 400);
  EXPECT_EQ(HomeView().scale, 24000);
  EXPECT_EQ(Image(), image);
  EXPECT_FALSE(DecodePreferences(image.data(), 687));
}

TEST_F(PreferencesTest, OutOfRangeOptionsReturnToDefaults) {
  SetPref(Pref::kDistanceUnit, 9);
  SetPref(Pref::kCoordinateFormat, -1);
  SetPref(Pref::kMapStyle, 3);
  SetPref(Pref::kMapStyleCompanion, 1);
  ViewRecord reference;
  reference.rect = {500, 600, 100, 200};  // corners swapped
  reference.scale = 100;
  SetReferenceView(reference);
  NormalisePreferences();
  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 5);
  EXPECT_EQ(GetPref(Pref::kCoordinateFormat), 0);
  EXPECT_EQ(GetPref(Pref::kMapStyle), 1);
  EXPECT_EQ(GetPref(Pref::kMapStyleCompanion), 0);
  EXPECT_EQ(ReferenceView().rect.x1, 100);
  EXPECT_EQ(ReferenceView().rect.x2, 500);
  EXPECT_EQ(ReferenceView().scale, 500) << "scales clamp to the view's range";
}

TEST_F(PreferencesTest, WrongSizedNewFileIsDeletedAndTheOlderFileUsed) {
  test::WriteWholeFile(folder / "Settings" / "SETTING3.PLT", std::string(687, '\0'));
  SetPref(Pref::kDistanceUnit, 2);
  test::WriteWholeFile(folder / "Program" / "SETTING2.PLT", Image());
  SetDefaultPreferences();
  EXPECT_TRUE(LoadSettings(0, settingsID, programID));
  EXPECT_FALSE(fs::exists(folder / "Settings" / "SETTING3.PLT"));
  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 2);
}

TEST_F(PreferencesTest, OlderLayoutCarriesViewsAndCoordinateOptions) {
  std::string old(kOldPreferencesSize, '\0');
  std::strcpy(&old[0], "Old Home");
  PutBig32(&old[74], 1000000);
  PutBig32(&old[78], 2000000);
  PutBig32(&old[82], 3000000);
  PutBig32(&old[86], 4000000);
  PutBig32(&old[90], 50000);
  PutBig16(&old[268], 3);
  PutBig16(&old[270], 2);
  PutBig16(&old[272], 7);  // out of range: keeps the default
  test::WriteWholeFile(folder / "Program" / "SETTING2.PLT", old);
  EXPECT_TRUE(LoadSettings(0, settingsID, programID));
  EXPECT_STREQ(HomeView().name, "Old Home");
  EXPECT_EQ(HomeView().rect.x2, 3000000);
  EXPECT_EQ(HomeView().scale, 50000);
  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 3);
  EXPECT_EQ(GetPref(Pref::kCoordinateFormat), 2);
  EXPECT_EQ(GetPref(Pref::kScaleDisplayMode), 0);
  EXPECT_EQ(ReferenceView().scale, -1) << "an empty reference view stays empty";
}

TEST_F(PreferencesTest, NothingUsableLeavesDefaultsAndSaysSo) {
  test::WriteWholeFile(folder / "Program" / "SETTING2.PLT", "short");
  SetPref(Pref::kDistanceUnit, 1);
  EXPECT_FALSE(LoadSettings(0, settingsID, programID));
  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 5);
  EXPECT_FALSE(fs::exists(folder / "Program" / "SETTING2.PLT"));
}

TEST_F(PreferencesTest, SaveWritesTheWholeRecord) {
  SetPref(Pref::kCompassShown, 1);
  ASSERT_EQ(SaveSettings(0, settingsID), 0);
  EXPECT_EQ(test::ReadWholeFile(folder / "Settings" / "SETTING3.PLT"), Image());
}

}  // namespace
}  // namespace tlv
