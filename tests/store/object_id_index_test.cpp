#include "store/object_id_index.h"

#include <gtest/gtest.h>

#include "catalogue/open_files.h"
#include "support/overlay_fixture.h"

namespace tlv {
namespace {

using test::SummaryBytes;

class ObjectIDIndexTest : public test::OverlayFileTest {
 protected:
  int32_t Build(ObjectIDIndex& index) {
    EXPECT_EQ(AllocateSpaceForFile(mapIndex, 0, kSummaryFileKind, 0, nullptr, nullptr), 0);
    return BuildObjectIDIndex(CurrentSummaryFile(), index);
  }
};

TEST_F(ObjectIDIndexTest, LiveObjectsByIDInSummaryOrderAndTheirPositions) {
  const WRect r{1, 1, 2, 2};
  WriteFile("ROADS.SUM", SummaryBytes(500, r, 7, 1) + SummaryBytes(~100, r, 7, 2) +
                             SummaryBytes(300, r, 7, 1) + SummaryBytes(900, r, -1, -2) +
                             SummaryBytes(50, r, 3, 3) +
                             std::string(20, '\x01'));  // a short tail is no record
  ObjectIDIndex index;
  ASSERT_EQ(Build(index), 0);
  int32_t position = -1;
  ASSERT_TRUE(index.Find({7, 1}, position));
  EXPECT_EQ(position, 500) << "the first in summary order";
  EXPECT_FALSE(index.Find({7, 2}, position)) << "deleted";
  ASSERT_TRUE(index.Find({-1, -2}, position)) << "IDs with the top bit set";
  EXPECT_EQ(position, 900);
  EXPECT_EQ(index.LiveCount(), 4u);
  EXPECT_TRUE(index.Live(300));
  EXPECT_TRUE(index.Live(50)) << "positions out of order are found too";
  EXPECT_FALSE(index.Live(100)) << "a deleted record's position";
  EXPECT_FALSE(index.Live(301)) << "the middle of a record";
}

TEST_F(ObjectIDIndexTest, TakenObjectsLeaveAndAddedOnesComeAfterTheirID) {
  const WRect r{1, 1, 2, 2};
  WriteFile("ROADS.SUM", SummaryBytes(500, r, 7, 1) + SummaryBytes(300, r, 7, 1));
  ObjectIDIndex index;
  ASSERT_EQ(Build(index), 0);
  index.Add({7, 1}, 800);
  index.Add({8, 8}, 900);
  int32_t position = -1;
  ASSERT_TRUE(index.Take({7, 1}, position));
  EXPECT_EQ(position, 500);
  ASSERT_TRUE(index.Find({7, 1}, position));
  EXPECT_EQ(position, 300);
  ASSERT_TRUE(index.Take({7, 1}, position));
  ASSERT_TRUE(index.Take({7, 1}, position));
  EXPECT_EQ(position, 800) << "the added one after the built ones";
  EXPECT_FALSE(index.Take({7, 1}, position));
  EXPECT_TRUE(index.Find({8, 8}, position));
}

TEST_F(ObjectIDIndexTest, AnEmptyFileGivesAnEmptyIndex) {
  ObjectIDIndex index;
  index.Add({1, 1}, 5);
  ASSERT_EQ(Build(index), 0);
  int32_t position = -1;
  EXPECT_FALSE(index.Find({1, 1}, position));
  EXPECT_EQ(index.LiveCount(), 0u);
}

}  // namespace
}  // namespace tlv
