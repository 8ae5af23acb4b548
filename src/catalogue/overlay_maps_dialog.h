// The list rules of the Overlay Maps dialog. The dialog shows a working copy of the map list
// (with placeholders for remembered maps that were not found) and changes only the copy; OK
// applies the copy to the catalogue and Cancel brings the old list back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/memory.h"
#include "store/store_records.h"

namespace tlv {

struct OverlayMapsDialogState {
  Handle rows = nullptr;             // MapRecords the dialog shows, sorted by name
  std::vector<int32_t> foundMapIDs;  // maps added with "Find New Map" while it was open
  // Folders of same-named maps that a found map replaced in the catalogue.
  std::vector<int32_t> replacedFolders;
  bool removedAny = false;
};

// Makes the working copy: the loaded maps plus a placeholder (map ID 0) for each XTRAMAPS.PLT
// record whose map is not loaded.
int32_t BeginOverlayMapsDialog(OverlayMapsDialogState& dialog);
int32_t OverlayMapsRowCount(const OverlayMapsDialogState& dialog);
bool GetOverlayMapsRow(const OverlayMapsDialogState& dialog, int32_t row, MapRecord& record);
// "Not Found", "In Use" or "Not In Use".
std::string OverlayMapsRowStatus(const MapRecord& record);

// Changes of the copy.
int32_t RemoveOverlayMapsRow(OverlayMapsDialogState& dialog, int32_t row);
int32_t RenameOverlayMapsRow(OverlayMapsDialogState& dialog, int32_t row, std::string_view name);
int32_t SetOverlayMapsRowInUse(OverlayMapsDialogState& dialog, int32_t row, bool inUse);
// "Find New Map": adds the map (refused when it is marked for removal) and shows it in the copy.
int32_t FindNewMapInOverlayMapsDialog(OverlayMapsDialogState& dialog, const std::string& path,
                                      int32_t& row);

// OK, "Go to Map" and "Compact Maps": removals, renames (with new folder names) and in-use marks
// go to the catalogue, then SaveMaps. The copy is released.
int32_t ApplyOverlayMapsDialog(OverlayMapsDialogState& dialog);
// Cancel: the maps found while the dialog was open leave the catalogue again.
void CancelOverlayMapsDialog(OverlayMapsDialogState& dialog);

}  // namespace tlv
