#include "iac/iac_envelope.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/memory.h"
#include "support/test_support.h"

namespace tlv {
namespace {

constexpr char kVT = 0x0B;

class IacEnvelopeTest : public test::CoreTest {
 protected:
  // The envelope in a block of exactly its length and NUL, so that a read past the NUL is
  // caught by the sanitizer.
  const char* Exact(const std::string& text) {
    blocks_.emplace_back(text.begin(), text.end());
    blocks_.back().push_back('\0');
    return blocks_.back().data();
  }
  std::string Built(std::string_view code, std::string_view context,
                    const IACParam* params = nullptr) {
    Ptr envelope = nullptr;
    EXPECT_EQ(BuildIACEnvelope(code, "TLV1", "TOLV", context, params, envelope), 0);
    if (envelope == nullptr) return "";
    EXPECT_EQ(MyGetPtrSize(envelope), IACEnvelopeSize(context, params));
    const std::string text(envelope);
    EXPECT_EQ(text.size() + 1, static_cast<size_t>(IACEnvelopeSize(context, params)));
    MyDisposePtr(envelope);
    return text;
  }

 private:
  std::vector<std::vector<char>> blocks_;
};

TEST_F(IacEnvelopeTest, WritesTheFourHeaderPairsAndTheParametersInOrder) {
  const std::string empty = Built("VER?", "");
  EXPECT_EQ(empty, "MSSG\x0BVER?\x0BSIGN\x0BTLV1\x0BPSIG\x0BTOLV\x0BXTRA\x0B");
  EXPECT_EQ(IACEnvelopeSize("", nullptr), kIACEnvelopeFixedSize);

  const IACParam params[] = {
      {"VNUM", kIACTextKind, "4.1.1", 0}, {"DOC ", kIACTextKind, "", 0}, {"", 0, nullptr, 0}};
  EXPECT_EQ(IACEnvelopeSize("R1", params), 36 + 2 + (6 + 5) + (6 + 0));
  EXPECT_EQ(Built("VER!", "R1", params),
            "MSSG\x0BVER!\x0BSIGN\x0BTLV1\x0BPSIG\x0BTOLV\x0BXTRA\x0BR1\x0BVNUM\x0B"
            "4.1.1\x0B"
            "DOC \x0B");
  EXPECT_EQ(platform().beeps, 0);
}

TEST_F(IacEnvelopeTest, ASeparatorInAValueBecomesABlankAndOtherKindsBeep) {
  const std::string split = std::string("a") + kVT + "b";
  const IACParam params[] = {{"TEXT", 2, split.c_str(), 0}, {"", 0, nullptr, 0}};
  const std::string envelope = Built("ALRT", split, params);
  EXPECT_EQ(envelope,
            "MSSG\x0B"
            "ALRT\x0BSIGN\x0BTLV1\x0BPSIG\x0BTOLV\x0BXTRA\x0B"
            "a b\x0BTEXT\x0B"
            "a b");
  EXPECT_EQ(platform().beeps, 1);
  char value[16];
  ASSERT_EQ(GetIACParam(Exact(envelope), "TEXT", value, 15, false), 0);
  EXPECT_STREQ(value, "a b");
}

TEST_F(IacEnvelopeTest, ValuesAreCutAtTheLimitAndOneExactlyAtItArrivesWhole) {
  const char* envelope = Exact(
      "MSSG\x0BSHOW\x0BNAME\x0B"
      "abcdef\x0BLONG\x0B"
      "abcdefghij");
  char buffer[12];
  std::memset(buffer, 'x', sizeof buffer);
  ASSERT_EQ(GetIACParam(envelope, "NAME", buffer, 6, false), 0);
  EXPECT_STREQ(buffer, "abcdef");
  ASSERT_EQ(GetIACParam(envelope, "NAME", buffer, 5, false), 0);
  EXPECT_STREQ(buffer, "abcde");
  ASSERT_EQ(GetIACParam(envelope, "LONG", buffer, 11, false), 0);
  EXPECT_STREQ(buffer, "abcdefghij");
  ASSERT_EQ(GetIACParam(envelope, "LONG", buffer, 0, false), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(IacEnvelopeTest, OnlyKeywordPositionsAreCompared) {
  // "SIGN" appears as a value and inside a value; 3- and 5-byte keyword fields match nothing.
  const char* envelope = Exact(
      "MSSG\x0BSIGN\x0BNOTE\x0BSIGNED BY ME\x0BSIG\x0BTHREE\x0BSIGNX\x0B"
      "FIVE\x0BPSIG\x0BTOLV");
  char buffer[32] = "untouched";
  EXPECT_EQ(GetIACParam(envelope, "SIGN", buffer, 31, false), -1);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(IACParamEnd(envelope, "SIGN"), 0);
  ASSERT_EQ(GetIACParam(envelope, "PSIG", buffer, 31, false), 0);
  EXPECT_STREQ(buffer, "TOLV");
  ASSERT_EQ(GetIACParam(envelope, "MSSG", buffer, 31, false), 0);
  EXPECT_STREQ(buffer, "SIGN");
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(IacEnvelopeTest, AMissingKeywordIsComplainedAboutOnlyWhenAsked) {
  const char* envelope = Exact("MSSG\x0BVER?");
  char buffer[8] = "kept";
  EXPECT_EQ(GetIACParam(envelope, "SIGN", buffer, 4, false), -1);
  EXPECT_STREQ(buffer, "kept");
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(GetIACParam(envelope, "SIGN", buffer, 4, true), -1);
  EXPECT_STREQ(buffer, "");
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "TOLVANE: couldn't retrieve IAC parameter: SIGN");
  EXPECT_EQ(platform().alerts[0].kind, kStopAlert);
}

TEST_F(IacEnvelopeTest, TruncatedAndOddEnvelopesAreReadUpToTheirNulOnly) {
  for (const char* odd : {"", "MSSG", "MSSG\x0B", "\x0B\x0B\x0B", "MS\x0BVER?\x0BSIGN",
                          "XTRA\x0B\x0B\x0B\x0BSIGN\x0BPEER"}) {
    const char* envelope = Exact(odd);
    char buffer[8] = {};
    GetIACParam(envelope, "SIGN", buffer, 7, false);
    GetIACParam(envelope, "XTRA", buffer, 7, false);
    EXPECT_LE(IACParamEnd(envelope, "SIGN"), static_cast<int32_t>(std::strlen(odd))) << odd;
  }
  // A keyword field with no value after it has an empty value.
  char buffer[8] = "x";
  ASSERT_EQ(GetIACParam(Exact("MSSG\x0BVER?\x0BSIGN"), "SIGN", buffer, 7, false), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(IacEnvelopeTest, ParamEndBoundsTheValueAndNewBlocksHoldIt) {
  const std::string text = "MSSG\x0BSHOW\x0BNAME\x0BHospital\x0BXTRA\x0B";
  const char* envelope = Exact(text);
  EXPECT_EQ(IACParamEnd(envelope, "NAME"), static_cast<int32_t>(text.find("\x0BXTRA")));
  EXPECT_EQ(IACParamEnd(envelope, "XTRA"), static_cast<int32_t>(text.size()));

  Ptr block = nullptr;
  ASSERT_EQ(myAEGetParamInNewPtr(envelope, "NAME", block, true), 0);
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block, "Hospital");
  EXPECT_EQ(MyGetPtrSize(block), IACParamEnd(envelope, "NAME") + 1);
  MyDisposePtr(block);

  ASSERT_EQ(GetIACParamWithRoom(envelope, "NAME", block, true, 10), 0);
  EXPECT_EQ(MyGetPtrSize(block), IACParamEnd(envelope, "NAME") + 11);
  std::strcat(block, " North");  // the room is there to append in place
  EXPECT_STREQ(block, "Hospital North");
  MyDisposePtr(block);

  EXPECT_EQ(GetIACParamWithRoom(envelope, "NAME", block, true, -1), kErrBadLength);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(myAEGetParamInNewPtr(envelope, "LAYR", block, false), -1);
  EXPECT_EQ(block, nullptr);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(myAEGetParamInNewPtr(envelope, "LAYR", block, true), -1);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "TOLVANE: couldn't retrieve IAC parameter: LAYR");
}

TEST_F(IacEnvelopeTest, NoRoomForAValueIsATechnicalError) {
  const std::string text = "MSSG\x0BSHOW\x0BNAME\x0B" + std::string(200, 'n');
  SetAllocationCeilingForTesting(100);
  Ptr block = nullptr;
  EXPECT_EQ(myAEGetParamInNewPtr(Exact(text), "NAME", block, true), -1);
  EXPECT_EQ(block, nullptr);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "Tech Error: myAEGetParamInNewPtr(), MyNewHandle()");
}

TEST_F(IacEnvelopeTest, CodesCompareAsBigEndianNumbers) {
  EXPECT_EQ(IACCodeValue("TLV1"), 0x544C5631u);
  EXPECT_EQ(IACCodeValue("BYE "), 0x42594520u);
  EXPECT_NE(IACCodeValue("BYE "), IACCodeValue("BYE"));
  EXPECT_EQ(IACCodeValue("VER?X"), IACCodeValue("VER?"));
}

}  // namespace
}  // namespace tlv
