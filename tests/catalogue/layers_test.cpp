#include "catalogue/layers.h"

#include <gtest/gtest.h>

#include "catalogue/groups.h"
#include "catalogue/layer_files.h"
#include "support/catalogue_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

class LayersTest : public test::CatalogueTest {
 protected:
  LayersTest() : CatalogueTest(test::FilesKind::kMemory) {}

  void WriteLayers(const std::vector<std::string>& names, const fs::path& folder) {
    std::string bytes;
    for (const std::string& name : names) {
      test::Layers2Fields fields;
      fields.name = name;
      bytes += test::Layers2Bytes(fields);
    }
    test::WriteWholeFile(folder / "LAYERS2.PLT", bytes);
  }
  void WriteSettingsLayers(const std::vector<std::string>& names) {
    WriteLayers(names, root / "Settings");
  }
  int32_t Add(const std::string& wanted, std::string* got = nullptr) {
    std::string name = wanted;
    int32_t position = -1;
    const int32_t err = AddLayer(name, false, false, false, position);
    if (got != nullptr) *got = name;
    return err;
  }
  std::vector<std::string> GroupSummary() {
    std::vector<std::string> out;
    for (int32_t g = 0; g < GroupCount(); ++g) {
      GroupRecord group;
      GetGroupRecord(g, group);
      out.push_back(FieldText(group.name) + ":" + FieldText(group.first) + "-" +
                    FieldText(group.last));
    }
    return out;
  }
};

TEST_F(LayersTest, NameClashesTakeSuffixesUntilTheyRunOut) {
  ASSERT_EQ(LoadLayers(), 0);
  std::string got;
  ASSERT_EQ(Add("Roads", &got), 0);
  ASSERT_EQ(Add("roads", &got), 0);
  EXPECT_EQ(got, "roads 2");
  for (int n = 3; n <= 9; ++n) ASSERT_EQ(Add("Roads", &got), 0);
  EXPECT_EQ(got, "Roads 9");
  EXPECT_EQ(Add("Roads"), -1);
  EXPECT_EQ(AlertsContaining("There are too many overlays with the name \"Roads\""), 1u);

  const std::string thirty(30, 'x');
  ASSERT_EQ(Add(thirty), 0);
  ASSERT_EQ(Add(thirty, &got), 0);
  EXPECT_EQ(got, std::string(29, 'x') + " 2");
}

TEST_F(LayersTest, NewOverlaysTakeDefaultsFromTheirNames) {
  ASSERT_EQ(LoadLayers(), 0);
  ASSERT_EQ(Add("County hospitals"), 0);
  const LayerRecord layer = LayerAt(LayerNameToIndex("County hospitals"));
  EXPECT_EQ(std::vector<int16_t>(layer.graphics, layer.graphics + 8),
            (std::vector<int16_t>{54, 15, 3, 1, 2, 3, 0, 1}));
  EXPECT_EQ(layer.displayMode, kDisplayShow);
  EXPECT_EQ(layer.scales[1], 262144000);
  EXPECT_EQ(layer.marker, 100);
  ASSERT_EQ(Add("Wells"), 0);
  EXPECT_EQ(LayerAt(LayerNameToIndex("Wells")).graphics[2], 1);
  // The Temporary Overlay is made locked and deleted at quit.
  const LayerRecord temporary = LayerAt(LayerNameToIndex("Temporary Overlay"));
  EXPECT_EQ(temporary.lockState, 1);
  EXPECT_EQ(temporary.deleteAtQuit, 1);
  EXPECT_EQ(temporary.graphics[0], 212);
  EXPECT_EQ(temporary.graphics[2], 3);
}

TEST_F(LayersTest, TornListIsRejectedAndOnlyTheTemporaryOverlayRemains) {
  WriteSettingsLayers({"Roads"});
  test::WriteWholeFile(root / "Settings" / "LAYERS2.PLT",
                       test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT") + "x");
  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay"}));
  EXPECT_EQ(AlertsContaining("LAYERS2.PLT"), 1u);
}

TEST_F(LayersTest, LoadingLocksRenamesAndFallsBackToTheProgramFolder) {
  test::Layers2Fields unlocked;
  unlocked.name = "Roads";
  unlocked.lockState = 2;
  unlocked.id = 4444;
  unlocked.reservedValue = 9;
  test::Layers2Fields old;
  old.name = "Temporary Layer";
  test::Layers2Fields second;
  second.name = "Temporary Overlay";
  test::WriteWholeFile(
      root / "Program" / "LAYERS2.PLT",
      test::Layers2Bytes(unlocked) + test::Layers2Bytes(old) + test::Layers2Bytes(second));
  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Roads", "Temporary Overlay"}));
  const LayerRecord roads = LayerAt(0);
  EXPECT_EQ(roads.lockState, 3);
  EXPECT_EQ(roads.reservedValue, 0);
  EXPECT_GE(roads.layerID, 1000);
  EXPECT_NE(roads.layerID, 4444);
  EXPECT_EQ(LayerIDToIndex(LayerAt(1).layerID), 1);
  EXPECT_EQ(LayerIDToIndex(4444), -1);
}

TEST_F(LayersTest, SaveAndLoadKeepSettingsAndGroups) {
  ASSERT_EQ(LoadLayers(), 0);
  ASSERT_EQ(Add("Roads"), 0);
  ASSERT_EQ(Add("Rail"), 0);
  LayerRecord roads = LayerAt(1);
  roads.displayMode = kDisplayRange;
  roads.scales[0] = 2000;
  roads.thematic[1] = 6;
  roads.lockState = 0;
  SetLayerRecord(1, roads);
  ASSERT_EQ(AddGroup("Transport"), 0);
  GroupRecord group;
  GetGroupRecord(0, group);
  CopyToField(group.first, "Roads");
  CopyToField(group.last, "Rail");
  group.collapsed = 1;
  SetGroupRecord(0, group);
  ASSERT_EQ(SaveLayers(), 0);
  EXPECT_EQ(test::FileSize(root / "Settings" / "LAYERS2.PLT"), 3 * 88);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "GROUPS.PLT"),
            test::GroupBytes("Transport", "Roads", "Rail", 1));

  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay", "Roads", "Rail"}));
  roads = LayerAt(1);
  EXPECT_EQ(roads.displayMode, kDisplayRange);
  EXPECT_EQ(roads.scales[0], 2000);
  EXPECT_EQ(roads.thematic[1], 6);
  EXPECT_EQ(roads.lockState, 1);  // saved unlocked, back locked
  EXPECT_EQ(GroupSummary(), (std::vector<std::string>{"Transport:Roads-Rail"}));
  EXPECT_TRUE(platform().alerts.empty());
}

// The overlay catalogue saved with its write, sync or rename number k failing for good and the
// power lost right after: each list file holds what was saved before or what was being saved,
// never an empty or half-written file, the new one whenever the save reported success, and the
// catalogue loads either way.
TEST_F(LayersTest, InterruptedSaveKeepsTheSavedCatalogue) {
  using Op = MemoryFileSystem::Operation;
  MemoryFileSystem& files = *test::MemoryFiles();
  WriteSettingsLayers({"Roads", "Rail", "Temporary Overlay"});
  test::WriteWholeFile(root / "Settings" / "GROUPS.PLT",
                       test::GroupBytes("Transport", "Roads", "Rail"));
  const std::vector<std::string> oldNames = {"Roads", "Rail", "Temporary Overlay"};
  const std::string oldLayers = test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT");
  const std::string oldGroups = test::ReadWholeFile(root / "Settings" / "GROUPS.PLT");
  files.SyncEverything();
  const MemoryFileSystem::Snapshot start = files.Save();

  std::vector<std::string> newNames;
  // Loads the saved catalogue, adds an overlay and a group, and saves.
  const auto change = [&]() -> int32_t {
    ResetLayersForTesting();
    EXPECT_EQ(LoadLayers(), 0);
    EXPECT_EQ(LayerNames(), oldNames);
    EXPECT_EQ(Add("Wells"), 0);
    EXPECT_EQ(AddGroup("Water"), 0);
    GroupRecord group;
    GetGroupRecord(GroupCount() - 1, group);
    CopyToField(group.first, "Wells");
    CopyToField(group.last, "Wells");
    SetGroupRecord(GroupCount() - 1, group);
    newNames = LayerNames();
    return SaveLayers();
  };
  ASSERT_EQ(change(), 0);
  const std::string newLayers = test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT");
  const std::string newGroups = test::ReadWholeFile(root / "Settings" / "GROUPS.PLT");
  ASSERT_NE(newLayers, oldLayers);
  ASSERT_NE(newGroups, oldGroups);

  for (Op kind : {Op::kWrite, Op::kSync, Op::kRename}) {
    bool completed = false;
    for (int64_t k = 1; !completed && k < 20; ++k) {
      files.Restore(start);
      files.FailNth(kind, k, true);
      const int32_t err = change();
      files.FailNth(kind, 0);
      files.PowerLoss();
      const std::string layers = test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT");
      const std::string groups = test::ReadWholeFile(root / "Settings" / "GROUPS.PLT");
      const std::string at = std::to_string(static_cast<int>(kind)) + " " + std::to_string(k);
      EXPECT_TRUE(layers == oldLayers || layers == newLayers) << at;
      EXPECT_TRUE(groups == oldGroups || groups == newGroups) << at;
      if (err == 0) {
        EXPECT_EQ(layers, newLayers) << at;
        EXPECT_EQ(groups, newGroups) << at;
      }
      ResetLayersForTesting();
      ArmAlerts();
      ASSERT_EQ(LoadLayers(), 0) << at;
      const std::vector<std::string> loaded = LayerNames();
      EXPECT_TRUE(loaded == oldNames || loaded == newNames) << at;
      completed = err == 0;
    }
    EXPECT_TRUE(completed) << static_cast<int>(kind);
  }
}

TEST_F(LayersTest, GroupsOutOfOrderAreClearedWithOneAlert) {
  WriteSettingsLayers({"A", "B", "C", "D"});
  test::WriteWholeFile(root / "Settings" / "GROUPS.PLT",
                       test::GroupBytes("Late", "C", "D") + test::GroupBytes("Early", "A", "B") +
                           test::GroupBytes("Backwards", "B", "A"));
  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_EQ(AlertsContaining("Your overlay groups have been modified"), 1u);
  // The first group breaking the order loses its overlays; the check stops there.
  EXPECT_EQ(GroupSummary(), (std::vector<std::string>{"Late:C-D", "Backwards:B-A", "Early:-"}));
}

TEST_F(LayersTest, TwoLayerFilesForOneOverlayKeepTheFirst) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  MakeLayerFile(map, "ROADS", "Roads", 5);
  MakeLayerFile(map, "ROADS2", "Roads", 7);
  ASSERT_EQ(LoadAll(), 0);
  const int32_t index = MapNameToIndex("Harbour");
  EXPECT_EQ(MapAt(index).overlayFileCount, 1);
  EXPECT_EQ(AlertsContaining("The overlay \"Roads\" is represented on the map \"Harbour\" by both "
                             "the \".LYR\" files \"ROADS\" and \"ROADS2.\""),
            1u);
}

TEST_F(LayersTest, BrokenOverlayFilesAreReported) {
  const fs::path harbour = MakeMap("Harbour", "Harbour");
  MakeLayerFile(harbour, "ROADS", "Roads", 5);
  test::WriteWholeFile(harbour / "ROADS.LYR", "short header");
  const fs::path dam = MakeMap("Dam", "Dam");
  MakeLayerFile(dam, "WELLS", "Wells", 1);
  // A base name the record cannot hold: the file set is left out, the map still loads.
  MakeLayerFile(dam, std::string(40, 'B'), "Boreholes", 1);
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_EQ(MapNames(), (std::vector<std::string>{"Dam", "User's map"}));
  EXPECT_EQ(AlertsContaining("AddLayerFile()"), 2u);
  EXPECT_EQ(MapAt(MapNameToIndex("Dam")).overlayFileCount, 1);
  EXPECT_EQ(LayerNameToIndex("Boreholes"), -1);
}

TEST_F(LayersTest, CreatingAndRenamingOverlayFiles) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  test::MakeFolders(map);
  test::WriteWholeFile(map / "Fire_Stations.OBJ", "orphan");  // left behind by another set
  ASSERT_EQ(LoadAll(), 0);
  const int32_t index = MapNameToIndex("Harbour");
  ASSERT_EQ(Add("Fire.Stations"), 0);
  int32_t position = -1;
  ASSERT_EQ(CreateLayerFile(index, "Fire.Stations", position), 0);
  OverlayFileRecord file;
  ASSERT_TRUE(GetOverlayFileRecord(index, position, file));
  EXPECT_EQ(FieldText(file.baseName), "Fire_Stations 2");
  EXPECT_EQ(test::ReadWholeFile(map / "Fire_Stations 2.LYR"),
            test::LayerHeaderBytes("Fire.Stations", 0, kUnionStartRect));
  EXPECT_EQ(test::ReadWholeFile(map / "Fire_Stations.OBJ"), "orphan");
  test::WriteWholeFile(map / "Fire_Stations 2.SM2", "index");
  test::WriteWholeFile(map / "Fire_Stations 2.NNX", "names");

  const int32_t layerID = LayerAt(LayerNameToIndex("Fire.Stations")).layerID;
  ASSERT_EQ(RenameLayerFiles(layerID, "Stations"), 0);
  for (const char* extension : {".LYR", ".SUM", ".OBJ", ".SM2"}) {
    EXPECT_TRUE(test::PathExists(map / (std::string("Stations") + extension))) << extension;
    EXPECT_FALSE(test::PathExists(map / (std::string("Fire_Stations 2") + extension))) << extension;
  }
  EXPECT_TRUE(test::PathExists(map / "Fire_Stations 2.NNX"));
  EXPECT_EQ(test::ReadWholeFile(map / "Stations.LYR"),
            test::LayerHeaderBytes("Stations", 0, kUnionStartRect));
  ASSERT_TRUE(GetOverlayFileRecord(index, position, file));
  EXPECT_EQ(FieldText(file.baseName), "Stations");

  // The header follows the record's bounds and count.
  file.objectCount = 3;
  file.bounds = {1, 2, 3, 4};
  ASSERT_EQ(WriteLayerFileImage(file), 0);
  EXPECT_EQ(test::ReadWholeFile(map / "Stations.LYR"),
            test::LayerHeaderBytes("Stations", 3, {1, 2, 3, 4}));
  OverlayFileRecord reread = file;
  reread.objectCount = 0;
  ASSERT_EQ(ReadLayerFileImage(reread), 0);
  EXPECT_EQ(reread.objectCount, 3);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(LayersTest, DeleteLayerWithFilesRemovesTheWholeSet) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  MakeLayerFile(map, "ROADS", "Roads", 2);
  test::WriteWholeFile(map / "ROADS.SM2", "");
  ASSERT_EQ(LoadAll(), 0);
  const int32_t layer = LayerNameToIndex("Roads");
  ASSERT_EQ(DeleteLayer(LayerList(), layer, -1, true), 0);
  EXPECT_EQ(LayerNameToIndex("Roads"), -1);
  for (const char* extension : {".LYR", ".SUM", ".OBJ", ".SM2"}) {
    EXPECT_FALSE(test::PathExists(map / (std::string("ROADS") + extension))) << extension;
  }
  EXPECT_EQ(MapAt(MapNameToIndex("Harbour")).overlayFileCount, 0);
}

TEST_F(LayersTest, DeleteGroupAndEmptyOverlaySweep) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  MakeLayerFile(map, "ROADS", "Roads", 2);
  MakeLayerFile(map, "RAIL", "Rail", 0);
  WriteSettingsLayers({"Temporary Overlay", "Roads", "Rail", "ZEPHA plumes", "Ferries", "Piers"});
  test::WriteWholeFile(root / "Settings" / "GROUPS.PLT",
                       test::GroupBytes("Transport", "Roads", "Ferries") +
                           test::GroupBytes("Harbour", "Piers", "Piers") +
                           test::GroupBytes("Spare", "", ""));
  ASSERT_EQ(LoadAll(), 0);
  int32_t deleted = 0;
  ASSERT_EQ(DeleteEmptyLayersAndGroups(deleted), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay", "Roads", "ZEPHA plumes"}));
  EXPECT_EQ(GroupSummary(), (std::vector<std::string>{"Transport:Roads-ZEPHA plumes"}));
  // The empty overlay's files go with it, or the overlay would come back at the next start.
  for (const char* extension : {".LYR", ".SUM", ".OBJ"}) {
    EXPECT_FALSE(test::PathExists(map / (std::string("RAIL") + extension))) << extension;
  }
  EXPECT_TRUE(test::PathExists(map / "ROADS.OBJ"));
  EXPECT_EQ(deleted, 5);

  ASSERT_EQ(DeleteGroup(0), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay"}));
  EXPECT_EQ(GroupCount(), 0);
  EXPECT_TRUE(test::PathExists(map / "ROADS.OBJ"));
}

TEST_F(LayersTest, LayerIndexLeavesOutCollapsedMembers) {
  WriteSettingsLayers({"Temporary Overlay", "Roads", "Rail", "Wells"});
  test::WriteWholeFile(
      root / "Settings" / "GROUPS.PLT",
      test::GroupBytes("Transport", "Roads", "Rail", 1) + test::GroupBytes("Spare", "", ""));
  ASSERT_EQ(LoadLayers(), 0);
  Handle rows = nullptr;
  ASSERT_EQ(CreateLayerIndex(rows), 0);
  ScopedHandle owned(rows);
  std::vector<std::string> shown;
  HandleArray<LayerIndexRow> list(rows);
  for (int32_t i = 0; i < list.Count(); ++i) {
    const LayerIndexRow row = list.Get(i);
    GroupRecord group;
    GetGroupRecord(row.group, group);
    shown.push_back(row.layer < 0 ? "[" + FieldText(group.name) + "]" : LayerName(row.layer));
  }
  EXPECT_EQ(shown,
            (std::vector<std::string>{"Temporary Overlay", "[Transport]", "Wells", "[Spare]"}));
}

TEST_F(LayersTest, SortedCopiesOrderByStateThenName) {
  WriteSettingsLayers({"Temporary Overlay", "bravo", "Alpha", "Charlie"});
  ASSERT_EQ(LoadLayers(), 0);
  LayerRecord charlie = LayerAt(3);
  charlie.lockState = 0;
  charlie.displayMode = kDisplayHide;
  SetLayerRecord(3, charlie);
  auto names = [](Handle h) {
    std::vector<std::string> out;
    HandleArray<LayerRecord> list(h);
    for (int32_t i = 0; i < list.Count(); ++i) out.push_back(FieldText(list.Get(i).name));
    MyDisposeHandle(h);
    return out;
  };
  Handle sorted = nullptr;
  ASSERT_EQ(SortLayersByName(sorted), 0);
  EXPECT_EQ(names(sorted),
            (std::vector<std::string>{"Alpha", "bravo", "Charlie", "Temporary Overlay"}));
  int32_t count = 0;
  ASSERT_EQ(SortLayersByShownPlusName(sorted, count), 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(names(sorted).back(), "Charlie");
  ASSERT_EQ(SortLayersByUnlockedPlusName(0, sorted, count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(names(sorted).front(), "Charlie");
  ASSERT_EQ(SortLayersByUnlockedPlusName(charlie.layerID, sorted, count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(AddAlternateFont("Arial"), 0);
  EXPECT_EQ(AddAlternateFont("Verdana"), 1);
  EXPECT_EQ(AlternateFontName(1), "Verdana");
}

TEST_F(LayersTest, MapLayersFileAddsOverlaysTheCatalogueLacks) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  WriteLayers({"Roads", "Buoys"}, map);
  test::RenamePath(map / "LAYERS2.PLT", map / "Layers2.plt");
  WriteSettingsLayers({"Temporary Overlay", "Roads"});
  ASSERT_EQ(LoadAll(), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay", "Roads", "Buoys"}));
  EXPECT_EQ(LayerAt(2).lockState, 1);
}

TEST_F(LayersTest, ImmigratingOverlaysJoinTheirGroups) {
  const fs::path map = MakeMap("Harbour", "Harbour");
  MakeLayerFile(map, "ROADS", "Roads", 4);
  WriteSettingsLayers({"Temporary Overlay", "Roads", "Rail", "Wells"});
  test::WriteWholeFile(
      root / "Settings" / "GROUPS.PLT",
      test::GroupBytes("Transport", "Roads", "Rail") + test::GroupBytes("Water", "", ""));
  ASSERT_EQ(LoadAll(), 0);
  const int32_t railID = LayerAt(LayerNameToIndex("Rail")).layerID;

  // Incoming: Rail moves to Water (it is empty here, so it follows), Roads stays (it has
  // objects), Trams joins Transport, Tanks joins Water, Docks brings a new group, Misc none.
  const fs::path incoming = root / "Index";
  test::MakeFolders(incoming);
  WriteLayers({"Roads", "Trams", "Rail", "Tanks", "Docks", "Misc"}, incoming);
  test::RenamePath(incoming / "LAYERS2.PLT", incoming / "SET.LNX");
  test::WriteWholeFile(incoming / "SET.GNX", test::GroupBytes("Transport", "Roads", "Trams") +
                                                 test::GroupBytes("Water", "Rail", "Tanks") +
                                                 test::GroupBytes("Port", "Docks", "Docks"));
  ASSERT_EQ(AppendLayersAndGroupsFromIndexFiles((incoming / "SET.LNX").string()), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay", "Roads", "Trams", "Wells",
                                                    "Rail", "Tanks", "Docks", "Misc"}));
  EXPECT_EQ(GroupSummary(), (std::vector<std::string>{"Transport:Roads-Trams", "Water:Rail-Tanks",
                                                      "Port:Docks-Docks"}));
  // The regrouped overlay kept its ID, so its files on the maps stay its own.
  EXPECT_EQ(LayerAt(LayerNameToIndex("Rail")).layerID, railID);
  for (int32_t i = 0; i < LayerCount(); ++i) EXPECT_EQ(LayerIDToIndex(LayerAt(i).layerID), i);
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

// Twenty-two records of the older 84-byte layout fill 1,848 bytes, which 88 divides too.
TEST_F(LayersTest, AListBothLayoutsFitIsReadInTheLayoutItsRecordsMakeSenseIn) {
  std::string old;
  std::vector<std::string> names;
  for (int i = 1; i <= 22; ++i) {
    test::Layers2Fields fields;
    fields.name = "Overlay " + std::to_string(i);
    fields.displayMode = static_cast<int16_t>(i % 4);
    names.push_back(fields.name);
    old += test::Layers2Bytes(fields, true);
  }
  ASSERT_EQ(old.size(), 1848u);
  test::WriteWholeFile(root / "Settings" / "LAYERS2.PLT", old);
  ASSERT_EQ(LoadLayers(), 0);
  names.push_back("Temporary Overlay");
  EXPECT_EQ(LayerNames(), names);
  EXPECT_EQ(LayerAt(2).displayMode, 3);
  EXPECT_EQ(LayerAt(21).scales[1], 262144000);
  EXPECT_TRUE(platform().alerts.empty());

  // Twenty-one current records are the same size and stay current records.
  std::string current;
  names.clear();
  for (int i = 1; i <= 21; ++i) {
    test::Layers2Fields fields;
    fields.name = "Layer " + std::to_string(i);
    fields.thematic[0] = 1;
    names.push_back(fields.name);
    current += test::Layers2Bytes(fields);
  }
  ASSERT_EQ(current.size(), 1848u);
  test::WriteWholeFile(root / "Settings" / "LAYERS2.PLT", current);
  ASSERT_EQ(LoadLayers(), 0);
  names.push_back("Temporary Overlay");
  EXPECT_EQ(LayerNames(), names);
  EXPECT_EQ(LayerAt(20).thematic[0], 1);
}

TEST_F(LayersTest, ARejectedListIsKeptBesideTheOneSavedOverIt) {
  WriteSettingsLayers({"Roads", "Rail"});
  const std::string torn = test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT") + "x";
  test::WriteWholeFile(root / "Settings" / "LAYERS2.PLT", torn);
  const std::string tornGroups = test::GroupBytes("Transport", "Roads", "Rail") + "yy";
  test::WriteWholeFile(root / "Settings" / "GROUPS.PLT", tornGroups);
  ASSERT_EQ(LoadLayers(), 0);
  EXPECT_EQ(LayerNames(), (std::vector<std::string>{"Temporary Overlay"}));
  ASSERT_EQ(AddGroup("Spare"), 0);  // groups are now in use and are saved
  ASSERT_EQ(SaveLayers(), 0);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT.bad"), torn);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "GROUPS.PLT.bad"), tornGroups);
  EXPECT_EQ(test::FileSize(root / "Settings" / "LAYERS2.PLT"), 88);
  EXPECT_EQ(test::FileSize(root / "Settings" / "GROUPS.PLT"), 100);

  // Saved again in the same run, and after a good load, nothing more is moved.
  ASSERT_EQ(SaveLayers(), 0);
  EXPECT_FALSE(test::PathExists(root / "Settings" / "LAYERS2.PLT.bad2"));
  ASSERT_EQ(LoadLayers(), 0);
  ASSERT_EQ(SaveLayers(), 0);
  EXPECT_FALSE(test::PathExists(root / "Settings" / "LAYERS2.PLT.bad2"));

  // A second rejection does not replace the first one kept.
  test::WriteWholeFile(root / "Settings" / "LAYERS2.PLT", "short");
  ASSERT_EQ(LoadLayers(), 0);
  ASSERT_EQ(SaveLayers(), 0);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT.bad"), torn);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "LAYERS2.PLT.bad2"), "short");
}

TEST_F(LayersTest, ARenameThatCannotBeDoneOnEveryMapIsDoneOnNone) {
  const fs::path alpha = MakeMap("Alpha", "Alpha");
  const fs::path bravo = MakeMap("Bravo", "Bravo");
  MakeLayerFile(alpha, "ROADS", "Roads", 1);
  MakeLayerFile(bravo, "ROADS", "Roads", 1);
  ASSERT_EQ(LoadAll(), 0);
  const int32_t roads = LayerAt(LayerNameToIndex("Roads")).layerID;
  // Bravo's object file went missing behind the program's back.
  test::RemoveFile(bravo / "ROADS.OBJ");
  EXPECT_NE(RenameLayerFiles(roads, "Streets"), 0);
  EXPECT_EQ(AlertsContaining("RenameLayerFiles()"), 1u);
  for (const fs::path& map : {alpha, bravo}) {
    EXPECT_FALSE(test::PathExists(map / "Streets.LYR")) << map;
    EXPECT_EQ(test::ReadWholeFile(map / "ROADS.LYR"), test::LayerHeaderBytes("Roads", 1)) << map;
  }
  EXPECT_TRUE(test::PathExists(alpha / "ROADS.SUM"));
  EXPECT_TRUE(test::PathExists(alpha / "ROADS.OBJ"));
  for (const char* name : {"Alpha", "Bravo"}) {
    const int32_t m = MapNameToIndex(name);
    OverlayFileRecord file;
    ASSERT_TRUE(GetOverlayFileRecord(m, OverlayFileIndexForID(m, roads), file));
    EXPECT_EQ(FieldText(file.baseName), "ROADS") << name;
  }

  // With every file there, every map takes the new name.
  test::WriteWholeFile(bravo / "ROADS.OBJ", "");
  ASSERT_EQ(RenameLayerFiles(roads, "Streets"), 0);
  for (const fs::path& map : {alpha, bravo}) {
    EXPECT_EQ(test::ReadWholeFile(map / "Streets.LYR"), test::LayerHeaderBytes("Streets", 1));
    EXPECT_TRUE(test::PathExists(map / "Streets.SUM"));
    EXPECT_FALSE(test::PathExists(map / "ROADS.OBJ"));
  }
}

// Every rename of the set failing in turn, on the first map or the second: the files of both
// maps keep one name, the one the overlay-file records carry.
TEST_F(LayersTest, ARenameFailingAtAnyFileLeavesEveryMapWithOneName) {
  using Op = MemoryFileSystem::Operation;
  MemoryFileSystem& files = *test::MemoryFiles();
  const fs::path alpha = MakeMap("Alpha", "Alpha");
  const fs::path bravo = MakeMap("Bravo", "Bravo");
  MakeLayerFile(alpha, "ROADS", "Roads", 1);
  MakeLayerFile(bravo, "ROADS", "Roads", 1);
  files.SyncEverything();
  const MemoryFileSystem::Snapshot start = files.Save();
  bool completed = false;
  int64_t failures = 0;
  for (int64_t k = 1; !completed && k < 30; ++k) {
    failures = k - 1;
    files.Restore(start);
    ResetLayersForTesting();
    ASSERT_EQ(LoadAll(), 0);
    const int32_t roads = LayerAt(LayerNameToIndex("Roads")).layerID;
    files.FailNth(Op::kRename, k);
    const int32_t err = RenameLayerFiles(roads, "Streets");
    files.FailNth(Op::kRename, 0);
    completed = err == 0;
    const std::string base = completed ? "Streets" : "ROADS";
    const std::string other = completed ? "ROADS" : "Streets";
    for (const fs::path& map : {alpha, bravo}) {
      for (const char* extension : {".LYR", ".OBJ", ".SUM"}) {
        EXPECT_TRUE(test::PathExists(map / (base + extension))) << k << " " << map << extension;
        EXPECT_FALSE(test::PathExists(map / (other + extension))) << k << " " << map << extension;
      }
    }
    for (const char* name : {"Alpha", "Bravo"}) {
      const int32_t m = MapNameToIndex(name);
      OverlayFileRecord file;
      ASSERT_TRUE(GetOverlayFileRecord(m, OverlayFileIndexForID(m, roads), file));
      EXPECT_EQ(FieldText(file.baseName), base) << k << " " << name;
    }
  }
  EXPECT_TRUE(completed);
  EXPECT_GE(failures, 6);  // at least one rename per file of both maps was made to fail
}

TEST_F(LayersTest, LockedMapsThatKeepAnOverlayAreNamed) {
  const fs::path harbour = MakeMap("Harbour", "Harbour");
  const fs::path archive = MakeMap("Archive", "Old Survey");
  MakeLayerFile(harbour, "ROADS", "Roads", 1);
  MakeLayerFile(archive, "ROADS", "Roads", 1);
  // No write permission at all: even the superuser's copy leaves the map alone.
  test::SetReadOnly(archive, true);
  ASSERT_EQ(LoadAll(), 0);
  ASSERT_TRUE(MapAt(MapNameToIndex("Old Survey")).locked);
  const int32_t roads = LayerAt(LayerNameToIndex("Roads")).layerID;

  ASSERT_EQ(RenameLayerFiles(roads, "Streets"), 0);
  EXPECT_TRUE(test::PathExists(harbour / "Streets.LYR"));
  EXPECT_EQ(test::ReadWholeFile(archive / "ROADS.LYR"), test::LayerHeaderBytes("Roads", 1));
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].kind, kCautionAlert);
  EXPECT_EQ(platform().alerts[0].text,
            "The overlay now named \"Streets\" keeps its old name on these maps, because they "
            "cannot be changed:\n\nOld Survey\n\nIts objects there will be in an overlay of the "
            "old name when TOLVANE starts again.");

  ASSERT_EQ(DeleteLayer(LayerList(), LayerIDToIndex(roads), -1, true), 0);
  EXPECT_FALSE(test::PathExists(harbour / "Streets.LYR"));
  EXPECT_TRUE(test::PathExists(archive / "ROADS.LYR"));
  ASSERT_EQ(platform().alerts.size(), 2u);
  EXPECT_EQ(platform().alerts[1].text,
            "The overlay \"Roads\" was deleted, but its files stay on these maps, because they "
            "cannot be changed:\n\nOld Survey\n\nThe overlay will come back when TOLVANE starts "
            "again.");
  test::SetReadOnly(archive, false);
}

}  // namespace
}  // namespace tlv
