// The places of selection tags, read from object records written byte by byte.
#include "render/selection_tags.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/overlay_fixture.h"

namespace tlv {
namespace {

class SelectionTagsTest : public test::OverlayFileTest {
 protected:
  std::vector<ScreenPoint> TagsOf(const test::RecordImage& record) {
    WriteFile("ROADS.OBJ", record.Bytes());
    // 1000 world units on 100 pixels each way.
    mapping.Setup({0, 0, 1000, 1000}, {0, 0, 100, 100});
    std::vector<ScreenPoint> points;
    EXPECT_EQ(SelectionTagPoints(ObjectFile(), 0, mapping, points), 0);
    return points;
  }
  IntegerMapping mapping;
};

TEST_F(SelectionTagsTest, ASymbolOfOnePointGetsOneTagNotFourThatCancel) {
  test::RecordImage symbol;
  symbol.type = kPointObject;
  symbol.rect = {500, 500, 500, 500};
  symbol.after = std::string(8, '\0');
  const std::vector<ScreenPoint> points = TagsOf(symbol);
  ASSERT_EQ(points.size(), 1u);
  const ScreenRect place = mapping.MapRect(symbol.rect);
  EXPECT_EQ(points[0], (ScreenPoint{place.left, place.top}));
  // A flat rectangle keeps one tag per distinct corner.
  test::RecordImage flat;
  flat.rect = {100, 500, 900, 500};
  flat.after = std::string(8, '\0');
  EXPECT_EQ(TagsOf(flat).size(), 2u);
  test::RecordImage box;
  box.rect = {100, 100, 900, 900};
  box.after = std::string(8, '\0');
  EXPECT_EQ(TagsOf(box).size(), 4u);
}

}  // namespace
}  // namespace tlv
