#include "store/object_record.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "base/errors.h"
#include "base/strings.h"
#include "geometry/segments.h"
#include "store/summary.h"

namespace tlv {

namespace {

constexpr int kMessageUntitled = 10;
constexpr int kMessageUnreadableObject = 38;
constexpr int kMessageNameTooLong = 39;
constexpr int kMessageTextTooLong = 40;
constexpr int kMessageTooManySegments = 41;
constexpr int32_t kMaxRoomByte = 255;
// Pieces of at most this many bytes keep every transfer inside a small window.
constexpr int32_t kTransferPiece = 256;

SymbolKnownTest symbolKnown = nullptr;

bool SymbolKnown(int32_t symbol) {
  if (symbol < 0 || symbol > kMaxSymbolNumber) return false;
  return symbolKnown == nullptr || symbolKnown(symbol);
}

// A record field that the record's length does not hold is refused as a bad length, so that no
// accessor reads or writes into the next record.
int32_t RefuseOutsideRecord(const char* caller) {
  ReportError(caller, "FSGetObjectLength()", kErrBadLength);
  return kErrBadLength;
}

// Transfers go in pieces that fit the window, however small the caller asked it to be.
int32_t PieceSize(const BufferedFile& file) {
  return std::max(std::min(kTransferPiece, file.bufferSize), 1);
}

int32_t Seek(BufferedFile& file, int64_t at, const char* caller) {
  if (at < 0 || at > INT32_MAX) return RefuseOutsideRecord(caller);
  const int32_t err = SetFPosBuf(file, static_cast<int32_t>(at));
  if (err != 0) ReportError(caller, "SetFPosBuf()", err);
  return err;
}

int32_t ReadBytes(BufferedFile& file, int64_t at, void* destination, int32_t count,
                  const char* caller) {
  int32_t err = Seek(file, at, caller);
  auto* out = static_cast<char*>(destination);
  while (err == 0 && count > 0) {
    int32_t piece = std::min(count, PieceSize(file));
    err = FSReadBuf(file, piece, out);
    if (err != 0) {
      ReportError(caller, "FSReadBuf()", err);
      break;
    }
    out += piece;
    count -= piece;
  }
  return err;
}

int32_t WriteBytes(BufferedFile& file, int64_t at, const void* source, int32_t count,
                   const char* caller) {
  int32_t err = Seek(file, at, caller);
  const auto* in = static_cast<const char*>(source);
  while (err == 0 && count > 0) {
    int32_t piece = std::min(count, PieceSize(file));
    err = FSWriteBuf(file, piece, in);
    if (err != 0) {
      ReportError(caller, "FSWriteBuf()", err);
      break;
    }
    in += piece;
    count -= piece;
  }
  return err;
}

int32_t WriteZeros(BufferedFile& file, int64_t at, int32_t count, const char* caller) {
  static const char zeros[kTransferPiece] = {};
  int32_t err = Seek(file, at, caller);
  while (err == 0 && count > 0) {
    int32_t piece = std::min(count, PieceSize(file));
    err = FSWriteBuf(file, piece, zeros);
    if (err != 0) {
      ReportError(caller, "FSWriteBuf()", err);
      break;
    }
    count -= piece;
  }
  return err;
}

int32_t ReadLong(BufferedFile& file, int64_t at, int32_t& value, const char* caller) {
  int32_t err = Seek(file, at, caller);
  if (err != 0) return err;
  err = FSReadLongBuf(file, value);
  if (err != 0) ReportError(caller, "FSReadBuf()", err);
  return err;
}

int32_t ReadShort(BufferedFile& file, int64_t at, int16_t& value, const char* caller) {
  int32_t err = Seek(file, at, caller);
  if (err != 0) return err;
  err = FSReadShortBuf(file, value);
  if (err != 0) ReportError(caller, "FSReadBuf()", err);
  return err;
}

int32_t ReadByte(BufferedFile& file, int64_t at, uint8_t& value, const char* caller) {
  char byte = 0;
  const int32_t err = ReadBytes(file, at, &byte, 1, caller);
  if (err == 0) value = static_cast<uint8_t>(byte);
  return err;
}

int32_t WriteLong(BufferedFile& file, int64_t at, int32_t value, const char* caller) {
  char bytes[4];
  PutBig32(bytes, value);
  return WriteBytes(file, at, bytes, 4, caller);
}

int32_t WriteShort(BufferedFile& file, int64_t at, int16_t value, const char* caller) {
  char bytes[2];
  PutBig16(bytes, value);
  return WriteBytes(file, at, bytes, 2, caller);
}

int32_t WriteByte(BufferedFile& file, int64_t at, uint8_t value, const char* caller) {
  const char byte = static_cast<char>(value);
  return WriteBytes(file, at, &byte, 1, caller);
}

// Where a record ends and where its after-name part starts, both relative to its position.
struct RecordLayout {
  int32_t end = 0;
  int32_t prefixLength = 0;
  int32_t nameRoom = 0;
  int32_t afterName = 0;
};

enum class LayoutCheck { kReport, kNameRoomReport };

int32_t ReadLayout(BufferedFile& file, int32_t position, RecordLayout& layout, const char* caller,
                   LayoutCheck check = LayoutCheck::kReport) {
  int32_t length = 0;
  int32_t err = ReadLong(file, static_cast<int64_t>(position) + kObjLengthOffset, length, caller);
  if (err != 0) return err;
  const int64_t end = 4 + static_cast<int64_t>(length);
  if (length < kObjFixedHeadSize - 4 || position + end > file.fileLength) {
    return RefuseOutsideRecord(caller);
  }
  uint8_t prefixLength = 0;
  uint8_t nameRoom = 0;
  err =
      ReadByte(file, static_cast<int64_t>(position) + kObjPrefixLengthOffset, prefixLength, caller);
  // The name room byte itself must lie inside the record.
  if (err == 0 && kObjFixedHeadSize + prefixLength > end) return RefuseOutsideRecord(caller);
  if (err == 0) {
    err = ReadByte(file, static_cast<int64_t>(position) + kObjPrefixOffset + prefixLength, nameRoom,
                   caller);
  }
  if (err != 0) return err;
  layout.end = static_cast<int32_t>(end);
  layout.prefixLength = prefixLength;
  layout.nameRoom = nameRoom;
  layout.afterName = kObjFixedHeadSize + prefixLength + nameRoom;
  if (layout.afterName > layout.end) {
    // The name's room runs past the record: what is left for the name is negative.
    if (check == LayoutCheck::kNameRoomReport) {
      ShowAlert("Error: length2 < 0", kStopAlert);
      return kErrGeneral;
    }
    return RefuseOutsideRecord(caller);
  }
  return 0;
}

// The kind of a record that may be read, with its layout; fieldEnd (relative to N) must lie in
// the record.
int32_t ReadKindAndLayout(BufferedFile& file, int32_t position, int16_t& type, RecordLayout& layout,
                          int32_t fieldEnd, const char* caller) {
  int32_t err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  err = ReadLayout(file, position, layout, caller);
  if (err != 0) return err;
  if (static_cast<int64_t>(layout.afterName) + fieldEnd > layout.end) {
    return RefuseOutsideRecord(caller);
  }
  return 0;
}

int32_t RefuseKind(const char* caller) {
  ReportError(caller, "FSGetObjectType()", kErrGeneral);
  return kErrGeneral;
}

std::string QuotesToSingle(std::string text) {
  std::replace(text.begin(), text.end(), '"', '\'');
  return text;
}

std::string UpToNul(const char* bytes, size_t width) {
  const void* nul = std::memchr(bytes, 0, width);
  return std::string(bytes, nul ? static_cast<const char*>(nul) - bytes : width);
}

int16_t ColourFromNibble(int32_t nibble) {
  return static_cast<int16_t>(nibble == 0 ? 16 : nibble);
}

uint8_t PackNibbles(int32_t high, int32_t low) {
  return static_cast<uint8_t>(((high & 15) << 4) | (low & 15));
}

bool IsSegmentKind(int16_t type) {
  return type == kPolylineObject || type == kPolygonObject;
}

// The segment count and where the segments may lie, for a polyline or polygon that may be read.
struct SegmentSpan {
  int32_t count = 0;
  int32_t first = 0;  // offset of the first segment
  int32_t end = 0;    // record end
};

int32_t ReadSegmentSpan(BufferedFile& file, int32_t position, SegmentSpan& span,
                        const char* caller) {
  int16_t type = 0;
  RecordLayout layout;
  int32_t err = ReadKindAndLayout(file, position, type, layout, 6, caller);
  if (err != 0) return err;
  if (!IsSegmentKind(type)) return RefuseKind(caller);
  err = ReadLong(file, static_cast<int64_t>(position) + layout.afterName + 2, span.count, caller);
  if (err != 0) return err;
  span.first = layout.afterName + 6;
  span.end = layout.end;
  // A count the room cannot hold would read into the next record.
  if (span.count < 0 || span.count > (span.end - span.first) / kPlainSegmentSize) {
    return RefuseOutsideRecord(caller);
  }
  return 0;
}

// Reads one segment at offset (inside [first, end)), advancing offset past its attributes.
int32_t ReadSegment(BufferedFile& file, int32_t position, int32_t& offset, int32_t end, int32_t& x,
                    int32_t& y, bool& newPiece, SegmentAttributes* attributes, const char* caller) {
  if (offset < 0 || static_cast<int64_t>(offset) + kPlainSegmentSize > end) {
    return RefuseOutsideRecord(caller);
  }
  char head[kPlainSegmentSize];
  int32_t err =
      ReadBytes(file, static_cast<int64_t>(position) + offset, head, kPlainSegmentSize, caller);
  if (err != 0) return err;
  const uint32_t rawX = GetBigU32(head);
  const uint16_t mask = GetBigU16(head + 8);
  const int32_t stored = std::popcount(static_cast<unsigned>(mask & kAllAttributesMask));
  const int64_t next = static_cast<int64_t>(offset) + kPlainSegmentSize + 4 * stored;
  if (next > end) return RefuseOutsideRecord(caller);
  if (attributes != nullptr) {
    *attributes = SegmentAttributes();
    attributes->mask = mask;
    char values[4 * kSegmentAttributeCount];
    err = ReadBytes(file, static_cast<int64_t>(position) + offset + kPlainSegmentSize, values,
                    4 * stored, caller);
    if (err != 0) return err;
    int32_t at = 0;
    for (int32_t k = 0; k < kSegmentAttributeCount; ++k) {
      if (mask & (1u << k)) attributes->values[k] = GetBig32(values + 4 * at++);
    }
    attributes->values[kSegmentAttributeCount] = (mask & kSegmentFlagBit) ? 1 : 0;
  }
  x = static_cast<int32_t>(rawX & ~kNewPieceBit);
  y = GetBig32(head + 4);
  newPiece = (rawX & kNewPieceBit) != 0;
  offset = static_cast<int32_t>(next);
  return 0;
}

int32_t CheckSegmentWrite(BufferedFile& file, int32_t position, int32_t offset, int32_t size,
                          const char* caller) {
  int16_t type = 0;
  RecordLayout layout;
  const int32_t err = ReadKindAndLayout(file, position, type, layout, 6, caller);
  if (err != 0) return err;
  if (!IsSegmentKind(type)) return RefuseKind(caller);
  if (offset < layout.afterName + 6 || static_cast<int64_t>(offset) + size > layout.end) {
    return RefuseOutsideRecord(caller);
  }
  return 0;
}

void EncodeSegmentHead(char* bytes, int32_t x, int32_t y, bool newPiece, uint16_t mask) {
  ClampStoredPoint(x, y);
  PutBigU32(bytes, static_cast<uint32_t>(x) | (newPiece ? kNewPieceBit : 0u));
  PutBig32(bytes + 4, y);
  PutBigU16(bytes + 8, mask);
}

}  // namespace

const char* ObjectKindWord(int32_t type) {
  static const char* const kWords[] = {"",        "RECT", "CIRCLE",  "POINT", "POLYLINE",
                                       "POLYGON", "TEXT", "PICTURE", "ALIAS"};
  return type >= 1 && type <= 8 ? kWords[type] : "";
}

void SetSymbolKnownTest(SymbolKnownTest test) {
  symbolKnown = test;
}

void ClampStoredPoint(int32_t& x, int32_t& y) {
  x = std::clamp(x, kMinStoredX, kMaxStoredX);
  y = std::clamp(y, kMinStoredY, kMaxStoredY);
}

// ---- The fixed head --------------------------------------------------------------------------

int32_t FSGetObjectLength(BufferedFile& file, int32_t position, int32_t& length) {
  return ReadLong(file, static_cast<int64_t>(position) + kObjLengthOffset, length,
                  "FSGetObjectLength()");
}

int32_t FSSetObjectLength(BufferedFile& file, int32_t position, int32_t length) {
  return WriteLong(file, static_cast<int64_t>(position) + kObjLengthOffset, length,
                   "FSSetObjectLength()");
}

int32_t FSGetObjectModTime(BufferedFile& file, int32_t position, uint32_t& modTime) {
  int32_t value = 0;
  const int32_t err = ReadLong(file, static_cast<int64_t>(position) + kObjModTimeOffset, value,
                               "FSGetObjectModTime()");
  if (err == 0) modTime = static_cast<uint32_t>(value);
  return err;
}

int32_t FSSetObjectModTime(BufferedFile& file, int32_t position, int64_t time, int32_t epoch) {
  uint32_t stored = 0;
  if (epoch == kEpoch1904) {
    stored = static_cast<uint32_t>(time);
  } else if (epoch == kEpoch1970) {
    stored = static_cast<uint32_t>(time) + kObjectTime1970Offset;
  }
  return WriteLong(file, static_cast<int64_t>(position) + kObjModTimeOffset,
                   static_cast<int32_t>(stored), "FSSetObjectModTime()");
}

int32_t FSGetObjectVersionFlags(BufferedFile& file, int32_t position, int32_t& flags) {
  return ReadLong(file, static_cast<int64_t>(position) + kObjVersionFlagsOffset, flags,
                  "FSGetObjectVersionFlags()");
}

int32_t FSSetObjectVersionFlags(BufferedFile& file, int32_t position, int32_t flags) {
  return WriteLong(file, static_cast<int64_t>(position) + kObjVersionFlagsOffset, flags,
                   "FSSetObjectVersionFlags()");
}

int32_t FSGetObjectType(BufferedFile& file, int32_t position, int16_t& type) {
  int32_t flags = 0;
  int32_t err = ReadLong(file, static_cast<int64_t>(position) + kObjVersionFlagsOffset, flags,
                         "FSGetObjectType()");
  if (err != 0) return err;
  if ((flags & kVersionReadable) == 0) {
    ShowMessageAlert(kMessageUnreadableObject, kStopAlert);
    return kErrGeneral;
  }
  uint8_t byte = 0;
  err = ReadByte(file, static_cast<int64_t>(position) + kObjTypeOffset, byte, "FSGetObjectType()");
  if (err == 0) type = static_cast<int16_t>(byte & 0x7F);
  return err;
}

int32_t FSSetObjectType(BufferedFile& file, int32_t position, int16_t type) {
  return WriteByte(file, static_cast<int64_t>(position) + kObjTypeOffset,
                   static_cast<uint8_t>(type), "FSSetObjectType()");
}

int32_t FSGetObjectID(BufferedFile& file, int32_t position, int32_t& idHigh, int32_t& idLow) {
  char bytes[8];
  const int32_t err =
      ReadBytes(file, static_cast<int64_t>(position) + kObjIDOffset, bytes, 8, "FSGetObjectID()");
  if (err == 0) {
    idHigh = GetBig32(bytes);
    idLow = GetBig32(bytes + 4);
  }
  return err;
}

int32_t FSSetObjectID(BufferedFile& file, int32_t position, int32_t idHigh, int32_t idLow) {
  char bytes[8];
  PutBig32(bytes, idHigh);
  PutBig32(bytes + 4, idLow);
  return WriteBytes(file, static_cast<int64_t>(position) + kObjIDOffset, bytes, 8,
                    "FSSetObjectID()");
}

int32_t FSGetObjectWorldRect(BufferedFile& file, int32_t position, WRect& rect) {
  int32_t err =
      Seek(file, static_cast<int64_t>(position) + kObjWorldRectOffset, "FSGetObjectWorldRect()");
  if (err != 0) return err;
  err = FSReadWRectBuf(file, rect);
  if (err != 0) ReportError("FSGetObjectWorldRect()", "FSReadBuf()", err);
  return err;
}

int32_t FSSetObjectWorldRect(BufferedFile& file, int32_t position, const WRect& rect) {
  char bytes[16];
  buffered_detail::EncodeRect(bytes, rect);
  return WriteBytes(file, static_cast<int64_t>(position) + kObjWorldRectOffset, bytes, 16,
                    "FSSetObjectWorldRect()");
}

int32_t FSGetObjectSymbolNumFromDigitizationField(BufferedFile& file, int32_t position,
                                                  int32_t& symbol) {
  return ReadLong(file, static_cast<int64_t>(position) + kObjDigitizationOffset, symbol,
                  "FSGetObjectSymbolNumFromDigitizationField()");
}

int32_t FSSetObjectSymbolNumIntoDigitizationField(BufferedFile& file, int32_t position,
                                                  int16_t symbol) {
  return WriteLong(file, static_cast<int64_t>(position) + kObjDigitizationOffset, symbol,
                   "FSSetObjectSymbolNumIntoDigitizationField()");
}

int32_t FSGetObjectCFCC(BufferedFile&, int32_t, std::string& cfcc) {
  cfcc.clear();
  return 0;
}

int32_t FSSetObjectCFCC(BufferedFile& file, int32_t position) {
  return WriteZeros(file, static_cast<int64_t>(position) + kObjCFCCOffset, 4, "FSSetObjectCFCC()");
}

int32_t FSGetObjectPlace(BufferedFile&, int32_t, int32_t& place) {
  place = 0;
  return 0;
}

int32_t FSSetObjectPlace(BufferedFile& file, int32_t position) {
  return WriteLong(file, static_cast<int64_t>(position) + kObjPlaceOffset, 0, "FSSetObjectPlace()");
}

int32_t FSGetObjectPlace2(BufferedFile&, int32_t, int32_t& place) {
  place = 0;
  return 0;
}

int32_t FSSetObjectPlace2(BufferedFile& file, int32_t position) {
  return WriteLong(file, static_cast<int64_t>(position) + kObjPlaceOffset, 0,
                   "FSSetObjectPlace2()");
}

int32_t FSGetObjectNolongerStateCounty(BufferedFile& file, int32_t position, uint32_t& value) {
  int32_t raw = 0;
  const int32_t err = ReadLong(file, static_cast<int64_t>(position) + kObjCustomColourOffset, raw,
                               "FSGetObjectNolongerStateCounty()");
  if (err == 0) value = static_cast<uint32_t>(raw);
  return err;
}

int32_t FSSetObjectNoLongerStateCounty(BufferedFile& file, int32_t position, uint32_t value) {
  return WriteLong(file, static_cast<int64_t>(position) + kObjCustomColourOffset,
                   static_cast<int32_t>(value), "FSSetObjectNoLongerStateCounty()");
}

int32_t GetObjectCustomColour(BufferedFile& file, int32_t position, bool& present, bool& active,
                              uint32_t& rgb) {
  uint32_t value = 0;
  const int32_t err = FSGetObjectNolongerStateCounty(file, position, value);
  if (err != 0) return err;
  present = (value & kCustomColourPresent) != 0;
  active = (value & kCustomColourActive) != 0;
  rgb = value & kCustomColourRGBMask;
  return 0;
}

int32_t SetObjectCustomColour(BufferedFile& file, int32_t position, uint32_t rgb) {
  return FSSetObjectNoLongerStateCounty(
      file, position, (rgb & kCustomColourRGBMask) | kCustomColourPresent | kCustomColourActive);
}

int32_t ClearObjectCustomColour(BufferedFile& file, int32_t position) {
  uint32_t value = 0;
  const int32_t err = FSGetObjectNolongerStateCounty(file, position, value);
  if (err != 0) return err;
  return FSSetObjectNoLongerStateCounty(file, position,
                                        value & (kCustomColourRGBMask | kCustomColourPresent));
}

int32_t FSGetObjectAliasCount(BufferedFile& file, int32_t position, uint8_t& count) {
  return ReadByte(file, static_cast<int64_t>(position) + kObjAliasCountOffset, count,
                  "FSGetObjectAliasCount()");
}

int32_t FSSetObjectAliasCount(BufferedFile& file, int32_t position, uint8_t count) {
  return WriteByte(file, static_cast<int64_t>(position) + kObjAliasCountOffset, count,
                   "FSSetObjectAliasCount()");
}

int32_t FSGetObjectAfterNameOffset(BufferedFile& file, int32_t position, int32_t& afterName) {
  RecordLayout layout;
  const int32_t err = ReadLayout(file, position, layout, "FSGetObjectAfterNameOffset()");
  if (err == 0) afterName = layout.afterName;
  return err;
}

// ---- Names -----------------------------------------------------------------------------------

int32_t FSGetObjectName(BufferedFile& file, int32_t position, std::string& prefix,
                        std::string& name, int32_t* freeRoom) {
  RecordLayout layout;
  int32_t err =
      ReadLayout(file, position, layout, "FSGetObjectName()", LayoutCheck::kNameRoomReport);
  if (err != 0) return err;
  char bytes[2 * kMaxRoomByte];
  err = ReadBytes(file, static_cast<int64_t>(position) + kObjPrefixOffset, bytes,
                  layout.prefixLength, "FSGetObjectName()");
  if (err != 0) return err;
  prefix = UpToNul(bytes, static_cast<size_t>(layout.prefixLength));
  err = ReadBytes(file, static_cast<int64_t>(position) + kObjPrefixOffset + layout.prefixLength + 1,
                  bytes, layout.nameRoom, "FSGetObjectName()");
  if (err != 0) return err;
  name = UpToNul(bytes, static_cast<size_t>(layout.nameRoom));
  if (freeRoom != nullptr) {
    *freeRoom = layout.prefixLength + layout.nameRoom - static_cast<int32_t>(prefix.size()) -
                static_cast<int32_t>(name.size());
  }
  return 0;
}

int32_t FSSetObjectName(BufferedFile& file, int32_t position, const std::string& prefix,
                        const std::string& name, int32_t room) {
  const char* const caller = "FSSetObjectName()";
  RecordLayout layout;
  int32_t err = ReadLayout(file, position, layout, caller);
  if (err != 0) return err;
  if (room != 0) {
    // Making the record: the name bytes stay as they are (zeros in a new record).
    if (room < 0 || room > kMaxRoomByte || kObjFixedHeadSize + room > layout.end) {
      ShowMessageAlert(kMessageNameTooLong, kStopAlert);
      return kErrGeneral;
    }
    err = WriteByte(file, static_cast<int64_t>(position) + kObjPrefixLengthOffset, 0, caller);
    if (err == 0) {
      err = WriteByte(file, static_cast<int64_t>(position) + kObjPrefixOffset,
                      static_cast<uint8_t>(room), caller);
    }
    return err;
  }
  const std::string newPrefix = QuotesToSingle(prefix.substr(0, kMaxNamePartLength));
  const std::string newName = QuotesToSingle(name.substr(0, kMaxNamePartLength));
  const int32_t total = layout.prefixLength + layout.nameRoom;
  const int32_t p = static_cast<int32_t>(newPrefix.size());
  const int32_t q = total - p;
  // The name room must still fit its length byte, or the after-name part would move.
  if (p + static_cast<int32_t>(newName.size()) > total || q > kMaxRoomByte) {
    ShowMessageAlert(kMessageNameTooLong, kStopAlert);
    return kErrGeneral;
  }
  char bytes[2 * kMaxRoomByte + 2] = {};
  bytes[0] = static_cast<char>(p);
  std::memcpy(bytes + 1, newPrefix.data(), newPrefix.size());
  bytes[1 + p] = static_cast<char>(q);
  std::memcpy(bytes + 2 + p, newName.data(), newName.size());
  return WriteBytes(file, static_cast<int64_t>(position) + kObjPrefixLengthOffset, bytes, total + 2,
                    caller);
}

int32_t GetObjectDisplayName(BufferedFile& file, int32_t position, std::string& displayName) {
  std::string prefix;
  std::string name;
  const int32_t err = FSGetObjectName(file, position, prefix, name);
  if (err != 0) return err;
  if (name.empty()) {
    displayName = MessageText(kMessageUntitled);
  } else if (prefix.empty()) {
    displayName = name;
  } else {
    displayName = prefix + " " + name;
  }
  return 0;
}

// ---- Graphics --------------------------------------------------------------------------------

int32_t FSGetObjectGraphics(BufferedFile& file, int32_t position, ObjectGraphics& graphics) {
  const char* const caller = "FSGetObjectGraphics()";
  int16_t type = 0;
  int32_t err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  RecordLayout layout;
  err = ReadLayout(file, position, layout, caller);
  if (err != 0) return err;
  const int64_t after = static_cast<int64_t>(position) + layout.afterName;
  const int32_t room = layout.end - layout.afterName;
  ObjectGraphics g;
  g.colour = 1;
  g.variant = 1;
  g.lineType = 1;
  unsigned char bytes[4] = {};
  switch (type) {
    case kRectangleObject:
    case kCircleObject:
    case kPolylineObject:
    case kPolygonObject:
      if (room < 2) return RefuseOutsideRecord(caller);
      err = ReadBytes(file, after, bytes, 2, caller);
      if (err != 0) return err;
      g.colour = ColourFromNibble(bytes[0] >> 4);
      g.variant = static_cast<int16_t>(bytes[0] & 15);
      g.lineType = static_cast<int16_t>(bytes[1] >> 4);
      g.fillPattern = static_cast<int16_t>(bytes[1] & 15);
      break;
    case kPointObject: {
      if (room < 2) return RefuseOutsideRecord(caller);
      err = ReadBytes(file, after, bytes, 2, caller);
      if (err != 0) return err;
      g.colour = ColourFromNibble(bytes[0] >> 4);
      g.variant = static_cast<int16_t>(bytes[0] & 15);
      g.symbol = bytes[1];
      int32_t digitization = 0;
      err = ReadLong(file, static_cast<int64_t>(position) + kObjDigitizationOffset, digitization,
                     caller);
      if (err != 0) return err;
      // Numbers above 255 live in the digitization field; the byte keeps their low 8 bits.
      if ((digitization & 0xFF) == bytes[1] && SymbolKnown(digitization)) {
        g.symbol = static_cast<int16_t>(digitization);
      }
      break;
    }
    case kTextObject:
      if (room < 4) return RefuseOutsideRecord(caller);
      err = ReadBytes(file, after, bytes, 4, caller);
      if (err != 0) return err;
      g.colour = ColourFromNibble(bytes[0] >> 4);
      g.textFlag = static_cast<int16_t>(bytes[0] & 15);
      g.textValue = GetBig16(bytes + 1);
      g.textCode = bytes[3];
      break;
    case kPictureObject:
      if (room < 1) return RefuseOutsideRecord(caller);
      err = ReadBytes(file, after, bytes, 1, caller);
      if (err != 0) return err;
      g.textFlag = bytes[0];
      break;
    case kAliasObject:
      break;
    default:
      return RefuseKind(caller);
  }
  graphics = g;
  return 0;
}

int32_t FSSetObjectGraphics(BufferedFile& file, int32_t position, const ObjectGraphics& graphics) {
  const char* const caller = "FSSetObjectGraphics()";
  int16_t type = 0;
  int32_t err = FSGetObjectType(file, position, type);
  if (err != 0) return err;
  RecordLayout layout;
  err = ReadLayout(file, position, layout, caller);
  if (err != 0) return err;
  const int64_t after = static_cast<int64_t>(position) + layout.afterName;
  const int32_t room = layout.end - layout.afterName;
  unsigned char bytes[4] = {};
  int32_t count = 0;
  int32_t digitization = 0;
  switch (type) {
    case kRectangleObject:
    case kCircleObject:
    case kPolylineObject:
    case kPolygonObject:
      bytes[0] = PackNibbles(graphics.colour, graphics.variant);
      bytes[1] = PackNibbles(graphics.lineType, graphics.fillPattern);
      count = 2;
      break;
    case kPointObject:
      bytes[0] = PackNibbles(graphics.colour, graphics.variant);
      bytes[1] = static_cast<unsigned char>(graphics.symbol & 0xFF);
      digitization = graphics.symbol;
      count = 2;
      break;
    case kTextObject:
      bytes[0] = PackNibbles(graphics.colour, graphics.textFlag);
      PutBig16(bytes + 1, graphics.textValue);
      bytes[3] = static_cast<unsigned char>(graphics.textCode);
      count = 4;
      break;
    case kPictureObject:
      bytes[0] = static_cast<unsigned char>(graphics.textFlag);
      count = 1;
      break;
    case kAliasObject:
      break;
    default:
      return RefuseKind(caller);
  }
  if (room < count) return RefuseOutsideRecord(caller);
  err = WriteBytes(file, after, bytes, count, caller);
  if (err != 0) return err;
  return WriteLong(file, static_cast<int64_t>(position) + kObjDigitizationOffset, digitization,
                   caller);
}

// ---- Text and picture file -------------------------------------------------------------------

int32_t FSGetObjectText(BufferedFile& file, int32_t position, std::string& text,
                        int32_t* freeRoom) {
  const char* const caller = "FSGetObjectText()";
  int16_t type = 0;
  RecordLayout layout;
  int32_t err = ReadKindAndLayout(file, position, type, layout, 6, caller);
  if (err != 0) return err;
  if (type != kTextObject) return RefuseKind(caller);
  int16_t room = 0;
  err = ReadShort(file, static_cast<int64_t>(position) + layout.afterName + 4, room, caller);
  if (err != 0) return err;
  if (room < 0 || layout.afterName + 6 + room > layout.end) return RefuseOutsideRecord(caller);
  char bytes[kMaxTextReadLength];
  const int32_t wanted = std::min<int32_t>(room, kMaxTextReadLength);
  err =
      ReadBytes(file, static_cast<int64_t>(position) + layout.afterName + 6, bytes, wanted, caller);
  if (err != 0) return err;
  text = UpToNul(bytes, static_cast<size_t>(wanted));
  if (freeRoom != nullptr) *freeRoom = room - static_cast<int32_t>(text.size());
  return 0;
}

int32_t FSSetObjectText(BufferedFile& file, int32_t position, const std::string& text,
                        int32_t room) {
  const char* const caller = "FSSetObjectText()";
  int16_t type = 0;
  RecordLayout layout;
  int32_t err = ReadKindAndLayout(file, position, type, layout, 6, caller);
  if (err != 0) return err;
  if (type != kTextObject) return RefuseKind(caller);
  const int64_t roomAt = static_cast<int64_t>(position) + layout.afterName + 4;
  if (room != 0) {
    if (room < 0 || room > INT16_MAX || layout.afterName + 6 + room > layout.end) {
      ShowMessageAlert(kMessageTextTooLong, kStopAlert);
      return kErrGeneral;
    }
    return WriteShort(file, roomAt, static_cast<int16_t>(room), caller);
  }
  int16_t stored = 0;
  err = ReadShort(file, roomAt, stored, caller);
  if (err != 0) return err;
  if (stored < 0 || layout.afterName + 6 + stored > layout.end) return RefuseOutsideRecord(caller);
  if (static_cast<int64_t>(text.size()) > stored) {
    ShowMessageAlert(kMessageTextTooLong, kStopAlert);
    return kErrGeneral;
  }
  const std::string newText = QuotesToSingle(text);
  const int64_t textAt = roomAt + 2;
  err = WriteBytes(file, textAt, newText.data(), static_cast<int32_t>(newText.size()), caller);
  if (err != 0) return err;
  return WriteZeros(file, textAt + static_cast<int64_t>(newText.size()),
                    stored - static_cast<int32_t>(newText.size()), caller);
}

int32_t FSGetObjectPICTFile(BufferedFile& file, int32_t position, std::string& fileName) {
  const char* const caller = "FSGetObjectPICTFile()";
  int16_t type = 0;
  RecordLayout layout;
  int32_t err = ReadKindAndLayout(file, position, type, layout, 1 + kPictFileNameSize, caller);
  if (err != 0) return err;
  if (type != kPictureObject) return RefuseKind(caller);
  char bytes[kPictFileNameSize];
  err = ReadBytes(file, static_cast<int64_t>(position) + layout.afterName + 1, bytes,
                  kPictFileNameSize, caller);
  if (err == 0) fileName = UpToNul(bytes, kPictFileNameSize);
  return err;
}

int32_t FSSetObjectPICTFile(BufferedFile& file, int32_t position, const std::string& fileName) {
  const char* const caller = "FSSetObjectPICTFile()";
  int16_t type = 0;
  RecordLayout layout;
  int32_t err = ReadKindAndLayout(file, position, type, layout, 1 + kPictFileNameSize, caller);
  if (err != 0) return err;
  if (type != kPictureObject) return RefuseKind(caller);
  // A name of 32 characters fills the field without a terminating zero, as the reader expects.
  // A longer one is refused: cut short, it would name another file.
  if (fileName.size() > static_cast<size_t>(kPictFileNameSize)) {
    ReportError(caller, "strlen()", kErrBadName);
    return kErrBadName;
  }
  char bytes[kPictFileNameSize] = {};
  std::memcpy(bytes, fileName.data(), fileName.size());
  return WriteBytes(file, static_cast<int64_t>(position) + layout.afterName + 1, bytes,
                    kPictFileNameSize, caller);
}

// ---- Segments --------------------------------------------------------------------------------

int32_t FSGetObjectNumSegs(BufferedFile& file, int32_t position, int32_t& count) {
  SegmentSpan span;
  const int32_t err = ReadSegmentSpan(file, position, span, "FSGetObjectNumSegs()");
  if (err == 0) count = span.count;
  return err;
}

int32_t FSSetObjectNumSegs(BufferedFile& file, int32_t position, int32_t count) {
  const char* const caller = "FSSetObjectNumSegs()";
  int16_t type = 0;
  RecordLayout layout;
  int32_t err = ReadKindAndLayout(file, position, type, layout, 6, caller);
  if (err != 0) return err;
  if (!IsSegmentKind(type)) return RefuseKind(caller);
  if (count < 0 || count > (layout.end - layout.afterName - 6) / kPlainSegmentSize) {
    return RefuseOutsideRecord(caller);
  }
  return WriteLong(file, static_cast<int64_t>(position) + layout.afterName + 2, count, caller);
}

int32_t FSGetObjectSegmentRange(BufferedFile& file, int32_t position, int32_t& firstOffset,
                                int32_t& recordEnd) {
  SegmentSpan span;
  const int32_t err = ReadSegmentSpan(file, position, span, "FSGetObjectSegmentRange()");
  if (err == 0) {
    firstOffset = span.first;
    recordEnd = span.end;
  }
  return err;
}

int32_t FSGetObjectSeg(BufferedFile& file, int32_t position, int32_t& offset, int32_t& x,
                       int32_t& y, bool& newPiece) {
  SegmentSpan span;
  const int32_t err = ReadSegmentSpan(file, position, span, "FSGetObjectSeg()");
  if (err != 0) return err;
  if (offset < span.first) return RefuseOutsideRecord("FSGetObjectSeg()");
  return ReadSegment(file, position, offset, span.end, x, y, newPiece, nullptr, "FSGetObjectSeg()");
}

int32_t FSGetObjectSegA(BufferedFile& file, int32_t position, int32_t& offset, int32_t& x,
                        int32_t& y, bool& newPiece, SegmentAttributes& attributes) {
  SegmentSpan span;
  const int32_t err = ReadSegmentSpan(file, position, span, "FSGetObjectSegA()");
  if (err != 0) return err;
  if (offset < span.first) return RefuseOutsideRecord("FSGetObjectSegA()");
  return ReadSegment(file, position, offset, span.end, x, y, newPiece, &attributes,
                     "FSGetObjectSegA()");
}

int32_t FSSetObjectSeg(BufferedFile& file, int32_t position, int32_t offset, int32_t x, int32_t y,
                       bool newPiece) {
  const char* const caller = "FSSetObjectSeg()";
  int32_t err = CheckSegmentWrite(file, position, offset, kPlainSegmentSize, caller);
  if (err != 0) return err;
  char bytes[kPlainSegmentSize];
  EncodeSegmentHead(bytes, x, y, newPiece, 0);
  return WriteBytes(file, static_cast<int64_t>(position) + offset, bytes, kPlainSegmentSize,
                    caller);
}

int32_t FSSetObjectSegA(BufferedFile& file, int32_t position, int32_t& offset, int32_t x, int32_t y,
                        bool newPiece, const SegmentAttributes& attributes) {
  const char* const caller = "FSSetObjectSegA()";
  int32_t err = CheckSegmentWrite(file, position, offset, kAttributedSegmentSize, caller);
  if (err != 0) return err;
  char bytes[kAttributedSegmentSize];
  const bool flag = attributes.values[kSegmentAttributeCount] != 0;
  EncodeSegmentHead(bytes, x, y, newPiece,
                    static_cast<uint16_t>(kAllAttributesMask | (flag ? kSegmentFlagBit : 0)));
  for (int32_t k = 0; k < kSegmentAttributeCount; ++k) {
    PutBig32(bytes + kPlainSegmentSize + 4 * k, attributes.values[k]);
  }
  err = WriteBytes(file, static_cast<int64_t>(position) + offset, bytes, kAttributedSegmentSize,
                   caller);
  if (err == 0) offset += kAttributedSegmentSize;
  return err;
}

int32_t FSGetObjectPoints(BufferedFile& file, int32_t position, Handle& points, int32_t& count,
                          bool keepPieceBits) {
  const char* const caller = "FSGetObjectPoints()";
  points = nullptr;
  count = 0;
  SegmentSpan span;
  int32_t err = ReadSegmentSpan(file, position, span, caller);
  if (err != 0) return err;
  ScopedHandle list(MyNewHandle(span.count * static_cast<int32_t>(sizeof(WPoint))));
  if (!list) {
    ReportError(caller, "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  int32_t offset = span.first;
  for (int32_t i = 0; i < span.count; ++i) {
    WPoint p;
    bool newPiece = false;
    err = ReadSegment(file, position, offset, span.end, p.x, p.y, newPiece, nullptr, caller);
    if (err != 0) return err;
    if (keepPieceBits && newPiece)
      p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) | kNewPieceBit);
    std::memcpy(*list.get() + static_cast<size_t>(i) * sizeof(WPoint), &p, sizeof(WPoint));
  }
  points = list.release();
  count = span.count;
  return 0;
}

int32_t FSGetObjectSegmentsPartial(BufferedFile& file, int32_t position, int32_t first,
                                   int32_t count, Handle& segments, int32_t& segmentCount,
                                   WRect* bounds) {
  const char* const caller = "FSGetObjectSegmentsPartial()";
  segments = nullptr;
  segmentCount = 0;
  SegmentSpan span;
  int32_t err = ReadSegmentSpan(file, position, span, caller);
  if (err != 0) return err;
  first = std::clamp(first, 0, span.count);
  count = std::clamp(count, 0, span.count - first);
  ScopedHandle list(MyNewHandle(std::max(count - 1, 0) * static_cast<int32_t>(sizeof(Segment))));
  if (!list) {
    ReportError(caller, "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  int32_t offset = span.first;
  int32_t made = 0;
  WPoint previous;
  for (int32_t i = 0; i < first + count; ++i) {
    WPoint p;
    bool newPiece = false;
    err = ReadSegment(file, position, offset, span.end, p.x, p.y, newPiece, nullptr, caller);
    if (err != 0) return err;
    if (i < first) continue;
    if (bounds != nullptr) UnionWRect(*bounds, WRect{p.x, p.y, p.x, p.y});
    if (i > first && !newPiece) {
      const Segment s{previous.x, previous.y, p.x, p.y};
      std::memcpy(*list.get() + static_cast<size_t>(made) * sizeof(Segment), &s, sizeof s);
      ++made;
    }
    previous = p;
  }
  MySetHandleSize(list.get(), made * static_cast<int32_t>(sizeof(Segment)));
  segments = list.release();
  segmentCount = made;
  return 0;
}

int32_t FSInitObjectSegments(BufferedFile& file, int32_t position, Handle points) {
  const char* const caller = "FSInitObjectSegments()";
  const int32_t n =
      points == nullptr ? 0 : MyGetHandleSize(points) / static_cast<int32_t>(sizeof(WPoint));
  SegmentSpan span;
  int32_t err = ReadSegmentSpan(file, position, span, caller);
  if (err != 0) return err;
  const int32_t room = span.end - span.first;
  if (static_cast<int64_t>(room) < static_cast<int64_t>(kPlainSegmentSize) * n) {
    ShowMessageAlert(kMessageTooManySegments, kStopAlert);
    return kErrGeneral;
  }
  const int32_t slots = std::max(n, span.count);
  for (int32_t i = 0; i < slots; ++i) {
    WPoint p;
    bool newPiece = false;
    if (i < n) {
      std::memcpy(&p, *points + static_cast<size_t>(i) * sizeof(WPoint), sizeof p);
      newPiece = i == 0 || (static_cast<uint32_t>(p.x) & kNewPieceBit) != 0;
      p.x = static_cast<int32_t>(static_cast<uint32_t>(p.x) & ~kNewPieceBit);
    }
    // A zero mask is written too: masks left from attributed segments would make the new plain
    // segments read as attributed ones.
    char bytes[kPlainSegmentSize];
    EncodeSegmentHead(bytes, p.x, p.y, newPiece, 0);
    err = WriteBytes(file, static_cast<int64_t>(position) + span.first + kPlainSegmentSize * i,
                     bytes, kPlainSegmentSize, caller);
    if (err != 0) return err;
  }
  return WriteLong(file, static_cast<int64_t>(position) + span.first - 4, n, caller);
}

void ResetObjectRecordForTesting() {
  symbolKnown = nullptr;
}

int16_t StoredColourForMenuPosition(int32_t position) {
  constexpr int16_t kMenuToStored[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 12, 13, 14, 16};
  if (position < 1 || position > 16) return 1;
  return kMenuToStored[position - 1];
}

int16_t MenuPositionForStoredColour(int32_t colour) {
  for (int32_t i = 1; i <= 16; ++i) {
    if (StoredColourForMenuPosition(i) == colour) return static_cast<int16_t>(i);
  }
  return 1;
}

}  // namespace tlv
