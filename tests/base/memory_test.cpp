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

}  // namespace
}  // namespace tlv
