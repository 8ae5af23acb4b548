// The map list: a Handle of MapRecords sorted by name, each holding a Handle of its overlay-file
// records, with the map-ID counter and the index that turns map IDs into list positions.
#pragma once

#include <cstdint>

#include "base/memory.h"
#include "store/store_records.h"

namespace tlv {

constexpr int32_t kFirstMapID = 1000;

// The list Handle (null until the first map is added).
Handle MapList();
int32_t MapCount();
// A copy of the record at index; false when index is out of range.
bool GetMapRecord(int32_t index, MapRecord& record);
// Replaces the record at index; false when index is out of range.
bool SetMapRecord(int32_t index, const MapRecord& record);

// The position of the map with this ID, or -1. Uses the ID index and falls back to a linear
// search when the index entry is stale.
int32_t MapIDToIndex(int32_t mapID);
// The position of the overlay file of overlayID in the map's overlay-file list, or -1.
int32_t OverlayFileIndexForID(int32_t mapIndex, int32_t overlayID);
// A copy of overlay-file record fileIndex of map mapIndex; false when either is out of range.
bool GetOverlayFileRecord(int32_t mapIndex, int32_t fileIndex, OverlayFileRecord& record);
bool SetOverlayFileRecord(int32_t mapIndex, int32_t fileIndex, const OverlayFileRecord& record);

// Appends a map (its overlay-file list must be null or a Handle the list then owns); index
// receives its position. -1 when memory is short.
int32_t AppendMapRecord(const MapRecord& record, int32_t& index);
// Appends an overlay file to a map's list and counts it; -1 for a bad index or no memory.
int32_t AppendOverlayFileRecord(int32_t mapIndex, const OverlayFileRecord& record);
// Removes overlay file fileIndex of a map (its cached index entries are released).
int32_t RemoveOverlayFileRecord(int32_t mapIndex, int32_t fileIndex);
// Releases an overlay-file list with the cached index entries of its records.
void ReleaseOverlayFileList(Handle files);
// Removes the record at position from a map list (the live one or a copy); its overlay-file
// list is not released. Returns 0 or -1.
int32_t DeleteMapFromMapList(Handle list, int32_t position);
// Releases every map's overlay-file list and the list itself, and forgets the counter, the
// User's Map ID, the index and the cached positions.
void ClearMapList();

// Sorts a map list by name with the collating comparison (stable).
void SortMapListByName(Handle list);
// Moves the record at position to its place by name in an otherwise sorted live list; returns
// its new position.
int32_t MoveMapToSortedPlace(int32_t position);

// The next-ID counter: TakeMapID hands out the counter's value and counts up.
int32_t TakeMapID();
int32_t NextMapIDCounter();
// One more than the largest absolute ID in use, at least 1000.
void RecomputeNextMapID();
void RebuildMapIDIndex();
bool MapIDIndexBuilt();

// The User's Map ID as start-up found it (negative), or 0.
int32_t RememberedUserMapID();
void RememberUserMapID(int32_t mapID);

int32_t LastAddedMapIndex();
void SetLastAddedMapIndex(int32_t index);
int32_t CachedNameLookup();
void SetCachedNameLookup(int32_t index);

}  // namespace tlv
