#include "interchange/mie_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/test_support.h"

namespace tlv {
namespace {

constexpr const char* kHead = "\"\" \"\" \"\" \"12/31/99\" 2 ";

class MIERecordTest : public test::CoreTest {
 protected:
  int32_t Read(const std::string& text, ImportRecord& record, bool withNumber = false) {
    text_ = text;
    source_ = std::make_unique<MemoryByteSource>(text_.data(), text_.size());
    reader_ = std::make_unique<MIEReader>(*source_, true);
    EXPECT_EQ(reader_->Open(), 0);
    return ReadImportRecord(*reader_, MIEFieldNames(), withNumber, record);
  }
  // The seventeen leading fields for a kind, with names, overlay and map.
  static std::string Head(const std::string& kind, const std::string& layer = "Roads",
                          const std::string& map = "County") {
    return std::string(kHead) + "\"Rt\" \"Main Street\" 0 \"" + layer + "\" \"" + map + "\" " +
           kind + " \"00000001000000A2\" 0 \"\" 0 ONLY 0 ";
  }

  std::string text_;
  std::unique_ptr<MemoryByteSource> source_;
  std::unique_ptr<MIEReader> reader_;
};

TEST_F(MIERecordTest, ReadsAPolylineWithPiecesAndAttributes) {
  ImportRecord record;
  ASSERT_EQ(
      Read(Head("POLYLINE") + "RED 2 DASHES NONE {\r\n"
                              " { FROM -77.5 38.9 }\r\n"
                              " { TO -77.4 38.95 { TLID 12345 } { CFCC \"A41\" } { INVIS 1 } }\r\n"
                              " { FROM -77.3 38.8 } { TO 77.2W 38\xB0"
                              "45' }\r\n"
                              "}\r\n",
           record),
      0)
      << reader_->ErrorText();
  EXPECT_FALSE(record.simplePoint);
  EXPECT_EQ(record.kind, kPolylineObject);
  EXPECT_EQ(record.prefix, "Rt");
  EXPECT_EQ(record.name, "Main Street");
  EXPECT_EQ(record.layerName, "Roads");
  EXPECT_EQ(record.mapName, "County");
  EXPECT_EQ(record.idText, "00000001000000A2");
  EXPECT_EQ(record.graphics.colour, 14);  // menu position 15 is stored colour 14
  EXPECT_EQ(record.graphics.variant, 2);
  EXPECT_EQ(record.graphics.lineType, 9);
  EXPECT_EQ(record.graphics.fillPattern, 2);
  ASSERT_EQ(record.points.size(), 4u);
  EXPECT_TRUE(record.points[0].newPiece);
  EXPECT_FALSE(record.points[1].newPiece);
  EXPECT_TRUE(record.points[2].newPiece);
  EXPECT_EQ(record.points[0].x, 102500000);
  EXPECT_EQ(record.points[0].y, 128900000);
  EXPECT_EQ(record.points[3].x, 102800000);
  EXPECT_EQ(record.points[3].y, 128750000);
  EXPECT_TRUE(record.anyAttributes);
  EXPECT_FALSE(record.points[0].hasAttributes);
  const SegmentAttributes& attributes = record.points[1].attributes;
  EXPECT_EQ(attributes.values[0], 12345);
  EXPECT_EQ(attributes.values[1], ('A' << 24) | ('4' << 16) | ('1' << 8));
  EXPECT_EQ(attributes.mask, 0xFFFF);
  EXPECT_EQ(record.rect.x1, 102500000);
  EXPECT_EQ(record.rect.x2, 102800000);
  EXPECT_EQ(record.rect.y1, 128750000);
  EXPECT_EQ(record.rect.y2, 128950000);
  // 12/31/99 is 1999-12-31 at midnight.
  EXPECT_EQ(record.modTime, 3029443200u);
}

TEST_F(MIERecordTest, FillWordsAndColourMenuPositions) {
  ImportRecord record;
  ASSERT_EQ(Read(Head("POLYGON") + "DARKBLUE 1 BLACK BLACK { { FROM 1 1 } { TO 2 2 } END", record),
            0)
      << reader_->ErrorText();
  EXPECT_EQ(record.graphics.fillPattern, 1);
  EXPECT_EQ(record.graphics.lineType, 1);
  EXPECT_EQ(record.graphics.colour, 15);
  ASSERT_EQ(Read(Head("RECT") + "PURPLE 1 1 NONE 10 20 5 25", record), 0);
  EXPECT_EQ(record.graphics.fillPattern, 2);
  EXPECT_EQ(record.graphics.colour, 12);
  // Corners come in any order.
  EXPECT_EQ(record.rect.x1, 185000000);
  EXPECT_EQ(record.rect.y1, 110000000);
  EXPECT_EQ(record.rect.x2, 190000000);
  EXPECT_EQ(record.rect.y2, 115000000);
  for (int32_t position = 1; position <= 16; ++position) {
    EXPECT_EQ(MenuPositionForStoredColour(StoredColourForMenuPosition(position)), position);
  }
  EXPECT_EQ(StoredColourForMenuPosition(0), 1);
  EXPECT_EQ(StoredColourForMenuPosition(17), 1);
}

TEST_F(MIERecordTest, ReadsPointTextPictureAliasAndCircleBodies) {
  ImportRecord record;
  ASSERT_EQ(Read(Head("POINT") + "R10G20B30 3 54 -77.25 38.5", record), 0);
  EXPECT_TRUE(record.customColour);
  EXPECT_EQ(record.customRGB, 0x0A141Eu);
  EXPECT_EQ(record.graphics.symbol, 54);
  EXPECT_EQ(record.graphics.variant, 3);
  EXPECT_EQ(record.rect.x1, record.rect.x2);
  EXPECT_EQ(record.rect.x1, 102750000);

  ASSERT_EQ(Read(Head("SYMBOL") + "BLUE 1 600 0 0", record), 0);
  EXPECT_EQ(record.graphics.symbol, 212);
  ASSERT_EQ(Read(Head("SYMBOL") + "BLUE 1 -1 0 0", record), 0);
  EXPECT_EQ(record.graphics.symbol, 212);

  ASSERT_EQ(Read(Head("TEXT") + "GREEN YES 12 9 \"Lake Orrin\" -77 39 -77.1 38.9", record), 0);
  EXPECT_EQ(record.text, "Lake Orrin");
  EXPECT_EQ(record.graphics.textFlag, 1);
  EXPECT_EQ(record.graphics.textValue, 12);
  EXPECT_EQ(record.graphics.textCode, 1);  // outside 1 to 4
  EXPECT_EQ(record.graphics.colour, 9);

  ASSERT_EQ(Read(Head("PICTURE") + "1 \"" + std::string(40, 'p') + "\" 1 2 3 4", record), 0);
  EXPECT_EQ(record.text.size(), 31u);
  EXPECT_EQ(record.graphics.textFlag, 1);

  ASSERT_EQ(Read(Head("ALIAS") + "\"0000000100000001\"", record), 0);
  EXPECT_EQ(record.aliasOf, "0000000100000001");

  ASSERT_EQ(Read(Head("CIRCLE") + "YELLOW 1 1 NONE -77.1 38.1 -77.0 38.2", record), 0);
  EXPECT_EQ(record.kind, kCircleObject);
  EXPECT_EQ(record.graphics.colour, 16);
}

TEST_F(MIERecordTest, CutsNamesAndReplacesBackslashes) {
  ImportRecord record;
  const std::string longName(150, 'n');
  ASSERT_EQ(Read(std::string(kHead) + "\"0123456789AB\" \"" + longName +
                     "\" 300 \"A\\B\" \"Map\\One\" POINT \"\" 0 \"\" 0 ONLY 0 1 1 1 0 0",
                 record),
            0);
  EXPECT_EQ(record.prefix, "012345678");
  EXPECT_EQ(record.name.size(), 99u);
  EXPECT_EQ(record.aliasCount, 255);
  EXPECT_EQ(record.layerName, "A-B");
  EXPECT_EQ(record.mapName, "Map-One");
  EXPECT_TRUE(record.idText.empty());
}

TEST_F(MIERecordTest, RefusesNewerVersionsUnknownKindsAndBadAttributes) {
  ImportRecord record;
  EXPECT_EQ(Read("\"\" \"\" \"\" \"\"\r\n3 \"\" \"x\"", record), -1);
  EXPECT_EQ(reader_->ErrorText(),
            "Format requires a newer version of TOLVANE.\n\nWhile importing line 2.");
  EXPECT_EQ(Read(Head("1") + "1 1 1 1 0 0 0 0", record), 0);  // version 1 and kind 1 are read
  EXPECT_EQ(Read(Head("9") + "1 1 1", record), -1);
  EXPECT_EQ(reader_->ErrorText(), "Unrecognized object type in import.\n\nWhile importing line 1.");
  EXPECT_EQ(Read(Head("POLYLINE") + "1 1 1 1 { { FROM 0 0 { 16 5 } } }", record), -1);
  EXPECT_EQ(reader_->ErrorText(), "Invalid segment attribute number.\n\nWhile importing line 1.");
  EXPECT_EQ(Read(Head("POLYLINE") + "1 1 1 1 { { FROM 0 0 { -1 5 } } }", record), -1);
  EXPECT_EQ(Read(Head("POLYLINE") + "1 1 1 1 { { FROM 0 0 } ", record), -1);
  EXPECT_EQ(reader_->ErrorText(),
            "Import error: expected type: open brace '{'\n\nWhile importing line 1.");
  EXPECT_EQ(Read(std::string(kHead) + "\"\" 5", record), -1);
  EXPECT_EQ(reader_->ErrorText(), "Import error: expected type: string\n\nWhile importing line 1.");
  EXPECT_EQ(Read(Head("POINT") + "MAUVE 1 1 0 0", record), -1);
  EXPECT_EQ(reader_->ErrorText(),
            "Unrecognized constant in file: MAUVE.\n\nWhile importing line 1.");
  // A truncated record.
  EXPECT_EQ(Read(Head("RECT") + "1 1 1 1 0 0", record), -1);
  EXPECT_EQ(reader_->ErrorText(), "Import error: expected type: number\n\nWhile importing line 1.");
}

TEST_F(MIERecordTest, DatesFollowTheCenturyRule) {
  uint32_t a = 0;
  uint32_t b = 0;
  ASSERT_TRUE(ImportDateToSeconds1904("1/1/39", a));
  ASSERT_TRUE(ImportDateToSeconds1904("1/1/2039", b));
  EXPECT_EQ(a, b);
  ASSERT_TRUE(ImportDateToSeconds1904("1/1/40", a));
  ASSERT_TRUE(ImportDateToSeconds1904("1/1/1940", b));
  EXPECT_EQ(a, b);
  ASSERT_TRUE(ImportDateToSeconds1904("1/1/1904", a));
  EXPECT_EQ(a, 0u);
  EXPECT_FALSE(ImportDateToSeconds1904("13/1/99", a));
  EXPECT_FALSE(ImportDateToSeconds1904("2/29/2023", a));
  EXPECT_FALSE(ImportDateToSeconds1904("yesterday", a));
  EXPECT_FALSE(ImportDateToSeconds1904("1/1/1800", a));
  ImportRecord record;
  ASSERT_EQ(Read("\"\" \"\" \"\" \"99/99/99\" 2 " +
                     Head("POINT").substr(std::string(kHead).size()) + "1 1 1 0 0",
                 record),
            0);
  EXPECT_TRUE(record.dateUnreadable);
  EXPECT_EQ(record.modTime, 0u);
}

TEST_F(MIERecordTest, SimplePointRecordsTakeTabSeparatedFieldsAndDefaults) {
  ImportRecord record;
  ASSERT_EQ(Read("-77.5\t38.9\r\n", record), 0);
  EXPECT_TRUE(record.simplePoint);
  EXPECT_EQ(record.kind, kPointObject);
  EXPECT_EQ(record.graphics.symbol, 212);
  EXPECT_EQ(record.graphics.colour, 1);
  EXPECT_EQ(record.graphics.variant, 1);
  EXPECT_TRUE(record.name.empty());
  EXPECT_TRUE(record.layerName.empty());
  EXPECT_TRUE(record.mapName.empty());
  EXPECT_EQ(record.rect.x1, 102500000);

  ASSERT_EQ(Read("-77.5 38.9\tMercy Hospital\tHOSPITALS\tCounty\\Map\t54\tred\t00000000000000FF\n"
                 "-77.4\t38.8\t\t\t\t0\t0\n",
                 record),
            0);
  EXPECT_EQ(record.name, "Mercy Hospital");
  EXPECT_EQ(record.layerName, "HOSPITALS");
  EXPECT_EQ(record.mapName, "County-Map");
  EXPECT_EQ(record.graphics.symbol, 54);
  EXPECT_EQ(record.graphics.colour, 14);
  EXPECT_EQ(record.idText, "00000000000000FF");
  // The next line is the next record; "0" and empty fields keep the defaults.
  ASSERT_EQ(ReadImportRecord(*reader_, MIEFieldNames(), false, record), 0);
  EXPECT_EQ(record.graphics.symbol, 212);
  EXPECT_EQ(record.rect.x1, 102600000);

  ASSERT_EQ(Read("7 -77.5\t38.9\tA\t\t\tLANDMARK\tR1G2B3\n", record, true), 0);
  EXPECT_EQ(record.recordNumber, 7);
  EXPECT_EQ(record.graphics.symbol, 51);
  EXPECT_TRUE(record.customColour);
  EXPECT_EQ(Read("-77.5\t38.9\tA\t\t\tNOSUCH\n", record), -1);
}

}  // namespace
}  // namespace tlv
