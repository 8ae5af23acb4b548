#include "store/object_record.h"
#include "catalogue/walks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/memory.h"
#include "geometry/segments.h"
#include "support/overlay_fixture.h"

namespace tlv {
namespace {

using test::Big16At;
using test::Big32At;
using test::ByteBuilder;
using test::RecordImage;

class ObjectRecordTest : public test::OverlayFileTest {
 protected:
  // Writes the records one after the other; positions receives where each starts.
  void WriteRecords(const std::vector<RecordImage>& records,
                    std::vector<int32_t>* positions = nullptr) {
    std::string bytes;
    for (const RecordImage& r : records) {
      if (positions != nullptr) positions->push_back(static_cast<int32_t>(bytes.size()));
      bytes += r.Bytes();
    }
    image = bytes;
    WriteFile("ROADS.OBJ", bytes);
  }
  std::string Stored() { return FileBytes("ROADS.OBJ"); }

  std::string image;
};

Handle PointsHandle(const std::vector<WPoint>& points) {
  Handle h = MyNewHandle(static_cast<int32_t>(points.size() * sizeof(WPoint)));
  if (!points.empty()) std::memcpy(*h, points.data(), points.size() * sizeof(WPoint));
  return h;
}

TEST_F(ObjectRecordTest, HeadFieldsAreReadAtTheirOffsetsAndWrittenInPlace) {
  RecordImage r;
  r.type = 0x80 | kPointObject;  // bit 7 is ignored on reading
  r.modTime = 3000000000u;
  r.idHigh = 0x12345678;
  r.idLow = -2;
  r.rect = {180000000, 90000000, 180500000, 90250000};
  r.digitization = 300;
  r.customColour = 0x03FF8000;
  r.aliasCount = 2;
  r.prefix = "ab";
  r.name = "Pier";
  r.nameRoom = 10;
  r.after = ByteBuilder().U8(0x21).U8(44).bytes();
  WriteRecords({r});
  BufferedFile& file = ObjectFile();

  int32_t length = 0;
  uint32_t modTime = 0;
  int32_t flags = 0;
  int16_t type = 0;
  int32_t high = 0;
  int32_t low = 0;
  WRect rect;
  int32_t digitization = 0;
  uint32_t colourField = 0;
  uint8_t aliases = 0;
  int32_t afterName = 0;
  ASSERT_EQ(FSGetObjectLength(file, 0, length), 0);
  EXPECT_EQ(length, static_cast<int32_t>(image.size()) - 4);
  ASSERT_EQ(FSGetObjectModTime(file, 0, modTime), 0);
  EXPECT_EQ(modTime, 3000000000u);
  ASSERT_EQ(FSGetObjectVersionFlags(file, 0, flags), 0);
  EXPECT_EQ(flags, 3);
  ASSERT_EQ(FSGetObjectType(file, 0, type), 0);
  EXPECT_EQ(type, kPointObject);
  ASSERT_EQ(FSGetObjectID(file, 0, high, low), 0);
  EXPECT_EQ(high, 0x12345678);
  EXPECT_EQ(low, -2);
  ASSERT_EQ(FSGetObjectWorldRect(file, 0, rect), 0);
  EXPECT_EQ(rect, r.rect);
  ASSERT_EQ(FSGetObjectSymbolNumFromDigitizationField(file, 0, digitization), 0);
  EXPECT_EQ(digitization, 300);
  ASSERT_EQ(FSGetObjectNolongerStateCounty(file, 0, colourField), 0);
  EXPECT_EQ(colourField, 0x03FF8000u);
  ASSERT_EQ(FSGetObjectAliasCount(file, 0, aliases), 0);
  EXPECT_EQ(aliases, 2);
  ASSERT_EQ(FSGetObjectAfterNameOffset(file, 0, afterName), 0);
  EXPECT_EQ(afterName, 69 + 2 + 10);

  ASSERT_EQ(FSSetObjectVersionFlags(file, 0, 1), 0);
  ASSERT_EQ(FSSetObjectType(file, 0, kCircleObject), 0);
  ASSERT_EQ(FSSetObjectID(file, 0, 7, 8), 0);
  ASSERT_EQ(FSSetObjectWorldRect(file, 0, WRect{1, 2, 3, 4}), 0);
  ASSERT_EQ(FSSetObjectSymbolNumIntoDigitizationField(file, 0, -5), 0);
  ASSERT_EQ(FSSetObjectAliasCount(file, 0, 9), 0);
  ASSERT_EQ(FSSetObjectModTime(file, 0, 1000, kEpoch1904), 0);
  const std::string bytes = Stored();
  EXPECT_EQ(Big32At(bytes, 17), 1000);
  EXPECT_EQ(Big32At(bytes, 21), 1);
  EXPECT_EQ(static_cast<uint8_t>(bytes[25]), kCircleObject);
  EXPECT_EQ(Big32At(bytes, 26), 7);
  EXPECT_EQ(Big32At(bytes, 30), 8);
  EXPECT_EQ(Big32At(bytes, 34), 1);
  EXPECT_EQ(Big32At(bytes, 46), 4);
  EXPECT_EQ(Big32At(bytes, 50), -5);  // sign-extended
  EXPECT_EQ(static_cast<uint8_t>(bytes[66]), 9);
  EXPECT_EQ(bytes.substr(67), image.substr(67));  // nothing past the head moved
}

TEST_F(ObjectRecordTest, ModTimeEpochsAndAlwaysZeroFields) {
  RecordImage r;
  r.nameRoom = 4;
  r.after = "\x11\x11";
  WriteRecords({r});
  BufferedFile& file = ObjectFile();
  ASSERT_EQ(FSSetObjectModTime(file, 0, 100, kEpoch1970), 0);
  EXPECT_EQ(static_cast<uint32_t>(Big32At(Stored(), 17)), 100u + 2082816000u);
  ASSERT_EQ(FSSetObjectModTime(file, 0, 100, 2000), 0);
  EXPECT_EQ(Big32At(Stored(), 17), 0);

  ASSERT_EQ(FSSetObjectCFCC(file, 0), 0);
  ASSERT_EQ(FSSetObjectPlace(file, 0), 0);
  std::string cfcc = "x";
  int32_t place = 5;
  ASSERT_EQ(FSGetObjectCFCC(file, 0, cfcc), 0);
  EXPECT_EQ(cfcc, "");
  ASSERT_EQ(FSGetObjectPlace(file, 0, place), 0);
  EXPECT_EQ(place, 0);
  EXPECT_EQ(Stored().substr(54, 8), std::string(8, '\0'));
}

TEST_F(ObjectRecordTest, CustomColourBits) {
  RecordImage r;
  r.nameRoom = 2;
  r.after = "\x11\x11";
  r.customColour = 0x01000000 | 0x123456;  // present, not active
  WriteRecords({r});
  BufferedFile& file = ObjectFile();
  bool present = false;
  bool active = true;
  uint32_t rgb = 0;
  ASSERT_EQ(GetObjectCustomColour(file, 0, present, active, rgb), 0);
  EXPECT_TRUE(present);
  EXPECT_FALSE(active);
  EXPECT_EQ(rgb, 0x123456u);

  ASSERT_EQ(SetObjectCustomColour(file, 0, 0xFFABCDEF), 0);
  EXPECT_EQ(static_cast<uint32_t>(Big32At(Stored(), 62)), 0x03ABCDEFu);
  ASSERT_EQ(FSSetObjectNoLongerStateCounty(file, 0, 0xF3ABCDEF), 0);
  ASSERT_EQ(ClearObjectCustomColour(file, 0), 0);
  // Bits 0 to 24 stay, bit 25 and above go.
  EXPECT_EQ(static_cast<uint32_t>(Big32At(Stored(), 62)), 0x01ABCDEFu);
}

TEST_F(ObjectRecordTest, UnreadableRecordIsRefusedByKindDependentReads) {
  RecordImage r;
  r.versionFlags = 2;
  r.nameRoom = 4;
  r.after = "\x11\x11";
  WriteRecords({r});
  BufferedFile& file = ObjectFile();
  int16_t type = 0;
  EXPECT_EQ(FSGetObjectType(file, 0, type), -1);
  EXPECT_TRUE(AlertShown("cannot be read by this version of TOLVANE"));
  ObjectGraphics g;
  EXPECT_EQ(FSGetObjectGraphics(file, 0, g), -1);
}

TEST_F(ObjectRecordTest, NameRoomOf20TakesExactlyTwentyCharacters) {
  RecordImage r;
  r.nameRoom = 0;
  r.after = std::string(20, '\0') + "\x11\x11";  // a new record: the room is still zeros
  WriteRecords({r});
  BufferedFile& file = ObjectFile();
  ASSERT_EQ(FSSetObjectName(file, 0, "", "", 20), 0);
  std::string bytes = Stored();
  EXPECT_EQ(bytes[67], 0);
  EXPECT_EQ(bytes[68], 20);

  ASSERT_EQ(FSSetObjectName(file, 0, "ab", "Main \"Street\" 1234", 0), 0);
  bytes = Stored();
  EXPECT_EQ(bytes[67], 2);
  EXPECT_EQ(bytes.substr(68, 2), "ab");
  EXPECT_EQ(bytes[70], 18);
  EXPECT_EQ(bytes.substr(71, 18), "Main 'Street' 1234");
  EXPECT_EQ(bytes.substr(89, 2), "\x11\x11");  // the graphics did not move

  const std::string before = Stored();
  EXPECT_EQ(FSSetObjectName(file, 0, "ab", "Main \"Street\" 12345", 0), -1);
  EXPECT_TRUE(AlertShown("New name/prefix too long in FSSetObjectName()"));
  EXPECT_EQ(Stored(), before);

  std::string prefix;
  std::string name;
  int32_t freeRoom = -1;
  ASSERT_EQ(FSSetObjectName(file, 0, "", "Quay", 0), 0);
  ASSERT_EQ(FSGetObjectName(file, 0, prefix, name, &freeRoom), 0);
  EXPECT_EQ(prefix, "");
  EXPECT_EQ(name, "Quay");
  EXPECT_EQ(freeRoom, 16);
  EXPECT_EQ(Stored()[68], 20);
}

TEST_F(ObjectRecordTest, NamePartsAreCutTo127AndANameRoomAbove255IsRefused) {
  RecordImage r;
  r.prefix = std::string(127, 'p');
  r.nameRoom = 255;
  r.after = "\x11\x11";
  WriteRecords({r});
  BufferedFile& file = ObjectFile();
  // 382 bytes of room: an empty prefix would need a name room byte of 382.
  EXPECT_EQ(FSSetObjectName(file, 0, "", "x", 0), -1);
  // 200 characters of each part are cut to 127 and fill the room exactly with Q = 255.
  ASSERT_EQ(FSSetObjectName(file, 0, std::string(200, 'a'), std::string(200, 'b'), 0), 0);
  std::string prefix;
  std::string name;
  ASSERT_EQ(FSGetObjectName(file, 0, prefix, name), 0);
  EXPECT_EQ(prefix, std::string(127, 'a'));
  EXPECT_EQ(name, std::string(127, 'b'));
  EXPECT_EQ(static_cast<uint8_t>(Stored()[68 + 127]), 255);
  // A caller's small window still reads long names, piece by piece.
  ASSERT_EQ(AllocateSpaceForFile(mapIndex, 0, kObjectFileKind, -16, nullptr, nullptr), 0);
  ASSERT_EQ(CurrentObjectFile().bufferSize, 16);
  ASSERT_EQ(FSGetObjectName(CurrentObjectFile(), 0, prefix, name), 0);
  EXPECT_EQ(name, std::string(127, 'b'));
}

TEST_F(ObjectRecordTest, DisplayName) {
  RecordImage a;
  a.prefix = "ab";
  a.name = "Pier 4";
  a.nameRoom = 8;
  a.after = "\x11\x11";
  RecordImage b;
  b.prefix = "ab";
  b.nameRoom = 8;
  b.after = "\x11\x11";
  std::vector<int32_t> at;
  WriteRecords({a, b}, &at);
  BufferedFile& file = ObjectFile();
  std::string shown;
  ASSERT_EQ(GetObjectDisplayName(file, at[0], shown), 0);
  EXPECT_EQ(shown, "ab Pier 4");
  ASSERT_EQ(GetObjectDisplayName(file, at[1], shown), 0);
  EXPECT_EQ(shown, "untitled");
}

TEST_F(ObjectRecordTest, NameRoomRunningPastTheRecordIsRefused) {
  RecordImage r;
  r.nameRoom = 4;
  r.after = "\x11\x11";
  std::string bytes = r.Bytes();
  bytes[68] = static_cast<char>(200);  // the room claims more than the record holds
  WriteFile("ROADS.OBJ", bytes + std::string(400, 'z'));
  BufferedFile& file = ObjectFile();
  std::string prefix;
  std::string name;
  EXPECT_EQ(FSGetObjectName(file, 0, prefix, name), -1);
  EXPECT_TRUE(AlertShown("Error: length2 < 0"));
}

TEST_F(ObjectRecordTest, GraphicsOfEachKind) {
  RecordImage rect;
  rect.type = kRectangleObject;
  rect.after = ByteBuilder().U8(0x03).U8(0x9A).bytes();  // colour 0 = 16, variant 3
  RecordImage point;
  point.type = kPointObject;
  point.digitization = 300;
  point.after = ByteBuilder().U8(0x52).U8(44).bytes();
  RecordImage text;
  text.type = kTextObject;
  text.after = ByteBuilder().U8(0xE1).I16(-12).U8(200).I16(0).bytes();
  RecordImage picture;
  picture.type = kPictureObject;
  picture.after = ByteBuilder().U8(7).Text("harbour.bmp", 32).bytes();
  RecordImage alias;
  alias.type = kAliasObject;
  std::vector<int32_t> at;
  WriteRecords({rect, point, text, picture, alias}, &at);
  BufferedFile& file = ObjectFile();

  ObjectGraphics g;
  ASSERT_EQ(FSGetObjectGraphics(file, at[0], g), 0);
  EXPECT_EQ(g.colour, 16);
  EXPECT_EQ(g.variant, 3);
  EXPECT_EQ(g.lineType, 9);
  EXPECT_EQ(g.fillPattern, 10);
  ASSERT_EQ(FSGetObjectGraphics(file, at[1], g), 0);
  EXPECT_EQ(g.colour, 5);
  EXPECT_EQ(g.variant, 2);
  EXPECT_EQ(g.symbol, 300);
  EXPECT_EQ(g.lineType, 1);  // readers start from 1
  ASSERT_EQ(FSGetObjectGraphics(file, at[2], g), 0);
  EXPECT_EQ(g.colour, 14);
  EXPECT_EQ(g.textFlag, 1);
  EXPECT_EQ(g.textValue, -12);
  EXPECT_EQ(g.textCode, 200);
  ASSERT_EQ(FSGetObjectGraphics(file, at[3], g), 0);
  EXPECT_EQ(g.textFlag, 7);
  ASSERT_EQ(FSGetObjectGraphics(file, at[4], g), 0);
  EXPECT_EQ(g.colour, 1);

  // The digitization field only counts when the symbol list knows the number.
  SetSymbolKnownTest([](int32_t symbol) { return symbol < 256; });
  ASSERT_EQ(FSGetObjectGraphics(file, at[1], g), 0);
  EXPECT_EQ(g.symbol, 44);
  SetSymbolKnownTest(nullptr);

  ObjectGraphics out;
  out.colour = 16;
  out.variant = 4;
  out.lineType = 2;
  out.fillPattern = 5;
  ASSERT_EQ(FSSetObjectGraphics(file, at[0], out), 0);
  out.symbol = 300;
  out.colour = 3;
  ASSERT_EQ(FSSetObjectGraphics(file, at[1], out), 0);
  out.colour = 16;
  out.textFlag = 2;
  out.textValue = 0x1234;
  out.textCode = 9;
  ASSERT_EQ(FSSetObjectGraphics(file, at[2], out), 0);
  const std::string bytes = Stored();
  EXPECT_EQ(static_cast<uint8_t>(bytes[at[0] + 69]), 0x04);
  EXPECT_EQ(static_cast<uint8_t>(bytes[at[0] + 70]), 0x25);
  EXPECT_EQ(Big32At(bytes, at[0] + 50), 0);
  EXPECT_EQ(static_cast<uint8_t>(bytes[at[1] + 69]), 0x34);
  EXPECT_EQ(static_cast<uint8_t>(bytes[at[1] + 70]), 44);
  EXPECT_EQ(Big32At(bytes, at[1] + 50), 300);
  EXPECT_EQ(static_cast<uint8_t>(bytes[at[2] + 69]), 0x02);
  EXPECT_EQ(Big16At(bytes, at[2] + 70), 0x1234);
  EXPECT_EQ(static_cast<uint8_t>(bytes[at[2] + 72]), 9);
  ASSERT_EQ(FSGetObjectGraphics(file, at[1], g), 0);
  EXPECT_EQ(g.symbol, 300);
}

TEST_F(ObjectRecordTest, TextOfExactlyItsRoomAndTooLongText) {
  RecordImage text;
  text.type = kTextObject;
  text.after = ByteBuilder().U8(0x10).I16(0).U8(0).I16(5).Text("old", 5).bytes();
  RecordImage big;
  big.type = kTextObject;
  big.after = ByteBuilder().U8(0x10).I16(0).U8(0).I16(300).Text(std::string(300, 'w'), 300).bytes();
  std::vector<int32_t> at;
  WriteRecords({text, big}, &at);
  BufferedFile& file = ObjectFile();

  ASSERT_EQ(FSSetObjectText(file, at[0], "a\"cde", 0), 0);
  const std::string bytes = Stored();
  EXPECT_EQ(bytes.substr(at[0] + 75, 5), "a'cde");
  EXPECT_EQ(bytes.substr(at[1]), image.substr(at[1]));  // no terminator spilled over
  std::string read;
  int32_t freeRoom = -1;
  ASSERT_EQ(FSGetObjectText(file, at[0], read, &freeRoom), 0);
  EXPECT_EQ(read, "a'cde");
  EXPECT_EQ(freeRoom, 0);

  EXPECT_EQ(FSSetObjectText(file, at[0], "abcdef", 0), -1);
  EXPECT_TRUE(AlertShown("New text too long in FSSetObjectText()"));
  ASSERT_EQ(FSSetObjectText(file, at[0], "ab", 0), 0);
  EXPECT_EQ(Stored().substr(at[0] + 75, 5), std::string("ab\0\0\0", 5));

  ASSERT_EQ(FSGetObjectText(file, at[1], read), 0);
  EXPECT_EQ(read, std::string(255, 'w'));
}

TEST_F(ObjectRecordTest, PictureFileName) {
  RecordImage picture;
  picture.type = kPictureObject;
  picture.after = ByteBuilder().U8(1).Text("old.bmp", 32).bytes();
  WriteRecords({picture});
  BufferedFile& file = ObjectFile();
  std::string name;
  ASSERT_EQ(FSGetObjectPICTFile(file, 0, name), 0);
  EXPECT_EQ(name, "old.bmp");
  ASSERT_EQ(FSSetObjectPICTFile(file, 0, "pier.jpg"), 0);
  EXPECT_EQ(Stored().substr(70, 32), std::string("pier.jpg") + std::string(24, '\0'));
}

TEST_F(ObjectRecordTest, PictureFileNameOfThirtyTwoCharactersIsKeptWhole) {
  RecordImage picture;
  picture.type = kPictureObject;
  picture.after = ByteBuilder().U8(1).Text("old.bmp", 32).bytes();
  WriteRecords({picture});
  BufferedFile& file = ObjectFile();
  const std::string full = "harbour-pier-north-east-2024.bmp";
  ASSERT_EQ(full.size(), 32u);
  ASSERT_EQ(FSSetObjectPICTFile(file, 0, full), 0);
  EXPECT_EQ(Stored().substr(70, 32), full);
  std::string name;
  ASSERT_EQ(FSGetObjectPICTFile(file, 0, name), 0);
  EXPECT_EQ(name, full);
  // Too long for the field: refused, never cut to another file's name.
  EXPECT_EQ(FSSetObjectPICTFile(file, 0, full + "x"), kErrBadName);
  ASSERT_EQ(FSGetObjectPICTFile(file, 0, name), 0);
  EXPECT_EQ(name, full);
}

std::string PolylineAfter(const std::vector<std::string>& segments, int32_t count,
                          int32_t spare = 0) {
  ByteBuilder b;
  b.U8(0x11).U8(0x11).I32(count);
  for (const std::string& s : segments) b.Append(s);
  return b.Zeros(static_cast<size_t>(spare)).bytes();
}

std::string PlainSeg(uint32_t x, int32_t y) {
  return ByteBuilder().U32(x).I32(y).U16(0).bytes();
}

TEST_F(ObjectRecordTest, SegmentsWithPiecesAndAttributes) {
  ByteBuilder attributed;
  attributed.U32(3000).I32(4000).U16(0x8000 | 0x0005).I32(77).I32(-9);  // attributes 0 and 2
  RecordImage line;
  line.type = kPolylineObject;
  line.after = PolylineAfter({PlainSeg(0x80000000u | 1000, 2000), attributed.bytes(),
                              PlainSeg(0x80000000u | 5000, 6000), PlainSeg(7000, 8000)},
                             4);
  WriteRecords({line});
  BufferedFile& file = ObjectFile();

  Handle points = nullptr;
  int32_t count = 0;
  ASSERT_EQ(FSGetObjectPoints(file, 0, points, count), 0);
  ScopedHandle owner(points);
  ASSERT_EQ(count, 4);
  const auto* p = reinterpret_cast<const WPoint*>(*points);
  EXPECT_EQ(p[0], (WPoint{1000, 2000}));
  EXPECT_EQ(p[1], (WPoint{3000, 4000}));
  EXPECT_EQ(p[2], (WPoint{5000, 6000}));
  EXPECT_EQ(p[3], (WPoint{7000, 8000}));

  int32_t first = 0;
  int32_t end = 0;
  ASSERT_EQ(FSGetObjectSegmentRange(file, 0, first, end), 0);
  EXPECT_EQ(first, 69 + 6);
  int32_t offset = first + 10;
  int32_t x = 0;
  int32_t y = 0;
  bool piece = true;
  SegmentAttributes attributes;
  ASSERT_EQ(FSGetObjectSegA(file, 0, offset, x, y, piece, attributes), 0);
  EXPECT_EQ(offset, first + 10 + 18);
  EXPECT_FALSE(piece);
  EXPECT_EQ(attributes.mask, 0x8005);
  EXPECT_EQ(attributes.values[0], 77);
  EXPECT_EQ(attributes.values[1], 0);
  EXPECT_EQ(attributes.values[2], -9);
  EXPECT_EQ(attributes.values[15], 1);

  Handle segments = nullptr;
  int32_t segmentCount = 0;
  WRect bounds = kUnionStartRect;
  ASSERT_EQ(FSGetObjectSegmentsPartial(file, 0, 0, 4, segments, segmentCount, &bounds), 0);
  ScopedHandle segmentOwner(segments);
  ASSERT_EQ(segmentCount, 2);  // the piece break leaves no segment between points 1 and 2
  const auto* s = reinterpret_cast<const Segment*>(*segments);
  EXPECT_EQ(s[0], (Segment{1000, 2000, 3000, 4000}));
  EXPECT_EQ(s[1], (Segment{5000, 6000, 7000, 8000}));
  EXPECT_EQ(bounds, (WRect{1000, 2000, 7000, 8000}));
}

TEST_F(ObjectRecordTest, SegmentWritesKeepTheRangeRule) {
  RecordImage line;
  line.type = kPolylineObject;
  line.after = PolylineAfter({}, 0, 100);
  WriteRecords({line});
  BufferedFile& file = ObjectFile();
  const int32_t first = 75;
  ASSERT_EQ(FSSetObjectSeg(file, 0, first, 0, 180000000, true), 0);
  SegmentAttributes attributes;
  for (int k = 0; k < 15; ++k) attributes.values[k] = k * 10;
  int32_t offset = first + 10;
  ASSERT_EQ(FSSetObjectSegA(file, 0, offset, 360000000, -5, false, attributes), 0);
  EXPECT_EQ(offset, first + 80);
  const std::string bytes = Stored();
  EXPECT_EQ(static_cast<uint32_t>(Big32At(bytes, first)), 0x80000001u);  // x = 0 stored as 1
  EXPECT_EQ(Big32At(bytes, first + 4), 179999999);
  EXPECT_EQ(Big16At(bytes, first + 8), 0);
  EXPECT_EQ(Big32At(bytes, first + 10), 359999999);
  EXPECT_EQ(Big32At(bytes, first + 14), 1);
  EXPECT_EQ(static_cast<uint16_t>(Big16At(bytes, first + 18)), 0x7FFF);
  EXPECT_EQ(Big32At(bytes, first + 20 + 4 * 14), 140);
  // 70 bytes do not fit in the 20 left.
  offset = first + 80;
  EXPECT_NE(FSSetObjectSegA(file, 0, offset, 1, 1, false, attributes), 0);
  EXPECT_EQ(Stored().size(), image.size());
}

TEST_F(ObjectRecordTest, InitObjectSegmentsReplacesPointsAndClearsOldMasks) {
  ByteBuilder attributed;
  attributed.U32(0x80000000u | 3000).I32(4000).U16(0x7FFF);
  for (int k = 0; k < 15; ++k) attributed.I32(k);
  RecordImage line;
  line.type = kPolygonObject;
  line.after = PolylineAfter({attributed.bytes(), PlainSeg(5, 6)}, 2);  // room 80
  WriteRecords({line});
  BufferedFile& file = ObjectFile();

  ScopedHandle points(
      PointsHandle({{10, 20}, {30, 40}, {static_cast<int32_t>(0x80000000u | 50), 60}}));
  ASSERT_EQ(FSInitObjectSegments(file, 0, points.get()), 0);
  std::string bytes = Stored();
  EXPECT_EQ(Big32At(bytes, 71), 3);
  EXPECT_EQ(static_cast<uint32_t>(Big32At(bytes, 75)), 0x80000000u | 10);
  EXPECT_EQ(Big16At(bytes, 83), 0);
  EXPECT_EQ(Big32At(bytes, 85), 30);
  EXPECT_EQ(Big16At(bytes, 93), 0);
  EXPECT_EQ(static_cast<uint32_t>(Big32At(bytes, 95)), 0x80000000u | 50);
  Handle read = nullptr;
  int32_t count = 0;
  ASSERT_EQ(FSGetObjectPoints(file, 0, read, count), 0);
  ScopedHandle readOwner(read);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(reinterpret_cast<const WPoint*>(*read)[2], (WPoint{50, 60}));

  // Fewer points: old slots become (1, 1) without the piece bit.
  ScopedHandle one(PointsHandle({{7, 8}}));
  ASSERT_EQ(FSInitObjectSegments(file, 0, one.get()), 0);
  bytes = Stored();
  EXPECT_EQ(Big32At(bytes, 71), 1);
  EXPECT_EQ(Big32At(bytes, 85), 1);
  EXPECT_EQ(Big32At(bytes, 89), 1);

  // Nine points need 90 bytes of the 80.
  const std::string before = Stored();
  ScopedHandle many(PointsHandle(std::vector<WPoint>(9, WPoint{5, 5})));
  EXPECT_EQ(FSInitObjectSegments(file, 0, many.get()), -1);
  EXPECT_TRUE(AlertShown("Too many segments in FSInitObjectSegments()"));
  EXPECT_EQ(Stored(), before);
}

TEST_F(ObjectRecordTest, CorruptRecordsAreRefusedWithoutReadingOutside) {
  // A segment count larger than its room.
  RecordImage line;
  line.type = kPolylineObject;
  line.after = PolylineAfter({PlainSeg(1, 1)}, 50);
  // A type code outside 1 to 8.
  RecordImage odd;
  odd.type = 9;
  odd.after = "\x11\x11";
  std::vector<int32_t> at;
  WriteRecords({line, odd}, &at);
  // A record whose length runs past the file.
  std::string truncated = RecordImage().Bytes();
  truncated[3] = 100;
  WriteFile("ROADS.OBJ", image + truncated);
  BufferedFile& file = ObjectFile();

  Handle points = nullptr;
  int32_t count = 0;
  EXPECT_EQ(FSGetObjectPoints(file, at[0], points, count), -3);
  EXPECT_EQ(points, nullptr);
  ObjectGraphics g;
  EXPECT_EQ(FSGetObjectGraphics(file, at[1], g), -1);
  std::string prefix;
  std::string name;
  const int32_t late = static_cast<int32_t>(image.size());
  EXPECT_EQ(FSGetObjectName(file, late, prefix, name), -3);
  EXPECT_NE(FSSetObjectName(file, late, "a", "b", 0), 0);
  // Segments of a record that is no polyline or polygon are neither read nor written.
  int32_t offset = 75;
  int32_t x = 0;
  int32_t y = 0;
  bool piece = false;
  EXPECT_NE(FSGetObjectSeg(file, at[1], offset, x, y, piece), 0);
  EXPECT_NE(FSSetObjectSeg(file, at[1], 69, 5, 5, true), 0);
  EXPECT_EQ(Stored(), image + truncated);
  // A position beyond the file.
  int32_t length = 0;
  EXPECT_EQ(FSGetObjectLength(file, late + 1000, length), -39);
}

TEST_F(ObjectRecordTest, AliasResolvesThroughTheSummaryRecords) {
  RecordImage object;
  object.idHigh = 0x0BADF00D;
  object.idLow = 42;
  object.after = "\x11\x11";
  RecordImage alias;
  alias.type = kAliasObject;
  alias.rect = {0x0BADF00D, 42, 0, 0};
  RecordImage orphan;
  orphan.type = kAliasObject;
  orphan.rect = {1, 2, 0, 0};
  std::vector<int32_t> at;
  WriteRecords({object, alias, orphan}, &at);
  // A deleted record of the same ID comes first and must be passed over.
  WriteFile("ROADS.SUM", test::SummaryBytes(~at[0], {}, 0x0BADF00D, 42) +
                             test::SummaryBytes(at[0], {5, 5, 6, 6}, 0x0BADF00D, 42) +
                             test::SummaryBytes(at[1], {}, 7, 7));
  int32_t position = -1;
  ASSERT_EQ(ResolveAlias(test::kTestMapID, test::kTestOverlayID, at[1], position, false), 0);
  EXPECT_EQ(position, at[0]);
  EXPECT_EQ(ResolveAlias(test::kTestMapID, test::kTestOverlayID, at[2], position, true), -1);
  EXPECT_TRUE(platform().alerts.empty());
  EXPECT_EQ(ResolveAlias(test::kTestMapID, test::kTestOverlayID, at[2], position, false), -1);
  EXPECT_TRUE(AlertShown("original object for the given alias could not be found"));
}

}  // namespace
}  // namespace tlv
