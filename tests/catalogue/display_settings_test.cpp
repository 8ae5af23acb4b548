#include "catalogue/display_settings.h"

#include <gtest/gtest.h>

#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

constexpr const char* kNoUnlocked =
    "There must be at least one unlocked overlay to add an object or perform other edits.";
constexpr const char* kRangeCaution =
    "will take effect only when the overlay is put into \"range\"";
constexpr const char* kNamesCaution = "names for this overlay appear";
constexpr const char* kDotsCaution = "appear as dots";
constexpr const char* kOverrideNote =
    "Your graphical changes will not show on the map while the given overlay is in \"graphics "
    "override\" mode.";

int32_t viewScale = 1000000;
int redraws = 0;
int menuRefreshes = 0;

class DisplaySettingsTest : public CatalogueTest {
 protected:
  DisplaySettingsTest() : CatalogueTest(FilesKind::kMemory) {}

  void SetUp() override {
    CatalogueTest::SetUp();
    ResetDisplaySettingsForTesting();
    viewScale = 1000000;
    redraws = 0;
    menuRefreshes = 0;
    CatalogueHooks hooks;
    hooks.redraw = [] { ++redraws; };
    hooks.currentScale = [] { return viewScale; };
    SetCatalogueHooks(hooks);
    SetShowLayerMenuHook([] { ++menuRefreshes; });
    // Roads, Rivers and the Temporary Overlay that loading adds at the end.
    Layers2Fields roads;
    roads.name = "Roads";
    Layers2Fields rivers;
    rivers.name = "Rivers";
    WriteWholeFile(root / "Settings" / "LAYERS2.PLT", Layers2Bytes(roads) + Layers2Bytes(rivers));
    ASSERT_EQ(LoadLayers(), 0);
    ASSERT_EQ(LayerCount(), 3);
  }
  void TearDown() override {
    ResetDisplaySettingsForTesting();
    CatalogueTest::TearDown();
  }

  void Modify(int32_t index, void (*change)(LayerRecord&)) {
    LayerRecord layer = LayerAt(index);
    change(layer);
    ASSERT_TRUE(SetLayerRecord(index, layer));
  }
  static LayerRecord WithMode(uint8_t mode) {
    LayerRecord layer = NewLayerRecord("X", false, false);
    layer.displayMode = mode;
    return layer;
  }
};

TEST_F(DisplaySettingsTest, RangeModeLeavesOutBothBounds) {
  LayerRecord layer = WithMode(kDisplayRange);
  layer.scales[0] = 500;
  layer.scales[1] = 64000;
  EXPECT_FALSE(LayerShownAtScale(layer, 64000));
  EXPECT_TRUE(LayerShownAtScale(layer, 63999));
  EXPECT_FALSE(LayerShownAtScale(layer, 500));
  EXPECT_TRUE(LayerShownAtScale(layer, 501));
  EXPECT_FALSE(LayerShownAtScale(WithMode(kDisplayHide), 1000));
  EXPECT_TRUE(LayerShownAtScale(WithMode(kDisplayShow), 262144000));
  EXPECT_TRUE(LayerShownAtScale(WithMode(kDisplayShowNames), 500));
}

TEST_F(DisplaySettingsTest, NamesFollowTheNamesScaleExceptInModeThree) {
  LayerRecord show = WithMode(kDisplayShow);  // names scale 64,000
  EXPECT_TRUE(LayerNamesShownAtScale(show, 64000));
  EXPECT_FALSE(LayerNamesShownAtScale(show, 64001));
  EXPECT_TRUE(LayerNamesShownAtScale(WithMode(kDisplayShowNames), 10000000));
  EXPECT_FALSE(LayerNamesShownAtScale(WithMode(kDisplayHide), 1000));
  // A range-mode overlay outside its range shows no names either.
  LayerRecord range = WithMode(kDisplayRange);
  range.scales[0] = 20000;
  EXPECT_FALSE(LayerNamesShownAtScale(range, 10000));
  EXPECT_TRUE(LayerNamesShownAtScale(range, 30000));
}

TEST_F(DisplaySettingsTest, SymbolsBecomeDotsExactlyAtTheDotsScale) {
  const LayerRecord layer = WithMode(kDisplayShow);  // dots scale 512,000
  EXPECT_TRUE(LayerDotsAtScale(layer, 512000));
  EXPECT_FALSE(LayerDotsAtScale(layer, 511999));
  EXPECT_FALSE(LayerDotsAtScale(WithMode(kDisplayHide), 600000));
  // The list-position forms read the same record.
  EXPECT_TRUE(AreSymbolsDots(0, 512000));
  EXPECT_FALSE(AreSymbolsDots(0, 511999));
  EXPECT_FALSE(AreNamesShown(99, 1000));
}

TEST_F(DisplaySettingsTest, ShowLayerSwitchesAHiddenOverlayToShowAndRedrawsOnce) {
  viewScale = 100000;
  Modify(0, [](LayerRecord& l) {
    l.displayMode = kDisplayRange;
    l.scales[0] = 500;
    l.scales[1] = 100000;
  });
  EXPECT_FALSE(IsLayerShown(0));
  ShowLayer(0);
  EXPECT_EQ(LayerAt(0).displayMode, kDisplayShow);
  EXPECT_TRUE(IsLayerShown(0));
  EXPECT_EQ(redraws, 1);
  EXPECT_EQ(menuRefreshes, 1);
  // Already shown: nothing changes and nothing is drawn.
  Modify(1, [](LayerRecord& l) { l.displayMode = kDisplayShowNames; });
  ShowLayer(1);
  EXPECT_EQ(LayerAt(1).displayMode, kDisplayShowNames);
  EXPECT_EQ(redraws, 1);
}

TEST_F(DisplaySettingsTest, OnlyLockStateZeroCountsAsUnlocked) {
  // Loading locks every overlay.
  EXPECT_FALSE(AnyLayerUnlocked());
  Modify(0, [](LayerRecord& l) { l.lockState = 2; });  // owned and unlocked
  EXPECT_FALSE(AnyLayerUnlocked());
  EXPECT_FALSE(CheckUnlockedLayerForAdd());
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, kNoUnlocked);

  ASSERT_EQ(SetLayerLocked(1, false), 0);
  EXPECT_TRUE(SomeLayerUnlocked());
  EXPECT_TRUE(CheckUnlockedLayerForAdd());
  EXPECT_EQ(platform().alerts.size(), 1u);
  // Locking keeps the owned bit.
  ASSERT_EQ(SetLayerLocked(0, true), 0);
  EXPECT_EQ(LayerAt(0).lockState, 3);
  ASSERT_EQ(SetLayerLocked(1, true), 0);
  EXPECT_FALSE(SomeLayerUnlocked());
  EXPECT_EQ(SetLayerLocked(7, false), -1);
}

TEST_F(DisplaySettingsTest, GraphicsOverrideNoteOnlyInOverride) {
  EXPECT_FALSE(NoteGraphicsOverride(0));
  Modify(0, [](LayerRecord& l) { l.graphicsOverride = 1; });
  EXPECT_TRUE(NoteGraphicsOverride(0));
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, kOverrideNote);
  EXPECT_EQ(platform().alerts[0].kind, kNoteAlert);
}

TEST_F(DisplaySettingsTest, ScaleRangeCautionsDependOnTheMode) {
  const int32_t before[4] = {500, 262144000, 64000, 512000};
  const int32_t newDots[4] = {500, 262144000, 64000, 1024000};
  // Hidden: the dots scale cannot show.
  Modify(0, [](LayerRecord& l) { l.displayMode = kDisplayHide; });
  ASSERT_EQ(ConfirmScaleRanges(0, before, newDots), 0);
  ASSERT_EQ(AlertsContaining(kDotsCaution), 1u);
  EXPECT_EQ(platform().alerts.back().kind, kCautionAlert);
  EXPECT_EQ(LayerAt(0).scales[3], 1024000);
  // Range mode: no message for the dots, the range or the names.
  platform().Reset();
  Modify(0, [](LayerRecord& l) { l.displayMode = kDisplayRange; });
  const int32_t allNew[4] = {1000, 1000000, 32000, 2048000};
  ASSERT_EQ(ConfirmScaleRanges(0, newDots, allNew), 0);
  EXPECT_TRUE(platform().alerts.empty());
  // Show with names: the range and the names scale both wait for another mode.
  Modify(1, [](LayerRecord& l) { l.displayMode = kDisplayShowNames; });
  ASSERT_EQ(ConfirmScaleRanges(1, before, allNew), 0);
  EXPECT_EQ(AlertsContaining(kRangeCaution), 1u);
  EXPECT_EQ(AlertsContaining(kNamesCaution), 1u);
  EXPECT_EQ(AlertsContaining(kDotsCaution), 0u);
  EXPECT_EQ(LayerAt(1).scales[0], 1000);
  EXPECT_EQ(LayerAt(1).scales[2], 32000);
  // A scale of 0 is refused and nothing is stored.
  const int32_t zero[4] = {0, 1000000, 32000, 2048000};
  EXPECT_EQ(ConfirmScaleRanges(1, allNew, zero), -1);
  EXPECT_EQ(LayerAt(1).scales[0], 1000);
}

class DefaultsFileTest : public DisplaySettingsTest {
 protected:
  static Layers2Fields Record(const std::string& name) {
    Layers2Fields f;
    f.name = name;
    f.displayMode = 3;
    f.scales[0] = 1000;
    f.scales[1] = 2000000;
    f.scales[2] = 30000;
    f.scales[3] = 400000;
    f.flags = 1;
    f.lockState = 0;
    f.deleteAtQuit = 1;
    for (int16_t k = 0; k < 8; ++k) f.graphics[k] = static_cast<int16_t>(10 + k);
    f.graphicsOverride = 1;
    f.thematic[0] = 4;
    f.thematic[1] = 5;
    f.thematic[2] = 6;
    return f;
  }
  int32_t Apply(const fs::path& folder) {
    return ApplyDefaultsFile(0, Register(folder), kDefaultsFileName);
  }
};

TEST_F(DefaultsFileTest, CopiesDisplaySettingsButNotLocksFlagsOrDeleteAtQuit) {
  const LayerRecord old = LayerAt(0);
  WriteWholeFile(root / "Settings" / "DEFAULTS.PLT", Layers2Bytes(Record("roads")));
  ASSERT_EQ(Apply(root / "Settings"), 0);
  const LayerRecord roads = LayerAt(0);
  EXPECT_EQ(roads.displayMode, 3);
  EXPECT_EQ(roads.scales[0], 1000);
  EXPECT_EQ(roads.scales[1], 2000000);
  EXPECT_EQ(roads.scales[2], 30000);
  EXPECT_EQ(roads.scales[3], 400000);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(roads.graphics[k], 10 + k) << k;
  EXPECT_EQ(roads.graphicsOverride, 1);
  EXPECT_EQ(roads.thematic[2], 6);
  EXPECT_EQ(roads.flags, old.flags);
  EXPECT_EQ(roads.lockState, old.lockState);
  EXPECT_EQ(roads.deleteAtQuit, old.deleteAtQuit);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(DefaultsFileTest, ABadRecordStopsTheFileAndEarlierRecordsStay) {
  Layers2Fields bad = Record("Rivers");
  bad.scales[1] = 0;
  WriteWholeFile(
      root / "Program" / "DEFAULTS.PLT",
      Layers2Bytes(Record("Roads")) + Layers2Bytes(bad) + Layers2Bytes(Record("Rivers")));
  EXPECT_EQ(Apply(root / "Program"), -1);
  EXPECT_EQ(LayerAt(0).displayMode, 3);
  EXPECT_EQ(LayerAt(1).displayMode, 2);
  EXPECT_EQ(LayerAt(1).scales[1], 262144000);
  ASSERT_EQ(platform().alerts.size(), 1u);
  const std::string path = (root / "Program" / "DEFAULTS.PLT").string();
  EXPECT_EQ(platform().alerts[0].text, "The file \"" + path + "\" is not of the right format.");
}

TEST_F(DefaultsFileTest, ANameWithoutItsNulIsABadRecord) {
  std::string bytes = Layers2Bytes(Record("Roads"));
  for (int i = 0; i < 32; ++i) bytes[static_cast<size_t>(i)] = 'R';
  WriteWholeFile(root / "Settings" / "DEFAULTS.PLT", bytes);
  EXPECT_EQ(Apply(root / "Settings"), -1);
  EXPECT_EQ(platform().alerts.size(), 1u);
}

TEST_F(DefaultsFileTest, TheTemporaryOverlayIsNeverChanged) {
  const int32_t temporary = LayerNameToIndex("Temporary Overlay");
  const LayerRecord before = LayerAt(temporary);
  WriteWholeFile(root / "Settings" / "DEFAULTS.PLT",
                 Layers2Bytes(Record("Temporary Overlay")) + Layers2Bytes(Record("Nowhere")));
  ASSERT_EQ(Apply(root / "Settings"), 0);
  const LayerRecord after = LayerAt(temporary);
  EXPECT_EQ(after.displayMode, before.displayMode);
  EXPECT_EQ(after.graphics[0], before.graphics[0]);
  EXPECT_EQ(after.scales[3], before.scales[3]);
}

TEST_F(DefaultsFileTest, MissingAndBadlySizedFiles) {
  EXPECT_EQ(Apply(root / "Settings"), -2);
  WriteWholeFile(root / "Settings" / "DEFAULTS.PLT", Layers2Bytes(Record("Roads")) + "x");
  EXPECT_EQ(Apply(root / "Settings"), -1);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(LayerAt(0).displayMode, 2);
  EXPECT_FALSE(HasLayerDefaults());
}

TEST_F(DefaultsFileTest, IndexFileListOverwritesTheSameFileOrAnEmptyEntry) {
  const int32_t settings = CatalogueFolderIDs().settings;
  const int32_t program = CatalogueFolderIDs().program;
  WriteWholeFile(root / "Settings" / "a.lnx", "");
  WriteWholeFile(root / "Settings" / "b.lnx", "");
  ASSERT_EQ(AddLnxFile(0, settings, "a.lnx", "first"), 0);
  ASSERT_EQ(AddLnxFile(0, settings, "a.lnx", "again"), 0);
  ASSERT_EQ(AddLnxFile(0, program, "a.lnx", "elsewhere"), 0);
  ASSERT_EQ(AddLnxFile(0, settings, "b.lnx", "second"), 0);
  ASSERT_EQ(LnxFileCount(), 3);
  LnxFile entry;
  ASSERT_TRUE(GetLnxFile(0, entry));
  EXPECT_EQ(entry.description, "again");
  EXPECT_EQ(entry.dirID, settings);
  // The program folder has no a.lnx: it leaves the list before use and the rest move up.
  RemoveMissingLnxFiles();
  ASSERT_EQ(LnxFileCount(), 2);
  ASSERT_TRUE(GetLnxFile(1, entry));
  EXPECT_EQ(entry.fileName, "b.lnx");
  EXPECT_TRUE(HasLayerDefaults());
  // An empty entry is taken by the next file registered.
  ASSERT_EQ(AddLnxFile(0, settings, "", ""), 0);
  ASSERT_EQ(LnxFileCount(), 3);
  ASSERT_EQ(AddLnxFile(0, program, "c.lnx", "third"), 0);
  ASSERT_EQ(LnxFileCount(), 3);
  ASSERT_TRUE(GetLnxFile(2, entry));
  EXPECT_EQ(entry.fileName, "c.lnx");
}

TEST_F(DefaultsFileTest, LaterSourcesOverrideEarlierOnes) {
  Layers2Fields fromIndex = Record("Roads");
  fromIndex.scales[3] = 111111;
  Layers2Fields indexRivers = Record("Rivers");
  indexRivers.scales[3] = 222222;
  Layers2Fields fromProgram = Record("Roads");
  fromProgram.scales[3] = 333333;
  Layers2Fields fromSettings = Record("Roads");
  fromSettings.scales[3] = 444444;
  WriteWholeFile(root / "Settings" / "index.lnx",
                 Layers2Bytes(fromIndex) + Layers2Bytes(indexRivers));
  WriteWholeFile(root / "Program" / "DEFAULTS.PLT", Layers2Bytes(fromProgram));
  ASSERT_EQ(AddLnxFile(0, CatalogueFolderIDs().settings, "index.lnx", "index"), 0);
  ASSERT_TRUE(HasLayerDefaults());
  ASSERT_EQ(ApplyLayerDefaults(), 0);
  EXPECT_EQ(LayerAt(0).scales[3], 333333);
  EXPECT_EQ(LayerAt(1).scales[3], 222222);
  WriteWholeFile(root / "Settings" / "DEFAULTS.PLT", Layers2Bytes(fromSettings));
  ASSERT_EQ(ApplyLayerDefaults(), 0);
  EXPECT_EQ(LayerAt(0).scales[3], 444444);
}

}  // namespace
}  // namespace tlv::test
