#include "base/strings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/test_support.h"

namespace tlv {
namespace {

class StringsTest : public test::CoreTest {
 protected:
  void TearDown() override {
    SetStringTableForTesting(nullptr, nullptr);
    test::CoreTest::TearDown();
  }
};

const MyStrPoundEntry kTable[] = {
    {200, 1, "ft"},
    {1000, 3, "Sorry.  A technical error occurred:\n\n%s returned %ld in %s."},
    {10000, 5, "&Save(&IBM)x(&IBM)"},
    {25000, 0, "message zero"},
    {25100, 53, "fifty-three"},
    {25100, 52, "out of order"},
    {25200, 1, "never reached"},
    {0, 0, nullptr},
};
const StringResource kResources[] = {
    {15001, "Black"},
    {16201, "feet"},
    {0, nullptr},
};

TEST_F(StringsTest, MessagesMapOntoListsOfAHundred) {
  SetStringTableForTesting(kTable, kResources);
  EXPECT_STREQ(GetMessageString(153, nullptr), "fifty-three");
  EXPECT_EQ(GetIndString(25100, 53), MessageText(153));
  EXPECT_EQ(MessageText(0), "message zero");
}

TEST_F(StringsTest, ThreeFetchesHoldThreeTextsAtOnce) {
  SetStringTableForTesting(kTable, kResources);
  const char* a = GetMessageString(0, nullptr);
  const char* b = GetMessageString2(153, nullptr);
  const char* c = GetMessageString3(0, nullptr);
  GetMessageString(153, nullptr);
  EXPECT_STREQ(b, "fifty-three");
  EXPECT_STREQ(c, "message zero");
  EXPECT_STREQ(a, "fifty-three") << "the first fetch's buffer holds its latest text";
  char own[256];
  EXPECT_EQ(GetMessageString(0, own), own);
}

TEST_F(StringsTest, OutOfOrderEntryEndsTheUsableTable) {
  SetStringTableForTesting(kTable, kResources);
  EXPECT_EQ(CheckStringTable(), 5);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text,
            "MyStrPoundEntry 25100 52 : entry is out of order (MyStrPoundEntry is expected to be "
            "in order) ");
  EXPECT_EQ(GetIndString(25200, 1), "");
  EXPECT_EQ(GetIndString(25100, 52), "");
  // The check runs once per run.
  CheckStringTable();
  EXPECT_EQ(platform().alerts.size(), 1u);
}

TEST_F(StringsTest, OverlongEntryStopsTheCheck) {
  static std::string longText(256, 'x');
  const MyStrPoundEntry table[] = {
      {1, 1, "a"}, {1, 2, longText.c_str()}, {1, 3, "c"}, {0, 0, nullptr}};
  SetStringTableForTesting(table, kResources);
  EXPECT_EQ(CheckStringTable(), 1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "MyStrPoundEntry 1 2 : string exceeds 255 characters");
}

TEST_F(StringsTest, MissingEntriesFallBackToResourcesByTheirSum) {
  SetStringTableForTesting(kTable, kResources);
  EXPECT_EQ(GetIndString(15000, 1), "Black");
  EXPECT_EQ(GetIndString(16200, 1), "feet");
  EXPECT_EQ(GetIndString(16000, 201), "feet") << "the resource is found by list + index";
  EXPECT_EQ(GetIndString(16200, 9), "");
}

TEST_F(StringsTest, IbmMarkersBecomeAmpersands) {
  SetStringTableForTesting(kTable, kResources);
  EXPECT_EQ(GetIndString(10000, 5), "&Save&x&");
}

TEST_F(StringsTest, CompiledTableIsUsableAndQuotesTheFixedTexts) {
  char buffer[256];
  MyGetIndString(buffer, 1000, 3);
  EXPECT_STREQ(buffer, "Sorry.  A technical error occurred:\n\n%s returned %ld in %s.");
  EXPECT_EQ(MessageText(153),
            "Not enough memory to complete this operation.  You may want to quit other running "
            "programs.");
  EXPECT_EQ(GetIndString(200, 3), "m");
  EXPECT_TRUE(platform().alerts.empty()) << "the compiled table must validate cleanly";
}

}  // namespace
}  // namespace tlv
