#include "base/memory.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "support/test_support.h"

namespace tlv {
namespace {

using MemoryTest = test::CoreTest;

TEST_F(MemoryTest, BlocksCarryTheirSizeAndAreZeroFilled) {
  Ptr p = MyNewPtr(100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(MyMemError(), 0);
  EXPECT_EQ(MyGetPtrSize(p), 100);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0);
  std::memset(p, 0x5A, 100);
  p = SetPtrSize(p, 300);
  ASSERT_EQ(MyGetPtrSize(p), 300);
  EXPECT_EQ(static_cast<unsigned char>(p[99]), 0x5A);
  for (int i = 100; i < 300; ++i) ASSERT_EQ(p[i], 0) << "grown bytes must be zero at " << i;
  MyDisposePtr(p);
}

TEST_F(MemoryTest, FailedResizeKeepsTheOldBlock) {
  Handle h = MyNewHandle(16);
  ASSERT_NE(h, nullptr);
  std::memcpy(*h, "sixteen bytes!!", 16);
  SetAllocationCeilingForTesting(1000);
  MySetHandleSize(h, 5000);
  EXPECT_EQ(MyMemError(), -1);
  EXPECT_EQ(MyGetHandleSize(h), 16);
  EXPECT_STREQ(*h, "sixteen bytes!!");
  // Shrinking is always allowed.
  MySetHandleSize(h, 8);
  EXPECT_EQ(MyMemError(), 0);
  EXPECT_EQ(MyGetHandleSize(h), 8);
  MyDisposeHandle(h);
}

TEST_F(MemoryTest, FailedAllocationLeavesNoBlockAndSetsTheError) {
  const int32_t live = LiveBlockCount();
  FailAllocationsAfterForTesting(0);
  EXPECT_EQ(MyNewHandle(10), nullptr);
  EXPECT_EQ(MyMemError(), -1);
  EXPECT_EQ(MyNewPtr(10), nullptr);
  ResetMemoryFailuresForTesting();
  EXPECT_EQ(LiveBlockCount(), live);
  Handle h = MyNewHandle(10);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(MyMemError(), 0);
  MyDisposeHandle(h);
}

TEST_F(MemoryTest, DisposedSlotsAreReusedAndPagesGrowPastAThousandHandles) {
  const int32_t pagesBefore = MasterPointerPageCount();
  std::vector<Handle> handles;
  for (int i = 0; i < 2 * kMasterPointerPageSlots + 5; ++i) {
    Handle h = MyNewHandle(4);
    ASSERT_NE(h, nullptr);
    handles.push_back(h);
  }
  EXPECT_GE(MasterPointerPageCount(), pagesBefore + 2);
  std::set<Handle> distinct(handles.begin(), handles.end());
  EXPECT_EQ(distinct.size(), handles.size()) << "two live handles share a slot";

  // A released slot comes back through the free-slot cache.
  Handle released = handles[7];
  MyDisposeHandle(released);
  Handle again = MyNewHandle(4);
  EXPECT_EQ(again, released);
  handles[7] = again;
  for (Handle h : handles) MyDisposeHandle(h);
}

TEST_F(MemoryTest, HandToHandCopiesIntoANewHandle) {
  Handle h = MyNewHandle(5);
  std::memcpy(*h, "abcd", 5);
  Handle original = h;
  ASSERT_EQ(MyHandToHand(&h), 0);
  EXPECT_NE(h, original);
  EXPECT_STREQ(*h, "abcd");
  (*original)[0] = 'z';
  EXPECT_EQ((*h)[0], 'a');
  MyDisposeHandle(h);
  MyDisposeHandle(original);
}

TEST_F(MemoryTest, HandleArrayInsertsRemovesAndRefusesWhenMemoryIsShort) {
  struct Rec {
    int32_t id;
    char name[12];
  };
  HandleArray<Rec> list(MyNewHandle(0));
  for (int32_t i = 0; i < 5; ++i) ASSERT_EQ(list.Append(Rec{i, "x"}), 0);
  ASSERT_EQ(list.Insert(0, Rec{99, "first"}), 0);
  list.Remove(3);
  ASSERT_EQ(list.Count(), 5);
  const int32_t expected[] = {99, 0, 1, 3, 4};
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(list.Get(i).id, expected[i]);

  FailAllocationsAfterForTesting(0);
  EXPECT_EQ(list.Append(Rec{7, "no room"}), -1);
  ResetMemoryFailuresForTesting();
  EXPECT_EQ(list.Count(), 5);
  MyDisposeHandle(list.handle());
}

TEST_F(MemoryTest, ReserveIsReleasedOnlyOnce) {
  ASSERT_EQ(AllocateMemoryReserve(), 0);
  EXPECT_TRUE(MemoryReserveHeld());
  const int32_t live = LiveBlockCount();
  ReleaseMemoryReserve();
  EXPECT_FALSE(MemoryReserveHeld());
  EXPECT_EQ(LiveBlockCount(), live - 1);
  ReleaseMemoryReserve();
  EXPECT_EQ(LiveBlockCount(), live - 1);
}

TEST_F(MemoryTest, ANullHandleWhereOneMustExistIsReportedAsSuch) {
  AllocateMemoryReserve();
  MySetHandleSize(nullptr, 10);
  EXPECT_EQ(MyMemError(), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "Dereference of NULL handle.");
  EXPECT_EQ(platform().alerts[0].kind, kStopAlert);
  // A list whose Handle was never made: the fault is named, and it is not a lack of memory.
  HandleArray<int32_t> never;
  EXPECT_EQ(never.Append(5), -1);
  EXPECT_EQ(platform().alerts.size(), 2u);
  EXPECT_TRUE(MemoryReserveHeld());
  Handle emptied = MyNewHandle(4);
  ASSERT_NE(emptied, nullptr);
  MyDisposeHandle(emptied);
  EXPECT_EQ(MyHandToHand(&emptied), -1);
  EXPECT_EQ(platform().alerts.size(), 3u);
  EXPECT_EQ(platform().alerts[2].text, "Dereference of NULL handle.");
  ReleaseMemoryReserve();
}

TEST_F(MemoryTest, FreeMemoryProbeFollowsTheControlsWithoutUsingThemUp) {
  EXPECT_TRUE(FreeMemoryAtLeast(100000));
  SetAllocationCeilingForTesting(50000);
  EXPECT_FALSE(FreeMemoryAtLeast(100000));
  EXPECT_TRUE(FreeMemoryAtLeast(1000));
  ResetMemoryFailuresForTesting();
  FailAllocationsAfterForTesting(1);
  EXPECT_TRUE(FreeMemoryAtLeast(10));
  EXPECT_TRUE(FreeMemoryAtLeast(10));
  Ptr p = MyNewPtr(10);
  ASSERT_NE(p, nullptr);
  MyDisposePtr(p);
  EXPECT_FALSE(FreeMemoryAtLeast(10));
  EXPECT_EQ(MyMemError(), 0);
}

}  // namespace
}  // namespace tlv
