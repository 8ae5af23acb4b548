// The byte layouts of the catalogue files: NAME.MAP, XTRAMAPS.PLT, LAYERS2.PLT (and its older
// 84-byte form), GROUPS.PLT (and ".GNX") and the ".LYR" overlay file header. Decoders take the
// bytes of outside input and check every size before they trust it; encoders write field by
// field, cutting text to its field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/endian.h"
#include "store/store_records.h"

namespace tlv {

constexpr int32_t kNameDotMapSize = 56;
constexpr int32_t kXtraMapsRecordSize = 298;
constexpr int32_t kXtraMapsPathSize = 256;
constexpr int32_t kLayers2RecordSize = 88;
constexpr int32_t kOldLayers2RecordSize = 84;
constexpr int32_t kGroupFileRecordSize = 100;
constexpr int32_t kLayerFileHeaderSize = 52;

constexpr uint32_t kCatalogueCreator = FourCharCode("TLV1");
constexpr uint32_t kNameDotMapKind = FourCharCode(".MAP");
constexpr uint32_t kXtraMapsKind = FourCharCode("XTRA");
constexpr uint32_t kLayersFileKind = FourCharCode("LYRS");
constexpr uint32_t kLayerFileKind = FourCharCode(".LYR");

constexpr const char* kNameDotMapName = "NAME.MAP";
constexpr const char* kXtraMapsName = "XTRAMAPS.PLT";
constexpr const char* kLayers2Name = "LAYERS2.PLT";
constexpr const char* kGroupsName = "GROUPS.PLT";
constexpr const char* kMapLayers2Name = "Layers2.plt";

// Copies text into a fixed field of size bytes: cut to size - 1 characters, NUL-padded.
void CopyToField(char* field, size_t size, std::string_view text);
// The text of a fixed field (up to its first NUL or its end).
std::string FieldText(const char* field, size_t size);
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return FieldText(field, N);
}
template <size_t N>
void CopyToField(char (&field)[N], std::string_view text) {
  CopyToField(field, N, text);
}

// The older character set's curly apostrophe in "User's Map" becomes an ASCII apostrophe.
void ApplyApostropheRule(std::string& name);

struct NameDotMap {
  std::string name;             // at most 41 characters
  std::string owner = "00000";  // at most 5 characters
  char universal = 0;           // 'Y', 'N' or 0
};
// -3 unless size is exactly 56. The apostrophe rule is applied.
int32_t DecodeNameDotMap(const void* bytes, int32_t size, NameDotMap& record);
void EncodeNameDotMap(const NameDotMap& record, char (&bytes)[kNameDotMapSize]);

struct XtraMapsEntry {
  std::string path;  // the map folder, with a trailing "/"
  std::string name;  // at most 41 characters
};
// -3 when size is not a multiple of 298.
int32_t DecodeXtraMaps(const void* bytes, int32_t size, std::vector<XtraMapsEntry>& entries);
void EncodeXtraMapsEntry(const XtraMapsEntry& entry, char (&bytes)[kXtraMapsRecordSize]);

// Reads a list of 88-byte records, or of the older 84-byte records when the size is a multiple
// of 84 only; -3 otherwise. A size that is a multiple of both is read in the layout whose records
// make sense (88 bytes when both or neither do). The records are taken as stored: callers
// normalise them.
int32_t DecodeLayers2(const void* bytes, int32_t size, std::vector<LayerRecord>& layers);
void EncodeLayers2Record(const LayerRecord& layer, char (&bytes)[kLayers2RecordSize]);

// -3 when size is not a multiple of 100. Any non-zero collapsed value is read as 1.
int32_t DecodeGroups(const void* bytes, int32_t size, std::vector<GroupRecord>& groups);
void EncodeGroupRecord(const GroupRecord& group, char (&bytes)[kGroupFileRecordSize]);

struct LayerFileHeader {
  std::string name;  // at most 31 characters
  WRect bounds;
  int32_t objectCount = 0;
};
// -3 when fewer than 52 bytes are given; only the first 52 are read.
int32_t DecodeLayerFileHeader(const void* bytes, int32_t size, LayerFileHeader& header);
void EncodeLayerFileHeader(const LayerFileHeader& header, char (&bytes)[kLayerFileHeaderSize]);

}  // namespace tlv
