#include "catalogue/maps.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "catalogue/layer_files.h"
#include "catalogue/overlay_maps_dialog.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class MapsTest : public test::CatalogueTest {
 protected:
  MapsTest() : CatalogueTest(test::FilesKind::kMemory) {}

  std::string Xtra(const std::vector<std::pair<fs::path, std::string>>& records) {
    std::string bytes;
    for (const auto& [path, name] : records) bytes += test::XtraBytes(path.string() + "/", name);
    return bytes;
  }
};

TEST_F(MapsTest, LoadsMapFoldersSortedWithTheUsersMapNegative) {
  const fs::path harbour = MakeMap("Harbour", "Harbour");
  MakeLayerFile(harbour, "ROADS", "Roads", 12);
  MakeLayerFile(harbour, "BRIDGES", "Bridges", 3);
  MakeMap("Airfield", "airfield");
  test::MakeFolders(root / "OverlayMaps" / "NoMap");  // no NAME.MAP: not a map

  ASSERT_EQ(LoadAll(), 0);
  EXPECT_EQ(MapNames(), (std::vector<std::string>{"airfield", "Harbour", "User's map"}));
  EXPECT_EQ(platform().messageLines.back(), "Initializing maps.");
  const MapRecord user = MapAt(2);
  EXPECT_LT(user.mapID, 0);
  EXPECT_EQ(UserMapID(), user.mapID);
  EXPECT_EQ(MapNameToIndex("User\xD5s Map"), 2);

  const MapRecord map = MapAt(1);
  EXPECT_GE(map.mapID, 1000);
  EXPECT_EQ(map.locked, 0);
  EXPECT_EQ(map.inUse, 1);
  EXPECT_EQ(map.overlayFileCount, 2);
  // The overlay files are sorted by base name and carry their header values.
  OverlayFileRecord file;
  ASSERT_TRUE(GetOverlayFileRecord(1, 0, file));
  EXPECT_EQ(FieldText(file.baseName), "BRIDGES");
  EXPECT_EQ(file.objectCount, 3);
  EXPECT_EQ(file.mapID, map.mapID);
  EXPECT_EQ(file.overlayID, LayerAt(LayerNameToIndex("Bridges")).layerID);
  EXPECT_EQ(file.workingMinusOne, -1);
  // The overlays of the files joined the catalogue, locked, behind the Temporary Overlay.
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay", "Bridges", "Roads"}));
  EXPECT_EQ(LayerAt(2).lockState, 1);
  // Every ID leads back to its map; the file layer can open the overlay files by ID.
  for (int32_t i = 0; i < MapCount(); ++i) EXPECT_EQ(MapIDToIndex(MapAt(i).mapID), i);
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  EXPECT_EQ(
      AllocateSpaceForFile(map.mapID, file.overlayID, kObjectFileKind, 1024, &mapIndex, &fileIndex),
      0);
  EXPECT_EQ(mapIndex, 1);
  EXPECT_EQ(fileIndex, 0);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(MapsTest, SecondFolderOfTheSameNameIsNotAdded) {
  MakeMap("A", "Harbour");
  MakeMap("B", "HARBOUR");
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_EQ(MapCount(), 2);
  const int32_t index = MapNameToIndex("Harbour");
  EXPECT_EQ(MapFolderPath(MapAt(index)), (root / "OverlayMaps" / "A").string() + "/");
  // Adding the second folder again reports the first one's position.
  EXPECT_EQ(AddMap(0, Register(root / "OverlayMaps" / "B")), 0);
  EXPECT_EQ(LastAddedMapIndex(), index);
  EXPECT_EQ(MapCount(), 2);
}

TEST_F(MapsTest, ALongNameDotMapShowsItsMapLockedAndAShortOneIsReported) {
  const fs::path longer = MakeMap("Longer", "Longer");
  const std::string bytes = test::NameDotMapBytes("Longer", "ZPHA", 'Y') + "extra";
  test::WriteWholeFile(longer / "NAME.MAP", bytes);
  const fs::path shorter = MakeMap("Short", "Short");
  test::WriteWholeFile(shorter / "NAME.MAP", test::NameDotMapBytes("Short").substr(0, 55));
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_EQ(MapNames(), (std::vector<std::string>{"Longer", "User's map"}));
  const MapRecord map = MapAt(MapNameToIndex("Longer"));
  EXPECT_EQ(map.locked, 1) << "a file it does not know is never rewritten";
  EXPECT_EQ(FieldText(map.owner), "ZPHA");
  EXPECT_EQ(map.universalMark, 'Y');
  EXPECT_EQ(AlertsContaining("AddMap()"), 1u);
  std::string name;
  std::string owner;
  ASSERT_EQ(GetMapNameFromNameDotMapFile(longer.string(), name, &owner), 0);
  EXPECT_EQ(name, "Longer");
  ASSERT_EQ(SaveMaps(), 0);
  EXPECT_EQ(test::ReadWholeFile(longer / "NAME.MAP"), bytes);
  EXPECT_EQ(test::FileSize(shorter / "NAME.MAP"), 55);
}

TEST_F(MapsTest, ReadOnlyMapLoadsLockedAndIsNeverWritten) {
  const fs::path cd = MakeMap("CD", "Survey", root / "Media");
  MakeLayerFile(cd, "ROADS", "Roads", 4);
  test::SetReadOnly(cd / "NAME.MAP", true);
  test::SetReadOnly(cd, true);
  test::WriteWholeFile(root / "Settings" / "XTRAMAPS.PLT", Xtra({{cd, "Survey"}}));

  ASSERT_EQ(LoadAll(), 0);
  const int32_t index = MapNameToIndex("Survey");
  ASSERT_GE(index, 0);
  MapRecord map = MapAt(index);
  EXPECT_EQ(map.locked, 1);
  EXPECT_EQ(map.overlayFileCount, 1);

  CopyToField(map.name, "Renamed");
  SetMapRecord(index, map);
  EXPECT_EQ(SaveMaps(), 0);
  int32_t position = -1;
  EXPECT_EQ(CreateLayerFile(index, "Rivers", position), kErrWritePermission);
  EXPECT_FALSE(test::PathExists(cd / "RIVERS.LYR"));
  EXPECT_EQ(test::ReadWholeFile(cd / "NAME.MAP"), test::NameDotMapBytes("Survey"));
  EXPECT_TRUE(platform().alerts.empty());
  test::SetReadOnly(cd, false);
}

TEST_F(MapsTest, RemembersMapsElsewhereAndSkipsMissingOnesSilently) {
  const fs::path elsewhere = MakeMap("Dam", "Dam", root / "Elsewhere");
  test::WriteWholeFile(root / "Settings" / "XTRAMAPS.PLT",
                       Xtra({{root / "Gone" / "Lost", "Lost"}, {elsewhere, "Dam"}}));
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_EQ(MapNames(), (std::vector<std::string>{"Dam", "User's map"}));
  EXPECT_TRUE(platform().alerts.empty());

  // The dialog lists the missing map as a placeholder.
  OverlayMapsDialogState dialog;
  ASSERT_EQ(BeginOverlayMapsDialog(dialog), 0);
  ASSERT_EQ(OverlayMapsRowCount(dialog), 3);
  std::vector<std::string> statuses;
  for (int32_t r = 0; r < 3; ++r) {
    MapRecord row;
    GetOverlayMapsRow(dialog, r, row);
    statuses.push_back(FieldText(row.name) + ":" + OverlayMapsRowStatus(row));
  }
  EXPECT_EQ(statuses,
            (std::vector<std::string>{"Dam:In Use", "Lost:Not Found", "User's map:In Use"}));
  CancelOverlayMapsDialog(dialog);
  EXPECT_EQ(MapCount(), 2);
}

TEST_F(MapsTest, TornXtramapsFileIsDeletedWithoutAMessage) {
  test::WriteWholeFile(root / "Settings" / "XTRAMAPS.PLT", std::string(300, 'x'));
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_FALSE(test::PathExists(root / "Settings" / "XTRAMAPS.PLT"));
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(MapsTest, CreateMapMakesNamesAndFoldersUnique) {
  ASSERT_EQ(LoadAll(), 0);
  const int32_t overlayMaps = CatalogueFolderIDs().overlayMaps;
  const std::string longName(45, 'L');
  int32_t position = -1;
  ASSERT_EQ(CreateMap(0, overlayMaps, longName, position), 0);
  EXPECT_EQ(FieldText(MapAt(position).name), std::string(41, 'L'));
  ASSERT_EQ(CreateMap(0, overlayMaps, longName, position), 0);
  EXPECT_EQ(FieldText(MapAt(position).name), std::string(39, 'L') + "_2");

  // A folder of the name exists already: the map gets "Port 2".
  test::MakeFolders(root / "OverlayMaps" / "Port");
  ASSERT_EQ(CreateMap(0, overlayMaps, "Port", position), 0);
  EXPECT_EQ(MapFolderPath(MapAt(position)), (root / "OverlayMaps" / "Port 2").string() + "/");
  EXPECT_EQ(test::ReadWholeFile(root / "OverlayMaps" / "Port 2" / "NAME.MAP"),
            test::NameDotMapBytes("Port"));
  // Characters that file names cannot hold are replaced.
  ASSERT_EQ(CreateMap(0, overlayMaps, "North/South: A*B", position), 0);
  EXPECT_TRUE(test::IsFolderPath(root / "OverlayMaps" / "North_South_ A_B"));

  for (int n = 3; n <= 9; ++n) ASSERT_EQ(CreateMap(0, overlayMaps, longName, position), 0);
  EXPECT_EQ(CreateMap(0, overlayMaps, longName, position), kErrGeneral);
  EXPECT_EQ(AlertsContaining("There are too many maps with the name"), 1u);
}

TEST_F(MapsTest, FindNewMapReplacesTheSameNamedMapAndRemembersIt) {
  MakeMap("Harbour", "Harbour");
  const fs::path newer = MakeMap("Harbour2024", "Harbour", root / "Stick");
  MakeLayerFile(newer, "ROADS", "Roads", 1);
  ASSERT_EQ(LoadAll(), 0);
  const int32_t oldID = MapAt(MapNameToIndex("Harbour")).mapID;

  int32_t position = -1;
  ASSERT_EQ(AddFoundMap(0, 0, (newer / "NAME.MAP").string(), position, false, nullptr, 0, false),
            0);
  EXPECT_EQ(MapCount(), 2);
  EXPECT_EQ(MapIDToIndex(oldID), -1);
  EXPECT_EQ(MapFolderPath(MapAt(position)), newer.string() + "/");
  EXPECT_TRUE(test::PathExists(root / "OverlayMaps" / "Harbour" / "NAME.MAP"));
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "XTRAMAPS.PLT"),
            test::XtraBytes(newer.string() + "/", "Harbour"));

  // Adding it again: an alert, or its position when quiet.
  EXPECT_EQ(AddFoundMap(0, 0, newer.string(), position, false, nullptr, 0, false), kErrGeneral);
  EXPECT_EQ(AlertsContaining("The map you chose is already in the list."), 1u);
  int32_t quietPosition = -1;
  EXPECT_EQ(AddFoundMap(0, 0, newer.string(), quietPosition, true, nullptr, 0, false), 0);
  EXPECT_EQ(quietPosition, MapNameToIndex("Harbour"));
  // A missing folder is reported unless quiet.
  EXPECT_NE(AddFoundMap(0, 0, (root / "Nowhere").string(), position, true, nullptr, 0, false), 0);
  EXPECT_EQ(AlertsContaining("FSMakeFSSpec()"), 0u);
}

TEST_F(MapsTest, MapMarkedForRemovalCannotBeFoundAgainUntilCancel) {
  const fs::path dam = MakeMap("Dam", "Dam", root / "Elsewhere");
  ASSERT_EQ(LoadAll(), 0);
  int32_t position = -1;
  ASSERT_EQ(AddFoundMap(0, 0, dam.string(), position, false, nullptr, 0, false), 0);

  OverlayMapsDialogState dialog;
  ASSERT_EQ(BeginOverlayMapsDialog(dialog), 0);
  ASSERT_EQ(RemoveOverlayMapsRow(dialog, 0), 0);  // "Dam"
  int32_t row = -1;
  EXPECT_EQ(FindNewMapInOverlayMapsDialog(dialog, dam.string(), row), kErrGeneral);
  EXPECT_EQ(AlertsContaining("it has been marked for removal"), 1u);
  // Cancel: nothing changes in the catalogue or on disk.
  CancelOverlayMapsDialog(dialog);
  EXPECT_EQ(MapNames(), (std::vector<std::string>{"Dam", "User's map"}));
  EXPECT_TRUE(test::PathExists(root / "Settings" / "XTRAMAPS.PLT"));

  // OK with the removal: the map leaves the catalogue and XTRAMAPS.PLT, its files stay.
  ASSERT_EQ(BeginOverlayMapsDialog(dialog), 0);
  ASSERT_EQ(RemoveOverlayMapsRow(dialog, 0), 0);
  ASSERT_EQ(ApplyOverlayMapsDialog(dialog), 0);
  EXPECT_EQ(MapNames(), (std::vector<std::string>{"User's map"}));
  EXPECT_FALSE(test::PathExists(root / "Settings" / "XTRAMAPS.PLT"));
  EXPECT_TRUE(test::PathExists(dam / "NAME.MAP"));
}

TEST_F(MapsTest, DialogRenameMovesTheFolderAndSavesTheName) {
  const fs::path harbour = MakeMap("Harbour", "Harbour");
  MakeLayerFile(harbour, "ROADS", "Roads", 2);
  ASSERT_EQ(LoadAll(), 0);
  OverlayMapsDialogState dialog;
  ASSERT_EQ(BeginOverlayMapsDialog(dialog), 0);
  ASSERT_EQ(RenameOverlayMapsRow(dialog, 0, "Old Port"), 0);
  ASSERT_EQ(RenameOverlayMapsRow(dialog, 1, "Home"), 0);  // the User's Map keeps its folder
  ASSERT_EQ(SetOverlayMapsRowInUse(dialog, 1, false), 0);
  ASSERT_EQ(ApplyOverlayMapsDialog(dialog), 0);

  const fs::path moved = root / "OverlayMaps" / "Old Port";
  EXPECT_FALSE(test::PathExists(harbour));
  EXPECT_EQ(test::ReadWholeFile(moved / "NAME.MAP"), test::NameDotMapBytes("Old Port"));
  EXPECT_EQ(test::ReadWholeFile(root / "OverlayMaps" / "UserMap" / "NAME.MAP"),
            test::NameDotMapBytes("Home"));
  const int32_t index = MapNameToIndex("Old Port");
  ASSERT_GE(index, 0);
  EXPECT_EQ(MapAt(MapNameToIndex("Home")).inUse, 0);
  // The overlay files are reached under the new folder.
  EXPECT_EQ(AllocateSpaceForFile(index, 0, kSummaryFileKind, 1024, nullptr, nullptr), 0);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(MapsTest, IdIndexFallsBackWhenStaleAndUserMapIDFollowsRemoval) {
  MakeMap("A", "Alpha");
  MakeMap("B", "Bravo");
  ASSERT_EQ(LoadAll(), 0);
  const int32_t bravo = MapAt(1).mapID;
  // A record appended behind the index's back is still found.
  MapRecord extra;
  CopyToField(extra.name, "Zulu");
  extra.mapID = 5000;
  int32_t at = -1;
  ASSERT_EQ(AppendMapRecord(extra, at), 0);
  EXPECT_EQ(MapIDToIndex(5000), at);
  EXPECT_EQ(MapIDToIndex(bravo), 1);
  EXPECT_EQ(MapIDToIndex(4999), -1);

  const int32_t user = MapNameToIndex("User's Map");
  ASSERT_EQ(RemoveMap(user, false), 0);
  EXPECT_EQ(UserMapID(), 0);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(MapsTest, UserMapIDIsZeroWhenItsFolderIsGone) {
  test::RemoveTree(root / "OverlayMaps" / "UserMap");
  MakeMap("A", "Alpha");
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_EQ(UserMapID(), 0);
  EXPECT_EQ(MapNameToIndex("User's Map"), -1);
}

TEST_F(MapsTest, SaveMapsWritesNamesOwnersAndMarks) {
  MakeMap("A", "Alpha");
  ASSERT_EQ(LoadAll(), 0);
  const int32_t index = MapNameToIndex("Alpha");
  MapRecord map = MapAt(index);
  CopyToField(map.owner, "ZEPH");
  map.universalMark = 'N';
  SetMapRecord(index, map);
  ASSERT_EQ(SaveMaps(), 0);
  EXPECT_EQ(test::ReadWholeFile(root / "OverlayMaps" / "A" / "NAME.MAP"),
            test::NameDotMapBytes("Alpha", "ZEPH", 'N'));
  std::string name;
  std::string owner;
  ASSERT_EQ(GetMapNameFromNameDotMapFile((root / "OverlayMaps" / "A").string(), name, &owner), 0);
  EXPECT_EQ(name, "Alpha");
  EXPECT_EQ(owner, "ZEPH");
}

TEST_F(MapsTest, XtramapsKeepsOneRecordPerName) {
  ASSERT_EQ(AddToXtramapsPltFile({"/a/", "Dam"}), 0);
  ASSERT_EQ(AddToXtramapsPltFile({"/b/", "Lake"}), 0);
  ASSERT_EQ(AddToXtramapsPltFile({"/c/", "DAM"}), 0);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "XTRAMAPS.PLT"),
            test::XtraBytes("/b/", "Lake") + test::XtraBytes("/c/", "DAM"));
  ASSERT_EQ(FilterXtraMapsPltFile([](const XtraMapsEntry&) { return false; }), 0);
  EXPECT_FALSE(test::PathExists(root / "Settings" / "XTRAMAPS.PLT"));
}

TEST_F(MapsTest, XtramapsTakesManyEntriesInOneRewrite) {
  ASSERT_EQ(AddToXtramapsPltFile({"/a/", "Dam"}), 0);
  ASSERT_EQ(AddToXtramapsPltFile({"/b/", "Lake"}), 0);
  ASSERT_EQ(AddAllToXtramapsPltFile({{"/c/", "lake"}, {"/d/", "Weir"}, {"/e/", "WEIR"}}), 0);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "XTRAMAPS.PLT"),
            test::XtraBytes("/a/", "Dam") + test::XtraBytes("/c/", "lake") +
                test::XtraBytes("/e/", "WEIR"));
  // Nothing to add leaves the file alone.
  ASSERT_EQ(AddAllToXtramapsPltFile({}), 0);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "XTRAMAPS.PLT").size(), 3u * 298u);
}

TEST_F(MapsTest, NewEntryMapsAreRemovedAndTheCounterComesBack) {
  MakeMap("A", "Alpha");
  ASSERT_EQ(LoadAll(), 0);
  const int32_t before = NextMapIDCounter();
  const fs::path dam = MakeMap("Dam", "Dam", root / "Elsewhere");
  int32_t position = -1;
  ASSERT_EQ(AddFoundMap(0, 0, dam.string(), position, true, nullptr, 0, true), 0);
  EXPECT_EQ(MapAt(position).newEntry, 1);
  ASSERT_EQ(RemoveNewEntryMaps(), 0);
  EXPECT_EQ(MapNames(), (std::vector<std::string>{"Alpha", "User's map"}));
  EXPECT_EQ(NextMapIDCounter(), before);
  EXPECT_FALSE(test::PathExists(root / "Settings" / "XTRAMAPS.PLT"));  // do-not-remember
}

}  // namespace
}  // namespace tlv
