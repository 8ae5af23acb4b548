// The map catalogue: every map folder of OverlayMaps and the maps elsewhere remembered in
// XTRAMAPS.PLT, loaded at start-up, added, created and removed while the program runs, and
// their names saved back into NAME.MAP.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/memory.h"
#include "catalogue/catalogue_files.h"
#include "store/store_records.h"

namespace tlv {

// Loads the whole catalogue (start-up, after the overlays).
int32_t LoadMaps();
// Loads the map folder (volume, its directory ID) into the list; the new or already listed
// map's position becomes the last-added position.
int32_t AddMap(int16_t volume, int32_t dirID);
// Makes a new map folder in parentID named after name (made unique) and adds it.
int32_t CreateMap(int16_t volume, int32_t parentID, std::string_view name, int32_t& position);
// Adds a map chosen by the user or named by a sibling program. path names the map folder or its
// NAME.MAP (relative to dirID when dirID is not 0). markedForRemoval lists the maps the open
// Overlay Maps dialog is about to remove.
int32_t AddFoundMap(int16_t volume, int32_t dirID, const std::string& path, int32_t& position,
                    bool quiet, const MapRecord* markedForRemoval, int32_t markedCount,
                    bool doNotRemember);
// The directory ID of the map folder that path names (the folder or its NAME.MAP; relative to
// dirID when dirID is not 0).
int32_t MapFolderIDFromPath(int32_t dirID, const std::string& path, int32_t& folderID);
// Closes the map and deletes its record from the catalogue (its files stay on disk).
int32_t RemoveMap(int32_t position, bool redraw);
// Removes every map that carries the new-entry mark and recomputes the ID counter.
int32_t RemoveNewEntryMaps();
// A map's extent: the union of its overlay files' rectangles, which the life cycle keeps up to
// date. Computed when the map is loaded; ComputeMapExtent stores it again for one map (and
// returns it), RefreshMapExtents for all. An extent with x1 > x2 means the map has no placed
// objects.
WRect ComputeMapExtent(int32_t position);
void RefreshMapExtents();
bool MapExtentKnown(const WRect& extent);

// Rewrites NAME.MAP of every unlocked map.
int32_t SaveMaps();
// Rewrites the map's NAME.MAP (name, owner code, universal mark) unless the map is locked.
int32_t SaveMapNameFile(int32_t position);
// The User's Map ID (negative), or 0 when no User's Map is loaded.
int32_t UserMapID();
int32_t MapNameToIndex(std::string_view name);
// Reads the NAME.MAP at path (or in the folder path names): the map name and the owner code.
int32_t GetMapNameFromNameDotMapFile(const std::string& path, std::string& name,
                                     std::string* owner);
// The full path of a map's folder (with a trailing "/").
std::string MapFolderPath(const MapRecord& map);
// Whether the folder lies directly in OverlayMaps.
bool FolderInOverlayMaps(const std::string& folderPath);

// XTRAMAPS.PLT of the Settings folder.
int32_t AddToXtramapsPltFile(const XtraMapsEntry& entry);
// Adds several entries with one rewrite of the file (each replaces an entry of its name).
int32_t AddAllToXtramapsPltFile(const std::vector<XtraMapsEntry>& entries);
int32_t FilterXtraMapsPltFile(const std::function<bool(const XtraMapsEntry&)>& keep);
// The records of XTRAMAPS.PLT in a folder; a file of a bad size is deleted and gives none.
int32_t ReadXtraMapsPltFile(int32_t dirID, std::vector<XtraMapsEntry>& entries);

// A folder name for the map name in the parent folder: characters that file names cannot hold
// replaced, " 2" to " 999" appended while taken. currentFolder (may be empty) counts as free.
// -1 after string 106 when none is left.
int32_t NewMapFolderName(int32_t parentID, std::string_view mapName,
                         const std::string& currentFolder, std::string& folderName);

// Releases the map list, the overlays, the groups and the alternate fonts (shutdown).
void ReleaseCatalogue();

}  // namespace tlv
