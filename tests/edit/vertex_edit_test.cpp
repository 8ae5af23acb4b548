#include "edit/vertex_edit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "edit/edit_fixture.h"
#include "edit/stored_segments.h"
#include "render/map_view.h"

namespace tlv {
namespace {

constexpr int32_t kScale = 50000;
constexpr int32_t kEquator = 90000000;
constexpr int32_t kLat60 = 150000000;
constexpr int32_t kMeridian = 180000000;

class VertexEditTest : public test::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    ResetMapView();
    ResetVertexEditForTesting();
    VertexEditHooks hooks;
    hooks.clickPoint = ClickPoint;
    hooks.viewMapping = CurrentViewMapping;
    hooks.markedPoint = [](WPoint& p) {
      if (!MarkedPointSet()) return false;
      p = MarkedPoint();
      return true;
    };
    hooks.setMarkedPoint = SetMarkedPoint;
    SetVertexEditHooks(hooks);
    CentreViewOn(kScale, kMeridian, kEquator);
  }
  void TearDown() override {
    ResetVertexEditForTesting();
    ResetMapView();
    EditTest::TearDown();
  }

  // The world point dx, dy pixels from p in the current view.
  WPoint Off(WPoint p, int32_t dx, int32_t dy) {
    const ViewMapping m = CurrentViewMapping();
    const ScreenPoint s = WorldToScreenPoint(m, p);
    return ScreenToWorldPoint(m, {s.x + dx, s.y + dy});
  }
  // The world point of the pixel the view shows p at, so clicks on it are exact.
  WPoint OnPixel(WPoint p) { return Off(p, 0, 0); }
  // A world length of n pixels along x at the view's middle.
  int32_t Pixels(int32_t n) {
    const WPoint c{kMeridian, kEquator};
    return Off(c, n, 0).x - OnPixel(c).x;
  }
  void ClickAt(WPoint p) { SetClickPoint(p); }

  // A polyline or polygon of several pieces; each inner vector starts a new piece.
  int32_t MakePieces(int16_t type, const std::vector<std::vector<WPoint>>& pieces) {
    std::vector<WPoint> all;
    WRect rect = kUnionStartRect;
    for (const auto& piece : pieces) {
      for (size_t i = 0; i < piece.size(); ++i) {
        WPoint p = piece[i];
        UnionWRect(rect, {p.x, p.y, p.x, p.y});
        if (i == 0 && !all.empty())
          p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) | kNewPieceBit);
        all.push_back(p);
      }
    }
    ScopedHandle points(MyNewHandle(static_cast<int32_t>(all.size() * sizeof(WPoint))));
    std::memcpy(*points.get(), all.data(), all.size() * sizeof(WPoint));
    ObjectGraphics graphics;
    graphics.colour = 3;
    return MakeObject(harbour, roads, type, "Line", &graphics, rect, points.get());
  }

  // A polyline whose points carry attributes, in a record with no spare room.
  int32_t MakeAttributed(const std::vector<StoredSegmentState>& segments) {
    int32_t bytes = 0;
    WRect rect = kUnionStartRect;
    for (const auto& s : segments) {
      bytes += StoredSize(s);
      UnionWRect(rect, {s.X(), s.y, s.X(), s.y});
    }
    ObjectID id;
    NewObjectID(id);
    int32_t position = -1;
    EXPECT_EQ(CreateEmptyObject(harbour, roads, kPolylineObject, id, 8, 0,
                                static_cast<int32_t>(segments.size()), bytes, position),
              0);
    EXPECT_EQ(WriteSegments(harbour, roads, position, segments, "test"), 0);
    if (!segments.empty()) {
      EXPECT_EQ(ChangeObjectWRect(harbour, roads, position, &rect, 0, 0), 0);
    }
    return position;
  }

  std::vector<StoredSegmentState> Segments(int32_t position) {
    std::vector<StoredSegmentState> segments;
    int32_t room = 0;
    EXPECT_EQ(ReadSegments(harbour, roads, position, segments, room), 0);
    return segments;
  }
  std::vector<WPoint> Points(int32_t position) {
    std::vector<WPoint> points;
    for (const auto& s : Segments(position)) points.push_back({s.X(), s.y});
    return points;
  }
  WRect RectOf(int32_t position) {
    WRect r;
    EXPECT_EQ(FSGetObjectWorldRect(Objects(harbour, roads), position, r), 0);
    return r;
  }
  WRect BoundsOfPoints(int32_t position) {
    WRect r = kUnionStartRect;
    for (const WPoint& p : Points(position)) UnionWRect(r, {p.x, p.y, p.x, p.y});
    return r;
  }
  void SelectOnly(int32_t position) {
    RemoveAllSelectedObjects();
    Select(harbour, roads, position);
  }
  bool Shown(int16_t index) { return AlertsContaining(GetIndString(26300, index)) > 0; }
};

bool Same(WPoint a, WPoint b) {
  return a.x == b.x && a.y == b.y;
}

// ---- Finding the place -----------------------------------------------------------------------

TEST_F(VertexEditTest, AClickThreePixelsOffALineFindsItAndFivePixelsOffDoesNot) {
  // Across both axes and away from the equator, where a degree of longitude covers less ground.
  for (const int32_t y : {kEquator, kLat60}) {
    CentreViewOn(kScale, kMeridian, y);
    const WPoint a = OnPixel({kMeridian - Pixels(100), y});
    const WPoint b = Off(a, 200, 0);
    const WPoint c = Off(b, 0, -200);
    const int32_t line = MakePieces(kPolylineObject, {{a, b, c}});
    SelectOnly(line);
    const WPoint alongAB = Off(a, 100, 0);
    const WPoint alongBC = Off(b, 0, -100);

    ClickAt(Off(alongAB, 0, 3));
    ASSERT_EQ(FindVertex({harbour, roads, line}, false), 0) << "below the east-west line, y " << y;
    EXPECT_EQ(FoundVertex().segment, 1);
    ClickAt(Off(alongBC, -3, 0));
    ASSERT_EQ(FindVertex({harbour, roads, line}, false), 0) << "beside the north-south line";
    EXPECT_EQ(FoundVertex().segment, 2);

    platform().alerts.clear();
    ClickAt(Off(alongAB, 0, 5));
    EXPECT_EQ(FindVertex({harbour, roads, line}, false), -1);
    EXPECT_TRUE(Shown(1));
    ClickAt(Off(alongBC, -5, 0));
    EXPECT_EQ(FindVertex({harbour, roads, line}, false), -1);
    EXPECT_EQ(FoundVertex().segment, -1) << "a failed search leaves no place behind";
  }
}

TEST_F(VertexEditTest, TheLineJoiningTwoPiecesIsNotPartOfTheObject) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const WPoint b = Off(a, 0, -100);
  const WPoint c = Off(a, 200, -100);  // the next piece starts here
  const WPoint d = Off(c, 0, 100);
  for (const int16_t type : {kPolylineObject, kPolygonObject}) {
    const int32_t object = MakePieces(type, {{a, b}, {c, d}});
    SelectOnly(object);
    platform().alerts.clear();
    ClickAt(Off(b, 100, 0));  // on the line from b to c
    EXPECT_EQ(FindVertex({harbour, roads, object}, false), -1);
    EXPECT_TRUE(Shown(1));
    ClickAt(Off(c, 0, 50));  // the pieces themselves are found
    ASSERT_EQ(FindVertex({harbour, roads, object}, false), 0);
    EXPECT_EQ(FoundVertex().segment, 3);
  }
}

TEST_F(VertexEditTest, TheFirstLineNearEnoughWinsOverANearerLaterOne) {
  // Two parallel lines 3 pixels apart: the click lies on the second and 3 pixels off the first.
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const WPoint b = Off(a, 200, 0);
  const WPoint c = Off(b, 0, 3);
  const WPoint d = Off(a, 0, 3);
  const int32_t line = MakePieces(kPolylineObject, {{a, b, c, d}});
  ClickAt(Off(a, 100, 3));
  ASSERT_EQ(FindVertex({harbour, roads, line}, false), 0);
  EXPECT_EQ(FoundVertex().segment, 1);
}

TEST_F(VertexEditTest, TheNearerEndIsChosenAndAnExactTieGoesToTheLaterPoint) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const WPoint b{a.x + 2 * Pixels(100), a.y};
  const int32_t line = MakePieces(kPolylineObject, {{a, b}});
  SelectOnly(line);
  ClickAt({a.x + Pixels(100), a.y});
  ASSERT_EQ(MarkVertex(), 0);
  EXPECT_EQ(FoundVertex().vertex, 1);
  EXPECT_TRUE(MarkedPointSet());
  EXPECT_TRUE(Same(MarkedPoint(), b));

  ClickAt(Off(a, 60, 2));
  ASSERT_EQ(MarkVertex(), 0);
  EXPECT_EQ(FoundVertex().vertex, 0);
  EXPECT_TRUE(Same(MarkedPoint(), a));
  int32_t first = 0, end = 0;
  ASSERT_EQ(FSGetObjectSegmentRange(Objects(harbour, roads), line, first, end), 0);
  EXPECT_EQ(FoundVertex().offset, first);

  // For an insertion the place is always the line's end.
  ASSERT_EQ(FindVertex({harbour, roads, line}, true), 0);
  EXPECT_EQ(FoundVertex().vertex, 1);
}

TEST_F(VertexEditTest, ALineOfNoLengthIsFoundOnlyAtItsEnds) {
  const WPoint a = OnPixel({kMeridian, kEquator});
  const int32_t line = MakePieces(kPolylineObject, {{a, a, Off(a, 100, 0)}});
  ClickAt(Off(a, 2, 2));
  ASSERT_EQ(FindVertex({harbour, roads, line}, false), 0);
  EXPECT_EQ(FoundVertex().segment, 1);
  EXPECT_EQ(FoundVertex().vertex, 1);
}

TEST_F(VertexEditTest, AnObjectWithoutPointsOrOfAnotherKindIsNotNear) {
  const int32_t empty = MakeAttributed({});
  const int32_t point = MakePoint(harbour, roads, "Pump", 5, kMeridian);
  ClickAt({kMeridian, kEquator});
  EXPECT_EQ(FindVertex({harbour, roads, empty}, false), -1);
  EXPECT_EQ(FindVertex({harbour, roads, point}, false), -1);
  EXPECT_EQ(AlertsContaining(GetIndString(26300, 1)), 2u);
}

// ---- Moving ----------------------------------------------------------------------------------

TEST_F(VertexEditTest, MovingWithoutAMarkedPointBeepsAndChangesNothing) {
  const WPoint a = OnPixel({kMeridian, kEquator});
  const int32_t line = MakePieces(kPolylineObject, {{a, Off(a, 100, 0)}});
  SelectOnly(line);
  ClickAt(a);
  const auto before = Picture();
  EXPECT_EQ(MoveVertexToMarkedPoint(), -1);
  EXPECT_EQ(platform().beeps, 1);
  EXPECT_EQ(Picture(), before);
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
}

TEST_F(VertexEditTest, MovingTheFirstPointOfRingTwoMovesItsClosingPointOnly) {
  const WPoint a = OnPixel({kMeridian - Pixels(150), kEquator + Pixels(50)});
  const WPoint b = Off(a, 100, 0), c = Off(a, 100, 100);
  const WPoint e = Off(a, 200, 0), f = Off(e, 80, 0), g = Off(e, 80, 80);
  const int32_t polygon = MakePieces(kPolygonObject, {{a, b, c, a}, {e, f, g, e}});
  SelectOnly(polygon);
  ClickAt(Off(e, 2, 1));
  SetMarkedPoint(Off(e, 0, -30));
  const WPoint target = MarkedPoint();
  ASSERT_EQ(MoveVertexToMarkedPoint(), 0);
  const auto points = Points(polygon);
  ASSERT_EQ(points.size(), 8u);
  EXPECT_TRUE(Same(points[4], target));
  EXPECT_TRUE(Same(points[7], target)) << "the ring stays closed";
  EXPECT_TRUE(Same(points[0], a) && Same(points[3], a)) << "ring one is left alone";
  EXPECT_TRUE(Segments(polygon)[4].NewPiece()) << "the piece bit is kept";
  EXPECT_EQ(RectOf(polygon), BoundsOfPoints(polygon));
  EXPECT_EQ(UndoKindNow(), kUndoReshapePoint);
}

TEST_F(VertexEditTest, MovingAPointOfRingOneLeavesACoincidentPointOfRingTwo) {
  const WPoint a = OnPixel({kMeridian - Pixels(150), kEquator});
  const WPoint b = Off(a, 100, 0), c = Off(a, 100, 100);
  // Ring two starts on ring one's second point.
  const WPoint f = Off(b, 80, 0), g = Off(b, 80, 80);
  const int32_t polygon = MakePieces(kPolygonObject, {{a, b, c, a}, {b, f, g, b}});
  SelectOnly(polygon);
  ClickAt(Off(b, -2, 1));
  SetMarkedPoint(Off(b, 0, -30));
  ASSERT_EQ(MoveVertexToMarkedPoint(), 0);
  const auto points = Points(polygon);
  EXPECT_TRUE(Same(points[1], MarkedPoint()));
  EXPECT_TRUE(Same(points[4], b) && Same(points[7], b)) << "ring two is another ring";
  EXPECT_TRUE(Same(points[0], a) && Same(points[3], a));
}

TEST_F(VertexEditTest, AMovedPointIsHeldInsideTheStoredRangeAndKeepsItsAttributes) {
  StoredSegmentState s0, s1;
  s0.x = kMeridian;
  s0.y = kEquator;
  s0.mask = 0x0005;
  s0.values[0] = 11;
  s0.values[2] = 33;
  s1 = s0;
  s1.x = static_cast<uint32_t>(kMeridian + Pixels(100));
  const int32_t line = MakeAttributed({s0, s1});
  SelectOnly(line);
  ClickAt(OnPixel({kMeridian, kEquator}));
  SetMarkedPoint({kMeridian, kEquator});
  // The Marked Point can only be set inside the world, so put one outside through the hook.
  VertexEditHooks hooks;
  hooks.clickPoint = ClickPoint;
  hooks.viewMapping = CurrentViewMapping;
  hooks.markedPoint = [](WPoint& p) {
    p = {-5, 2000000000};
    return true;
  };
  SetVertexEditHooks(hooks);
  ASSERT_EQ(MoveVertexToMarkedPoint(), 0);
  const auto after = Segments(line);
  int32_t x = -5, y = 2000000000;
  ClampStoredPoint(x, y);
  EXPECT_EQ(after[0].X(), x);
  EXPECT_EQ(after[0].y, y);
  EXPECT_EQ(after[0].mask, 0x0005);
  EXPECT_EQ(after[0].values[0], 11);
  EXPECT_EQ(after[0].values[2], 33);
  EXPECT_EQ(after[1], s1);
}

// ---- Inserting -------------------------------------------------------------------------------

TEST_F(VertexEditTest, InsertingIntoAMadeObjectRecreatesItWithItsIDAndEverythingElse) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const WPoint b = Off(a, 200, 0), c = Off(b, 0, -100);
  const int32_t line = MakePieces(kPolylineObject, {{a, b, c}});
  const int32_t alias = MakeAlias(harbour, roads, line, "Line alias");
  ObjectID id;
  ASSERT_EQ(FSGetObjectID(Objects(harbour, roads), line, id.high, id.low), 0);
  const ObjectGraphics graphics = GraphicsOf(harbour, roads, line);
  SelectOnly(alias);  // an alias stands for its object
  const WPoint click = Off(a, 50, 2);
  ClickAt(click);
  ASSERT_EQ(InsertVertexAtClickPoint(), 0);

  const int32_t moved = FoundVertex().object.position;
  ASSERT_NE(moved, line) << "the record had no room for another point";
  const auto live = LivePositions(harbour, roads);
  EXPECT_EQ(std::count(live.begin(), live.end(), line), 0) << "the old record is deleted";
  ObjectID now;
  ASSERT_EQ(FSGetObjectID(Objects(harbour, roads), moved, now.high, now.low), 0);
  EXPECT_EQ(now.high, id.high);
  EXPECT_EQ(now.low, id.low);
  const ObjectGraphics kept = GraphicsOf(harbour, roads, moved);
  EXPECT_EQ(std::memcmp(&kept, &graphics, sizeof kept), 0);
  std::string prefix, name;
  ASSERT_EQ(FSGetObjectName(Objects(harbour, roads), moved, prefix, name), 0);
  EXPECT_EQ(name, "Line");
  const auto points = Points(moved);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_TRUE(Same(points[0], a));
  EXPECT_TRUE(Same(points[1], click));
  EXPECT_TRUE(Same(points[2], b));
  EXPECT_TRUE(Same(points[3], c));
  EXPECT_FALSE(Segments(moved)[1].NewPiece());
  EXPECT_EQ(RectOf(moved), BoundsOfPoints(moved));
  EXPECT_TRUE(IsSelected(harbour, roads, moved));
  EXPECT_TRUE(CountsMatchLiveRecords());
  // The alias still finds its object.
  int32_t original = -1;
  int32_t aliasNow = -1;
  for (int32_t p : LivePositions(harbour, roads)) {
    if (TypeOf(harbour, roads, p) == kAliasObject) aliasNow = p;
  }
  ASSERT_GE(aliasNow, 0);
  ASSERT_EQ(ResolveAlias(harbour, roads, aliasNow, original, true), 0);
  EXPECT_EQ(original, moved);

  // The grown record holds exactly one more point, so a second insertion grows it again.
  ClickAt(Off(b, 2, -50));
  ASSERT_EQ(InsertVertexAtClickPoint(), 0);
  EXPECT_EQ(Points(FoundVertex().object.position).size(), 5u);
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(VertexEditTest, TheNewPointTakesTheAttributesOfThePointItGoesBefore) {
  std::vector<StoredSegmentState> segments(3);
  for (int32_t i = 0; i < 3; ++i) {
    segments[i].x = static_cast<uint32_t>(kMeridian + i * Pixels(100));
    segments[i].y = kEquator;
  }
  segments[1].mask = 0x7FFF | kSegmentFlagBit;
  for (int32_t k = 0; k < kSegmentAttributeCount; ++k) segments[1].values[k] = 100 + k;
  segments[2].mask = 0x0002;
  segments[2].values[1] = 7;
  const int32_t line = MakeAttributed(segments);
  SelectOnly(line);
  ClickAt(OnPixel({kMeridian + Pixels(50), kEquator}));
  ASSERT_EQ(InsertVertexAtClickPoint(), 0);
  const int32_t now = FoundVertex().object.position;
  const auto after = Segments(now);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[1].mask, segments[1].mask);
  for (int32_t k = 0; k < kSegmentAttributeCount; ++k) EXPECT_EQ(after[1].values[k], 100 + k);
  EXPECT_EQ(after[2], segments[1]);
  EXPECT_EQ(after[3], segments[2]);
  EXPECT_EQ(after[0], segments[0]);
}

// ---- Deleting --------------------------------------------------------------------------------

TEST_F(VertexEditTest, TheMinimumAndAnchorPointsCannotBeDeleted) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const WPoint b = Off(a, 100, 0), c = Off(a, 100, -100);
  const int32_t triangle = MakePieces(kPolygonObject, {{a, b, c}});
  const int32_t two = MakePieces(kPolylineObject, {{a, b}});
  const int32_t chains = MakePieces(kPolylineObject, {{a, b, c}, {Off(a, 0, 50), Off(a, 50, 50)}});
  for (const int32_t object : {triangle, two}) {
    SelectOnly(object);
    platform().alerts.clear();
    ClickAt(Off(b, -2, 1));
    const auto before = Picture();
    EXPECT_EQ(DeleteVertex(), -1);
    EXPECT_TRUE(Shown(2));
    EXPECT_EQ(Picture(), before);
  }
  SelectOnly(chains);
  for (const WPoint click : {Off(a, 2, 1), Off(a, 2, 50)}) {
    platform().alerts.clear();
    ClickAt(click);
    const auto before = Picture();
    EXPECT_EQ(DeleteVertex(), -1);
    EXPECT_TRUE(Shown(3)) << "the first point of each chain is its anchor";
    EXPECT_EQ(Picture(), before);
  }
  ClickAt(Off(b, -2, 1));
  ASSERT_EQ(DeleteVertex(), 0);
  EXPECT_EQ(Points(chains).size(), 4u);
  EXPECT_TRUE(Segments(chains)[2].NewPiece()) << "the second chain still starts where it did";
}

TEST_F(VertexEditTest, DeleteActsOnlyOnExactlyOneSelectedPolyline) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const int32_t line = MakePieces(kPolylineObject, {{a, Off(a, 50, 0), Off(a, 100, 0)}});
  const int32_t other = MakePieces(kPolylineObject, {{a, Off(a, 0, 50), Off(a, 0, 100)}});
  const int32_t point = MakePoint(harbour, roads, "Pump", 5, a.x);
  ClickAt(Off(a, 50, 1));
  const auto before = Picture();
  EXPECT_EQ(DeleteVertex(), -1) << "nothing selected";
  Select(harbour, roads, line);
  Select(harbour, roads, other);
  EXPECT_EQ(DeleteVertex(), -1) << "two selected";
  SelectOnly(point);
  EXPECT_EQ(DeleteVertex(), -1) << "not a polyline";
  EXPECT_EQ(Picture(), before);
  EXPECT_TRUE(platform().alerts.empty());
  SelectOnly(line);
  ASSERT_EQ(DeleteVertex(), 0);
  EXPECT_EQ(Points(line).size(), 2u);
  EXPECT_EQ(RectOf(line), BoundsOfPoints(line));
}

// ---- Refusals and bad records ----------------------------------------------------------------

TEST_F(VertexEditTest, RefusalsComeInOrderAndWriteNothing) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const int32_t line = MakePieces(kPolylineObject, {{a, Off(a, 50, 0), Off(a, 100, 0)}});
  SelectOnly(line);
  ClickAt(Off(a, 50, 1));
  SetMarkedPoint(Off(a, 50, 20));
  SetLock(roads, kLockedBit);
  SetMap(harbour, 1, 1);
  const auto before = Picture();
  struct Step {
    int message;
    std::function<void()> lift;
  };
  const std::vector<Step> steps = {{581, [&] { SetLock(roads, 0); }},
                                   {647, [&] { SetMap(harbour, 1, 0); }},
                                   {583, [&] { SetMap(harbour, 0, 0); }}};
  for (const Step& step : steps) {
    for (const auto command : {MoveVertexToMarkedPoint, InsertVertexAtClickPoint, DeleteVertex}) {
      platform().alerts.clear();
      EXPECT_EQ(command(), -1);
      ASSERT_EQ(platform().alerts.size(), 1u);
      EXPECT_EQ(platform().alerts[0].text, MessageText(step.message));
      EXPECT_EQ(Picture(), before);
    }
    step.lift();
  }
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
  // An owning application's own mark alone does not lock the overlay.
  SetLock(roads, kOwnedBit);
  EXPECT_EQ(InsertVertexAtClickPoint(), 0);
}

TEST_F(VertexEditTest, ACountThatOverrunsItsRecordIsReportedAndNothingChanges) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const int32_t line = MakePieces(kPolylineObject, {{a, Off(a, 50, 0), Off(a, 100, 0)}});
  SelectOnly(line);
  int32_t first = 0, end = 0;
  ASSERT_EQ(FSGetObjectSegmentRange(Objects(harbour, roads), line, first, end), 0);
  char count[4];
  PutBig32(count, 1000);
  int32_t n = 4;
  ASSERT_EQ(FSWriteBufAt(Objects(harbour, roads), n, count, line + first - 4), 0);
  ClickAt(Off(a, 50, 1));
  SetMarkedPoint(Off(a, 50, 20));
  const auto before = Picture();
  for (const auto command :
       {MarkVertex, MoveVertexToMarkedPoint, InsertVertexAtClickPoint, DeleteVertex}) {
    platform().alerts.clear();
    EXPECT_EQ(command(), kErrBadLength);
    EXPECT_EQ(platform().alerts.size(), 1u) << "the read error is reported once";
    EXPECT_EQ(Picture(), before);
  }
}

// ---- Undo ------------------------------------------------------------------------------------

struct State {
  std::vector<StoredSegmentState> segments;
  WRect rect;
  bool operator==(const State&) const = default;
};

TEST_F(VertexEditTest, UndoTakesEachKindBackAndUndoAgainRedoesIt) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  const WPoint b = Off(a, 100, 0), c = Off(b, 0, -100), d = Off(a, 0, -100);
  const int32_t polygon = MakePieces(kPolygonObject, {{a, b, c, d, a}});
  SelectOnly(polygon);
  auto now = [&] {
    const int32_t p = FoundVertex().object.position;
    return State{Segments(p), RectOf(p)};
  };
  struct Step {
    const char* name;
    int16_t kind;
    std::function<int32_t()> run;
  };
  const std::vector<Step> steps = {
      {"move the first point outward", kUndoReshapePoint,
       [&] {
         ClickAt(Off(a, 1, -2));
         SetMarkedPoint(Off(a, -40, 30));
         return MoveVertexToMarkedPoint();
       }},
      {"insert a point", kUndoAddSegment,
       [&] {
         ClickAt(Off(b, 0, -50));
         return InsertVertexAtClickPoint();
       }},
      {"delete a point", kUndoDeleteSegment,
       [&] {
         ClickAt(Off(c, -2, 1));
         return DeleteVertex();
       }},
      {"insert again, now with room", kUndoAddSegment,
       [&] {
         ClickAt(Off(b, 1, -25));
         return InsertVertexAtClickPoint();
       }},
  };
  int32_t current = polygon;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    SelectOnly(current);
    const State before{Segments(current), RectOf(current)};
    ASSERT_EQ(step.run(), 0);
    ASSERT_EQ(UndoKindNow(), step.kind);
    current = FoundVertex().object.position;
    const State after = now();
    ASSERT_NE(after, before);
    EXPECT_EQ(after.rect, BoundsOfPoints(current));
    ASSERT_EQ(Undo(), 0);
    EXPECT_EQ(now(), before);
    ASSERT_EQ(Undo(), 0);
    EXPECT_EQ(now(), after);
    EXPECT_TRUE(platform().alerts.empty());
  }
  const auto points = Points(FoundVertex().object.position);
  EXPECT_TRUE(Same(points.front(), points.back())) << "the ring stayed closed throughout";
}

// Random edits and undos on a two-ring polygon, checked after every step: the rectangle is the
// points' bounds, the rings stay closed, and an Undo returns exactly the state before the step.
TEST_F(VertexEditTest, RandomEditsKeepTheObjectSound) {
  const WPoint a = OnPixel({kMeridian - Pixels(200), kEquator + Pixels(150)});
  std::vector<WPoint> ring1, ring2;
  for (int32_t i = 0; i < 8; ++i) ring1.push_back(Off(a, 40 * i, (i % 2) * 30));
  ring1.push_back(Off(a, 280, 150));
  ring1.push_back(a);
  const WPoint e = Off(a, 0, 200);
  for (int32_t i = 0; i < 6; ++i) ring2.push_back(Off(e, 50 * i, (i % 2) * 20));
  ring2.push_back(Off(e, 250, 100));
  ring2.push_back(e);
  int32_t position = MakePieces(kPolygonObject, {ring1, ring2});
  std::mt19937 random(21);
  for (int step = 0; step < 120; ++step) {
    SCOPED_TRACE(step);
    SelectOnly(position);
    const auto points = Points(position);
    const WPoint target = points[random() % points.size()];
    ClickAt(Off(target, static_cast<int32_t>(random() % 5) - 2,
                static_cast<int32_t>(random() % 5) - 2));
    SetMarkedPoint(Off(target, static_cast<int32_t>(random() % 41) - 20,
                       static_cast<int32_t>(random() % 41) - 20));
    const State before{Segments(position), RectOf(position)};
    int32_t result = 0;
    switch (random() % 3) {
      case 0:
        result = MoveVertexToMarkedPoint();
        break;
      case 1:
        result = InsertVertexAtClickPoint();
        break;
      default:
        result = DeleteVertex();
        break;
    }
    if (result != 0) {
      EXPECT_EQ((State{Segments(position), RectOf(position)}), before);
      platform().alerts.clear();
      continue;
    }
    position = FoundVertex().object.position;
    const auto now = Segments(position);
    EXPECT_EQ(RectOf(position), BoundsOfPoints(position));
    for (size_t i = 0; i < now.size(); ++i) {
      if (!now[i].NewPiece() && i != 0) continue;
      size_t last = i + 1;
      while (last < now.size() && !now[last].NewPiece()) ++last;
      EXPECT_TRUE(now[i].X() == now[last - 1].X() && now[i].y == now[last - 1].y)
          << "ring at " << i << " is closed";
    }
    if (random() % 4 == 0) {
      ASSERT_EQ(Undo(), 0);
      EXPECT_EQ((State{Segments(position), RectOf(position)}), before);
    }
  }
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(VertexEditTest, AnObjectOnTheUsersMapGrowsThere) {
  const WPoint a = OnPixel({kMeridian - Pixels(100), kEquator});
  ObjectID id;
  const std::vector<WPoint> at{a, Off(a, 50, 50), Off(a, 100, 10)};
  ScopedHandle points(MyNewHandle(static_cast<int32_t>(at.size() * sizeof(WPoint))));
  std::memcpy(*points.get(), at.data(), at.size() * sizeof(WPoint));
  ObjectGraphics graphics;
  WRect rect = kUnionStartRect;
  for (const WPoint& p : at) UnionWRect(rect, {p.x, p.y, p.x, p.y});
  const int32_t line =
      MakeObject(user, roads, kPolylineObject, "L", &graphics, rect, points.get(), &id);
  RemoveAllSelectedObjects();
  Select(user, roads, line);
  ClickAt(Off(a, 25, 25));
  ASSERT_EQ(InsertVertexAtClickPoint(), 0);
  EXPECT_TRUE(platform().alerts.empty());
  const ObjectRef now = FoundVertex().object;
  EXPECT_EQ(now.mapID, user);
  std::vector<StoredSegmentState> segments;
  int32_t room = 0;
  ASSERT_EQ(ReadSegments(user, roads, now.position, segments, room), 0);
  EXPECT_EQ(segments.size(), 4u);
  EXPECT_TRUE(IsSelected(user, roads, now.position));
  EXPECT_TRUE(CountsMatchLiveRecords());
}

}  // namespace
}  // namespace tlv
