#include "store/mie_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <string>
#include <vector>

#include "base/char_tables.h"
#include "interchange/file_type.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class MIEReaderTest : public test::CoreTest {
 protected:
  // Reads every token of text; stops at the end of the file or the first error.
  std::vector<MIEToken> Tokens(const std::string& text, int32_t* error = nullptr,
                               bool mac = false) {
    source_ = std::make_unique<MemoryByteSource>(text.data(), text.size());
    reader_ = std::make_unique<MIEReader>(*source_, mac);
    EXPECT_EQ(reader_->Open(), 0);
    std::vector<MIEToken> tokens;
    for (;;) {
      MIEToken token;
      const int32_t err = reader_->Next(token);
      if (error != nullptr) *error = err;
      if (err != 0 || token.kind == kTokenEndOfFile) break;
      tokens.push_back(token);
    }
    return tokens;
  }

  double Number(const std::string& text) {
    const auto tokens = Tokens(text);
    EXPECT_EQ(tokens.size(), 1u) << text;
    if (tokens.empty()) return -999.0;
    EXPECT_EQ(tokens[0].kind, kTokenNumber) << text;
    return tokens[0].value;
  }

  std::unique_ptr<MemoryByteSource> source_;
  std::unique_ptr<MIEReader> reader_;
};

TEST_F(MIEReaderTest, ReadsEveryTokenKindAcrossEverySeparator) {
  const auto tokens = Tokens("{ }END\t\"a b\"\r\n'ABCD'\n12 end");
  ASSERT_EQ(tokens.size(), 7u);
  EXPECT_EQ(tokens[0].kind, kTokenOpen);
  EXPECT_EQ(tokens[1].kind, kTokenClose);
  EXPECT_EQ(tokens[2].kind, kTokenClose);
  EXPECT_EQ(tokens[3].kind, kTokenString);
  EXPECT_EQ(tokens[3].text, "a b");
  EXPECT_EQ(tokens[4].kind, kTokenSignature);
  EXPECT_EQ(tokens[4].text, "ABCD");
  EXPECT_EQ(tokens[5].integer, 12);
  EXPECT_EQ(tokens[6].kind, kTokenClose);  // words are upper-cased
}

TEST_F(MIEReaderTest, ReadsDegreesMinutesSecondsAndHemispheres) {
  EXPECT_DOUBLE_EQ(Number("12\xB0"
                          "30'"),
                   12.5);
  EXPECT_DOUBLE_EQ(Number("-12\xB0"
                          "30'"),
                   -12.5);
  EXPECT_DOUBLE_EQ(Number("77.5W"), -77.5);
  EXPECT_DOUBLE_EQ(Number("38.25N"), 38.25);
  EXPECT_DOUBLE_EQ(Number("10.5E"), 10.5);
  EXPECT_DOUBLE_EQ(Number("33.5s"), -33.5);
  // Mac OS Roman marks and the Windows closing quotes.
  EXPECT_DOUBLE_EQ(Number("10\xA1"
                          "30\xD5"
                          "36\xD3"),
                   10.51);
  EXPECT_DOUBLE_EQ(Number("10\xBA"
                          "15\x92"
                          "0\x94"),
                   10.25);
  EXPECT_DOUBLE_EQ(Number("77\xB0"
                          "30'W"),
                   -77.5);
  EXPECT_DOUBLE_EQ(Number("1.5e3"), 1500.0);
  EXPECT_DOUBLE_EQ(Number("-2.5e-1"), -0.25);
  EXPECT_DOUBLE_EQ(Number(".5"), 0.5);
}

TEST_F(MIEReaderTest, ReadsNumbersAsIntegersAndDecimals) {
  auto tokens = Tokens("42 -7 3.9 99999999999");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0].integer, 42);
  EXPECT_EQ(tokens[1].integer, -7);
  EXPECT_EQ(tokens[2].integer, 3);
  EXPECT_DOUBLE_EQ(tokens[2].value, 3.9);
  EXPECT_EQ(tokens[3].integer, 2147483647);
  // An exponent beyond a double stays finite.
  tokens = Tokens("1e999");
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_TRUE(std::isfinite(tokens[0].value));
}

TEST_F(MIEReaderTest, PlainDecimalsReadAsTheGeneralReaderReadsThem) {
  // The shortcut for plain decimals must give exactly what the general reading gives.
  const char* samples[] = {"-77.123456",      "38.9",  "0.1",         "-0.000001", "179.999999",
                           "123456789012345", "+12.5", "-2147483649", "7.",        ".25"};
  for (const char* sample : samples) {
    double value = 0;
    int32_t integer = 0;
    ReadMIENumberText(sample, value, integer);
    EXPECT_EQ(value, std::strtod(sample, nullptr)) << sample;
    EXPECT_EQ(integer, static_cast<int32_t>(std::clamp<long long>(std::strtoll(sample, nullptr, 10),
                                                                  INT32_MIN, INT32_MAX)))
        << sample;
  }
}

TEST_F(MIEReaderTest, NumberEndsAtTheFirstOtherByteOrAfterAHundredCharacters) {
  auto tokens = Tokens("12{\"x\"");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].integer, 12);
  EXPECT_EQ(tokens[1].kind, kTokenOpen);

  const std::string hundred(100, '7');
  tokens = Tokens(hundred + "12");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].text.size(), 100u);
  EXPECT_EQ(tokens[0].integer, 2147483647);
  EXPECT_EQ(tokens[1].integer, 12);
}

TEST_F(MIEReaderTest, ConstantTableHasSixtyFiveWordsAndTheFirstWins) {
  EXPECT_EQ(kMIEConstantCount, 65);
  for (int32_t i = 0; i < kMIEConstantCount; ++i) {
    for (int32_t j = i + 1; j < kMIEConstantCount; ++j) {
      EXPECT_STRNE(kMIEConstants[i].word, kMIEConstants[j].word);
    }
  }
  const auto tokens = Tokens("black none railroad boxes aqua landmark airplane invis w");
  ASSERT_EQ(tokens.size(), 9u);
  const int32_t expected[] = {1, 2, 10, 10, 12, 51, 207, 15, 3};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(tokens[i].integer, expected[i]) << tokens[i].text;
}

TEST_F(MIEReaderTest, CustomColourWordsCarryTheirColour) {
  const auto tokens = Tokens("R255G128B0 r1g2b300");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_TRUE(tokens[0].customColour);
  EXPECT_EQ(static_cast<uint32_t>(tokens[0].integer), 0x03FF8000u);
  EXPECT_EQ(static_cast<uint32_t>(tokens[1].integer) & 0xFFFFFFu, 0x0102FFu);
  uint32_t rgb = 0;
  EXPECT_FALSE(ParseCustomColourWord("R1G2", rgb));
  EXPECT_FALSE(ParseCustomColourWord("R1G2B3X", rgb));
  EXPECT_FALSE(ParseCustomColourWord("RGB", rgb));
}

TEST_F(MIEReaderTest, ErrorsNameTheMessageAndTheLine) {
  int32_t err = 0;
  Tokens("{\r\n}\r\nPURPLISH", &err);
  EXPECT_EQ(err, -1);
  EXPECT_EQ(reader_->ErrorText(),
            "Unrecognized constant in file: PURPLISH.\n\nWhile importing line 3.");

  // Lines ended by LF alone count too.
  Tokens("1\n2\n'AB'", &err);
  EXPECT_EQ(err, -1);
  EXPECT_EQ(reader_->ErrorText(), "Signature too short.\n\nWhile importing line 3.");

  Tokens("'ABCDE'", &err);
  EXPECT_EQ(err, -1);
  EXPECT_EQ(reader_->ErrorText(), "Signature too long.\n\nWhile importing line 1.");

  Tokens("\"" + std::string(999, 'x') + "\"", &err);
  EXPECT_EQ(err, 0);
  Tokens("\"" + std::string(1000, 'x') + "\"", &err);
  EXPECT_EQ(err, -1);
  EXPECT_EQ(reader_->ErrorText(), "String too long.\n\nWhile importing line 1.");

  // A string left open at the end of the file.
  Tokens("\"abc\r\ndef", &err);
  EXPECT_EQ(err, -1);
  EXPECT_EQ(reader_->ErrorText(), "Import error.\n\nWhile importing line 2.");
}

TEST_F(MIEReaderTest, BinaryGarbageGivesOtherTokensWithoutReadingPastTheEnd) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
  int32_t err = 0;
  const auto tokens = Tokens(garbage, &err);
  // Either a clean error or tokens; never a crash. The first byte (0x07) is no token.
  ASSERT_FALSE(tokens.empty());
  EXPECT_EQ(tokens[0].kind, kTokenOther);
}

TEST_F(MIEReaderTest, RecognisesMacRomanStrings) {
  // "Café" and "Müller" in Mac OS Roman; the same in Windows-1252 stays as it is.
  auto tokens = Tokens("\"Caf\x8E\" \"M\x9Fller\" \"Caf\xE9\" \"M\xFCller\"", nullptr, true);
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0].text, "Caf\xE9");
  EXPECT_EQ(tokens[1].text, "M\xFCller");
  EXPECT_EQ(tokens[2].text, "Caf\xE9");
  EXPECT_EQ(tokens[3].text, "M\xFCller");
  // Without the recognition the bytes stay.
  tokens = Tokens("\"Caf\x8E\"", nullptr, false);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].text, "Caf\x8E");
}

TEST_F(MIEReaderTest, RecognisesUtf8StringsThatWindows1252CanHold) {
  auto tokens = Tokens(
      "\"Caf\xC3\xA9 Z\xC3\xBCrich\" \"Caf\xE9 Z\xFCrich\" "
      "\"\xE2\x82\xAC\xE2\x80\x9Cx\xE2\x80\x9D\" "
      "\"\xC5\x81\xC3\xB3"
      "d\xC5\xBA\" \"plain\"",
      nullptr, true);
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_EQ(tokens[0].text, "Caf\xE9 Z\xFCrich");
  EXPECT_EQ(tokens[1].text, "Caf\xE9 Z\xFCrich") << "Windows-1252 is no valid UTF-8";
  EXPECT_EQ(tokens[2].text, "\x80\x93x\x94") << "the euro sign and curly quotes";
  EXPECT_EQ(tokens[3].text,
            "\xC5\x81\xC3\xB3"
            "d\xC5\xBA")
      << "Windows-1252 has no L with stroke";
  EXPECT_EQ(tokens[4].text, "plain");
  tokens = Tokens("\"Caf\xC3\xA9\"", nullptr, false);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].text, "Caf\xC3\xA9");
}

TEST_F(MIEReaderTest, OnlyWellFormedUtf8IsConverted) {
  struct Case {
    const char* bytes;
    const char* expected;
  };
  const Case cases[] = {
      {"\xC3\xA9", "\xE9"},
      {"abc", "abc"},                            // no multi-byte sequence: nothing to convert
      {"\xC3", "\xC3"},                          // cut short
      {"\xC3\xA9\xA9", "\xC3\xA9\xA9"},          // a stray continuation byte
      {"\xC0\xA9", "\xC0\xA9"},                  // overlong form of ")"
      {"\xE0\x80\xAF", "\xE0\x80\xAF"},          // overlong form of "/"
      {"\xED\xA0\x80", "\xED\xA0\x80"},          // a surrogate
      {"\xF4\x90\x80\x80", "\xF4\x90\x80\x80"},  // past U+10FFFF
      {"\xC2\x85", "\xC2\x85"},                  // a C1 control: Windows-1252 has no such character
      {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},          // the ends of the shared range
  };
  for (const Case& c : cases) {
    std::string text = c.bytes;
    const bool converted = Utf8ToWindows1252Text(text);
    EXPECT_EQ(text, c.expected) << c.bytes;
    EXPECT_EQ(converted, text != c.bytes) << c.bytes;
  }
}

TEST_F(MIEReaderTest, AByteOrderMarkStartsNoToken) {
  int32_t error = 0;
  auto tokens = Tokens("\xEF\xBB\xBF{ 12 }", &error, true);
  EXPECT_EQ(error, 0);
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].kind, kTokenOpen);
  // Only at the start of the file; and a file that is nothing else holds no token.
  tokens = Tokens("{ \xEF\xBB\xBF", &error, true);
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[1].kind, kTokenOther);
  EXPECT_EQ(tokens[3].kind, kTokenOther);
  EXPECT_TRUE(Tokens("\xEF\xBB\xBF", &error, true).empty());
  EXPECT_EQ(error, 0);
}

TEST_F(MIEReaderTest, ReportsProgressPerPieceRead) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "12345678 ";
  std::vector<int32_t> shares;
  source_ = std::make_unique<MemoryByteSource>(text.data(), text.size());
  MIEReader reader(*source_, false);
  ASSERT_EQ(reader.Open(), 0);
  reader.SetProgress([&](int32_t percent) { shares.push_back(percent); });
  MIEToken token;
  while (reader.Next(token) == 0 && token.kind != kTokenEndOfFile) {
  }
  // 9000 bytes: after 2000, 4000, 6000 and 8000, and after the last 1000.
  EXPECT_EQ(shares, (std::vector<int32_t>{22, 44, 66, 88, 100}));

  // A file shorter than one piece shows 100 once it is read.
  const std::string small = "12 34";
  MemoryByteSource smallSource(small.data(), small.size());
  MIEReader smallReader(smallSource, false);
  ASSERT_EQ(smallReader.Open(), 0);
  shares.clear();
  smallReader.SetProgress([&](int32_t percent) { shares.push_back(percent); });
  while (smallReader.Next(token) == 0 && token.kind != kTokenEndOfFile) {
  }
  EXPECT_EQ(shares, (std::vector<int32_t>{100}));
}

int32_t FileTypeOf(const std::string& text) {
  MemoryByteSource source(text.data(), text.size());
  int32_t type = -1;
  EXPECT_EQ(DetermineFileType(source, type), 0);
  return type;
}

TEST_F(MIEReaderTest, FileTypeComesFromTheLastLines) {
  EXPECT_EQ(FileTypeOf("\"\" \"\" \"\" \"\" 2 }\r\n"), kImportFileMIE);
  EXPECT_EQ(FileTypeOf(""), kImportFileMIE);
  EXPECT_EQ(FileTypeOf("1, -77.1, 38.9\r\n2, -77.2, 38.8\r\nEND\r\n\r\n"),
            kImportFileCoordinateListSingleEnd);
  EXPECT_EQ(FileTypeOf("1\n-77.1 38.9\n-77.2 38.8\nEND\n  \nEND\n"),
            kImportFileCoordinateListObjectEnds);
  EXPECT_EQ(FileTypeOf("END"), kImportFileCoordinateListSingleEnd);
  // Only the last 99 bytes are looked at.
  EXPECT_EQ(FileTypeOf("END\n" + std::string(120, 'x') + "\nEND\n"),
            kImportFileCoordinateListSingleEnd);
}

TEST(PlainDecimalTest, AcceptsOnlyPlainDecimalsAndReadsThemAsStrtodDoes) {
  // The value must be strtod's to the bit (the sign of zero too) wherever it answers at all.
  auto same = [](std::string_view text) {
    double value = 12345;
    int32_t integer = 12345;
    if (!ReadPlainDecimal(text, value, integer)) return;
    const std::string copy(text);
    const double expected = std::strtod(copy.c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << copy;
    const long long whole = std::strtoll(copy.c_str(), nullptr, 10);
    EXPECT_EQ(integer, static_cast<int32_t>(std::clamp<long long>(whole, INT32_MIN, INT32_MAX)))
        << copy;
  };
  for (const char* text :
       {"0", "-0", "+0", "-0.0", "5.", ".5", "-.5", "+.5", "0.1", "-77.123456", "38.99999999999",
        "123456789012345", "0.00000000000001", "-2147483647.5", "0000000000007.25"}) {
    double value = 0;
    int32_t integer = 0;
    EXPECT_TRUE(ReadPlainDecimal(text, value, integer)) << text;
    same(text);
  }
  for (const char* text : {"", ".", "-", "+", "--5", "+-5", "5-", "1.2.3", " 5", "5 ", "1e5",
                           "1234567890123456", "0.000000000000001", "0x10", "inf", "nan", "5,0",
                           "\xB0"
                           "5"}) {
    double value = 7;
    int32_t integer = 7;
    EXPECT_FALSE(ReadPlainDecimal(text, value, integer)) << text;
    EXPECT_EQ(value, 7) << text;
    EXPECT_EQ(integer, 7) << text;
  }
  EXPECT_TRUE([] {
    double value = 0;
    int32_t integer = 0;
    return ReadPlainDecimal("99999999999999", value, integer) && integer == 2147483647;
  }());
  // Seeded random decimals of up to 15 digits with the point anywhere.
  uint64_t seed = 20261209;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const int digits = 1 + static_cast<int>((seed >> 33) % 15);
    const int point = static_cast<int>((seed >> 40) % static_cast<uint64_t>(digits + 1));
    std::string text = (seed >> 60) % 2 == 0 ? "-" : "";
    uint64_t bits = seed;
    for (int d = 0; d < digits; ++d) {
      if (d == point) text.push_back('.');
      text.push_back(static_cast<char>('0' + bits % 10));
      bits = bits / 10 + (seed >> 17);
    }
    same(text);
  }
}

}  // namespace
}  // namespace tlv
