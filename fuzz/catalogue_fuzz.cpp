// Feeds arbitrary bytes to the readers of the catalogue files: NAME.MAP, XTRAMAPS.PLT,
// LAYERS2.PLT (both layouts), GROUPS.PLT and the ".LYR" header. The first byte picks the reader.
// A reader must refuse bad sizes cleanly, and whatever it accepts must survive being written
// and read back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "catalogue/catalogue_files.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameLayer(const LayerRecord& a, const LayerRecord& b) {
  return FieldText(a.name) == FieldText(b.name) && a.layerID == b.layerID &&
         a.displayMode == b.displayMode && std::memcmp(a.scales, b.scales, sizeof a.scales) == 0 &&
         a.flags == b.flags && a.lockState == b.lockState && a.deleteAtQuit == b.deleteAtQuit &&
         std::memcmp(a.graphics, b.graphics, sizeof a.graphics) == 0 &&
         a.graphicsOverride == b.graphicsOverride && a.searchMark == b.searchMark &&
         a.reservedValue == b.reservedValue && a.listMark == b.listMark &&
         std::memcmp(a.thematic, b.thematic, sizeof a.thematic) == 0;
}

void FuzzNameDotMap(const uint8_t* data, int32_t size) {
  NameDotMap record;
  if (DecodeNameDotMap(data, size, record) != 0) {
    Check(size != kNameDotMapSize);
    return;
  }
  Check(record.name.size() <= 41 && record.owner.size() <= 5);
  char bytes[kNameDotMapSize];
  EncodeNameDotMap(record, bytes);
  NameDotMap again;
  Check(DecodeNameDotMap(bytes, kNameDotMapSize, again) == 0);
  Check(again.name == record.name && again.owner == record.owner &&
        again.universal == record.universal);
}

void FuzzXtraMaps(const uint8_t* data, int32_t size) {
  std::vector<XtraMapsEntry> entries;
  if (DecodeXtraMaps(data, size, entries) != 0) {
    Check(size % kXtraMapsRecordSize != 0 && entries.empty());
    return;
  }
  Check(static_cast<int32_t>(entries.size()) == size / kXtraMapsRecordSize);
  for (const XtraMapsEntry& entry : entries) {
    char bytes[kXtraMapsRecordSize];
    EncodeXtraMapsEntry(entry, bytes);
    std::vector<XtraMapsEntry> again;
    Check(DecodeXtraMaps(bytes, kXtraMapsRecordSize, again) == 0 && again.size() == 1);
    Check(again[0].path == entry.path && again[0].name == entry.name);
  }
}

void FuzzLayers2(const uint8_t* data, int32_t size) {
  std::vector<LayerRecord> layers;
  if (DecodeLayers2(data, size, layers) != 0) {
    Check(size % kLayers2RecordSize != 0 && size % kOldLayers2RecordSize != 0);
    return;
  }
  for (const LayerRecord& layer : layers) {
    Check(std::memchr(layer.name, 0, sizeof layer.name) != nullptr);
    char bytes[kLayers2RecordSize];
    EncodeLayers2Record(layer, bytes);
    std::vector<LayerRecord> again;
    Check(DecodeLayers2(bytes, kLayers2RecordSize, again) == 0 && again.size() == 1);
    Check(SameLayer(again[0], layer));
  }
}

void FuzzGroups(const uint8_t* data, int32_t size) {
  std::vector<GroupRecord> groups;
  if (DecodeGroups(data, size, groups) != 0) {
    Check(size % kGroupFileRecordSize != 0);
    return;
  }
  for (const GroupRecord& group : groups) {
    Check(group.collapsed == 0 || group.collapsed == 1);
    char bytes[kGroupFileRecordSize];
    EncodeGroupRecord(group, bytes);
    std::vector<GroupRecord> again;
    Check(DecodeGroups(bytes, kGroupFileRecordSize, again) == 0 && again.size() == 1);
    Check(std::memcmp(&again[0], &group, sizeof group) == 0);
  }
}

void FuzzLayerHeader(const uint8_t* data, int32_t size) {
  LayerFileHeader header;
  if (DecodeLayerFileHeader(data, size, header) != 0) {
    Check(size < kLayerFileHeaderSize);
    return;
  }
  Check(header.name.size() <= 31);
  char bytes[kLayerFileHeaderSize];
  EncodeLayerFileHeader(header, bytes);
  LayerFileHeader again;
  Check(DecodeLayerFileHeader(bytes, kLayerFileHeaderSize, again) == 0);
  Check(again.name == header.name && again.bounds == header.bounds &&
        again.objectCount == header.objectCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 20) return 0;
  const uint8_t* body = data + 1;
  const auto length = static_cast<int32_t>(size - 1);
  switch (data[0] % 5) {
    case 0:
      FuzzNameDotMap(body, length);
      break;
    case 1:
      FuzzXtraMaps(body, length);
      break;
    case 2:
      FuzzLayers2(body, length);
      break;
    case 3:
      FuzzGroups(body, length);
      break;
    default:
      FuzzLayerHeader(body, length);
      break;
  }
  return 0;
}
