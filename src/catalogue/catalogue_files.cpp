#include "catalogue/catalogue_files.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"

namespace tlv {

namespace {

constexpr std::string_view kCurlyUserMap = "User\xD5s Map";
constexpr std::string_view kUserMapName = "User's Map";

void PutText(char* at, size_t width, std::string_view text) {
  CopyToField(at, width, text);
}

}  // namespace

void CopyToField(char* field, size_t size, std::string_view text) {
  if (size == 0) return;
  std::memset(field, 0, size);
  const size_t n = std::min(text.size(), size - 1);
  if (n > 0) std::memcpy(field, text.data(), n);
}

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

void ApplyApostropheRule(std::string& name) {
  if (name == kCurlyUserMap) name = kUserMapName;
}

int32_t DecodeNameDotMap(const void* bytes, int32_t size, NameDotMap& record) {
  if (size != kNameDotMapSize) return kErrBadLength;
  ByteCursor cursor(bytes, static_cast<size_t>(size));
  std::string name;
  std::string owner;
  uint8_t universal = 0;
  cursor.ReadText(name, 42);
  cursor.Skip(4);
  cursor.ReadText(owner, 6);
  cursor.ReadU8(universal);
  if (cursor.Failed()) return kErrBadLength;
  if (name.size() > 41) name.resize(41);
  if (owner.size() > 5) owner.resize(5);
  ApplyApostropheRule(name);
  record.name = name;
  record.owner = owner;
  record.universal = static_cast<char>(universal);
  return 0;
}

void EncodeNameDotMap(const NameDotMap& record, char (&bytes)[kNameDotMapSize]) {
  std::memset(bytes, 0, sizeof bytes);
  std::string name = record.name;
  ApplyApostropheRule(name);
  PutText(bytes, 42, name);
  // The map ID at offset 42 is never stored.
  PutText(bytes + 46, 6, record.owner);
  bytes[52] = record.universal;
}

int32_t DecodeXtraMaps(const void* bytes, int32_t size, std::vector<XtraMapsEntry>& entries) {
  entries.clear();
  if (size < 0 || size % kXtraMapsRecordSize != 0) return kErrBadLength;
  ByteCursor cursor(bytes, static_cast<size_t>(size));
  const int32_t count = size / kXtraMapsRecordSize;
  entries.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    XtraMapsEntry entry;
    cursor.ReadText(entry.path, kXtraMapsPathSize);
    cursor.ReadText(entry.name, 42);
    if (cursor.Failed()) return kErrBadLength;
    if (entry.path.size() > kXtraMapsPathSize - 1) entry.path.resize(kXtraMapsPathSize - 1);
    if (entry.name.size() > 41) entry.name.resize(41);
    entries.push_back(std::move(entry));
  }
  return 0;
}

void EncodeXtraMapsEntry(const XtraMapsEntry& entry, char (&bytes)[kXtraMapsRecordSize]) {
  PutText(bytes, kXtraMapsPathSize, entry.path);
  PutText(bytes + kXtraMapsPathSize, 42, entry.name);
}

namespace {

// Whether every record of the list reads sensibly in the layout: a named, NUL-terminated name, a
// display mode, lock state and delete-at-quit flag in range, and zero where the layout keeps
// zeros. The other layout read over the same bytes fails this at the second record at the
// latest, where names and numbers slide four bytes against each other.
bool Layers2ReadsAs(const unsigned char* bytes, int32_t size, int32_t recordSize) {
  for (int32_t at = 0; at + recordSize <= size; at += recordSize) {
    const unsigned char* record = bytes + at;
    if (record[0] == 0 || std::memchr(record, 0, kLayerNameSize) == nullptr) return false;
    if (GetBig16(record + 36) < 0 || GetBig16(record + 36) > kDisplayShowNames) return false;
    if (record[55] > (kLockedBit | kOwnedBit) || record[56] > 1 || record[57] != 0) return false;
    for (int i = 76; i < 80; ++i) {
      if (record[i] != 0) return false;
    }
    if (recordSize == kLayers2RecordSize && record[87] != 0) return false;
  }
  return true;
}

}  // namespace

int32_t DecodeLayers2(const void* bytes, int32_t size, std::vector<LayerRecord>& layers) {
  layers.clear();
  if (size < 0) return kErrBadLength;
  const bool fitsNew = size % kLayers2RecordSize == 0;
  const bool fitsOld = size % kOldLayers2RecordSize == 0;
  int32_t recordSize = 0;
  if (fitsNew && fitsOld) {
    // Both layouts fit a list of 1,848 bytes (and of every multiple of it): the bytes decide.
    const auto* raw = static_cast<const unsigned char*>(bytes);
    const bool readsOld = !Layers2ReadsAs(raw, size, kLayers2RecordSize) &&
                          Layers2ReadsAs(raw, size, kOldLayers2RecordSize);
    recordSize = readsOld ? kOldLayers2RecordSize : kLayers2RecordSize;
  } else if (fitsNew) {
    recordSize = kLayers2RecordSize;
  } else if (fitsOld) {
    recordSize = kOldLayers2RecordSize;
  } else {
    return kErrBadLength;
  }
  const int32_t count = size / recordSize;
  layers.reserve(static_cast<size_t>(count));
  const auto* base = static_cast<const unsigned char*>(bytes);
  for (int32_t i = 0; i < count; ++i) {
    ByteCursor cursor(base + static_cast<size_t>(i) * recordSize, static_cast<size_t>(recordSize));
    LayerRecord layer;
    std::string name;
    int16_t displayMode = 0;
    uint8_t flags = 0;
    uint8_t lockState = 0;
    uint8_t deleteAtQuit = 0;
    uint8_t searchMark = 0;
    uint8_t reservedValue = 0;
    cursor.ReadText(name, kLayerNameSize);
    cursor.Read32(layer.layerID);
    cursor.Read16(displayMode);
    for (int32_t& scale : layer.scales) cursor.Read32(scale);
    cursor.ReadU8(flags);
    cursor.ReadU8(lockState);
    cursor.ReadU8(deleteAtQuit);
    cursor.Skip(1);
    for (int16_t& value : layer.graphics) cursor.Read16(value);
    cursor.Read16(layer.graphicsOverride);
    cursor.Skip(4);
    cursor.ReadU8(searchMark);
    cursor.ReadU8(reservedValue);
    cursor.Read16(layer.listMark);
    if (recordSize == kLayers2RecordSize) {
      for (uint8_t& option : layer.thematic) cursor.ReadU8(option);
    }
    if (cursor.Failed()) return kErrBadLength;
    CopyToField(layer.name, name);
    layer.displayMode = static_cast<uint8_t>(displayMode);
    layer.flags = flags;
    layer.lockState = lockState;
    layer.deleteAtQuit = deleteAtQuit;
    layer.searchMark = searchMark;
    layer.reservedValue = reservedValue;
    layers.push_back(layer);
  }
  return 0;
}

void EncodeLayers2Record(const LayerRecord& layer, char (&bytes)[kLayers2RecordSize]) {
  std::memset(bytes, 0, sizeof bytes);
  PutText(bytes, kLayerNameSize, FieldText(layer.name));
  PutBig32(bytes + 32, layer.layerID);
  PutBig16(bytes + 36, layer.displayMode);
  for (int i = 0; i < 4; ++i) PutBig32(bytes + 38 + 4 * i, layer.scales[i]);
  bytes[54] = static_cast<char>(layer.flags & 0xFF);
  bytes[55] = static_cast<char>(layer.lockState);
  bytes[56] = static_cast<char>(layer.deleteAtQuit);
  for (int i = 0; i < kDefaultGraphicsCount; ++i) PutBig16(bytes + 58 + 2 * i, layer.graphics[i]);
  PutBig16(bytes + 74, layer.graphicsOverride);
  bytes[80] = static_cast<char>(layer.searchMark);
  bytes[81] = static_cast<char>(layer.reservedValue);
  PutBig16(bytes + 82, layer.listMark);
  for (int i = 0; i < 3; ++i) bytes[84 + i] = static_cast<char>(layer.thematic[i]);
}

int32_t DecodeGroups(const void* bytes, int32_t size, std::vector<GroupRecord>& groups) {
  groups.clear();
  if (size < 0 || size % kGroupFileRecordSize != 0) return kErrBadLength;
  ByteCursor cursor(bytes, static_cast<size_t>(size));
  const int32_t count = size / kGroupFileRecordSize;
  groups.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    std::string name;
    std::string first;
    std::string last;
    int32_t collapsed = 0;
    cursor.ReadText(name, kGroupNameSize);
    cursor.ReadText(first, kLayerNameSize);
    cursor.ReadText(last, kLayerNameSize);
    cursor.Read32(collapsed);
    if (cursor.Failed()) return kErrBadLength;
    GroupRecord group;
    CopyToField(group.name, name);
    CopyToField(group.first, first);
    CopyToField(group.last, last);
    group.collapsed = collapsed != 0 ? 1 : 0;
    groups.push_back(group);
  }
  return 0;
}

void EncodeGroupRecord(const GroupRecord& group, char (&bytes)[kGroupFileRecordSize]) {
  PutText(bytes, kGroupNameSize, FieldText(group.name));
  PutText(bytes + 32, kLayerNameSize, FieldText(group.first));
  PutText(bytes + 64, kLayerNameSize, FieldText(group.last));
  PutBig32(bytes + 96, group.collapsed);
}

int32_t DecodeLayerFileHeader(const void* bytes, int32_t size, LayerFileHeader& header) {
  if (size < kLayerFileHeaderSize) return kErrBadLength;
  ByteCursor cursor(bytes, kLayerFileHeaderSize);
  std::string name;
  LayerFileHeader read;
  cursor.ReadText(name, kLayerNameSize);
  cursor.Read32(read.bounds.x1);
  cursor.Read32(read.bounds.y1);
  cursor.Read32(read.bounds.x2);
  cursor.Read32(read.bounds.y2);
  cursor.Read32(read.objectCount);
  if (cursor.Failed()) return kErrBadLength;
  if (name.size() > kLayerNameSize - 1) name.resize(kLayerNameSize - 1);
  read.name = name;
  header = read;
  return 0;
}

void EncodeLayerFileHeader(const LayerFileHeader& header, char (&bytes)[kLayerFileHeaderSize]) {
  PutText(bytes, kLayerNameSize, header.name);
  PutBig32(bytes + 32, header.bounds.x1);
  PutBig32(bytes + 36, header.bounds.y1);
  PutBig32(bytes + 40, header.bounds.x2);
  PutBig32(bytes + 44, header.bounds.y2);
  PutBig32(bytes + 48, header.objectCount);
}

}  // namespace tlv
