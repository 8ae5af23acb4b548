#include "edit/polygon_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/strings.h"
#include "edit/edit_fixture.h"
#include "geometry/geo_settings.h"

namespace tlv::test {
namespace {

constexpr int32_t kX = 100000000;
constexpr int32_t kY = 120000000;
constexpr uint32_t kPiece = 0x80000000u;

WPoint P(int32_t dx, int32_t dy, bool piece = false) {
  WPoint p{kX + dx, kY + dy};
  if (piece) p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) | kPiece);
  return p;
}

class PolygonCommandsTest : public EditTest {
 protected:
  int32_t Temporary() { return LayerAt(TemporaryLayerIndex()).layerID; }

  int32_t MakeRect(int16_t type, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ObjectGraphics graphics;
    graphics.colour = 5;
    return MakeObject(harbour, roads, type, "Area", &graphics,
                      {kX + x1, kY + y1, kX + x2, kY + y2});
  }

  std::vector<WPoint> StoredPoints(const ObjectRef& o) {
    Handle h = nullptr;
    int32_t count = 0;
    EXPECT_EQ(FSGetObjectPoints(Objects(o.mapID, o.overlayID), o.position, h, count, true), 0);
    ScopedHandle owned(h);
    std::vector<WPoint> points(static_cast<size_t>(count));
    if (count > 0) std::memcpy(points.data(), *h, points.size() * sizeof(WPoint));
    return points;
  }

  std::string NameOf(const ObjectRef& o) {
    std::string prefix, name;
    EXPECT_EQ(FSGetObjectName(Objects(o.mapID, o.overlayID), o.position, prefix, name), 0);
    return name;
  }

  std::vector<ObjectRef> Refs(std::initializer_list<int32_t> positions, int32_t overlay = 0) {
    std::vector<ObjectRef> refs;
    for (const int32_t p : positions) refs.push_back({harbour, overlay == 0 ? roads : overlay, p});
    return refs;
  }
};

::testing::AssertionResult SamePoints(const std::vector<WPoint>& actual,
                                      const std::vector<WPoint>& expected) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure()
           << actual.size() << " points, expected " << expected.size();
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    if (!(actual[i] == expected[i])) {
      return ::testing::AssertionFailure()
             << "point " << i << " is (" << (actual[i].x & 0x7FFFFFFF) - kX << ","
             << actual[i].y - kY << ")" << ((actual[i].x & kPiece) ? " new piece" : "")
             << ", expected (" << (expected[i].x & 0x7FFFFFFF) - kX << "," << expected[i].y - kY
             << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(PolygonCommandsTest, UnionOfTwoRectanglesIsStoredOnTheTemporaryOverlayAndUndone) {
  ASSERT_GE(TemporaryLayerIndex(), 0);
  const int32_t a = MakeRect(kRectangleObject, 0, 0, 10, 10);
  const int32_t b = MakeRect(kRectangleObject, 5, 5, 15, 15);
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  MakePolygonRequest request;
  request.operation = kPolygonUnion;
  ASSERT_EQ(MakeNewPolygon(Refs({a, b}), request, made, refusal), 0);
  EXPECT_EQ(refusal, PolygonRefusal::kNone);
  EXPECT_EQ(made.mapID, user);
  EXPECT_EQ(made.overlayID, Temporary());
  EXPECT_EQ(TypeOf(made.mapID, made.overlayID, made.position), kPolygonObject);
  EXPECT_EQ(NameOf(made), "union");
  EXPECT_EQ(GraphicsOf(made.mapID, made.overlayID, made.position).fillPattern, 4);
  EXPECT_NE(GraphicsOf(made.mapID, made.overlayID, made.position).lineType, 2);
  // The rectangles' rings run up the left side first (WRectSegments), so the union starts at
  // the first rectangle's bottom-left corner and goes up.
  EXPECT_TRUE(SamePoints(StoredPoints(made), {P(0, 0, true), P(0, 10), P(5, 10), P(5, 15),
                                              P(15, 15), P(15, 5), P(10, 5), P(10, 0), P(0, 0)}));
  ASSERT_EQ(SelectedObjectCount(), 1);
  ObjectRef selected;
  ASSERT_TRUE(GetSelectedObject(0, selected));
  EXPECT_EQ(selected.position, made.position);
  EXPECT_EQ(UndoKindNow(), kUndoCreate);
  // Undo of a new object asks that its overlay be unlocked; the Temporary Overlay loads locked
  // unless the configuration unlocks it.
  SetLock(Temporary(), 0);
  ASSERT_EQ(Undo(), 0) << (platform().alerts.empty() ? "" : platform().alerts.back().text);
  EXPECT_TRUE(LivePositions(user, Temporary()).empty());
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(PolygonCommandsTest, OneAreaOrMixedKindsAreRefusedWithTheMessage) {
  const int32_t a = MakeRect(kRectangleObject, 0, 0, 10, 10);
  const int32_t point = MakePoint(harbour, roads, "Hydrant", 3, kX + 20);
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  EXPECT_NE(MakeNewPolygon(Refs({a}), {}, made, refusal), 0);
  EXPECT_EQ(refusal, PolygonRefusal::kPolygonSelection);
  EXPECT_NE(PolygonRefusalText(refusal).find("Make New Polygon function can be used only when"),
            std::string::npos);
  EXPECT_NE(MakeNewPolygon(Refs({a, point}), {}, made, refusal), 0);
  EXPECT_EQ(refusal, PolygonRefusal::kPolygonSelection);
  EXPECT_TRUE(LivePositions(user, Temporary()).empty());
}

TEST_F(PolygonCommandsTest, DisjointIntersectionMakesNothing) {
  const int32_t a = MakeRect(kRectangleObject, 0, 0, 10, 10);
  const int32_t b = MakeRect(kCircleObject, 20, 0, 30, 10);
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  MakePolygonRequest request;
  request.operation = kPolygonIntersection;
  EXPECT_NE(MakeNewPolygon(Refs({a, b}), request, made, refusal), 0);
  EXPECT_EQ(refusal, PolygonRefusal::kNoPoints);
  EXPECT_EQ(PolygonRefusalText(refusal), "The resulting polygon has no points.");
  EXPECT_TRUE(LivePositions(user, Temporary()).empty());
  EXPECT_EQ(UndoKindNow(), kUndoNothing);
}

TEST_F(PolygonCommandsTest, CornerSharingPolygonsConcatenateWithoutOutline) {
  const int32_t a =
      MakePoly(harbour, roads, kPolygonObject, {P(0, 0), P(10, 0), P(10, 10), P(0, 10)});
  const int32_t b =
      MakePoly(harbour, roads, kPolygonObject, {P(10, 10), P(20, 10), P(20, 20), P(10, 20)});
  PolygonPoints points;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  ASSERT_EQ(ComputeCombination(Refs({a, b}), kPolygonUnion, points, refusal), 0);
  EXPECT_TRUE(points.noOutline);
  EXPECT_TRUE(
      SamePoints(points.points, {P(0, 0, true), P(10, 0), P(10, 10), P(0, 10), P(0, 0),
                                 P(10, 10, true), P(20, 10), P(20, 20), P(10, 20), P(10, 10)}));
  ObjectRef made;
  ASSERT_EQ(MakeNewPolygon(Refs({a, b}), {}, made, refusal), 0);
  EXPECT_EQ(GraphicsOf(made.mapID, made.overlayID, made.position).lineType, 2);
}

TEST_F(PolygonCommandsTest, DifferenceWithACircleCutsItsThirtySixSides) {
  const int32_t a = MakeRect(kRectangleObject, 0, 0, 100, 100);
  const int32_t circle = MakeRect(kCircleObject, 50, 0, 150, 100);
  PolygonPoints points;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  ASSERT_EQ(ComputeCombination(Refs({a, circle}), kPolygonDifference, points, refusal), 0);
  // The rectangle's left part and the circle's arc inside it.
  int32_t fromCircle = 0;
  for (const WPoint& p : points.points) {
    const int32_t x = (p.x & 0x7FFFFFFF) - kX;
    EXPECT_LE(x, 100);
    if (x > 0 && x < 100 && p.y != kY && p.y != kY + 100) ++fromCircle;
  }
  EXPECT_GE(fromCircle, 15);
  EXPECT_EQ(points.bounds, (WRect{kX, kY, kX + 100, kY + 100}));
}

TEST_F(PolygonCommandsTest, EnvelopeOfAPolylineIsRedWithoutOutline) {
  const int32_t line = MakePoly(harbour, roads, kPolylineObject, {P(0, 0), P(30000, 0)});
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  MakePolygonRequest request;
  request.distance = 1.0;
  request.unit = kUnitKilometers;
  ASSERT_EQ(MakeNewPolygon(Refs({line}), request, made, refusal), 0);
  EXPECT_EQ(NameOf(made), "envelope");
  const ObjectGraphics g = GraphicsOf(made.mapID, made.overlayID, made.position);
  EXPECT_EQ(g.colour, 14);
  EXPECT_EQ(g.lineType, 2);
  EXPECT_EQ(g.fillPattern, 4);
  // Three pieces: the start circle, the rectangle and the end circle.
  int pieces = 0;
  for (const WPoint& p : StoredPoints(made)) pieces += (p.x & kPiece) != 0 ? 1 : 0;
  EXPECT_EQ(pieces, 3);
  request.distance = -2;
  EXPECT_NE(MakeNewPolygon(Refs({line}), request, made, refusal), 0);
  EXPECT_EQ(refusal, PolygonRefusal::kBadDistance);
}

TEST_F(PolygonCommandsTest, EnvelopeNearThePoleStaysInsideTheWorld) {
  const int32_t line =
      MakePoly(harbour, roads, kPolylineObject, {{kX, 179999000}, {kX + 5000, 179999500}});
  PolygonPoints points;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  ASSERT_EQ(ComputeEnvelopePoints(Refs({line}), 50.0, kUnitMiles, points, refusal), 0);
  for (const WPoint& p : points.points) {
    EXPECT_LE(p.y, 179999999);
    EXPECT_GE(p.y, 1);
  }
  EXPECT_LE(points.bounds.y2, 179999999);
}

TEST_F(PolygonCommandsTest, AliasCountsAsItsOriginal) {
  const int32_t a = MakeRect(kRectangleObject, 0, 0, 10, 10);
  const int32_t b = MakeRect(kRectangleObject, 5, 5, 15, 15);
  const int32_t alias = MakeAlias(harbour, roads, b, "Copy");
  PolygonPoints direct, viaAlias;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  ASSERT_EQ(ComputeCombination(Refs({a, b}), kPolygonIntersection, direct, refusal), 0);
  ASSERT_EQ(ComputeCombination(Refs({a, alias}), kPolygonIntersection, viaAlias, refusal), 0);
  EXPECT_TRUE(SamePoints(viaAlias.points, direct.points));
  EXPECT_TRUE(SamePoints(direct.points, {P(5, 10, true), P(10, 10), P(10, 5), P(5, 5), P(5, 10)}));
}

TEST_F(PolygonCommandsTest, MakeNewPolylineJoinsChainsAsUnion) {
  const int32_t a = MakePoly(harbour, roads, kPolylineObject, {P(10, 0), P(20, 0)});
  const int32_t b = MakePoly(harbour, roads, kPolylineObject, {P(0, 0), P(10, 0)});
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  EXPECT_NE(MakeNewPolyline(Refs({a}), made, refusal), 0);
  EXPECT_EQ(refusal, PolygonRefusal::kPolylineSelection);
  ASSERT_EQ(MakeNewPolyline(Refs({a, b}), made, refusal), 0);
  EXPECT_EQ(TypeOf(made.mapID, made.overlayID, made.position), kPolylineObject);
  EXPECT_EQ(NameOf(made), "union");
  EXPECT_TRUE(SamePoints(StoredPoints(made), {P(0, 0, true), P(10, 0), P(20, 0)}));
}

TEST_F(PolygonCommandsTest, ConnectReplacesTheFirstAndUndoBringsBothBack) {
  const int32_t a = MakePoly(harbour, roads, kPolylineObject, {P(0, 0), P(10, 0), P(10, 10)});
  // The second runs away from the first's end: its last point is nearest, so it is reversed.
  const int32_t b = MakePoly(harbour, roads, kPolylineObject, {P(40, 40), P(20, 20), P(11, 11)});
  ObjectID firstID;
  ASSERT_EQ(FSGetObjectID(Objects(harbour, roads), a, firstID.high, firstID.low), 0);
  const auto before = Picture();
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  ASSERT_EQ(ConnectPolylinesAtNearestPoint(Refs({a, b}), made, refusal), 0);
  ObjectID madeID;
  ASSERT_EQ(FSGetObjectID(Objects(harbour, roads), made.position, madeID.high, madeID.low), 0);
  EXPECT_EQ(madeID, firstID);
  EXPECT_EQ(NameOf(made), "Line");
  EXPECT_TRUE(SamePoints(StoredPoints(made),
                         {P(0, 0, true), P(10, 0), P(10, 10), P(11, 11), P(20, 20), P(40, 40)}));
  EXPECT_EQ(LivePositions(harbour, roads), (std::vector<int32_t>{made.position}));
  EXPECT_EQ(UndoKindNow(), kUndoJoin);
  EXPECT_TRUE(CountsMatchLiveRecords());
  ASSERT_EQ(Undo(), 0);
  EXPECT_EQ(Picture(), before);
  EXPECT_TRUE(CountsMatchLiveRecords());
}

TEST_F(PolygonCommandsTest, ConnectNeedsExactlyTwoUnlockedPolylines) {
  const int32_t a = MakePoly(harbour, roads, kPolylineObject, {P(0, 0), P(10, 0)});
  const int32_t b = MakePoly(harbour, roads, kPolylineObject, {P(20, 0), P(30, 0)});
  const int32_t c = MakePoly(harbour, roads, kPolygonObject, {P(0, 5), P(9, 5), P(9, 9)});
  EXPECT_EQ(CheckConnectPolylines(Refs({a})), PolygonRefusal::kConnectSelection);
  EXPECT_EQ(CheckConnectPolylines(Refs({a, c})), PolygonRefusal::kConnectSelection);
  EXPECT_EQ(CheckConnectPolylines(Refs({a, b})), PolygonRefusal::kNone);
  SetLock(roads, 1);
  const auto before = Picture();
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  EXPECT_NE(ConnectPolylinesAtNearestPoint(Refs({a, b}), made, refusal), 0);
  EXPECT_EQ(refusal, PolygonRefusal::kLocked);
  EXPECT_EQ(Picture(), before);
}

}  // namespace
}  // namespace tlv::test
