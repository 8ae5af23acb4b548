// The search engine through the real catalogue and object files: name tests and their key
// shortcut, collection modes, the spatial tests against the Click Point, the selection and the
// collection, the index skipping blocks, and the search message leaving the user's state alone.
#include "search/search_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/headless_platform.h"
#include "base/platform.h"
#include "edit/selection.h"
#include "geometry/distance.h"
#include "render/map_view.h"
#include "search/collection.h"
#include "support/byte_builder.h"
#include "support/objects_fixture.h"
#include "support/overlay_fixture.h"

namespace tlv {
namespace {

constexpr int16_t kFilled = 1;
constexpr int16_t kNoFill = 2;
constexpr uint32_t kPieceBit = 0x80000000u;
// Latitude 40 north, longitude 10 east.
constexpr int32_t kBaseX = 190000000;
constexpr int32_t kBaseY = 130000000;

class SearchEngineTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    ObjectsTest::SetUp();
    ResetSelectionForTesting();
    ResetSearchEngineForTesting();
    ResetCollectionForTesting();
    MarkAllOverlaysForSearch(true);
    MarkAllMapsForSearch(true);
  }
  void TearDown() override {
    ResetSearchEngineForTesting();
    ResetCollectionForTesting();
    ResetSelectionForTesting();
    ClearMarkedPoint();
    ObjectsTest::TearDown();
  }

  int32_t Named(int32_t mapID, int32_t overlayID, const std::string& prefix,
                const std::string& name, WPoint at = {kBaseX, kBaseY}) {
    ObjectContents contents;
    contents.prefix = prefix;
    contents.name = name;
    ObjectGraphics graphics;
    graphics.symbol = 212;
    graphics.colour = 1;
    contents.graphics = graphics;
    contents.rect = WRect{at.x, at.y - 10, at.x + 10, at.y};
    ObjectID id;
    NewObjectID(id);
    int32_t position = -1;
    EXPECT_EQ(CreateObject(mapID, overlayID, kPointObject, id, contents, position), 0);
    return position;
  }
  int32_t Point(WPoint at, const std::string& name = "Point") {
    return Named(harbour, roads, "", name, at);
  }
  // A polygon (or polyline) whose rings are given; fill 1 solid, 2 none.
  int32_t Polygon(int32_t overlayID, const std::vector<std::vector<WPoint>>& rings, int16_t fill,
                  int16_t type = kPolygonObject) {
    std::vector<WPoint> flat;
    WRect rect = kUnionStartRect;
    for (const auto& ring : rings) {
      for (size_t i = 0; i < ring.size(); ++i) {
        WPoint p = ring[i];
        UnionWRect(rect, {p.x, p.y, p.x, p.y});
        if (i == 0 && !flat.empty())
          p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) | kPieceBit);
        flat.push_back(p);
      }
    }
    ScopedHandle points(MyNewHandle(static_cast<int32_t>(flat.size() * sizeof(WPoint))));
    std::memcpy(*points.get(), flat.data(), flat.size() * sizeof(WPoint));
    ObjectGraphics graphics;
    graphics.colour = 3;
    graphics.lineType = 1;
    graphics.fillPattern = fill;
    return MakeObject(harbour, overlayID, type, "Area", &graphics, rect, points.get());
  }
  static std::vector<WPoint> Square(WPoint centre, int32_t half) {
    return {{centre.x - half, centre.y - half},
            {centre.x + half, centre.y - half},
            {centre.x + half, centre.y + half},
            {centre.x - half, centre.y + half}};
  }

  int32_t Run(int16_t criterion, const std::string& text = "", int16_t mode = kSearchReplace,
              int16_t reference = kReferenceClickPoint, const std::string& distance = "1.0",
              int16_t unit = kUnitMiles) {
    SearchCriteria c;
    c.criterion = criterion;
    c.nameText = text;
    c.collectionMode = mode;
    c.reference = reference;
    c.distanceText = distance;
    c.distanceUnit = unit;
    SetSearchCriteria(c);
    return RunSearch();
  }
  static std::vector<int32_t> Positions() {
    std::vector<int32_t> out;
    CollectionEntry e;
    for (int32_t i = 0; GetCollectedObject(i, e); ++i) out.push_back(e.position);
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::vector<int32_t> Sorted(std::vector<int32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  void Select(int32_t overlayID, int32_t position) {
    ASSERT_GE(AddSelectedObject(harbour, overlayID, position), 0);
  }
};

TEST(SearchNameTest, DirectionPrefixesAndKeysFollowTheirRules) {
  for (const char* text : {"N Main", "S x", "W ", "E 5th", "N. Main", "NE Oak", "SW 3rd"}) {
    EXPECT_TRUE(DirectionPrefixed(text)) << text;
  }
  for (const char* text : {"N", "NMain", "NE", "Ne Oak", "n Main", "NEW York", "X. Y"}) {
    EXPECT_FALSE(DirectionPrefixed(text)) << text;
  }
  const char main[4] = {'M', 'a', 'i', 'n'};
  const char ma[4] = {'M', 'a', 0, 0};
  EXPECT_TRUE(KeyMayStartWith(main, "ma"));
  EXPECT_TRUE(KeyMayStartWith(main, "MAIN STREET"));
  EXPECT_FALSE(KeyMayStartWith(main, "mb"));
  EXPECT_TRUE(KeyMayStartWith(ma, "ma"));
  EXPECT_FALSE(KeyMayStartWith(ma, "mai")) << "a two-letter name cannot start with three";
}

TEST(SearchNameTest, NameTestsUseFullTextNameAndFoldedContains) {
  EXPECT_TRUE(NamePasses(kSearchStartsWith, "ma", "N", "Main St"));
  EXPECT_TRUE(NamePasses(kSearchStartsWith, "n main", "N", "Main St"));
  EXPECT_TRUE(NamePasses(kSearchStartsWith, "MAIN", "", "main"));
  EXPECT_FALSE(NamePasses(kSearchStartsWith, "ma", "", "M\xE1in")) << "accents break ties";
  EXPECT_FALSE(NamePasses(kSearchStartsWith, "main st x", "", "Main St"));
  EXPECT_TRUE(NamePasses(kSearchContains, "nor", "", "Old NORTH Rd"));
  EXPECT_TRUE(NamePasses(kSearchContains, "h rd", "", "Old NORTH Rd"));
  EXPECT_TRUE(NamePasses(kSearchContains, "\xE9t\xE9", "", "L'\xC9T\xC9"));
  EXPECT_FALSE(NamePasses(kSearchContains, "ete", "", "L'\xC9T\xC9"));
  // An empty name is "untitled" for both texts, the prefix left out.
  EXPECT_TRUE(NamePasses(kSearchStartsWith, "untitled", "N", ""));
  EXPECT_FALSE(NamePasses(kSearchStartsWith, "N", "N", ""));
  EXPECT_TRUE(NamePasses(kSearchAnyName, "", "", ""));
  EXPECT_EQ(UpperCase1252("a\xE0\xF7\xFF\x9A"), "A\xC0\xF7\x9F\x8A");
}

TEST(SearchNameTest, DistancesMustBeFiniteAndNotNegative) {
  double d = -1;
  EXPECT_TRUE(ParseSearchDistance("1.0", d));
  EXPECT_DOUBLE_EQ(d, 1.0);
  EXPECT_TRUE(ParseSearchDistance(" 0 ", d));
  EXPECT_DOUBLE_EQ(d, 0.0);
  for (const char* bad : {"", "-1", "nan", "inf", "1e400", "1 mile", "abc"}) {
    EXPECT_FALSE(ParseSearchDistance(bad, d)) << bad;
  }
}

TEST_F(SearchEngineTest, StartsWithMaFindsMainStWithAnyPrefix) {
  const int32_t plain = Named(harbour, roads, "", "Main St");
  const int32_t north = Named(harbour, roads, "N", "Main St");
  const int32_t northEast = Named(harbour, roads, "NE", "Main St");
  Named(harbour, roads, "", "Oak St");
  const int32_t upper = Named(harbour, roads, "", "MAIN");
  Named(harbour, roads, "", "M\xE1in");
  ASSERT_EQ(Run(kSearchStartsWith, "ma"), 0);
  EXPECT_EQ(Positions(), Sorted({plain, north, northEast, upper}));
  // A direction-prefixed text skips the key shortcut and matches the full text.
  ASSERT_EQ(Run(kSearchStartsWith, "N Main"), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{north});
  ASSERT_EQ(Run(kSearchStartsWith, "NE Ma"), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{northEast});
  ASSERT_EQ(Run(kSearchContains, "in s"), 0);
  EXPECT_EQ(Positions(), Sorted({plain, north, northEast}));
  EXPECT_FALSE(SearchStopped());
}

TEST_F(SearchEngineTest, OnlyMarkedOverlaysAndMapsAreSearched) {
  const int32_t road = Named(harbour, roads, "", "Alpha");
  Named(harbour, sites, "", "Alpha");
  Named(inland, roads, "", "Alpha");
  const int32_t overlaysBefore = MarkedOverlayCount();
  const int32_t mapsBefore = MarkedMapCount();
  SetOverlaySearchMark(sites, false);
  SetMapSearchMark(inland, false);
  ASSERT_EQ(Run(kSearchAnyName), 0);
  ASSERT_EQ(CollectedObjectCount(), 1);
  CollectionEntry e;
  ASSERT_TRUE(GetCollectedObject(0, e));
  EXPECT_EQ(e.mapID, harbour);
  EXPECT_EQ(e.overlayID, roads);
  EXPECT_EQ(e.position, road);
  EXPECT_EQ(MarkedOverlayCount(), overlaysBefore - 1);
  EXPECT_EQ(MarkedMapCount(), mapsBefore - 1);
  EXPECT_EQ(OverlaysCheckedText(1), "(1 overlay checked)");
  EXPECT_EQ(OverlaysCheckedText(3), "(3 overlays checked)");
  EXPECT_EQ(MapsCheckedText(1), "(1 map checked)");
  EXPECT_EQ(MapsCheckedText(0), "(0 maps checked)");
}

TEST_F(SearchEngineTest, AnyNameTakesWholeFilesOnlyWhenNoneOfTheFileIsCollected) {
  const int32_t first = Named(harbour, roads, "", "First");
  const int32_t second = Named(harbour, roads, "", "Second");
  const int32_t site = Named(harbour, sites, "", "Site");
  ASSERT_EQ(FSSetObjectAliasCount(Objects(harbour, roads), second, 2), 0);
  // A whole file is taken from its summary records, which do not know about aliases.
  ASSERT_EQ(Run(kSearchAnyName), 0);
  EXPECT_EQ(Positions(), Sorted({first, second, site}));
  CollectionEntry e;
  ASSERT_TRUE(GetCollectedObject(FindCollectedObject(harbour, roads, second), e));
  EXPECT_EQ(e.flags & kCollectionHasAliases, 0);
  EXPECT_EQ(std::string(e.key, 4), "Seco");

  // With part of Roads collected, Roads is searched record by record: the alias count is read
  // and the object already there is not added again; Sites is still taken whole.
  ASSERT_EQ(ReplaceSearchCollection({}), 0);
  ASSERT_EQ(AddCollectedObject(harbour, roads, first, "Firs", 0), 1);
  ASSERT_EQ(Run(kSearchAnyName, "", kSearchAdd), 0);
  EXPECT_EQ(Positions(), Sorted({first, second, site}));
  ASSERT_TRUE(GetCollectedObject(FindCollectedObject(harbour, roads, second), e));
  EXPECT_EQ(e.flags & kCollectionHasAliases, kCollectionHasAliases);
}

TEST_F(SearchEngineTest, AddModeSkipsEntriesAlreadyThere) {
  const int32_t main = Named(harbour, roads, "", "Main");
  const int32_t mall = Named(harbour, roads, "", "Mall");
  const int32_t oak = Named(harbour, roads, "", "Oak");
  ASSERT_EQ(Run(kSearchStartsWith, "oak"), 0);
  ASSERT_EQ(Run(kSearchStartsWith, "ma", kSearchAdd), 0);
  EXPECT_EQ(Positions(), Sorted({main, mall, oak}));
  ASSERT_EQ(Run(kSearchStartsWith, "m", kSearchAdd), 0);
  EXPECT_EQ(CollectedObjectCount(), 3) << "no entry twice";
  // The spatial add skips them the same way.
  SetClickPoint({kBaseX, kBaseY});
  ASSERT_EQ(Run(kSearchWithin, "", kSearchAdd), 0);
  EXPECT_EQ(CollectedObjectCount(), 3);
}

TEST_F(SearchEngineTest, SubsearchByNameNarrowsAndAnyNameDropsOnlyUncheckedFiles) {
  const int32_t main = Named(harbour, roads, "", "Main");
  const int32_t oak = Named(harbour, roads, "", "Oak");
  const int32_t site = Named(harbour, sites, "", "Maple");
  const int32_t inlandRoad = Named(inland, roads, "", "Marsh");
  ASSERT_EQ(Run(kSearchAnyName), 0);
  ASSERT_EQ(CollectedObjectCount(), 4);
  SetOverlaySearchMark(sites, false);
  ASSERT_EQ(Run(kSearchAnyName, "", kSearchSubsearch), 0);
  EXPECT_EQ(Positions(), Sorted({main, oak, inlandRoad}));
  SetOverlaySearchMark(sites, true);
  ASSERT_EQ(Run(kSearchStartsWith, "ma", kSearchSubsearch), 0);
  EXPECT_EQ(Positions(), Sorted({main, inlandRoad})) << "a subsearch never adds";
  EXPECT_EQ(FindCollectedObject(harbour, sites, site), -1);
}

TEST_F(SearchEngineTest, ReferenceChecksStopTheSearchWithTheirMessages) {
  SearchCriteria c;
  c.criterion = kSearchWithin;
  std::string message;
  c.reference = kReferenceMarkedPoint;
  EXPECT_EQ(CheckSearchReference(c, message), -1);
  EXPECT_EQ(message, "You cannot search based on the Marked Point since no point is marked.");
  SetMarkedPoint({kBaseX, kBaseY});
  EXPECT_EQ(CheckSearchReference(c, message), 0);
  c.reference = kReferenceSelection;
  EXPECT_EQ(CheckSearchReference(c, message), -1);
  EXPECT_EQ(message,
            "You cannot search based on the currently selected objects, since no objects are "
            "currently selected on the map.");
  c.reference = kReferenceCollection;
  EXPECT_EQ(CheckSearchReference(c, message), -1);
  EXPECT_EQ(message,
            "You cannot search based on the previous search collection, since there are no "
            "objects in the search collection.");
  c.criterion = kSearchStartsWith;
  EXPECT_EQ(CheckSearchReference(c, message), 0) << "name searches need no reference";
  // A bad distance beeps and does not search.
  Point({kBaseX, kBaseY});
  SetClickPoint({kBaseX, kBaseY});
  const int beeps = platform().beeps;
  EXPECT_NE(Run(kSearchWithin, "", kSearchReplace, kReferenceClickPoint, "-2"), 0);
  EXPECT_EQ(platform().beeps, beeps + 1);
  EXPECT_EQ(CollectedObjectCount(), 0);
}

TEST_F(SearchEngineTest, EscapeLeavesASortedPartialCollection) {
  Named(harbour, roads, "", "Zulu");
  Named(harbour, roads, "", "Alpha");
  Named(harbour, roads, "", "Mike");
  Named(harbour, roads, "", "Zeta");
  Named(harbour, sites, "", "Bravo");
  // The first check is at the start of Roads, the second at the start of Sites.
  platform().escapeChecks = 0;
  platform().escapeAtCheck = 2;
  ASSERT_EQ(Run(kSearchContains, "a"), 0);
  platform().escapeAtCheck = 0;
  EXPECT_TRUE(SearchStopped());
  EXPECT_TRUE(CollectionStopped());
  std::vector<std::string> keys;
  CollectionEntry e;
  for (int32_t i = 0; GetCollectedObject(i, e); ++i) {
    EXPECT_EQ(e.overlayID, roads);
    keys.emplace_back(e.key, strnlen(e.key, 4));
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Alph", "Zeta"}));
}

TEST_F(SearchEngineTest, WithinAMileOfTheClickPointAtLatitudeSixty) {
  const WPoint click{kBaseX, 150000000};
  const int32_t inside =
      Point({click.x + LengthToWorldDx(0.99, click.y, kUnitMiles), click.y}, "Inside");
  const int32_t outside =
      Point({click.x + LengthToWorldDx(1.01, click.y, kUnitMiles), click.y}, "Outside");
  const int32_t north = Point({click.x, click.y + LengthToWorldDy(0.99, kUnitMiles)}, "North");
  SetClickPoint(click);
  ASSERT_EQ(Run(kSearchWithin), 0);
  EXPECT_EQ(Positions(), Sorted({inside, north}));
  ASSERT_EQ(Run(kSearchNotWithin), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{outside});
  // The same distance in another unit.
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceClickPoint, "1.6", kUnitKilometers),
            0);
  EXPECT_EQ(Positions(), Sorted({inside, north}));
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceClickPoint, "5260", kUnitFeet), 0);
  EXPECT_EQ(Positions(), Sorted({inside, north})) << "5260 ft is 0.996 mi";
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceClickPoint, "5000", kUnitFeet), 0);
  EXPECT_EQ(CollectedObjectCount(), 0) << "5000 ft is 0.95 mi";
}

TEST_F(SearchEngineTest, APointHalfAMileEastOfASelectedPolygonIsWithinAMile) {
  const WPoint centre{kBaseX, kBaseY};
  const int32_t half = LengthToWorldDy(0.5, kUnitMiles);
  const int32_t polygon = Polygon(sites, {Square(centre, half)}, kNoFill);
  const int32_t eastEdge = centre.x + half;
  const int32_t near = Point({eastEdge + LengthToWorldDx(0.5, centre.y, kUnitMiles), centre.y});
  const int32_t far = Point({eastEdge + LengthToWorldDx(1.5, centre.y, kUnitMiles), centre.y});
  SetOverlaySearchMark(sites, false);
  Select(sites, polygon);
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceSelection), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{near});
  ASSERT_EQ(Run(kSearchNotWithin, "", kSearchReplace, kReferenceSelection), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{far});
  // The previous collection as the reference: within a mile of the near point.
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceSelection), 0);
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceCollection), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{near}) << "the far point is a mile away";
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceCollection, "1.2"), 0);
  EXPECT_EQ(Positions(), Sorted({near, far}));
}

TEST_F(SearchEngineTest, AreasHoldPointsInTheirHolesAndOutlinesOnlyTouch) {
  const WPoint centre{kBaseX, kBaseY};
  const int32_t half = LengthToWorldDy(1.0, kUnitMiles);
  const int32_t filled = Polygon(sites, {Square(centre, half), Square(centre, half / 2)}, kFilled);
  const int32_t inHole = Point(centre, "Hole");
  const int32_t inRing = Point({centre.x + 3 * half / 4, centre.y}, "Ring");
  const int32_t away = Point({centre.x + 2 * half, centre.y}, "Away");
  SetOverlaySearchMark(sites, false);
  Select(sites, filled);
  ASSERT_EQ(Run(kSearchTouching, "", kSearchReplace, kReferenceSelection), 0);
  EXPECT_EQ(Positions(), Sorted({inHole, inRing})) << "rings count one by one";
  ASSERT_EQ(Run(kSearchNotTouching, "", kSearchReplace, kReferenceSelection), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{away});

  // An unfilled polygon touches only by its outline.
  RemoveAllSelectedObjects();
  const int32_t outline = Polygon(sites, {Square(centre, half)}, kNoFill);
  const int32_t onEdge = Point({centre.x + half, centre.y}, "Edge");
  Select(sites, outline);
  ASSERT_EQ(Run(kSearchTouching, "", kSearchReplace, kReferenceSelection), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{onEdge});

  // The search message's area flag makes it an area whatever its fill.
  ExternalSearchRequest request;
  request.criterion = kSearchTouching;
  request.reference = kReferenceSelection;
  request.overlayNames = "Roads";
  request.mapNames = "SEARCHALLMAPS";
  request.areaFlag = true;
  Handle result = nullptr;
  ASSERT_EQ(ExternalSearch(request, result), 0);
  ScopedHandle owned(result);
  std::vector<int32_t> found;
  HandleArray<CollectionEntry> list(result);
  for (int32_t i = 0; i < list.Count(); ++i) found.push_back(list.Get(i).position);
  EXPECT_EQ(Sorted(found), Sorted({inHole, inRing, onEdge}));
}

TEST_F(SearchEngineTest, APolylineAndARectangleTouchWhenTheyCross) {
  const WPoint centre{kBaseX, kBaseY};
  const int32_t half = LengthToWorldDy(0.2, kUnitMiles);
  const int32_t line =
      Polygon(roads, {{{centre.x - 4 * half, centre.y}, {centre.x + 4 * half, centre.y}}}, kNoFill,
              kPolylineObject);
  const int32_t apart = Polygon(
      roads,
      {{{centre.x - 4 * half, centre.y + 3 * half}, {centre.x + 4 * half, centre.y + 3 * half}}},
      kNoFill, kPolylineObject);
  ObjectGraphics graphics;
  graphics.fillPattern = kNoFill;
  const int32_t box =
      MakeObject(harbour, sites, kRectangleObject, "Box", &graphics,
                 {centre.x - half, centre.y - half, centre.x + half, centre.y + half});
  SetOverlaySearchMark(sites, false);
  Select(sites, box);
  ASSERT_EQ(Run(kSearchTouching, "", kSearchReplace, kReferenceSelection), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{line});
  // 0.4 miles above the box's top edge lies the second line.
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceSelection, "0.39"), 0);
  EXPECT_EQ(Positions(), std::vector<int32_t>{line});
  ASSERT_EQ(Run(kSearchWithin, "", kSearchReplace, kReferenceSelection, "0.41"), 0);
  EXPECT_EQ(Positions(), Sorted({line, apart}));
}

TEST_F(SearchEngineTest, ASmallAreaReadsOnlyItsBlocksOfTheIndex) {
  // A 10 x 10 grid of cells, each cell's object named by 1000 summary records (one block of the
  // index), so a search over one cell should read about 1 % of the records.
  const int32_t cell = 100000;
  std::vector<int32_t> positions;
  for (int32_t row = 0; row < 10; ++row) {
    for (int32_t column = 0; column < 10; ++column) {
      positions.push_back(
          Point({kBaseX + column * cell + cell / 2, kBaseY + row * cell + cell / 2}, "Cell"));
    }
  }
  const int32_t mapIndex = MapIDToIndex(harbour);
  const int32_t fileIndex = OverlayFileIndexForID(mapIndex, roads);
  OverlayFileRecord file;
  ASSERT_TRUE(GetOverlayFileRecord(mapIndex, fileIndex, file));
  std::string bytes;
  for (size_t k = 0; k < positions.size(); ++k) {
    const WPoint at{kBaseX + static_cast<int32_t>(k % 10) * cell + cell / 2,
                    kBaseY + static_cast<int32_t>(k / 10) * cell + cell / 2};
    for (int i = 0; i < 1000; ++i) {
      bytes += test::SummaryBytes(positions[k], {at.x, at.y - 10, at.x + 10, at.y}, 1,
                                  static_cast<int32_t>(k), "Cell");
    }
  }
  CloseBufferedFiles();
  ResetOpenFilesForTesting();
  test::WriteWholeFile(harbourFolder / (std::string(file.baseName) + ".SUM"), bytes);
  bool written = false;
  ASSERT_EQ(WriteSM2File(mapIndex, fileIndex, written), 0);
  ASSERT_TRUE(written);

  // The reference: one cell, a rectangle on an overlay that is not searched.
  ObjectGraphics graphics;
  graphics.fillPattern = kFilled;
  const int32_t row = 3, column = 7;
  const int32_t box = MakeObject(harbour, sites, kRectangleObject, "Cell", &graphics,
                                 {kBaseX + column * cell, kBaseY + row * cell,
                                  kBaseX + (column + 1) * cell - 1, kBaseY + (row + 1) * cell - 1});
  SetOverlaySearchMark(sites, false);
  SetMapSearchMark(inland, false);
  Select(sites, box);
  ASSERT_EQ(Run(kSearchTouching, "", kSearchReplace, kReferenceSelection), 0);
  const SummaryWalkStats stats = LastSummaryWalkStats();
  EXPECT_LT(stats.recordsRead, 3000) << "of 100,000 records";
  EXPECT_GE(stats.blocksSkipped, 97);
  const std::vector<int32_t> found = Positions();
  ASSERT_FALSE(found.empty());
  for (int32_t p : found) EXPECT_EQ(p, positions[static_cast<size_t>(row * 10 + column)]);
}

TEST_F(SearchEngineTest, ExternalSearchLeavesCriteriaMarksAndCollectionAsTheyWere) {
  const int32_t main = Named(harbour, roads, "", "Main");
  const int32_t mill = Named(harbour, sites, "", "Mill");
  const int32_t inlandMain = Named(inland, roads, "", "Main Rd");
  Named(harbour, roads, "", "Oak");
  ASSERT_EQ(Run(kSearchStartsWith, "oak"), 0);
  SetOverlaySearchMark(sites, false);
  SearchCriteria user = CurrentSearchCriteria();
  user.distanceText = "7.5";
  SetSearchCriteria(user);
  const uint32_t generation = CollectionGeneration();
  CollectionEntry before;
  ASSERT_TRUE(GetCollectedObject(0, before));

  ExternalSearchRequest request;
  request.criterion = kSearchStartsWith;
  request.nameText = "m";
  request.mapNames = "Harbour\r\nInland";
  request.overlayNames = "Roads (2 objects)\rSites  ";
  request.cutOverlayNames = true;
  Handle result = nullptr;
  ASSERT_EQ(ExternalSearch(request, result), 0);
  ScopedHandle owned(result);
  std::vector<int32_t> found;
  HandleArray<CollectionEntry> list(result);
  for (int32_t i = 0; i < list.Count(); ++i) found.push_back(list.Get(i).position);
  EXPECT_EQ(Sorted(found), Sorted({main, mill, inlandMain}));

  EXPECT_EQ(CurrentSearchCriteria().criterion, kSearchStartsWith);
  EXPECT_EQ(CurrentSearchCriteria().nameText, "oak");
  EXPECT_EQ(CurrentSearchCriteria().distanceText, "7.5");
  EXPECT_FALSE(OverlayMarkedForSearch(sites));
  EXPECT_TRUE(OverlayMarkedForSearch(roads));
  EXPECT_TRUE(MapMarkedForSearch(inland));
  ASSERT_EQ(CollectedObjectCount(), 1);
  CollectionEntry after;
  ASSERT_TRUE(GetCollectedObject(0, after));
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
  EXPECT_NE(CollectionGeneration(), generation) << "the window is told to look again";

  // Only the named map; unknown names find nothing.
  request.mapNames = "Inland";
  ASSERT_EQ(ExternalSearch(request, result = nullptr), 0);
  ScopedHandle second(result);
  ASSERT_EQ(HandleArray<CollectionEntry>(result).Count(), 1);
  EXPECT_EQ(HandleArray<CollectionEntry>(result).Get(0).position, inlandMain);
  request.mapNames = "Nowhere";
  ASSERT_EQ(ExternalSearch(request, result = nullptr), 0);
  ScopedHandle third(result);
  EXPECT_EQ(HandleArray<CollectionEntry>(result).Count(), 0);
  EXPECT_EQ(SplitSearchNameList("A\r\nB\rC"), (std::vector<std::string>{"A", "B", "C"}));
}

}  // namespace
}  // namespace tlv
