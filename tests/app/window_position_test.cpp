#include "app/window_position.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tlv {
namespace {

class WindowPositionTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    SetIniFilePathForTesting((folder / "config" / "TOLVANE.INI").string());
  }
  void TearDown() override {
    SetIniFilePathForTesting("");
    test::CoreTest::TearDown();
  }
  test::TempFolder folder;
  const ScreenRect desktop{0, 0, 1600, 1200};
};

TEST_F(WindowPositionTest, StoredRectangleRoundTripsAndKeepsOtherSections) {
  test::WriteWholeFile(folder / "config", "");  // replaced by a folder below
  std::filesystem::remove(folder / "config");
  ASSERT_TRUE(StoreWindowRect({10, 20, 810, 620}));
  EXPECT_EQ(test::ReadWholeFile(folder / "config" / "TOLVANE.INI"),
            "[window]\nposition=10, 20, 810, 620\n");
  test::WriteWholeFile(folder / "config" / "TOLVANE.INI",
                       "[other]\nkey=1\n[Window]\nposition=1, 2, 3, 4\nsize=big\n");
  ASSERT_TRUE(StoreWindowRect({5, 6, 7, 8}));
  EXPECT_EQ(test::ReadWholeFile(folder / "config" / "TOLVANE.INI"),
            "[other]\nkey=1\n[Window]\nposition=5, 6, 7, 8\nsize=big\n");
  ScreenRect read;
  ASSERT_TRUE(ReadStoredWindowRect(read));
  EXPECT_EQ(read.left, 5);
  EXPECT_EQ(read.bottom, 8);
}

TEST_F(WindowPositionTest, RectangleInsideTheDesktopIsUsedAsItIs) {
  const ScreenRect stored{100, 100, 900, 700};
  const WindowPlacement p = PlaceStoredWindow(&stored, desktop);
  EXPECT_FALSE(p.maximised);
  EXPECT_EQ(p.rect.left, 100);
  EXPECT_EQ(p.rect.bottom, 700);
}

TEST_F(WindowPositionTest, RectangleHalfOffTheScreenGivesTheCentredMaximisedDefault) {
  const ScreenRect stored{1200, 100, 2000, 700};
  const WindowPlacement p = PlaceStoredWindow(&stored, desktop);
  EXPECT_TRUE(p.maximised);
  EXPECT_EQ(p.rect.left + p.rect.right, desktop.left + desktop.right);
  EXPECT_LT(RectWidth(p.rect), RectWidth(desktop));
  EXPECT_EQ(PlaceStoredWindow(nullptr, desktop).maximised, true);
}

TEST_F(WindowPositionTest, RectangleWhollyOffTheScreenBecomesTheDesktop) {
  const ScreenRect stored{3000, 3000, 3500, 3400};
  const WindowPlacement p = PlaceStoredWindow(&stored, desktop);
  EXPECT_FALSE(p.maximised);
  EXPECT_EQ(p.rect.right, 1600);
  EXPECT_EQ(p.rect.bottom, 1200);
}

TEST_F(WindowPositionTest, GarbledEntryIsNoEntry) {
  std::filesystem::create_directories(folder / "config");
  test::WriteWholeFile(folder / "config" / "TOLVANE.INI", "[window]\nposition=left, top\n");
  ScreenRect read;
  EXPECT_FALSE(ReadStoredWindowRect(read));
}

}  // namespace
}  // namespace tlv
