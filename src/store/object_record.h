// The object record: one variable-length record per object in an overlay's object file, read
// and written field by field in place. Every accessor takes the object file in slot 0 of the
// object-file table (made current by AllocateSpaceForFile) and the record's byte offset, reports
// its own failures with ReportError and returns the code; callers only pass the code on.
#pragma once

#include <cstdint>
#include <string>

#include "base/memory.h"
#include "base/world_types.h"
#include "store/buffered_file.h"

namespace tlv {

// Object kinds as stored in the type byte.
enum ObjectKind : int16_t {
  kRectangleObject = 1,
  kCircleObject = 2,
  kPointObject = 3,
  kPolylineObject = 4,
  kPolygonObject = 5,
  kTextObject = 6,
  kPictureObject = 7,
  kAliasObject = 8,
};

// Field offsets from the object position.
constexpr int32_t kObjLengthOffset = 0;
constexpr int32_t kObjReservedOffset = 4;
constexpr int32_t kObjModTimeOffset = 17;
constexpr int32_t kObjVersionFlagsOffset = 21;
constexpr int32_t kObjTypeOffset = 25;
constexpr int32_t kObjIDOffset = 26;
constexpr int32_t kObjWorldRectOffset = 34;
constexpr int32_t kObjDigitizationOffset = 50;
constexpr int32_t kObjCFCCOffset = 54;
constexpr int32_t kObjPlaceOffset = 58;
constexpr int32_t kObjCustomColourOffset = 62;
constexpr int32_t kObjAliasCountOffset = 66;
constexpr int32_t kObjPrefixLengthOffset = 67;
constexpr int32_t kObjPrefixOffset = 68;
// The after-name offset of a record with empty prefix and no name room.
constexpr int32_t kObjFixedHeadSize = 69;

// versionFlags bits.
constexpr int32_t kVersionReadable = 1;
constexpr int32_t kVersionModifiable = 2;

constexpr int32_t kMaxNamePartLength = 127;
constexpr int32_t kMaxTextReadLength = 255;
constexpr int32_t kPictFileNameSize = 32;
constexpr int32_t kMaxSymbolNumber = 511;

// Stored segments: x (bit 31 starts a new piece), y, a 16-bit attribute mask and the stored
// attributes.
constexpr uint32_t kNewPieceBit = 0x80000000u;
constexpr int32_t kPlainSegmentSize = 10;
constexpr int32_t kSegmentAttributeCount = 15;
constexpr int32_t kAttributedSegmentSize = kPlainSegmentSize + 4 * kSegmentAttributeCount;
constexpr uint16_t kAllAttributesMask = 0x7FFF;
constexpr uint16_t kSegmentFlagBit = 0x8000;

// Stored segment coordinates stay inside these bounds.
constexpr int32_t kMinStoredX = 1;
constexpr int32_t kMaxStoredX = 359999999;
constexpr int32_t kMinStoredY = 1;
constexpr int32_t kMaxStoredY = 179999999;

// Custom colour field: bit 24 says a colour is present, bit 25 that it is active.
constexpr uint32_t kCustomColourPresent = 1u << 24;
constexpr uint32_t kCustomColourActive = 1u << 25;
constexpr uint32_t kCustomColourRGBMask = 0x00FFFFFFu;

// modTime epochs accepted by FSSetObjectModTime.
constexpr int32_t kEpoch1904 = 1904;
constexpr int32_t kEpoch1970 = 1970;
// Seconds added to a 1970-based time to store it; the program has always used this value for
// object times and IDs, so records keep comparing with each other.
constexpr uint32_t kObjectTime1970Offset = 2082816000u;

// The graphics of one object, as read for drawing and as an overlay's default graphics.
struct ObjectGraphics {
  int16_t symbol = 0;
  int16_t colour = 0;
  int16_t variant = 0;
  int16_t lineType = 0;
  int16_t fillPattern = 0;
  int16_t textValue = 0;
  int16_t textFlag = 0;
  int16_t textCode = 0;
};

// The attributes of one stored segment: the mask as stored and the 15 values (0 where not
// stored); values[15] is 1 when the bit-15 flag is set.
struct SegmentAttributes {
  uint16_t mask = 0;
  int32_t values[kSegmentAttributeCount + 1] = {};
};

// The words used for the type codes in text dumps and exports ("" outside 1 to 8).
const char* ObjectKindWord(int32_t type);

// Whether the symbol list knows a symbol number; a point's number above 255 is only taken from
// the digitization field when it does. Until the symbol list installs its test, every number
// from 0 to 511 counts as known.
using SymbolKnownTest = bool (*)(int32_t symbol);
void SetSymbolKnownTest(SymbolKnownTest test);

// The fixed head.
int32_t FSGetObjectLength(BufferedFile& file, int32_t position, int32_t& length);
int32_t FSSetObjectLength(BufferedFile& file, int32_t position, int32_t length);
int32_t FSGetObjectModTime(BufferedFile& file, int32_t position, uint32_t& modTime);
// epoch 1904 stores the time unchanged, 1970 adds kObjectTime1970Offset, any other stores 0.
int32_t FSSetObjectModTime(BufferedFile& file, int32_t position, int64_t time, int32_t epoch);
int32_t FSGetObjectVersionFlags(BufferedFile& file, int32_t position, int32_t& flags);
int32_t FSSetObjectVersionFlags(BufferedFile& file, int32_t position, int32_t flags);
// Refuses a record this version cannot read (message 38). Bit 7 of the stored byte is ignored.
int32_t FSGetObjectType(BufferedFile& file, int32_t position, int16_t& type);
int32_t FSSetObjectType(BufferedFile& file, int32_t position, int16_t type);
int32_t FSGetObjectID(BufferedFile& file, int32_t position, int32_t& idHigh, int32_t& idLow);
int32_t FSSetObjectID(BufferedFile& file, int32_t position, int32_t idHigh, int32_t idLow);
int32_t FSGetObjectWorldRect(BufferedFile& file, int32_t position, WRect& rect);
int32_t FSSetObjectWorldRect(BufferedFile& file, int32_t position, const WRect& rect);
int32_t FSGetObjectSymbolNumFromDigitizationField(BufferedFile& file, int32_t position,
                                                  int32_t& symbol);
int32_t FSSetObjectSymbolNumIntoDigitizationField(BufferedFile& file, int32_t position,
                                                  int16_t symbol);
// The CFCC and place fields are always zero.
int32_t FSGetObjectCFCC(BufferedFile& file, int32_t position, std::string& cfcc);
int32_t FSSetObjectCFCC(BufferedFile& file, int32_t position);
int32_t FSGetObjectPlace(BufferedFile& file, int32_t position, int32_t& place);
int32_t FSSetObjectPlace(BufferedFile& file, int32_t position);
int32_t FSGetObjectPlace2(BufferedFile& file, int32_t position, int32_t& place);
int32_t FSSetObjectPlace2(BufferedFile& file, int32_t position);
int32_t FSGetObjectNolongerStateCounty(BufferedFile& file, int32_t position, uint32_t& value);
int32_t FSSetObjectNoLongerStateCounty(BufferedFile& file, int32_t position, uint32_t value);
// The custom colour: rgb is red in bits 16 to 23, green 8 to 15, blue 0 to 7.
int32_t GetObjectCustomColour(BufferedFile& file, int32_t position, bool& present, bool& active,
                              uint32_t& rgb);
int32_t SetObjectCustomColour(BufferedFile& file, int32_t position, uint32_t rgb);
int32_t ClearObjectCustomColour(BufferedFile& file, int32_t position);
int32_t FSGetObjectAliasCount(BufferedFile& file, int32_t position, uint8_t& count);
int32_t FSSetObjectAliasCount(BufferedFile& file, int32_t position, uint8_t count);

// N = 69 + prefix length + name room, checked against the record's length.
int32_t FSGetObjectAfterNameOffset(BufferedFile& file, int32_t position, int32_t& afterName);

// Both name parts; freeRoom (when given) receives the room not used by the two texts.
int32_t FSGetObjectName(BufferedFile& file, int32_t position, std::string& prefix,
                        std::string& name, int32_t* freeRoom = nullptr);
// room != 0 makes the record's name room (prefix length 0, name room = room). room == 0 stores
// both parts, each cut to 127 characters, double quotes turned into single quotes; parts that
// do not fit the record's room are refused whole (message 39).
int32_t FSSetObjectName(BufferedFile& file, int32_t position, const std::string& prefix,
                        const std::string& name, int32_t room);
// Prefix, a blank and the name; "untitled" (message 10) when the name is empty.
int32_t GetObjectDisplayName(BufferedFile& file, int32_t position, std::string& displayName);

// The graphics bytes of the record's kind; setting also writes the digitization field (the
// symbol number for a point, 0 otherwise).
int32_t FSGetObjectGraphics(BufferedFile& file, int32_t position, ObjectGraphics& graphics);
int32_t FSSetObjectGraphics(BufferedFile& file, int32_t position, const ObjectGraphics& graphics);

// A text object's text: at most 255 characters are read; freeRoom receives the room not used.
int32_t FSGetObjectText(BufferedFile& file, int32_t position, std::string& text,
                        int32_t* freeRoom = nullptr);
// room != 0 only writes the text room (when the record is made); otherwise the text must fit
// the stored room (message 40) and is stored zero-padded.
int32_t FSSetObjectText(BufferedFile& file, int32_t position, const std::string& text,
                        int32_t room);

int32_t FSGetObjectPICTFile(BufferedFile& file, int32_t position, std::string& fileName);
// Stores the picture file name (up to 32 characters, zero-padded); a longer name is refused with
// kErrBadName.
int32_t FSSetObjectPICTFile(BufferedFile& file, int32_t position, const std::string& fileName);

// Segments of polylines and polygons. Segment offsets are relative to the object position; the
// first segment lies at N + 6.
int32_t FSGetObjectNumSegs(BufferedFile& file, int32_t position, int32_t& count);
int32_t FSSetObjectNumSegs(BufferedFile& file, int32_t position, int32_t count);
// The first segment's offset and the record end (position-relative), for walking segments.
int32_t FSGetObjectSegmentRange(BufferedFile& file, int32_t position, int32_t& firstOffset,
                                int32_t& recordEnd);
// Reads the segment at offset and advances offset past it and its attributes.
int32_t FSGetObjectSeg(BufferedFile& file, int32_t position, int32_t& offset, int32_t& x,
                       int32_t& y, bool& newPiece);
int32_t FSGetObjectSegA(BufferedFile& file, int32_t position, int32_t& offset, int32_t& x,
                        int32_t& y, bool& newPiece, SegmentAttributes& attributes);
// Writes a plain segment (mask 0) at offset after the range rule.
int32_t FSSetObjectSeg(BufferedFile& file, int32_t position, int32_t offset, int32_t x, int32_t y,
                       bool newPiece);
// Writes a segment with all 15 attributes (mask 0x7FFF, or 0xFFFF when values[15] is set) and
// advances offset by 70.
int32_t FSSetObjectSegA(BufferedFile& file, int32_t position, int32_t& offset, int32_t x, int32_t y,
                        bool newPiece, const SegmentAttributes& attributes);
// A new Handle of count WPoints, x with the piece bit cleared (kept when keepPieceBits).
int32_t FSGetObjectPoints(BufferedFile& file, int32_t position, Handle& points, int32_t& count,
                          bool keepPieceBits = false);
// Reads stored points first to first + count - 1 (cut to the record's count) and makes a new
// Handle of segments joining each point to the one before it within the same piece; bounds,
// when given, is grown by every point read.
int32_t FSGetObjectSegmentsPartial(BufferedFile& file, int32_t position, int32_t first,
                                   int32_t count, Handle& segments, int32_t& segmentCount,
                                   WRect* bounds);
// Replaces the segments by a Handle of WPoints (bit 31 of x starts a new piece); refused whole
// when the record's segment room is too small (message 41).
int32_t FSInitObjectSegments(BufferedFile& file, int32_t position, Handle points);

// The range rule of every segment write.
void ClampStoredPoint(int32_t& x, int32_t& y);

// The colour menu lists the stored colours 1 to 11, 15, 12, 13, 14, 16: the stored colour for a
// menu position (1 to 16); any other position gives Black.
int16_t StoredColourForMenuPosition(int32_t position);
// The menu position of a stored colour (the reverse; others give 1).
int16_t MenuPositionForStoredColour(int32_t colour);

void ResetObjectRecordForTesting();

}  // namespace tlv
