// The overlay files of a map: one set of files per overlay that has objects on the map, sharing a
// base name: ".LYR" (the 52-byte header), ".OBJ", ".SUM" and optionally ".SM2" and ".NNX".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/store_records.h"

namespace tlv {

// Longest base name on volumes with long file names (ours always have them).
constexpr int32_t kLayerFileBaseLimit = 27;
// Longest file or folder name of a volume.
constexpr int32_t kVolumeNameLimit = 255;

// The text with the characters that file names cannot hold replaced by "_" (also a leading
// ".", which would hide the file from folder walks).
std::string FileNameFromText(std::string_view text);
// base + " 2" to " <maxSuffix>" (base cut so the whole stays within limit), the first for which
// taken answers false; base itself when it is free. Empty when all are taken.
std::string UniqueNumberedName(const std::string& base, int32_t limit, int32_t maxSuffix,
                               bool (*taken)(const std::string& name, const void* context),
                               const void* context);

// The map that AddLayerFile adds to (a position in the map list).
void SetCurrentLayerFileMap(int32_t mapIndex);
int32_t CurrentLayerFileMap();

// Adds the overlay file named by the ".LYR" file to the current map's overlay-file list.
int32_t AddLayerFile(int16_t volume, int32_t dirID, const std::string& fileName);
// Makes an empty overlay file set for the overlay on the map; filePosition receives its place
// in the map's list. A locked map gets nothing (-61).
int32_t CreateLayerFile(int32_t mapIndex, std::string_view layerName, int32_t& filePosition);
// Gives the overlay's files on every unlocked map a base name made from newName and rewrites
// their headers. ".NNX" keeps its name. All or nothing: when a file cannot be renamed, what was
// renamed goes back and the records keep their names. Locked maps keep the old name, and a
// caution names them.
int32_t RenameLayerFiles(int32_t layerID, std::string_view newName);
// A free base name for the overlay in the folder; -1 after string 104 when none is left.
int32_t NewLayerFileName(int32_t mapIndex, std::string_view layerName, int16_t volume,
                         int32_t dirID, std::string& baseName);
// Copy the header's bounds and object count into the record, or the record's into the header.
// Nothing is done for a locked map.
int32_t ReadLayerFileImage(OverlayFileRecord& file);
int32_t WriteLayerFileImage(const OverlayFileRecord& file);

}  // namespace tlv
