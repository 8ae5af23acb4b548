// The map list: a Handle of MapRecords, each holding a Handle of its overlay-file records.
// This is the part of the map catalogue that the file layer needs; loading maps from disk,
// sorting and the ID index come with the catalogue itself.
#pragma once

#include <cstdint>

#include "catalogue/catalogue_records.h"
#include "store/memory.h"

namespace tlv {

// The list Handle (null until the first map is added).
Handle MapList();
int32_t MapCount();
// A copy of the record at index; false when index is out of range.
bool GetMapRecord(int32_t index, MapRecord& record);

// The position of the map with this ID, or -1.
int32_t MapIDToIndex(int32_t mapID);
// The position of the overlay file of overlayID in the map's overlay-file list, or -1.
int32_t OverlayFileIndexForID(int32_t mapIndex, int32_t overlayID);
// A copy of overlay-file record fileIndex of map mapIndex; false when either is out of range.
bool GetOverlayFileRecord(int32_t mapIndex, int32_t fileIndex, OverlayFileRecord& record);

// Appends a map (its overlay-file list must be null or a Handle the list then owns); index
// receives its position. -1 when memory is short.
int32_t AppendMapRecord(const MapRecord& record, int32_t& index);
// Appends an overlay file to a map's list and counts it; -1 for a bad index or no memory.
int32_t AppendOverlayFileRecord(int32_t mapIndex, const OverlayFileRecord& record);
// Releases every map's overlay-file list (and cached index entries) and the list itself.
void ClearMapList();

}  // namespace tlv
