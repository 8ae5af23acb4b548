#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/strings.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class StringTableDataTest : public test::CoreTest {
 protected:
  // Another test may have swapped in its own table; validate the compiled one afresh.
  void SetUp() override {
    test::CoreTest::SetUp();
    SetStringTableForTesting(nullptr, nullptr);
  }
  void TearDown() override {
    SetStringTableForTesting(nullptr, nullptr);
    test::CoreTest::TearDown();
  }
};

int32_t EntriesBeforeTerminator() {
  int32_t count = 0;
  while (kStrPoundTable[count].list != 0) ++count;
  return count;
}

bool IsKnownList(int list) {
  if (list == 128 || list == 200 || list == 1000 || list == 1200 || list == 10000) return true;
  // 26100: the drawing tools' own texts, which have no message number.
  if (list == 26100) return true;
  // 26200: the overlay dialogs' own texts.
  if (list == 26200) return true;
  // 26400: the polygon commands' refusals.
  if (list == 26400) return true;
  // 26300: the vertex commands' refusals.
  if (list == 26300) return true;
  return list >= 25000 && list <= 25700 && list % 100 == 0;
}

TEST_F(StringTableDataTest, WholeTableValidatesWithoutAlert) {
  const int32_t count = EntriesBeforeTerminator();
  EXPECT_GT(count, 150);
  EXPECT_EQ(CheckStringTable(), count) << "an out-of-order or over-long entry cuts the table";
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(StringTableDataTest, EntriesAreShortStrictlyOrderedAndInTheirLists) {
  const int32_t count = EntriesBeforeTerminator();
  for (int32_t i = 0; i < count; ++i) {
    const MyStrPoundEntry& e = kStrPoundTable[i];
    SCOPED_TRACE(std::to_string(e.list) + "/" + std::to_string(e.index));
    ASSERT_NE(e.text, nullptr);
    EXPECT_LE(std::strlen(e.text), static_cast<size_t>(kMaxStringLength));
    EXPECT_TRUE(IsKnownList(e.list));
    if (e.list >= 25000) {
      EXPECT_GE(e.index, 0);
      EXPECT_LE(e.index, 99);
    }
    if (i > 0) {
      const MyStrPoundEntry& prev = kStrPoundTable[i - 1];
      EXPECT_TRUE(prev.list < e.list || (prev.list == e.list && prev.index < e.index))
          << "duplicate or out of order after " << prev.list << "/" << prev.index;
    }
  }
}

TEST_F(StringTableDataTest, ResourcesAreShortAndStrictlyOrdered) {
  for (int32_t i = 0; kStringResources[i].text != nullptr; ++i) {
    EXPECT_LE(std::strlen(kStringResources[i].text), static_cast<size_t>(kMaxStringLength));
    if (i > 0) {
      EXPECT_LT(kStringResources[i - 1].id, kStringResources[i].id);
    }
  }
}

TEST_F(StringTableDataTest, QuotedTextsAreFoundByMessageNumberAndByListIndex) {
  EXPECT_EQ(MessageText(153),
            "Not enough memory to complete this operation.  You may want to quit other running "
            "programs.");
  EXPECT_EQ(GetIndString(25100, 53), MessageText(153));
  EXPECT_EQ(MessageText(100),
            "Could not find/open overlay file \"%s\" (map \"%s\").\n\n(Use the Overlay Maps "
            "menu item to check/update map status.)");
  EXPECT_EQ(GetIndString(1000, 3), "Sorry.  A technical error occurred:\n\n%s returned %ld in %s.");
  EXPECT_EQ(GetIndString(10000, 30),
            "More than one \"TolvaneMaps\" folder was found. TOLVANE will use the folder:\n\n%s");
  EXPECT_EQ(GetIndString(10000, 31),
            "Unable to locate the \"TolvaneMaps\" folder.\n\nIf you have moved that folder from "
            "its original installed location,\nplease correct the path in the "
            "\"userfolder.txt\" file in the TOLVANE folder.");
  EXPECT_EQ(MessageText(505), "Temporary Overlay");
  EXPECT_EQ(MessageText(115), "Error importing old-format file.");
  EXPECT_EQ(MessageText(121),
            "Unable to write the file\r\n%s.\r\n\r\nVerify that you have write permission for the "
            "TolvaneMaps folder and all of its subfolders.");
  EXPECT_EQ(MessageText(75), "Import error: expected type: ") << "the trailing blank is kept";
  EXPECT_EQ(GetIndString(200, 8), "cm");
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(StringTableDataTest, VocabularyComesFromResourcesByListPlusIndex) {
  EXPECT_EQ(GetIndString(15000, 15), "Red");
  EXPECT_EQ(GetIndString(15000, 12), "Dark Blue");
  EXPECT_EQ(GetIndString(16200, 6), "nautical miles");
  EXPECT_EQ(GetIndString(16400, 2), "West");
  EXPECT_EQ(GetIndString(14900, 6), "10 pt");
  EXPECT_EQ(GetIndString(16500, 12), "December");
  EXPECT_EQ(GetIndString(15200, 11), "") << "only ten pattern names exist";
}

}  // namespace
}  // namespace tlv
