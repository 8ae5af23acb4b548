// Overlays, maps and the legend managed by sibling programs, delivered through the dispatcher
// and answered through the recording message library, on two maps with two overlays.
#include "iac/overlay_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/groups.h"
#include "catalogue/layers.h"
#include "catalogue/legend.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "edit/modify.h"
#include "iac/iac.h"
#include "iac/object_messages.h"
#include "iac/recording_transport.h"
#include "iac/thematic_lists.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using Pairs = std::vector<std::pair<std::string, std::string>>;

class OverlayMessagesTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    test::ObjectsTest::SetUp();
    IacPlaces places;
    places.programFolder = (root / "Program").string() + "/";
    test::WriteWholeFile(places.programFolder + "libWEXO_32.so", "library");
    SetIacPlaces(places);
    ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
    library().running.insert("PEER");
    ObjectMessageHooks objectHooks;
    objectHooks.redraw = [this] { ++redraws; };
    objectHooks.userFolder = [this] { return (root / "OverlayMaps" / "UserMap").string(); };
    SetObjectMessageHooks(objectHooks);
    OverlayMessageHooks hooks;
    hooks.overlayListChanged = [this] { ++listChanges; };
    hooks.legendShown = [this] { return legendShown; };
    hooks.setLegendShown = [this](bool shown) { legendShown = shown; };
    hooks.timeMapMessages = [this] { return timing; };
    SetOverlayMessageHooks(hooks);
  }

  RecordingTransport& library() { return DefaultRecordingTransport(); }

  int32_t Send(const std::string& code, const Pairs& pairs = {}, const std::string& psig = "PEER") {
    std::string envelope = "MSSG\x0B" + code + "\x0BSIGN\x0BPEER\x0BPSIG\x0B" + psig;
    for (const auto& [keyword, value] : pairs) envelope += "\x0B" + keyword + "\x0B" + value;
    return DispatchIACMessage(envelope.c_str());
  }
  std::string Answered(const char* keyword) {
    if (library().sent.empty()) return "<no answer>";
    const std::string& envelope = library().sent.back().envelope;
    Ptr block = nullptr;
    if (myAEGetParamInNewPtr(envelope.c_str(), keyword, block, false) != 0) return "<absent>";
    std::string value = block;
    MyDisposePtr(block);
    return value;
  }
  LayerRecord Layer(const std::string& name) { return LayerAt(LayerNameToIndex(name)); }
  MapRecord Map(const std::string& name) { return MapAt(MapNameToIndex(name)); }
  std::vector<int16_t> Policies(const std::string& name) {
    const MapRecord map = Map(name);
    return {map.policies, map.policies + 5};
  }
  std::string Point(int32_t mapID, int32_t overlayID) {
    ObjectID id;
    MakeObject(mapID, overlayID, kPointObject, "pt", nullptr, {100, 100, 100, 100}, nullptr, &id);
    return ObjectIDText(id);
  }
  // A map folder outside OverlayMaps, as sibling programs keep them.
  fs::path OwnMap(const std::string& folder, const std::string& name) {
    test::MakeFolders(root / "Sibling");
    return MakeMap(folder, name, root / "Sibling");
  }

  int redraws = 0;
  int listChanges = 0;
  bool legendShown = false;
  bool timing = false;
};

// --- Overlays ---

TEST_F(OverlayMessagesTest, OverlayQueryAnswersFoundThenNotFound) {
  ASSERT_EQ(Send("OVX?", {{"NAME", "sites"}}), 0);
  EXPECT_EQ(Answered("ANSR"), "Y");
  EXPECT_EQ(Answered("OVID"), std::to_string(sites));
  EXPECT_EQ(Answered("ATBS"), "");
  ASSERT_EQ(Send("OVX?", {{"NAME", "Rivers"}}), 0);
  EXPECT_EQ(Answered("ANSR"), "N");
  EXPECT_EQ(Answered("OVID"), "");
  EXPECT_EQ(library().sent.back().target, "PEER");
  // Without the name there is nothing to look for.
  const size_t sent = library().sent.size();
  EXPECT_EQ(Send("OVX?"), -1);
  EXPECT_EQ(library().sent.size(), sent);
}

TEST_F(OverlayMessagesTest, MakeOverlayTradesPlacesWithTheFirstAndOwnsIt) {
  const std::vector<std::string> before = LayerNames();
  ASSERT_EQ(Send("MKOV", {{"NAME", "Plumes"}, {"FLAG", "T"}, {"ATBS", "HIDEMODE DELETEOK"}}), 0);
  const std::vector<std::string> after = LayerNames();
  ASSERT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.front(), "Plumes");
  EXPECT_EQ(after.back(), before.front());
  const LayerRecord made = Layer("Plumes");
  EXPECT_EQ(made.lockState, 3);
  EXPECT_EQ(made.deleteAtQuit, 1);
  EXPECT_EQ(made.displayMode, kDisplayHide);
  EXPECT_EQ(made.flags & kNoDeleteFlag, 0);
  EXPECT_EQ(Answered("ANSR"), "Y");
  EXPECT_EQ(Answered("OVID"), std::to_string(made.layerID));
  EXPECT_EQ(Answered("ATBS"), "");
  EXPECT_GE(listChanges, 1);

  // An existing overlay is taken as it is, and a plain flag makes it permanent.
  ASSERT_EQ(Send("MKOV", {{"NAME", "plumes"}}), 0);
  EXPECT_EQ(LayerNames().size(), after.size());
  EXPECT_EQ(Layer("Plumes").deleteAtQuit, 0);
  EXPECT_EQ(Layer("Plumes").lockState, 3);
  EXPECT_EQ(Answered("OVID"), std::to_string(made.layerID));
}

TEST_F(OverlayMessagesTest, MakeOverlayLeavesAGroupsRunWhole) {
  std::vector<GroupRecord> groups(1);
  CopyToField(groups[0].name, "Transport");
  CopyToField(groups[0].first, LayerName(0));
  CopyToField(groups[0].last, LayerName(1));
  ASSERT_EQ(SetGroups(groups), 0);
  const std::string first = LayerName(0);
  ASSERT_EQ(Send("MKOV", {{"NAME", "Plumes"}}), 0);
  EXPECT_EQ(LayerName(0), "Plumes");
  EXPECT_EQ(LayerName(1), first);
  int32_t runFirst = -1, runLast = -1;
  ASSERT_TRUE(GroupRun(groups[0], runFirst, runLast));
  EXPECT_EQ(runFirst, 1);
  EXPECT_EQ(runLast, 2);
}

TEST_F(OverlayMessagesTest, ScalesAreReadAfterSeparatorsAndClamped) {
  int32_t scale = 0;
  ASSERT_TRUE(ScaleAfterKeyword("LOVISSCALE 100", "LOVISSCALE", scale));
  EXPECT_EQ(scale, 500);
  ASSERT_TRUE(ScaleAfterKeyword("X HIVISSCALE, 300000000", "HIVISSCALE", scale));
  EXPECT_EQ(scale, 262144000);
  ASSERT_TRUE(ScaleAfterKeyword("DOTSSCALE\t,\t 24000.5", "DOTSSCALE", scale));
  EXPECT_EQ(scale, 24000);
  // Twenty digits would wrap a 64-bit reader round to a small number.
  ASSERT_TRUE(ScaleAfterKeyword("NAMESSCALE 18446744073709551617", "NAMESSCALE", scale));
  EXPECT_EQ(scale, 262144000);
  scale = 7;
  EXPECT_FALSE(ScaleAfterKeyword("NAMESSCALE -5", "NAMESSCALE", scale));
  EXPECT_FALSE(ScaleAfterKeyword("NAMESSCALE", "NAMESSCALE", scale));
  EXPECT_FALSE(ScaleAfterKeyword("LOVIS 5000", "LOVISSCALE", scale));
  EXPECT_EQ(scale, 7);
}

TEST_F(OverlayMessagesTest, AttributeWordsSetOwnershipLockModeAndScales) {
  LayerRecord layer = Layer("Sites");
  EXPECT_FALSE(ApplyLayerAttributeWords("APPOWNED LOCKEDYES TEMPORARY", layer));
  EXPECT_EQ(layer.lockState, 3);
  EXPECT_EQ(layer.deleteAtQuit, 1);
  EXPECT_EQ(layer.flags & kNoDeleteFlag, kNoDeleteFlag);
  // Neither word keeps what there is; UNLOCKED clears the lock.
  EXPECT_FALSE(ApplyLayerAttributeWords("UNLOCKED PERMANENT DELETEYES", layer));
  EXPECT_EQ(layer.lockState, 2);
  EXPECT_EQ(layer.deleteAtQuit, 0);
  EXPECT_EQ(layer.flags & kNoDeleteFlag, 0);
  EXPECT_FALSE(ApplyLayerAttributeWords("TOLVANEOWNED LOCKEDYES APPOWNED", layer));
  EXPECT_EQ(layer.lockState, 3);
  EXPECT_FALSE(ApplyLayerAttributeWords("TOLVANEOWNED LOCKEDNO", layer));
  EXPECT_EQ(layer.lockState, 0);
  // The last mode in the testing order wins, whatever the order of the words.
  EXPECT_TRUE(ApplyLayerAttributeWords("HIDEMODE SHOWNAMESMODE", layer));
  EXPECT_EQ(layer.displayMode, kDisplayHide);
  EXPECT_TRUE(ApplyLayerAttributeWords("SHOWNAMESMODE COMMON", layer));
  EXPECT_EQ(layer.displayMode, kDisplayShowNames);
  EXPECT_EQ(layer.graphicsOverride, 1);
  EXPECT_TRUE(ApplyLayerAttributeWords("INDIVIDUAL", layer));
  EXPECT_EQ(layer.graphicsOverride, 0);
  EXPECT_TRUE(ApplyLayerAttributeWords(
      "NAMESSCALE 1000 LOVISSCALE 2000 HIVISSCALE 3000 DOTSSCALE 4000", layer));
  EXPECT_EQ(layer.scales[0], 2000);
  EXPECT_EQ(layer.scales[1], 3000);
  EXPECT_EQ(layer.scales[2], 1000);
  EXPECT_EQ(layer.scales[3], 4000);
  // Nothing drawn changes: no redraw.
  EXPECT_FALSE(ApplyLayerAttributeWords("LOVISSCALE 2000 NONSENSE", layer));
}

TEST_F(OverlayMessagesTest, AttributesWithoutDeleteWordsForbidDeletingAgain) {
  MapRecord map = Map("Harbour");
  CopyToField(map.owner, "DVFM");
  ASSERT_TRUE(SetMapRecord(MapNameToIndex("Harbour"), map));
  ASSERT_EQ(Send("SLAT", {{"NAME", "Sites"}, {"ATBS", "APPOWNED LOCKEDNO DELETEOK"}}), 0);
  EXPECT_EQ(DeleteRefusal(harbour, sites), 0);
  ASSERT_EQ(Send("SLAT", {{"NAME", "Sites"}, {"ATBS", "APPOWNED"}}), 0);
  EXPECT_NE(DeleteRefusal(harbour, sites), 0);
  EXPECT_EQ(Layer("Sites").lockState, 2);
}

TEST_F(OverlayMessagesTest, AttributesOfAMissingOverlayAreAStop) {
  const int before = redraws;
  EXPECT_EQ(Send("SLAT", {{"NAME", "Rivers"}, {"ATBS", "HIDEMODE"}}), -1);
  EXPECT_EQ(AlertsContaining("Overlay not found."), 1u);
  EXPECT_EQ(Send("SLAT", {{"NAME", "Sites"}}), -1);
  EXPECT_EQ(Layer("Sites").displayMode, kDisplayShow);
  ASSERT_EQ(Send("SLAT", {{"NAME", "Sites"}, {"ATBS", "RANGEMODE"}}), 0);
  EXPECT_EQ(Layer("Sites").displayMode, kDisplayRange);
  EXPECT_EQ(redraws, before + 1);
}

TEST_F(OverlayMessagesTest, DeletingAnOverlayOnOneMapKeepsItListed) {
  Point(harbour, sites);
  Point(inland, sites);
  ASSERT_EQ(Send("DLOV", {{"LAYR", "Sites"}, {"MAP ", "harbour"}}), 0);
  EXPECT_LT(OverlayFileIndexForID(MapNameToIndex("Harbour"), sites), 0);
  EXPECT_GE(OverlayFileIndexForID(MapNameToIndex("Inland"), sites), 0);
  EXPECT_GE(LayerNameToIndex("Sites"), 0);
  bool lyrLeft = false;
  for (const auto& entry : fs::directory_iterator(harbourFolder)) {
    if (entry.path().extension() == ".LYR" && entry.path().stem().string().find("Sites") == 0) {
      lyrLeft = true;
    }
  }
  EXPECT_FALSE(lyrLeft);
  // Objects are left on Inland: the overlay stays even when asked to go.
  ASSERT_EQ(Send("DLOV", {{"LAYR", "Sites"}, {"MAP ", "Nowhere"}, {"OPTN", "REMOVELAYER"}}), 0);
  EXPECT_GE(LayerNameToIndex("Sites"), 0);
  ASSERT_EQ(Send("DLOV", {{"LAYR", "Sites"}, {"MAP ", "ALLMAPS"}, {"OPTN", "REMOVELAYER"}}), 0);
  EXPECT_LT(LayerNameToIndex("Sites"), 0);
  // Unknown overlays are ignored.
  EXPECT_EQ(Send("DLOV", {{"LAYR", "Rivers"}}), 0);
}

TEST_F(OverlayMessagesTest, DeletingEmptyOverlaysSparesTheProtectedNames) {
  std::string name = "Zepha plume";
  int32_t position = -1;
  ASSERT_EQ(AddLayer(name, false, false, false, position), 0);
  name = "Empty";
  ASSERT_EQ(AddLayer(name, false, false, false, position), 0);
  Point(harbour, sites);
  ASSERT_EQ(Send("DLGZ"), 0);
  EXPECT_GE(LayerNameToIndex("Zepha plume"), 0);
  EXPECT_GE(LayerNameToIndex("Sites"), 0);
  EXPECT_LT(LayerNameToIndex("Empty"), 0);
  EXPECT_LT(LayerNameToIndex("Roads"), 0);
}

// --- Maps ---

TEST_F(OverlayMessagesTest, AddedMapsTakeTheSendersPoliciesAndOwnerCode) {
  const fs::path plant = OwnMap("Plant", "Plant");
  const fs::path depot = OwnMap("Depot", "Depot");
  // The sibling's own separators, and no trailing one.
  std::string path = plant.string() + "/\r\n" + depot.string();
  ASSERT_EQ(
      Send("MAP ", {{"PATH", path}, {"OPTN", "DELETEALERT DRAGYES ADDNO UNIVERSALYES"}}, "DVFM"),
      0);
  EXPECT_EQ(Policies("Plant"), (std::vector<int16_t>{3, 1, 1, 2, 1}));
  EXPECT_EQ(Policies("Depot"), (std::vector<int16_t>{3, 1, 1, 2, 1}));
  EXPECT_EQ(FieldText(Map("Plant").owner), "DVFM");
  EXPECT_EQ(Map("Plant").universalMark, 'Y');
  std::string name, owner;
  ASSERT_EQ(GetMapNameFromNameDotMapFile(plant.string(), name, &owner), 0);
  EXPECT_EQ(name, "Plant");
  EXPECT_EQ(owner, "DVFM");
  EXPECT_EQ(fs::file_size(plant / "NAME.MAP"), 56u);
  std::vector<XtraMapsEntry> remembered;
  ASSERT_EQ(ReadXtraMapsPltFile(CatalogueFolderIDs().settings, remembered), 0);
  EXPECT_EQ(remembered.size(), 2u);
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(OverlayMessagesTest, UnownedMapsKeepTheirOwnerCodeAndStayUnremembered) {
  const fs::path plant = OwnMap("Plant", "Plant");
  const std::string before = test::ReadWholeFile(plant / "NAME.MAP");
  ASSERT_EQ(
      Send("MAP ", {{"PATH", plant.string()}, {"OPTN", "OWNEDNO DELETEALERT XTRAMAPSNO"}}, "DVFM"),
      0);
  EXPECT_EQ(Policies("Plant"), (std::vector<int16_t>{0, 0, 0, 0, 0}));
  EXPECT_EQ(FieldText(Map("Plant").owner), "00000");
  EXPECT_EQ(test::ReadWholeFile(plant / "NAME.MAP"), before);
  std::vector<XtraMapsEntry> remembered;
  ReadXtraMapsPltFile(CatalogueFolderIDs().settings, remembered);
  EXPECT_TRUE(remembered.empty());
}

TEST_F(OverlayMessagesTest, AMapFolderWithoutItsNameFileIsAStopAfterTheOthers) {
  const fs::path plant = OwnMap("Plant", "Plant");
  test::MakeFolders(root / "Sibling" / "Bare");
  const std::string path = (root / "Sibling" / "Bare").string() + "\r" + plant.string();
  ASSERT_EQ(Send("MAP ", {{"PATH", path}}, "DVFM"), 0);
  EXPECT_GE(MapNameToIndex("Plant"), 0);
  EXPECT_EQ(AlertsContaining("The map to be added was not found."), 1u);
  EXPECT_EQ(Policies("Plant"), (std::vector<int16_t>{1, 1, 1, 1, 2}));
  EXPECT_EQ(Send("MAP ", {{"OPTN", "OWNEDNO"}}, "DVFM"), -1);
}

TEST_F(OverlayMessagesTest, OptionWordsApplyNoThenYesThenAlert) {
  const MapOwnership all = MapOwnershipFromOptions(
      "DELETENO DELETEOK MOVEMAPNO MOVELAYERALERT MOVELAYERNO DRAGOK DRAGALERT ADDYES");
  EXPECT_TRUE(all.owned);
  EXPECT_EQ(std::vector<int16_t>(all.policies, all.policies + 5),
            (std::vector<int16_t>{2, 1, 3, 3, 2}));
  EXPECT_EQ(all.universal, 0);
  EXPECT_TRUE(all.remember);
  const MapOwnership none = MapOwnershipFromOptions("OWNEDNO UNIVERSALNO DELETEALERT");
  EXPECT_FALSE(none.owned);
  EXPECT_EQ(none.policies[0], 0);
  EXPECT_EQ(none.universal, 'N');
}

TEST_F(OverlayMessagesTest, RemovedMapsRespectOwnersAndOtherProgramsLists) {
  const fs::path plant = OwnMap("Plant", "Plant");
  const fs::path depot = OwnMap("Depot", "Depot");
  const fs::path yard = OwnMap("Yard", "Yard");
  ASSERT_EQ(Send("MAP ", {{"PATH", plant.string() + "\r" + depot.string()}}, "DVFM"), 0);
  ASSERT_EQ(Send("MAP ", {{"PATH", yard.string()}}, "ZZZZ"), 0);
  library().running.insert("ZZZZ");
  // Yard belongs to a program that runs; Plant is the sender's; Depot is named.
  ASSERT_EQ(Send("RMAP", {{"PATH", yard.string() + "\r" + plant.string()}, {"NAME", "\r\rdepot"}},
                 "DVFM"),
            0);
  EXPECT_GE(MapNameToIndex("Yard"), 0);
  EXPECT_LT(MapNameToIndex("Plant"), 0);
  EXPECT_LT(MapNameToIndex("Depot"), 0);
  std::vector<XtraMapsEntry> remembered;
  ASSERT_EQ(ReadXtraMapsPltFile(CatalogueFolderIDs().settings, remembered), 0);
  ASSERT_EQ(remembered.size(), 1u);
  EXPECT_EQ(remembered[0].name, "Yard");
  // Once its owner has quit, anyone may remove it.
  library().running.erase("ZZZZ");
  ASSERT_EQ(Send("RMAP", {{"NAME", "Yard"}}, "DVFM"), 0);
  EXPECT_LT(MapNameToIndex("Yard"), 0);
  // Names of nothing are ignored.
  EXPECT_EQ(Send("RMAP", {{"NAME", "Nowhere"}, {"PATH", "/no/such/folder"}}, "DVFM"), 0);
  EXPECT_EQ(MapCount(), 3);
}

TEST_F(OverlayMessagesTest, TimingNotesShowOnlyWhenAskedFor) {
  const fs::path plant = OwnMap("Plant", "Plant");
  ASSERT_EQ(Send("MAP ", {{"PATH", plant.string()}}, "DVFM"), 0);
  EXPECT_EQ(AlertsContaining("MPConfig Diagnostic"), 0u);
  timing = true;
  ASSERT_EQ(Send("RMAP", {{"NAME", "Plant"}}, "DVFM"), 0);
  EXPECT_EQ(AlertsContaining("MPConfig Diagnostic: RMAP message took 0.00 seconds"), 1u);
}

// --- The legend ---

TEST_F(OverlayMessagesTest, LegendLinesReadEachFieldAndNeverPastTheLine) {
  const LayerRecord full = LegendEntryFromLine("Wells\tC9A#5");
  EXPECT_EQ(FieldText(full.name), "Wells");
  EXPECT_EQ(full.graphics[1], 15);  // menu position 12
  EXPECT_EQ(full.graphics[4], 9);
  EXPECT_EQ(full.graphics[3], 10);
  EXPECT_EQ(full.graphics[0], '#');
  EXPECT_EQ(full.graphics[2], 5);
  EXPECT_EQ(full.marker, kLayerRecordMarker);
  const LayerRecord bad = LegendEntryFromLine("Bad\tZg");
  EXPECT_EQ(bad.graphics[1], 1);
  EXPECT_EQ(bad.graphics[4], 0);
  EXPECT_EQ(bad.graphics[3], 0);
  EXPECT_EQ(bad.graphics[0], 0);
  const LayerRecord nameOnly = LegendEntryFromLine(std::string(40, 'N'));
  EXPECT_EQ(FieldText(nameOnly.name), std::string(31, 'N'));
  EXPECT_EQ(nameOnly.graphics[1], 0);
  // A custom colour needs fifteen characters after the TAB.
  const LayerRecord short14 = LegendEntryFromLine("Own\tR2312255128064");
  EXPECT_EQ(short14.graphics[1], kLegendCustomColour);
  EXPECT_EQ(short14.thematic[0], 0);
  const LayerRecord long15 = LegendEntryFromLine("Own\tR23122551280640");
  EXPECT_EQ(long15.thematic[0], 255);
  EXPECT_EQ(long15.thematic[1], 128);
  EXPECT_EQ(long15.thematic[2], 64);
  const LayerRecord over = LegendEntryFromLine("Own\tR2312999x28064 ");
  EXPECT_EQ(over.thematic[0], 255);
  EXPECT_EQ(over.thematic[1], 0);
}

TEST_F(OverlayMessagesTest, LegendListFollowsTheOverlayLegendAndComesBack) {
  legendShown = true;
  ASSERT_EQ(Send("LGND", {{"LIST", "Wells\t3210A1\rDry\r\n"}, {"XOUT", "roads"}}), 0);
  const LegendContents& now = CurrentLegend();
  EXPECT_EQ(now.kind, kLegendList);
  std::vector<std::string> names;
  for (const LayerRecord& entry : now.entries) names.push_back(FieldText(entry.name));
  // Then the overlays, but not Roads.
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "Wells");
  EXPECT_EQ(names[1], "Dry");
  EXPECT_EQ(std::count(names.begin(), names.end(), "Sites"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Roads"), 0);
  EXPECT_EQ(now.entries[0].graphics[1], 3);
  ASSERT_EQ(Send("LGND"), 0);
  EXPECT_EQ(CurrentLegend().kind, kLegendOverlays);
  EXPECT_TRUE(legendShown);

  // Hidden before: the sibling's entries alone, and hidden again afterwards.
  legendShown = false;
  ASSERT_EQ(Send("LGND", {{"LIST", "Wells\t3210A1"}}), 0);
  EXPECT_EQ(CurrentLegend().entries.size(), 1u);
  EXPECT_TRUE(legendShown);
  ASSERT_EQ(Send("LGND", {{"LIST", "Wells\t3210A1\rDry"}}), 0);
  EXPECT_EQ(CurrentLegend().entries.size(), 2u);
  ASSERT_EQ(Send("LGND"), 0);
  EXPECT_FALSE(legendShown);
  EXPECT_EQ(CurrentLegend().kind, kLegendOverlays);
}

TEST_F(OverlayMessagesTest, LegendPictureIsCopiedToTheUsersFolder) {
  const fs::path picture = root / "Sibling" / "key.bmp";
  test::MakeFolders(root / "Sibling");
  test::WriteWholeFile(picture, "BMpicture");
  ASSERT_EQ(Send("LGND", {{"PATH", picture.string()}}), 0);
  const fs::path copy = root / "OverlayMaps" / "UserMap" / "legend2.bmp";
  EXPECT_EQ(test::ReadWholeFile(copy), "BMpicture");
  EXPECT_EQ(CurrentLegend().kind, kLegendPicture);
  EXPECT_EQ(CurrentLegend().picturePath, copy.string());
  EXPECT_TRUE(legendShown);
  // A picture that is not there leaves the legend as it was.
  EXPECT_NE(Send("LGND", {{"PATH", (root / "none.bmp").string()}}), 0);
  EXPECT_EQ(CurrentLegend().kind, kLegendPicture);
  EXPECT_FALSE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv
