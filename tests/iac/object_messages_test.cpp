// The map and object messages of sibling programs, delivered through the dispatcher and answered
// through the recording message library, on two maps with two overlays.
#include "iac/object_messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "edit/edit_targets.h"
#include "edit/polygon_commands.h"
#include "edit/selection.h"
#include "geometry/geo_settings.h"
#include "iac/delete_selected.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/recording_transport.h"
#include "iac/thematic_lists.h"
#include "render/map_view.h"
#include "store/directory_table.h"
#include "support/objects_fixture.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using Pairs = std::vector<std::pair<std::string, std::string>>;

class ObjectMessagesTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    test::ObjectsTest::SetUp();
    IacPlaces places;
    places.programFolder = (root / "Program").string() + "/";
    test::WriteWholeFile(places.programFolder + "libWEXO_32.so", "library");
    SetIacPlaces(places);
    ASSERT_EQ(InitIAC(kOwnSignature, true), 0);
    library().running.insert("PEER");
    test::MakeFolders(root / "Settings" / "Friends");
    int32_t friendsID = -1;
    ASSERT_EQ(RegisterDirectory((root / "Settings" / "Friends").string() + "/", true, friendsID),
              0);
    SetFriendsFolder(0, friendsID);
    ObjectMessageHooks hooks;
    hooks.redraw = [this] { ++redraws; };
    hooks.bringOwnWindowForward = [this] { ++forwards; };
    hooks.thematicCutoff = [this] { return cutoff; };
    SetObjectMessageHooks(hooks);
  }

  RecordingTransport& library() { return DefaultRecordingTransport(); }

  int32_t Send(const std::string& code, const Pairs& pairs = {}, const std::string& sign = "PEER") {
    std::string envelope = "MSSG\x0B" + code + "\x0BSIGN\x0B" + sign + "\x0BPSIG\x0BPEER";
    for (const auto& [keyword, value] : pairs) envelope += "\x0B" + keyword + "\x0B" + value;
    return DispatchIACMessage(envelope.c_str());
  }
  // The value of keyword in the last answer, "<absent>" when it has none.
  std::string Answered(const char* keyword) {
    if (library().sent.empty()) return "<no answer>";
    const std::string& envelope = library().sent.back().envelope;
    Ptr block = nullptr;
    if (myAEGetParamInNewPtr(envelope.c_str(), keyword, block, false) != 0) return "<absent>";
    std::string value = block;
    MyDisposePtr(block);
    return value;
  }
  std::vector<std::string> Alerts() {
    std::vector<std::string> texts;
    for (const auto& alert : platform().alerts) texts.push_back(alert.text);
    return texts;
  }

  // A point at (x, y) on the map and overlay; its ID text.
  std::string Point(int32_t mapID, int32_t overlayID, int32_t x, int32_t y,
                    const std::string& name = "pt", int32_t* position = nullptr) {
    ObjectID id;
    const int32_t made =
        MakeObject(mapID, overlayID, kPointObject, name, nullptr, {x, y, x, y}, nullptr, &id);
    if (position != nullptr) *position = made;
    return ObjectIDText(id);
  }
  static std::string Line(const std::string& id, const std::string& overlay,
                          const std::string& map) {
    return id + "\t" + overlay + "\t" + map + "\r";
  }

  int redraws = 0;
  int forwards = 0;
  int32_t cutoff = 4000;
};

// --- ID texts and list lines ---

TEST_F(ObjectMessagesTest, IDTextsArePaddedCutAndChecked) {
  ObjectID id;
  ASSERT_TRUE(ReadObjectIDText("ABC", id));
  EXPECT_EQ(id.high, 0);
  EXPECT_EQ(id.low, 0xABC);
  ASSERT_TRUE(ReadObjectIDText("0000000100000002 rest", id));
  EXPECT_EQ(id.high, 1);
  EXPECT_EQ(id.low, 2);
  ASSERT_TRUE(ReadObjectIDText("FFFFFFFE80000000", id));
  EXPECT_EQ(id.high, -2);
  EXPECT_EQ(id.low, INT32_MIN);
  EXPECT_EQ(ObjectIDText(id), "FFFFFFFE80000000");
  EXPECT_FALSE(ReadObjectIDText("00000000000000001", id));
  EXPECT_FALSE(ReadObjectIDText("00000000000000G1", id));
  EXPECT_FALSE(ReadObjectIDText("-1", id));
}

TEST_F(ObjectMessagesTest, LineEndsAreNormalisedToOneFinalReturn) {
  EXPECT_EQ(NormaliseListLineEnds("a\nb\r\nc"), "a\rb\rc\r");
  EXPECT_EQ(NormaliseListLineEnds("a\r\r\r"), "a\r");
  EXPECT_EQ(NormaliseListLineEnds("\n\nx"), "\r\rx\r");
  EXPECT_EQ(NormaliseListLineEnds(""), "");
  const std::string normalised = NormaliseListLineEnds("one\ntwo");
  EXPECT_EQ(ListLines(normalised), (std::vector<std::string_view>{"one", "two"}));
}

TEST_F(ObjectMessagesTest, ListLinesNeedSixteenCharacterIDsAndFieldsWithinLimits) {
  MapRecord record = MapAt(MapNameToIndex("Inland"));
  std::snprintf(record.owner, sizeof(record.owner), "4242");
  ASSERT_TRUE(SetMapRecord(MapNameToIndex("Inland"), record));

  ListLine line;
  ASSERT_TRUE(ParseListLine("0000000100000002\tRoads\tHarbour", line));
  EXPECT_EQ(line.overlayID, roads);
  EXPECT_EQ(line.mapID, harbour);
  EXPECT_FALSE(line.mapMissing);
  EXPECT_FALSE(ParseListLine("000000010000002\tRoads\tHarbour", line));
  EXPECT_FALSE(ParseListLine("00000001000000002\tRoads\tHarbour", line));
  EXPECT_FALSE(ParseListLine("0000000100000002\t" + std::string(32, 'R') + "\tHarbour", line));
  EXPECT_FALSE(ParseListLine("0000000100000002\tRoads\t" + std::string(42, 'M'), line));
  // Unknown overlay and map: the ID stays, with neither.
  ASSERT_TRUE(ParseListLine("0000000100000002\tNowhere\tAtlantis", line));
  EXPECT_EQ(line.overlayID, 0);
  EXPECT_EQ(line.mapID, 0);
  EXPECT_TRUE(line.mapMissing);
  // Digits that name no map are the owner code.
  ASSERT_TRUE(ParseListLine("0000000100000002\tSites\t4242", line));
  EXPECT_EQ(line.mapID, inland);
  EXPECT_EQ(line.mapName, "Inland");
}

// --- SHOW ---

TEST_F(ObjectMessagesTest, AShortListIsLookedUpLineByLineAndALongOneInOneScan) {
  std::string shortList;
  for (int i = 0; i < 8; ++i) {
    shortList += Line(Point(harbour, roads, 100000000 + i * 1000, 50000000), "Roads", "Harbour");
  }
  ASSERT_EQ(Send("SHOW", {{"LST2", shortList}, {"OPTN", "SELECT"}}), 0);
  EXPECT_EQ(LastShowReport().path, ShowPath::kLineByLine);
  EXPECT_EQ(LastShowReport().lookups, 8);
  EXPECT_EQ(LastShowReport().found, 8);
  EXPECT_EQ(SelectedObjectCount(), 8);
  EXPECT_EQ(forwards, 1);

  RemoveAllSelectedObjects();
  std::string longList;
  for (int i = 0; i < 200; ++i) {
    longList += Line(Point(harbour, sites, 100000000 + i * 1000, 51000000), "Sites", "Harbour");
  }
  ASSERT_EQ(Send("SHOW", {{"LST2", longList}, {"OPTN", "NOSELECT"}}), 0);
  EXPECT_EQ(LastShowReport().path, ShowPath::kUniform);
  EXPECT_EQ(LastShowReport().overlayScans, 1);
  EXPECT_EQ(LastShowReport().lookups, 0);
  EXPECT_EQ(LastShowReport().found, 200);
  EXPECT_EQ(LastShowReport().selected, 0);
  EXPECT_TRUE(Alerts().empty()) << Alerts().front();
}

TEST_F(ObjectMessagesTest, AMixedLongListScansTheOverlaysWithManyLines) {
  std::string list;
  for (int i = 0; i < 150; ++i) {
    list += Line(Point(harbour, roads, 100000000 + i * 1000, 50000000), "Roads", "Harbour");
  }
  // Lines of other lengths and places: not uniform.
  list += Line(Point(inland, sites, 101000000, 50000000), "Sites", "Inland");
  list += Line(Point(inland, roads, 101000000, 50000000), "Roads", "Inland");
  list += "short line\r";
  ASSERT_EQ(Send("SHOW", {{"LST2", list}, {"OPTN", "NONOTFOUNDALERT"}}), 0);
  EXPECT_EQ(LastShowReport().path, ShowPath::kBatch);
  EXPECT_EQ(LastShowReport().overlayScans, 1);
  EXPECT_EQ(LastShowReport().lookups, 2);
  EXPECT_EQ(LastShowReport().found, 152);
  EXPECT_TRUE(Alerts().empty());
}

TEST_F(ObjectMessagesTest, UnfoundObjectsAreToldOnceWithTheMissingMap) {
  const std::string there = Point(harbour, roads, 100000000, 50000000);
  ASSERT_EQ(Send("SHOW", {{"LST2", Line(there, "Roads", "Harbour") +
                                       Line("00000000DEADBEEF", "Roads", "Atlantis")}}),
            0);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"One or more objects could not be shown because "
                                                "the map Atlantis is not present."}));
  platform().alerts.clear();
  ASSERT_EQ(Send("SHOW", {{"LST2", Line("00000000DEADBEEF", "Roads", "Harbour")}}), 0);
  EXPECT_EQ(Alerts(),
            (std::vector<std::string>{"One or more of the objects to be shown were not found."}));
  // A list from a file that cannot be read shows nothing and says so.
  platform().alerts.clear();
  EXPECT_EQ(Send("SHOW", {{"FILE", (root / "missing.txt").string()}}), -1);
  EXPECT_EQ(Alerts().size(), 1u);
  // No list at all: the reader's complaint and no show.
  platform().alerts.clear();
  EXPECT_EQ(Send("SHOW", {{"OPTN", "SELECT"}}), -1);
  EXPECT_EQ(Alerts().size(), 1u);
}

TEST_F(ObjectMessagesTest, AListWrittenToFilesKeepsWhatWasNotFound) {
  ObjectMessageHooks hooks = CurrentObjectMessageHooks();
  hooks.writeListToFile = [] { return true; };
  hooks.userFolder = [this] { return root.string(); };
  SetObjectMessageHooks(hooks);
  const std::string there = Point(harbour, roads, 100000000, 50000000);
  const std::string list =
      Line(there, "Roads", "Harbour") + Line("00000000DEADBEEF", "Roads", "Harbour");
  ASSERT_EQ(Send("SHOW", {{"LST2", list}, {"OPTN", "CTRL NONOTFOUNDALERT"}}), 0);
  EXPECT_EQ(test::ReadWholeFile(root / "LST2.txt"), list);
  EXPECT_EQ(test::ReadWholeFile(root / "NotFound.TXT"), "00000000DEADBEEF\tRoads\tHarbour\r\n");
  EXPECT_EQ(LastShowReport().found, 1);
  // The thematic list is not made from a list written out.
  EXPECT_EQ(Alerts(),
            (std::vector<std::string>{
                "Note: The CTRL parameter is being ignored because WriteLST2ToFile is set "
                "in your MPCONFIG.TXT file."}));
  EXPECT_EQ(ThematicListCount(), 0);
}

TEST_F(ObjectMessagesTest, WideningFindsObjectsOnOtherMapsAndOverlays) {
  const std::string id = Point(inland, sites, 100000000, 50000000);
  ASSERT_EQ(Send("SHOW", {{"LST2", Line(id, "Roads", "Harbour")}, {"OPTN", "NONOTFOUNDALERT"}}), 0);
  EXPECT_EQ(LastShowReport().found, 0);
  ASSERT_EQ(Send("SHOW", {{"LST2", Line(id, "Roads", "Harbour")}, {"OPTN", "ANYMAP"}}), 0);
  EXPECT_EQ(LastShowReport().found, 0);
  ASSERT_EQ(Send("SHOW", {{"LST2", Line(id, "Roads", "Harbour")}, {"OPTN", "ANYMAP ANYLAYER"}}), 0);
  EXPECT_EQ(LastShowReport().found, 1);
}

TEST_F(ObjectMessagesTest, ColouredListsAreCheckedBeforeAnythingIsShown) {
  const std::string a = Point(harbour, roads, 100000000, 50000000);
  const std::string b = Point(harbour, roads, 100001000, 50000000);
  const std::string first = Line(a, "Roads", "Harbour");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {first, "LST2 param must have more than 1 line"},
      {first + b + " X255000000\r",
       "LST2 param does not have tab char and return char where expected in second line"},
      {first + b + "\tX255000000\r" + b + "\tX255000000\rextra",
       "LST2 param does not have 28 chars for subsequent lines as expected"},
  };
  for (const auto& [list, alert] : cases) {
    platform().alerts.clear();
    EXPECT_EQ(Send("SHOW", {{"LST2", list}, {"OPTN", "RGBCONTROL"}}), -1) << alert;
    EXPECT_EQ(Alerts(), (std::vector<std::string>{alert}));
    EXPECT_EQ(ThematicListCount(), 0);
  }
  platform().alerts.clear();
  ASSERT_EQ(Send("SHOW", {{"LST2", first + b + "\tX255000000\r"}, {"OPTN", "RGBCONTROL"}}), 0);
  EXPECT_TRUE(Alerts().empty()) << Alerts().front();
  EXPECT_EQ(LastShowReport().path, ShowPath::kUniform);
  EXPECT_EQ(ThematicListCount(), 1);
  EXPECT_LT(ThematicNumberForDrawing(harbour, roads), 0);  // a memory slot
  EXPECT_EQ(redraws, 1);
}

TEST_F(ObjectMessagesTest, AThematicListOverTheCutoffGoesToAFileOfCodes) {
  cutoff = 1;
  const std::string a = Point(harbour, roads, 100000000, 50000000);
  Point(harbour, roads, 100001000, 50000000);
  const std::string c = Point(harbour, roads, 100002000, 50000000);
  ASSERT_EQ(Send("SHOW", {{"LST2", Line(a, "Roads", "Harbour") + Line(c, "Roads", "Harbour")},
                          {"OPTN", "CTRL"}}),
            0);
  const int32_t number = ThematicNumberForDrawing(harbour, roads);
  ASSERT_GT(number, 0);
  const fs::path codes = root / "Settings" / "Friends" / (std::to_string(number) + ".TDO");
  EXPECT_EQ(test::ReadWholeFile(codes), "XXXXX00000XXXXX");
  // A list on two overlays cannot be thematic: it is said, and the old list stays.
  const std::string d = Point(harbour, sites, 100000000, 50000000);
  ASSERT_EQ(Send("SHOW", {{"LST2", Line(a, "Roads", "Harbour") + Line(d, "Sites", "Harbour")},
                          {"OPTN", "CTRL"}}),
            0);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{
                          "Note: The CTRL parameter is being ignored because the objects are on "
                          "more than one layer/map."}));
  EXPECT_EQ(ThematicNumberForDrawing(harbour, roads), number);
  // The owner's farewell drops it with its file.
  DropThematicListsOf(-1);
  EXPECT_FALSE(fs::exists(codes));
  EXPECT_EQ(ThematicNumberForDrawing(harbour, roads), 0);
}

// --- CTRL ---

TEST_F(ObjectMessagesTest, AControlListDrawsOnlyTheObjectsItsOwnerWrites) {
  const std::string a = Point(harbour, roads, 100000000, 50000000);
  Point(harbour, roads, 100001000, 50000000);
  ASSERT_EQ(
      Send("CTRL",
           {{"MAPN", "Harbour"}, {"LAYR", "Roads"}, {"MODE", "ON"}, {"VIEW", "40 -80 41 -79"}}),
      0);
  ASSERT_EQ(library().sent.size(), 1u);
  const std::string path = Answered("PATH");
  EXPECT_EQ(path, (root / "Settings" / "Friends" / "1.IDS").string());
  EXPECT_EQ(test::ReadWholeFile(path), "");
  test::WriteWholeFile(path, a + "\r\n");
  // The sibling wrote after the list was made: the codes follow at the next pass.
  fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::seconds(2));
  EXPECT_EQ(ThematicNumberForDrawing(harbour, roads), 1);
  EXPECT_EQ(test::ReadWholeFile(root / "Settings" / "Friends" / "1.TDO"), "XXXXX00000");

  // "ON2" lists every object of the overlay; "OFF" drops the list and its files.
  ASSERT_EQ(Send("CTRL", {{"MAPN", "Harbour"}, {"LAYR", "Roads"}, {"MODE", "ON2"}}), 0);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(Answered("PATH"), (root / "Settings" / "Friends" / "2.IDS").string());
  EXPECT_EQ(test::ReadWholeFile(Answered("PATH")).size(), 34u);
  const size_t answers = library().sent.size();
  ASSERT_EQ(Send("CTRL", {{"MAPN", "Harbour"}, {"LAYR", "Roads"}, {"MODE", "OFF"}}), 0);
  EXPECT_EQ(library().sent.size(), answers);
  EXPECT_EQ(ThematicNumberForDrawing(harbour, roads), 0);
  EXPECT_FALSE(fs::exists(root / "Settings" / "Friends" / "2.IDS"));
  // An unknown overlay still gets its answer.
  ASSERT_EQ(Send("CTRL", {{"MAPN", "Harbour"}, {"LAYR", "Nothing"}, {"MODE", "ON"}}), 0);
  EXPECT_EQ(library().sent.size(), answers + 1);
  EXPECT_EQ(ThematicListCount(), 0);
}

// --- Describing and searching ---

TEST_F(ObjectMessagesTest, DescribeAnswersLinesWithTheAskedColumns) {
  const std::string id = Point(harbour, roads, 100500000, 130250000, "Depot");
  ASSERT_EQ(Send("MYOD", {{"OPTN", "IDS TYPE NAME LATLONG"},
                          {"LST2", Line(id, "Roads", "Harbour") +
                                       Line("00000000DEADBEEF", "Roads", "Harbour")}}),
            0);
  EXPECT_EQ(Answered("MSSG"), "YROD");
  EXPECT_EQ(Answered("NUM "), "1");
  EXPECT_EQ(Answered("TYPE"), "MYOD");
  EXPECT_EQ(Answered("LST2"), id + "\tRoads\tHarbour\tPOINT\tDepot\t40.250000\t-79.500000\r\n");
  // The selection, into a file of the named folder.
  AddSelectedObject(harbour, roads, 0);
  ASSERT_EQ(Send("MYOD", {{"OPTN", "SELECTED FILE"}, {"PATH", root.string()}}), 0);
  EXPECT_EQ(Answered("LST2"), (root / "YRODLST2.TXT").string());
  EXPECT_EQ(test::ReadWholeFile(root / "YRODLST2.TXT"), id + "\tRoads\tHarbour\r\n");
  // OPTN is required.
  const size_t answers = library().sent.size();
  EXPECT_EQ(Send("MYOD", {{"LST2", Line(id, "Roads", "Harbour")}}), -1);
  EXPECT_EQ(library().sent.size(), answers);
}

TEST_F(ObjectMessagesTest, SearchWordsAreCheckedAndResultsAnswered) {
  Point(harbour, roads, 100000000, 50000000, "Alpha");
  Point(harbour, roads, 100001000, 50000000, "Beta");
  EXPECT_EQ(Send("SRCH", {{"FUNC", "SOMENAME"}, {"LYRS", ""}, {"MAPS", "SEARCHALLMAPS"}}), -1);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"Unsupported searchFor parameter"}));
  platform().alerts.clear();
  EXPECT_EQ(Send("SRCH", {{"FUNC", "within"}, {"LYRS", ""}, {"MAPS", "SEARCHALLMAPS"}}), -1);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"DIST parameter expected."}));
  EXPECT_TRUE(library().sent.empty());
  platform().alerts.clear();
  ASSERT_EQ(Send("SRCH", {{"FUNC", "namestarts"},
                          {"NAME", "Al"},
                          {"LYRS", "Roads"},
                          {"MAPS", "SEARCHALLMAPS"},
                          {"OPTN", "NAME"}}),
            0);
  EXPECT_EQ(Answered("MSSG"), "YROD");
  EXPECT_EQ(Answered("TYPE"), "SRCH");
  EXPECT_EQ(Answered("NUM "), "1");
  EXPECT_NE(Answered("LST2").find("\tAlpha\r\n"), std::string::npos) << Answered("LST2");
}

// --- Deleting, renaming, zones ---

TEST_F(ObjectMessagesTest, DeleteTakesListsOrOneOverlaysIDs) {
  const std::string a = Point(harbour, roads, 100000000, 50000000);
  const std::string b = Point(harbour, roads, 100001000, 50000000);
  const std::string c = Point(inland, sites, 100002000, 50000000);
  ASSERT_EQ(Send("DELO", {{"LST2", Line(a, "Roads", "Harbour") + Line(c, "Sites", "Inland")}}), 0);
  ObjectRef object;
  bool found = true;
  ASSERT_EQ(FindObjectByID(a, 0, 0, object, found), 0);
  EXPECT_FALSE(found);
  ASSERT_EQ(FindObjectByID(c, 0, 0, object, found), 0);
  EXPECT_FALSE(found);
  ASSERT_EQ(FindObjectByID(b, 0, 0, object, found), 0);
  EXPECT_TRUE(found);
  // Without a list: the overlay is required and must exist.
  EXPECT_EQ(Send("DELO", {{"MAP ", "Harbour"}, {"IDS ", b}}), -1);
  EXPECT_EQ(Send("DELO", {{"LAYR", "Nothing"}, {"MAP ", "Harbour"}, {"IDS ", b}}), -1);
  ASSERT_EQ(FindObjectByID(b, 0, 0, object, found), 0);
  EXPECT_TRUE(found);
  ASSERT_EQ(Send("DELO", {{"LAYR", "Roads"}, {"MAP ", "Harbour"}, {"IDS ", b + "\n"}}), 0);
  ASSERT_EQ(FindObjectByID(b, 0, 0, object, found), 0);
  EXPECT_FALSE(found);
}

TEST_F(ObjectMessagesTest, RenameGivesNameAndIDUnlessTheOverlayIsLocked) {
  int32_t position = -1;
  const std::string id = Point(harbour, roads, 100000000, 50000000, "Old", &position);
  ASSERT_EQ(
      Send("NAME", {{"OBJ ", Line(id, "Roads", "Harbour")}, {"NAME", "New"}, {"ID  ", "ABC"}}), 0);
  ObjectRef object;
  bool found = false;
  ASSERT_EQ(FindObjectByID("ABC", harbour, roads, object, found), 0);
  ASSERT_TRUE(found);
  std::string prefix, name;
  ASSERT_EQ(FSGetObjectName(Objects(harbour, roads), object.position, prefix, name), 0);
  EXPECT_EQ(name, "New");

  LayerRecord layer = LayerAt(LayerIDToIndex(roads));
  layer.lockState = 1;
  ASSERT_TRUE(SetLayerRecord(LayerIDToIndex(roads), layer));
  ASSERT_EQ(
      Send("NAME", {{"OBJ ", Line("0000000000000ABC", "Roads", "Harbour")}, {"NAME", "Locked"}}),
      0);
  ASSERT_EQ(FindObjectByID("ABC", harbour, roads, object, found), 0);
  ASSERT_EQ(FSGetObjectName(Objects(harbour, roads), object.position, prefix, name), 0);
  EXPECT_EQ(name, "New");

  EXPECT_EQ(Send("NAME", {{"OBJ ", Line(id, "Roads", "Harbour")}, {"NAME", "Gone"}}), -1);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"Object to be renamed not found on map."}));
}

TEST_F(ObjectMessagesTest, AZoneAroundAPointIsARedCircleKeptWhenAskedAgain) {
  const std::string id = Point(harbour, roads, 100000000, 50000000);
  const Pairs request = {{"OBJ1", Line(id, "Roads", "Harbour")},
                         {"LYR2", "Sites"},
                         {"RAD ", "1"},
                         {"NAME", "Zone"},
                         {"ID2 ", "77"}};
  ASSERT_EQ(Send("NBH?", request), 0);
  EXPECT_EQ(Answered("MSSG"), "NBH!");
  EXPECT_EQ(Answered("OBJ2"), "0000000000000077\tSites\tHarbour\r\n");
  ASSERT_EQ(Summaries(harbour, sites).size(), 1u);
  const SummaryRecord zone = Summaries(harbour, sites).front();
  int16_t type = 0;
  ASSERT_EQ(FSGetObjectType(Objects(harbour, sites), zone.position, type), 0);
  EXPECT_EQ(type, kCircleObject);
  ObjectGraphics graphics;
  ASSERT_EQ(FSGetObjectGraphics(Objects(harbour, sites), zone.position, graphics), 0);
  EXPECT_EQ(graphics.colour, 14);
  // One mile of latitude is about 14,490 world units each way.
  EXPECT_NEAR(zone.worldRect.y2 - 50000000, 14490, 30);
  EXPECT_EQ(zone.worldRect.y2 - 50000000, 50000000 - zone.worldRect.y1);
  // The same zone again stays as it is; another radius replaces it.
  ASSERT_EQ(Send("NBH?", request), 0);
  EXPECT_EQ(Summaries(harbour, sites).size(), 1u);
  Pairs wider = request;
  wider[2].second = "2";
  ASSERT_EQ(Send("NBH?", wider), 0);
  int live = 0;
  for (const SummaryRecord& record : Summaries(harbour, sites)) live += SummaryRecordLive(record);
  EXPECT_EQ(live, 1);

  // Around a rectangle there is no zone.
  ObjectID rectID;
  MakeObject(harbour, roads, kRectangleObject, "box", nullptr, {1, 1, 5, 5}, nullptr, &rectID);
  platform().alerts.clear();
  EXPECT_EQ(Send("NBH?", {{"OBJ1", Line(ObjectIDText(rectID), "Roads", "Harbour")},
                          {"LYR2", "Sites"},
                          {"RAD ", "1"}}),
            -1);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"Object for envelope is not of the proper type."}));
}

TEST_F(ObjectMessagesTest, AZoneAroundALineIsItsEnvelopePolygon) {
  // The envelope as the program installs it.
  ObjectMessageHooks hooks = CurrentObjectMessageHooks();
  hooks.envelopePolygon = [](int32_t mapID, int32_t overlayID, int32_t position, double distance,
                             std::vector<WPoint>& outline) {
    PolygonPoints zone;
    PolygonRefusal refusal = PolygonRefusal::kNone;
    const int32_t err = ComputeEnvelopePoints({ObjectRef{mapID, overlayID, position}}, distance,
                                              kUnitMiles, zone, refusal);
    if (err == 0) outline = zone.points;
    return err;
  };
  SetObjectMessageHooks(hooks);
  std::vector<WPoint> line = {{100000000, 50000000}, {100050000, 50000000}};
  Handle points = MyNewHandle(static_cast<int32_t>(line.size() * sizeof(WPoint)));
  std::memcpy(*points, line.data(), line.size() * sizeof(WPoint));
  ObjectID id;
  MakeObject(harbour, roads, kPolylineObject, "road", nullptr,
             {100000000, 50000000, 100050000, 50000000}, points, &id);
  MyDisposeHandle(points);
  ASSERT_EQ(Send("NBH?", {{"OBJ1", Line(ObjectIDText(id), "Roads", "Harbour")},
                          {"LYR2", "Sites"},
                          {"RAD ", "1"}}),
            0);
  EXPECT_EQ(Answered("MSSG"), "NBH!");
  ASSERT_EQ(Summaries(harbour, sites).size(), 1u);
  const SummaryRecord zone = Summaries(harbour, sites).front();
  int16_t type = 0;
  ASSERT_EQ(FSGetObjectType(Objects(harbour, sites), zone.position, type), 0);
  EXPECT_EQ(type, kPolygonObject);
  // A mile (about 14,490 units of latitude) on every side of the line, never less.
  EXPECT_GE(zone.worldRect.y2 - 50000000, 14400);
  EXPECT_GE(50000000 - zone.worldRect.y1, 14400);
  EXPECT_LT(zone.worldRect.y2 - 50000000, 15000);
  EXPECT_LT(zone.worldRect.x1, 100000000 - 14400);
  EXPECT_GT(zone.worldRect.x2, 100050000 + 14400);
}

TEST_F(ObjectMessagesTest, ZonesAroundLinesFailWhileThereIsNoEnvelopeOperation) {
  std::vector<WPoint> line = {{1000, 1000}, {5000, 5000}};
  Handle points = MyNewHandle(static_cast<int32_t>(line.size() * sizeof(WPoint)));
  std::memcpy(*points, line.data(), line.size() * sizeof(WPoint));
  ObjectID id;
  MakeObject(harbour, roads, kPolylineObject, "road", nullptr, {1000, 1000, 5000, 5000}, points,
             &id);
  MyDisposeHandle(points);
  const size_t answers = library().sent.size();
  EXPECT_NE(Send("NBH?", {{"OBJ1", Line(ObjectIDText(id), "Roads", "Harbour")},
                          {"LYR2", "Sites"},
                          {"RAD ", "1"}}),
            0);
  EXPECT_EQ(library().sent.size(), answers);
  EXPECT_TRUE(Summaries(harbour, sites).empty());
  EXPECT_EQ(Alerts().size(), 1u);
}

// --- Imports ---

TEST_F(ObjectMessagesTest, ImportsCheckTheirFilesAndMaps) {
  EXPECT_EQ(Send("IMP2", {{"FILE", (root / "none.mie").string()}}), -1);
  EXPECT_EQ(Alerts(),
            (std::vector<std::string>{"File does not exist:\r\n" + (root / "none.mie").string()}));
  EXPECT_TRUE(library().sent.empty());
  platform().alerts.clear();
  EXPECT_EQ(Send("IMPT", {{"MAP ", "Atlantis"}, {"TEXT", "x"}}), -1);
  EXPECT_EQ(
      Alerts(),
      (std::vector<std::string>{"Error importing old-format file. Map does not exist: Atlantis"}));
  // Without the text, the file name and volume are required.
  platform().alerts.clear();
  EXPECT_EQ(Send("IMPT", {{"NAME", "/tmp/x.txt"}}), -1);
  EXPECT_EQ(Alerts().size(), 1u);
  // A bad centre: nothing imported, no answer.
  bool imported = false;
  ObjectMessageHooks hooks = CurrentObjectMessageHooks();
  hooks.importOldObjects = [&imported](const OldImportRequest&, std::vector<std::string>&) {
    imported = true;
    return 0;
  };
  SetObjectMessageHooks(hooks);
  EXPECT_EQ(Send("IMPT", {{"TEXT", "x"}, {"DIST", "Y"}, {"CNTR", "forty"}}), -1);
  EXPECT_FALSE(imported);
  EXPECT_TRUE(library().sent.empty());
}

TEST_F(ObjectMessagesTest, AThreatZoneImportFailsHonestlyWithoutItsBridge) {
  test::WriteWholeFile(root / "zones.mie", "nothing");
  bool imported = false;
  ObjectMessageHooks hooks = CurrentObjectMessageHooks();
  hooks.importInterchange = [&imported](const std::string&, bool, bool, int32_t) {
    imported = true;
    return 0;
  };
  SetObjectMessageHooks(hooks);
  library().running.insert("ZPH5");
  Send("IMP2", {{"FILE", (root / "zones.mie").string()}}, "ZPH5");
  EXPECT_FALSE(imported);
  EXPECT_EQ(Answered("STAT"), "E");
  // Other senders import; "A" asks for duplicates.
  int32_t mode = 0;
  hooks.importInterchange = [&mode](const std::string&, bool, bool, int32_t asked) {
    mode = asked;
    return 1;
  };
  SetObjectMessageHooks(hooks);
  ASSERT_EQ(Send("IMP2", {{"FILE", (root / "zones.mie").string()}, {"MOD?", "A"}}), 0);
  EXPECT_EQ(mode, 6);
  EXPECT_EQ(Answered("STAT"), "C");
}

// --- The view ---

TEST_F(ObjectMessagesTest, TheClickPointsLongitudeSignFollowsTheVersion) {
  SetClickPoint(WorldPointFromDegrees(40.5, -79.25));
  ASSERT_EQ(Send("CPT?", {{"VERS", "2"}}), 0);
  EXPECT_EQ(Answered("MSSG"), "CPT!");
  EXPECT_EQ(Answered("LAT "), "40.500000");
  EXPECT_EQ(Answered("LONG"), "-79.250000");
  ASSERT_EQ(Send("CPT?"), 0);
  EXPECT_EQ(Answered("LONG"), "79.250000");
}

TEST_F(ObjectMessagesTest, SwappedCornersShowTheSameView) {
  ASSERT_EQ(Send("VIEW", {{"LLAT", "40"}, {"LLNG", "-80"}, {"HLAT", "41"}, {"HLNG", "-79"}}), 0);
  ASSERT_EQ(Send("VEW?"), 0);
  const std::vector<std::string> first = {Answered("LLAT"), Answered("LLNG"), Answered("HLAT"),
                                          Answered("HLNG")};
  SetView(5000, 0, 180000000);
  ASSERT_EQ(Send("VIEW", {{"LLAT", "41"}, {"LLNG", "-79"}, {"HLAT", "40"}, {"HLNG", "-80"}}), 0);
  ASSERT_EQ(Send("VEW?"), 0);
  EXPECT_EQ((std::vector<std::string>{Answered("LLAT"), Answered("LLNG"), Answered("HLAT"),
                                      Answered("HLNG")}),
            first);
  // The view holds the rectangle asked for.
  EXPECT_LE(std::stod(first[0]), 40.0);
  EXPECT_GE(std::stod(first[2]), 41.0);
  EXPECT_EQ(Send("VIEW", {{"LLAT", "41"}, {"LLNG", "-79"}, {"HLAT", "40"}}), -1);

  ASSERT_EQ(Send("GOTO", {{"LAT ", "40.5"}, {"LONG", "-79.5"}, {"SCAL", "24000"}}), 0);
  EXPECT_EQ(CurrentMapView().scale, 24000);
  EXPECT_EQ(ClickPoint().y, 130500000);
  EXPECT_EQ(ClickPoint().x, 100500000);
}

TEST_F(ObjectMessagesTest, DrawingHoldsCountDownToARedrawAndNotBelowZero) {
  ASSERT_EQ(Send("DRW-"), 0);
  EXPECT_EQ(DrawHoldCount(), 0);
  EXPECT_EQ(redraws, 1);
  ASSERT_EQ(Send("DRW+"), 0);
  ASSERT_EQ(Send("DRW+"), 0);
  EXPECT_EQ(DrawHoldCount(), 2);
  RedrawAfterMessage();
  ASSERT_EQ(Send("DRW-"), 0);
  EXPECT_EQ(redraws, 1);
  ASSERT_EQ(Send("DRW-"), 0);
  EXPECT_EQ(DrawHoldCount(), 0);
  EXPECT_EQ(redraws, 2);
}

// --- The user's Delete on an application's map ---

class DeleteSelectedTest : public ObjectMessagesTest {
 protected:
  void SetUp() override {
    ObjectMessagesTest::SetUp();
    SetOwnerRunningTest(OwnerApplicationRunning);
    MapRecord map = MapAt(MapNameToIndex("Harbour"));
    std::snprintf(map.owner, sizeof(map.owner), "WLDP");
    map.policies[0] = 3;  // ask the owner
    ASSERT_TRUE(SetMapRecord(MapNameToIndex("Harbour"), map));
    ASSERT_EQ(AppendFriend(MakeFriendRecord("WILD", "WLDP", "Wilder")), 0);
    a = Point(harbour, roads, 100000000, 50000000);
    b = Point(harbour, roads, 100001000, 50000000);
  }
  std::string a, b;
};

TEST_F(DeleteSelectedTest, TheOwnerIsAskedOnceAndNothingIsDeletedHere) {
  library().running.insert("WILD");
  AddSelectedObject(harbour, roads, 0);
  AddSelectedObject(harbour, roads, Summaries(harbour, roads)[1].position);
  ASSERT_EQ(DeleteSelectedObjects(), 0);
  ASSERT_EQ(library().sent.size(), 1u);
  EXPECT_EQ(library().sent[0].target, "WILD");
  EXPECT_EQ(Answered("MSSG"), "MAPA");
  EXPECT_EQ(Answered("ACTN"), "DELETE");
  EXPECT_EQ(Answered("LSTA"), a + "\tRoads\tHarbour\r\n" + b + "\tRoads\tHarbour\r\n");
  EXPECT_EQ(Answered("LSTB"), "");
  int live = 0;
  for (const SummaryRecord& record : Summaries(harbour, roads)) live += SummaryRecordLive(record);
  EXPECT_EQ(live, 2);
  // The owner answers with "DELO", which deletes them.
  ASSERT_EQ(Send("DELO", {{"LST2", Answered("LSTA")}}, "WILD"), 0);
  live = 0;
  for (const SummaryRecord& record : Summaries(harbour, roads)) live += SummaryRecordLive(record);
  EXPECT_EQ(live, 0);
}

TEST_F(DeleteSelectedTest, RefusalsComeBeforeAnyRequest) {
  // The owner is not running.
  AddSelectedObject(harbour, roads, 0);
  EXPECT_EQ(DeleteSelectedObjects(), -1);
  EXPECT_EQ(Alerts().size(), 1u);
  EXPECT_NE(Alerts()[0].find("application associated with their map is not running"),
            std::string::npos);
  // A locked overlay of the application's map.
  library().running.insert("WILD");
  LayerRecord layer = LayerAt(LayerIDToIndex(roads));
  layer.lockState = 3;
  ASSERT_TRUE(SetLayerRecord(LayerIDToIndex(roads), layer));
  platform().alerts.clear();
  EXPECT_EQ(DeleteSelectedObjects(), -1);
  EXPECT_EQ(Alerts(), (std::vector<std::string>{"The selected object could not be deleted "
                                                "because its overlay is locked."}));
  // Objects of two maps.
  int32_t elsewhere = -1;
  Point(inland, sites, 100000000, 50000000, "pt", &elsewhere);
  AddSelectedObject(inland, sites, elsewhere);
  platform().alerts.clear();
  EXPECT_EQ(DeleteSelectedObjects(), -1);
  EXPECT_EQ(Alerts(),
            (std::vector<std::string>{"You can only delete objects from one map at a time."}));
  EXPECT_TRUE(library().sent.empty());
}

}  // namespace
}  // namespace tlv
