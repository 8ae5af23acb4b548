#include "app/startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "app/config.h"
#include "app/folders.h"
#include "app/preferences.h"
#include "base/endian.h"
#include "base/memory.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/display_settings.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "geometry/coordinates.h"
#include "geometry/geo_settings.h"
#include "interchange/import.h"
#include "render/map_view.h"
#include "store/directory_table.h"
#include "store/object_record.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNotFound =
    "Unable to locate the \"TolvaneMaps\" folder.\n\nIf you have moved that folder from its "
    "original installed location,\nplease correct the path in the \"userfolder.txt\" file in "
    "the TOLVANE folder.";

class StartupTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetStartupForTesting();
    ResetDirectoryTableForTesting();
    ResetOpenFilesForTesting();
    program = root.path() / "Program";
    fs::create_directories(program);
    setenv("XDG_DATA_HOME", (root.path() / "appdata").c_str(), 1);
    SetProgramFolderPath(program.string());
  }
  void TearDown() override {
    ReleaseMemoryReserve();
    ResetStartupForTesting();
    test::CoreTest::TearDown();
  }

  // A maps folder is any folder holding BasemapFiles/Settings/global.map.
  static void MakeMapsFolder(const fs::path& folder) {
    fs::create_directories(folder / "BasemapFiles" / "Settings");
    test::WriteWholeFile(folder / "BasemapFiles" / "Settings" / "global.map", "MAP\nEND\n");
  }
  std::string MapsPath() {
    std::string path;
    DirectoryPath(Folders().maps, path);
    return path;
  }
  int32_t RunStartup() {
    int32_t err = CommonInit();
    if (err == 0) err = CommonInit2();
    if (err == 0) err = FinishStartup();
    return err;
  }

  test::TempFolder root;
  fs::path program;
};

TEST_F(StartupTest, NoMapsFolderEndsStartUpWithItsAlert) {
  fs::create_directories(program / "TolvaneMaps" / "BasemapFiles");  // no global.map
  EXPECT_EQ(CommonInit(), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, kNotFound);
  EXPECT_FALSE(fs::exists(program / "userfolder.txt"));
}

TEST_F(StartupTest, SubfolderWinsOverTheFolderBesideAndTheNoteNamesIt) {
  MakeMapsFolder(program / "TolvaneMaps");
  MakeMapsFolder(root.path() / "TolvaneMaps");
  ASSERT_EQ(CommonInit(), 0);
  const std::string chosen = (program / "TolvaneMaps").string() + "/";
  EXPECT_EQ(MapsPath(), chosen);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].kind, kNoteAlert);
  EXPECT_EQ(
      platform().alerts[0].text,
      "More than one \"TolvaneMaps\" folder was found. TOLVANE will use the folder:\n\n" + chosen);
  EXPECT_EQ(test::ReadWholeFile(program / "userfolder.txt"), chosen);
}

TEST_F(StartupTest, UserFolderNamingTheChosenFolderIsNoSecondCandidate) {
  MakeMapsFolder(program / "TolvaneMaps");
  test::WriteWholeFile(program / "userfolder.txt", (program / "TolvaneMaps").string() + "/\r\n");
  ASSERT_EQ(CommonInit(), 0);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(StartupTest, UserFolderFindsAFolderElsewhere) {
  const fs::path elsewhere = root.path() / "Data" / "MyMaps";
  MakeMapsFolder(elsewhere);
  test::WriteWholeFile(program / "userfolder.txt", elsewhere.string() + "\r\nignored");
  ASSERT_EQ(CommonInit(), 0);
  EXPECT_EQ(MapsPath(), elsewhere.string() + "/");
}

TEST_F(StartupTest, UserFolderNamingAMissingFolderCountsAsNoCandidate) {
  test::WriteWholeFile(program / "userfolder.txt", (root.path() / "gone").string());
  EXPECT_EQ(CommonInit(), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, kNotFound);
}

TEST_F(StartupTest, UnwritableProgramFolderPutsUserFolderInApplicationData) {
  if (geteuid() == 0) {
    // The superuser writes anywhere; make the file itself impossible to write instead.
    fs::create_directories(program / "userfolder.txt");
  } else {
    fs::permissions(program, fs::perms::owner_write, fs::perm_options::remove);
  }
  MakeMapsFolder(root.path() / "TolvaneMaps");
  ASSERT_EQ(CommonInit(), 0);
  fs::permissions(program, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(test::ReadWholeFile(root.path() / "appdata" / "TOLVANE" / "userfolder.txt"),
            (root.path() / "TolvaneMaps").string() + "/");
}

TEST_F(StartupTest, DriveRootIsRefusedBeforeAnyFolderIsMade) {
  SetProgramFolderPath("/");
  EXPECT_EQ(CommonInit(), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            "You cannot run TOLVANE from the top-level directory of a disk drive.");
}

TEST_F(StartupTest, MissingFoldersAreCreatedAndExistingOnesReused) {
  const fs::path maps = program / "TolvaneMaps";
  MakeMapsFolder(maps);
  fs::create_directories(maps / "settings" / "Views");  // another spelling is the same folder
  test::WriteWholeFile(maps / "settings" / "Views" / "keep.VEW", "x");
  ASSERT_EQ(RunStartup(), 0);
  for (const char* sub :
       {"OverlayMaps", "settings/Searches", "settings/Friends", "OverlayMaps/UserMap"}) {
    EXPECT_TRUE(fs::is_directory(maps / sub)) << sub;
  }
  EXPECT_FALSE(fs::exists(maps / "Settings")) << "the existing settings folder is reused";
  EXPECT_TRUE(fs::exists(maps / "settings" / "Views" / "keep.VEW"));
  const std::string nameDotMap = test::ReadWholeFile(maps / "OverlayMaps/UserMap/NAME.MAP");
  ASSERT_EQ(nameDotMap.size(), 56u);
  EXPECT_STREQ(nameDotMap.c_str(), "User's map");
  EXPECT_EQ(nameDotMap.substr(46, 6), std::string("00000\0", 6));
  for (int32_t id : {Folders().settings, Folders().overlayMaps, Folders().views, Folders().searches,
                     Folders().friends, Folders().userMap}) {
    EXPECT_GE(id, 0);
  }
}

TEST_F(StartupTest, SettingsFolderConfigurationOverridesTheProgramFolders) {
  const fs::path maps = program / "TolvaneMaps";
  MakeMapsFolder(maps);
  fs::create_directories(maps / "Settings");
  test::WriteWholeFile(program / "MPCONFIG.TXT", "USEBONUSMENU YES\nDLGZ YES\n");
  test::WriteWholeFile(maps / "Settings" / "MPCONFIG.TXT", "DLGZ NO\n");
  ASSERT_EQ(RunStartup(), 0);
  EXPECT_EQ(Config().useBonusMenu, 1);
  EXPECT_EQ(Config().dlgz, 0);
}

TEST_F(StartupTest, ShutDownWritesThePreferencesOnlyAfterAGoodStart) {
  const fs::path maps = program / "TolvaneMaps";
  MakeMapsFolder(maps);
  ASSERT_EQ(RunStartup(), 0);
  SetPref(Pref::kDistanceUnit, 3);
  ShutDown();
  const std::string saved = test::ReadWholeFile(maps / "Settings" / "SETTING3.PLT");
  EXPECT_EQ(saved.size(), 688u);

  // The next run reads it back.
  ResetStartupForTesting();
  ResetDirectoryTableForTesting();
  SetProgramFolderPath(program.string());
  ASSERT_EQ(RunStartup(), 0);
  EXPECT_EQ(GetPref(Pref::kDistanceUnit), 3);
}

TEST_F(StartupTest, FailedStartUpSavesNothing) {
  EXPECT_NE(CommonInit(), 0);
  ShutDown();
  EXPECT_FALSE(fs::exists(program / "TolvaneMaps"));
  EXPECT_FALSE(fs::exists(program / "userfolder.txt"));
}

TEST_F(StartupTest, CommandWordsAndWhichOnesStartTheProgram) {
  EXPECT_EQ(CommandWordCode("goto"), 9999);
  EXPECT_EQ(CommandWordCode("GOTO"), 0) << "words compare case-sensitively";
  EXPECT_EQ(CommandWordCode("redraw "), 0);
  EXPECT_EQ(CommandWordCode("download_shapefiles C:/x"), 9991);
  EXPECT_EQ(CommandWordCode("getinfo_by_query"), 9989);
  EXPECT_FALSE(CommandWordStartsProgram(CommandWordCode("redraw")));
  EXPECT_FALSE(CommandWordStartsProgram(CommandWordCode("download2b")));
  EXPECT_TRUE(CommandWordStartsProgram(CommandWordCode("download_tiger")));
  EXPECT_TRUE(CommandWordStartsProgram(CommandWordCode("import2mapfile")));
}

TEST_F(StartupTest, MissingSymbolFontsAreCautionedButStartUpGoesOn) {
  CompleteStartup(false, true);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].kind, kCautionAlert);
  EXPECT_EQ(platform().alerts[0].text,
            "The TOLVANE font is not installed in your System.  Without this font, some symbol "
            "objects will not be drawn correctly.");
  EXPECT_TRUE(StartupFinished());
}

TEST_F(StartupTest, ExitQuestionOnlyWhenAsked) {
  platform().answers = {1};
  EXPECT_FALSE(ConfirmQuit(true));
  ASSERT_EQ(platform().questions.size(), 1u);
  EXPECT_EQ(platform().questions[0].text, "This will end your TOLVANE session.");
  EXPECT_TRUE(ConfirmQuit(false));
  EXPECT_EQ(platform().questions.size(), 1u) << "a sibling's quit request asks nothing";
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

TEST_F(StartupTest, HomeViewIsShownAtTheEndOfStartUpAndScaleZeroRemembersTheLastView) {
  MakeMapsFolder(program / "TolvaneMaps");
  ASSERT_EQ(RunStartup(), 0);
  ResetMapView();
  SetMapArea({40, 40, 840, 640});
  ViewRecord home = HomeView();
  home.rect = {100000000, 120000000, 102000000, 122000000};
  home.scale = 0;
  SetHomeView(home);
  CompleteStartup(true, true);
  const WRect shown = ViewWorldRect();
  EXPECT_LE(shown.x1, 100000000);
  EXPECT_GE(shown.x2, 102000000);
  EXPECT_LE(shown.y1, 120000000);
  EXPECT_GE(shown.y2, 122000000);

  SetView(100000, 101000000, 121000000);
  const WRect last = ViewWorldRect();
  ShutDown();
  EXPECT_EQ(HomeView().rect.x1, last.x1);
  EXPECT_EQ(HomeView().rect.y2, last.y2);
  ResetMapView();
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

constexpr const char* kSaveTemporaryText =
    "There are objects on the Temporary Overlay.\r\n\r\nDo you want to save these objects?";

// Start-up with the overlay and map catalogues loaded before the final half-step, and objects
// made on the User's Map.
class StartupWithCatalogueTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    ResetLifeCycleForTesting();
    ResetEditTargetsForTesting();
    ResetDisplaySettingsForTesting();
    MakeMapsFolder(program / "TolvaneMaps");
    platform().fixedClock = true;
    platform().fixedSeconds1970 = 1700000000;
  }
  void TearDown() override {
    ResetOpenFilesForTesting();
    ResetLifeCycleForTesting();
    ResetEditTargetsForTesting();
    ResetDisplaySettingsForTesting();
    StartupTest::TearDown();
  }

  int32_t StartWithCatalogue() {
    int32_t err = CommonInit();
    if (err == 0) err = CommonInit2();
    if (err != 0) return err;
    const FolderTable& folders = Folders();
    SetCatalogueFolders({folders.volume, folders.settings, ProgramFolderID(), folders.overlayMaps,
                         folders.userMap});
    if (LoadLayers() != 0 || LoadMaps() != 0) return -1;
    return FinishStartup();
  }
  int32_t LayerID(int32_t index) {
    LayerRecord layer;
    EXPECT_TRUE(GetLayerRecord(index, layer));
    return layer.layerID;
  }
  void MakePoint(int32_t overlayID) {
    ObjectID id;
    NewObjectID(id);
    const std::string empty;
    const WRect at{10000000, 10000000, 10000000, 10000000};
    ObjectContents contents;
    contents.prefix = empty;
    contents.name = empty;
    contents.rect = at;
    int32_t position = -1;
    ASSERT_EQ(CreateObject(UserMapID(), overlayID, kPointObject, id, contents, position), 0);
  }
  int32_t TemporaryCount() {
    int32_t count = -1;
    EXPECT_EQ(CountTemporaryObjectsOnUserMap(count), 0);
    return count;
  }
};

TEST_F(StartupWithCatalogueTest, TheTemporaryOverlayIsUnlockedAtStartUp) {
  ASSERT_EQ(StartWithCatalogue(), 0);
  LayerRecord temporary;
  ASSERT_TRUE(GetLayerRecord(TemporaryLayerIndex(), temporary));
  EXPECT_EQ(temporary.lockState, 0);
  EXPECT_TRUE(SomeLayerUnlocked());
}

TEST_F(StartupWithCatalogueTest, TheTemporaryOverlayStaysLockedWhenTheFlagSaysNo) {
  test::WriteWholeFile(program / "MPCONFIG.TXT", "UNLOCKTEMPORARYLAYER NO\n");
  LayerRecord temporary;
  ASSERT_EQ(StartWithCatalogue(), 0);
  ASSERT_TRUE(GetLayerRecord(TemporaryLayerIndex(), temporary));
  EXPECT_EQ(temporary.lockState, 1);
  EXPECT_FALSE(SomeLayerUnlocked());
}

TEST_F(StartupWithCatalogueTest, QuittingWithTemporaryObjectsOffersSaveDeleteCancel) {
  ASSERT_EQ(StartWithCatalogue(), 0);
  const int32_t temporary = LayerID(TemporaryLayerIndex());
  MakePoint(temporary);
  MakePoint(temporary);

  platform().answers = {2};  // Cancel stays and keeps them
  EXPECT_FALSE(ConfirmQuit(true));
  ASSERT_EQ(platform().questions.size(), 1u);
  const Question& asked = platform().questions[0];
  EXPECT_EQ(asked.title, "Save Temporary Objects?");
  EXPECT_EQ(asked.text, kSaveTemporaryText);
  EXPECT_EQ(asked.buttons, (std::vector<std::string>{"Save", "Delete", "Cancel"}));
  EXPECT_EQ(TemporaryCount(), 2);

  platform().answers = {0};  // Save quits and keeps them, without the Exit question
  EXPECT_TRUE(ConfirmQuit(true));
  EXPECT_EQ(platform().questions.size(), 2u);
  EXPECT_EQ(TemporaryCount(), 2);

  // A sibling's quit request asks about them too.
  platform().answers = {1};  // Delete quits and deletes them
  EXPECT_TRUE(ConfirmQuit(false));
  EXPECT_EQ(platform().questions.size(), 3u);
  EXPECT_EQ(TemporaryCount(), 0);

  // Nothing left: the ordinary Exit question, and none for a sibling's request.
  platform().answers = {0};
  EXPECT_TRUE(ConfirmQuit(true));
  EXPECT_EQ(platform().questions.back().title, "Exit?");
  EXPECT_TRUE(ConfirmQuit(false));
  EXPECT_EQ(platform().questions.size(), 4u);
}

TEST_F(StartupWithCatalogueTest, ShutDownEmptiesDeleteAtQuitOverlaysOnTheUsersMap) {
  ASSERT_EQ(StartWithCatalogue(), 0);
  std::string name = "Scratch";
  int32_t position = -1;
  ASSERT_EQ(AddLayer(name, false, false, true, position), 0);
  const int32_t scratch = LayerID(position);
  MakePoint(scratch);
  MakePoint(LayerID(TemporaryLayerIndex()));
  ShutDown();
  // The overlay files' headers tell what is left.
  const fs::path folder = program / "TolvaneMaps" / "OverlayMaps" / "UserMap";
  const std::string scratchHeader = test::ReadWholeFile(folder / "Scratch.LYR");
  const std::string temporaryHeader = test::ReadWholeFile(folder / "Temporary Overlay.LYR");
  ASSERT_EQ(scratchHeader.size(), 52u);
  ASSERT_EQ(temporaryHeader.size(), 52u);
  EXPECT_EQ(GetBig32(scratchHeader.data() + 48), 0);
  EXPECT_EQ(GetBig32(temporaryHeader.data() + 48), 1);
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

TEST_F(StartupWithCatalogueTest, FirstStartShowsTheObjectsOnTheMaps) {
  ASSERT_EQ(StartWithCatalogue(), 0);
  ResetMapView();
  SetMapArea({40, 40, 840, 640});
  MakePoint(LayerID(TemporaryLayerIndex()));
  ObjectID id;
  NewObjectID(id);
  const std::string empty;
  const WRect far{10500000, 10400000, 10500010, 10400010};
  ObjectContents contents;
  contents.prefix = empty;
  contents.name = empty;
  contents.rect = far;
  int32_t position = -1;
  ASSERT_EQ(CreateObject(UserMapID(), LayerID(TemporaryLayerIndex()), kPointObject, id, contents,
                         position),
            0);
  CompleteStartup(true, true);
  const WRect shown = ViewWorldRect();
  EXPECT_LE(shown.x1, 10000000);
  EXPECT_GE(shown.x2, 10500010);
  EXPECT_LE(shown.y1, 10000000);
  EXPECT_GE(shown.y2, 10400010);
  EXPECT_LT(CurrentMapView().scale, 20000000) << "the view is near the objects, not the default";
  EXPECT_EQ(HomeView().rect.x2, 10500010);
  ResetMapView();
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

TEST_F(StartupWithCatalogueTest, AUserMapFolderWithoutItsNameDotMapIsRepaired) {
  const fs::path userMap = program / "TolvaneMaps" / "OverlayMaps" / "UserMap";
  fs::create_directories(userMap);
  ASSERT_EQ(StartWithCatalogue(), 0);
  const std::string nameDotMap = test::ReadWholeFile(userMap / "NAME.MAP");
  ASSERT_EQ(nameDotMap.size(), 56u);
  EXPECT_STREQ(nameDotMap.c_str(), "User's map");
  EXPECT_LT(UserMapID(), 0) << "the User's Map is loaded in the same start";

  // An existing one, in any spelling, is left as it is.
  ShutDown();
  fs::remove(userMap / "NAME.MAP");
  test::WriteWholeFile(userMap / "name.map", nameDotMap.substr(0, 42) + std::string(4, '\0') +
                                                 "ZPHA" + std::string(6, '\0'));
  ResetStartupForTesting();
  ResetDirectoryTableForTesting();
  SetProgramFolderPath(program.string());
  ASSERT_EQ(StartWithCatalogue(), 0);
  EXPECT_FALSE(fs::exists(userMap / "NAME.MAP"));
  EXPECT_LT(UserMapID(), 0);
}

// A record whose name is "Café" in UTF-8, for the import that start-up configures.
int32_t ImportCafe(const fs::path& folder) {
  test::WriteWholeFile(folder / "cafe.mie",
                       "\"\" \"\" \"\" \"\" 2 \"\" \"Caf\xC3\xA9\" 0 \"Marks\" \"\" POINT \"\" 0 "
                       "\"\" 0 ONLY 0\r\n1 1 1 -70 41\r\n");
  int32_t folderID = -1;
  EXPECT_EQ(RegisterDirectory(folder.string() + "/", true, folderID), 0);
  return Import2(0, folderID, "cafe.mie", false, false);
}

std::string FirstName(int32_t overlayID) {
  std::string name;
  int32_t m = -1, f = -1;
  ForEachSummaryRecord(
      UserMapID(), overlayID,
      [&](const SummaryRecord& record, int32_t) {
        if (!SummaryRecordLive(record) || !name.empty()) return 0;
        int32_t mi = -1, fi = -1;
        AllocateSpaceForFile(UserMapID(), overlayID, kObjectFileKind, 1024, &mi, &fi);
        std::string prefix;
        FSGetObjectName(CurrentObjectFile(), record.position, prefix, name);
        return 1;
      },
      &m, &f);
  return name;
}

TEST_F(StartupWithCatalogueTest, TheCharacterSetFlagReachesTheImport) {
  ResetImportForTesting();
  fs::create_directories(program / "TolvaneMaps" / "Settings");
  test::WriteWholeFile(program / "TolvaneMaps" / "Settings" / "MPCONFIG.TXT",
                       "USEAUTOMATICCHARACTERSETRECOGNITION NO\n");
  ASSERT_EQ(StartWithCatalogue(), 0);
  ASSERT_EQ(ImportCafe(root.path()), 0);
  EXPECT_EQ(FirstName(LayerID(LayerNameToIndex("Marks"))), "Caf\xC3\xA9");
  ShutDown();

  fs::remove(program / "TolvaneMaps" / "Settings" / "MPCONFIG.TXT");
  fs::remove_all(program / "TolvaneMaps" / "OverlayMaps" / "UserMap");
  ResetStartupForTesting();
  ResetDirectoryTableForTesting();
  SetProgramFolderPath(program.string());
  ASSERT_EQ(StartWithCatalogue(), 0);
  ASSERT_EQ(ImportCafe(root.path()), 0);
  EXPECT_EQ(FirstName(LayerID(LayerNameToIndex("Marks"))), "Caf\xE9");
  ResetImportForTesting();
}

TEST_F(StartupWithCatalogueTest, ATerminationSignalQuitsWithoutAskingAndKeepsTemporaryObjects) {
  ASSERT_EQ(StartWithCatalogue(), 0);
  MakePoint(LayerID(TemporaryLayerIndex()));
  EXPECT_TRUE(ConfirmQuit(false, true));
  EXPECT_TRUE(platform().questions.empty()) << "nobody is there to answer";
  EXPECT_EQ(TemporaryCount(), 1);
}

TEST_F(StartupWithCatalogueTest, TheEmptyOverlaySweepTakesTheFilesAlong) {
  const fs::path userMap = program / "TolvaneMaps" / "OverlayMaps" / "UserMap";
  ASSERT_EQ(StartWithCatalogue(), 0);
  std::string wells = "Wells";
  int32_t position = -1;
  ASSERT_EQ(AddLayer(wells, false, false, false, position), 0);
  MakePoint(LayerID(position));
  ShutDown();
  // The header of a set with a live object says 0 (a count gone wrong); another set is empty.
  std::string header = test::ReadWholeFile(userMap / "Wells.LYR");
  ASSERT_EQ(header.size(), 52u);
  header.replace(48, 4, std::string(4, '\0'));
  test::WriteWholeFile(userMap / "Wells.LYR", header);
  test::WriteWholeFile(userMap / "RAIL.LYR",
                       std::string("Rail") + std::string(28, '\0') + header.substr(32));
  test::WriteWholeFile(userMap / "RAIL.SUM", "");
  test::WriteWholeFile(userMap / "RAIL.OBJ", "");
  test::WriteWholeFile(program / "MPCONFIG.TXT", "DLGZ YES\n");

  auto restart = [&] {
    ResetStartupForTesting();
    ResetDirectoryTableForTesting();
    ResetOpenFilesForTesting();
    SetProgramFolderPath(program.string());
    return StartWithCatalogue();
  };
  ASSERT_EQ(restart(), 0);
  EXPECT_LT(LayerNameToIndex("Rail"), 0);
  for (const char* extension : {".LYR", ".SUM", ".OBJ"}) {
    EXPECT_FALSE(fs::exists(userMap / (std::string("RAIL") + extension))) << extension;
  }
  EXPECT_GE(LayerNameToIndex("Wells"), 0) << "its summary file holds a live object";
  EXPECT_TRUE(fs::exists(userMap / "Wells.OBJ"));
  ShutDown();

  // The next start, with the sweep off, does not bring the deleted overlay back.
  fs::remove(program / "MPCONFIG.TXT");
  ASSERT_EQ(restart(), 0);
  EXPECT_LT(LayerNameToIndex("Rail"), 0);
  EXPECT_GE(LayerNameToIndex("Wells"), 0);
  EXPECT_TRUE(platform().alerts.empty());
}

// Restores the test program's locale whatever a test did to it.
class LocaleGuard {
 public:
  LocaleGuard() : saved_(std::setlocale(LC_ALL, nullptr)) {}
  ~LocaleGuard() { std::setlocale(LC_ALL, saved_.c_str()); }

 private:
  std::string saved_;
};

TEST_F(StartupWithCatalogueTest, NumbersKeepTheirDecimalPointUnderACommaLocale) {
  LocaleGuard guard;
  // What Qt's application object does at start under a German user's locale.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "the locale de_DE.UTF-8 is missing here; scripts/setup makes it";
  }
  const WPoint point{180000000 - 77500000, 90000000 + 38500000};
  std::string lat;
  std::string lon;
  FormatLatLong(point, kFormatDecimalDegrees, lat, lon);
  ASSERT_NE(lat.find(','), std::string::npos) << "the locale writes a comma: " << lat;

  UseProgramNumberFormat();
  FormatLatLong(point, kFormatDecimalDegrees, lat, lon);
  EXPECT_EQ(lat, "38.500000\260N");
  EXPECT_EQ(lon, " 77.500000\260W");

  ASSERT_EQ(StartWithCatalogue(), 0);
  // Numbers with an exponent or degree marks take the general reader.
  test::WriteWholeFile(
      root.path() / "marks.mie",
      "\"\" \"\" \"\" \"\" 2 \"\" \"A\" 0 \"Marks\" \"\" POINT \"\" 0 \"\" 0 ONLY 0\r\n"
      "1 1 1 -7.75e1 38.5\260\r\n");
  int32_t folderID = -1;
  ASSERT_EQ(RegisterDirectory(root.path().string() + "/", true, folderID), 0);
  ASSERT_EQ(Import2(0, folderID, "marks.mie", false, false), 0);
  const int32_t marks = LayerID(LayerNameToIndex("Marks"));
  const int32_t userMap = MapIDToIndex(UserMapID());
  OverlayFileRecord file;
  ASSERT_TRUE(GetOverlayFileRecord(userMap, OverlayFileIndexForID(userMap, marks), file));
  EXPECT_EQ(file.bounds.x1, 180000000 - 77500000);
  EXPECT_EQ(file.bounds.y1, 90000000 + 38500000);
}

}  // namespace
}  // namespace tlv
