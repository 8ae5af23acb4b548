// One record of the interchange text format read into memory: the seventeen leading fields, the
// body of its kind, or a simple point record. Creating the object from it is the importer's work;
// this part only reads, checks and normalises (names cut to their limits, corners ordered,
// colours turned into stored colour numbers).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/world_types.h"
#include "store/mie_reader.h"
#include "store/object_record.h"

namespace tlv {

// Limits of the record's texts.
constexpr size_t kMaxImportDateLength = 11;
constexpr size_t kMaxImportPrefixLength = 9;
constexpr size_t kMaxImportNameLength = 99;
constexpr size_t kMaxImportLayerNameLength = 31;
constexpr size_t kMaxImportMapNameLength = 41;
constexpr size_t kMaxImportTextLength = 255;
constexpr size_t kMaxImportPictureNameLength = 31;
constexpr int32_t kCurrentMIEVersion = 2;
constexpr int16_t kDefaultImportSymbol = 212;
// Far more points than any real object has; it keeps segment room within a 32-bit record length.
constexpr size_t kMaxImportPoints = 20000000;

// Attribute field names of simple point records.
constexpr int32_t kMaxImportFields = 10;
constexpr size_t kMaxImportFieldNameLength = 9;
// "NAME", "LAYER", "MAP", "SYMBOL", "COLOR", "ID".
std::vector<std::string> MIEFieldNames();

struct ImportPoint {
  int32_t x = 0;  // world units, without the new-piece bit
  int32_t y = 0;
  bool newPiece = false;
  bool hasAttributes = false;
  SegmentAttributes attributes;
};

struct ImportRecord {
  bool simplePoint = false;
  int32_t recordNumber = 0;
  // 0 when the record gives no usable date; dateUnreadable when it gave one that could not be
  // converted (the importer beeps).
  uint32_t modTime = 0;
  bool dateUnreadable = false;
  int32_t version = kCurrentMIEVersion;
  std::string prefix;
  std::string name;
  uint8_t aliasCount = 0;
  std::string layerName;
  std::string mapName;  // empty: the User's Map
  int16_t kind = 0;
  std::string idText;  // empty: a new ID
  // Field 17, stored as the object's custom colour field.
  uint32_t customColourField = 0;
  // The body. graphics.colour holds the stored colour number.
  ObjectGraphics graphics;
  // A custom colour word in the colour field: stored as the active custom colour.
  bool customColour = false;
  uint32_t customRGB = 0;
  WRect rect;
  std::vector<ImportPoint> points;
  bool anyAttributes = false;
  std::string text;     // the text of a text object, the file name of a picture
  std::string aliasOf;  // the ID text of the object an alias stands for
};

// World units of a longitude or latitude, kept within the world.
int32_t WorldXFromLongitude(double longitude);
int32_t WorldYFromLatitude(double latitude);

// A record date "month/day/year" as local seconds since 1904 at midnight; false when it cannot
// be converted. Years below 40 are 2000 + year, 200 and more full years, others 1900 + year.
bool ImportDateToSeconds1904(const std::string& text, uint32_t& seconds);

// Reads one record: with withRecordNumber the caller's record number first. A record that
// begins with a number is a simple point record whose attribute fields follow fieldNames. 0 on
// success; -1 after an error whose framed message reader.ErrorText() holds; a read failure of
// the source returns its code.
int32_t ReadImportRecord(MIEReader& reader, const std::vector<std::string>& fieldNames,
                         bool withRecordNumber, ImportRecord& record);

}  // namespace tlv
