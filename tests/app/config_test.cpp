#include "app/config.h"

#include <gtest/gtest.h>

#include "store/directory_table.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class ConfigTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetConfigForTesting();
    ResetDirectoryTableForTesting();
    ASSERT_EQ(RegisterDirectory(folder.folderPath(), true, dirID), 0);
  }
  void Write(const std::string& text) { test::WriteWholeFile(folder / "MPCONFIG.TXT", text); }

  test::TempFolder folder;
  int32_t dirID = -1;
};

TEST_F(ConfigTest, KeywordsAreCaseInsensitiveAndOnlyYesTrueOnCount) {
  ParseConfigLine("usebonusmenu on");
  EXPECT_EQ(Config().useBonusMenu, 1);
  ParseConfigLine("USEBONUSMENU 1");
  EXPECT_EQ(Config().useBonusMenu, 0) << "1 is not one of the words that switch a flag on";
  ParseConfigLine("  UseBonusMenu   yes // the extra menu");
  EXPECT_EQ(Config().useBonusMenu, 1);
  ParseConfigLine("FILEFIXMENU TRUE");
  EXPECT_EQ(Config().fileFixMenu, 1);
  ParseConfigLine("EXPORTRGB no");
  EXPECT_EQ(Config().exportRGB, 0);
}

TEST_F(ConfigTest, CommentsRemAndUnknownKeywordsChangeNothing) {
  ParseConfigLine("REM USEBONUSMENU YES");
  ParseConfigLine("// USEBONUSMENU YES");
  ParseConfigLine("NOSUCHKEYWORD YES");
  ParseConfigLine("USEBONUSMENU");
  EXPECT_EQ(Config().useBonusMenu, 0);
  EXPECT_EQ(Config().tdoCutoff, 4000);
}

TEST_F(ConfigTest, NumbersAndTagColours) {
  ParseConfigLine("TDOCUTOFF 250 objects");
  EXPECT_EQ(Config().tdoCutoff, 250);
  ParseConfigLine("TDOCUTOFF many");
  EXPECT_EQ(Config().tdoCutoff, 0);
  ParseConfigLine("SELECTIONTAGCOLOR R255G0B0");
  EXPECT_EQ(Config().selectionTagColor, 255);
  ParseConfigLine("SELECTIONTAGCOLOR R1G2B3");
  EXPECT_EQ(Config().selectionTagColor, 1 + 2 * 256 + 3 * 65536);
  ParseConfigLine("SELECTIONTAGCOLOR red");
  EXPECT_EQ(Config().selectionTagColor, 0) << "text that does not parse means the standard colour";
}

TEST_F(ConfigTest, FileReadingRules) {
  Write("USEBONUSMENU YES\r\nDLGZ ON\nTDOCUTOFF 12\r");
  ReadConfigFile(0, dirID, "MPCONFIG.TXT");
  EXPECT_EQ(Config().useBonusMenu, 1);
  EXPECT_EQ(Config().dlgz, 1);
  EXPECT_EQ(Config().tdoCutoff, 12);

  // More than twenty empty lines in a row end the file.
  ResetConfigForTesting();
  Write("DLGZ ON\n" + std::string(21, '\n') + "USEBONUSMENU YES\n");
  ReadConfigFile(0, dirID, "MPCONFIG.TXT");
  EXPECT_EQ(Config().dlgz, 1);
  EXPECT_EQ(Config().useBonusMenu, 0);
  ResetConfigForTesting();
  Write("DLGZ ON\n" + std::string(20, '\n') + "USEBONUSMENU YES\n");
  ReadConfigFile(0, dirID, "MPCONFIG.TXT");
  EXPECT_EQ(Config().useBonusMenu, 1);
}

TEST_F(ConfigTest, OversizedFileIsIgnoredWhole) {
  std::string text = "USEBONUSMENU YES\n";
  text += std::string(50000 - text.size(), ' ');
  Write(text);
  ReadConfigFile(0, dirID, "MPCONFIG.TXT");
  EXPECT_EQ(Config().useBonusMenu, 0);
  text.resize(49999);
  Write(text);
  ReadConfigFile(0, dirID, "MPCONFIG.TXT");
  EXPECT_EQ(Config().useBonusMenu, 1);
}

TEST_F(ConfigTest, OnlyAThousandLinesAreRead) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "REM filler\n";
  Write(text + "USEBONUSMENU YES\n");
  ReadConfigFile(0, dirID, "MPCONFIG.TXT");
  EXPECT_EQ(Config().useBonusMenu, 0);
}

TEST_F(ConfigTest, MissingFileChangesNothingAndSaysNothing) {
  ReadConfigFile(0, dirID, "MPCONFIG.TXT");
  EXPECT_EQ(Config().tdoCutoff, 4000);
  EXPECT_TRUE(platform().alerts.empty());
}

}  // namespace
}  // namespace tlv
