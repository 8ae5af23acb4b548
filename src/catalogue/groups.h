// Overlay groups: named contiguous runs of the overlay list. Groups with members are kept sorted
// by the position of their first overlay; empty groups follow, sorted by name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/memory.h"
#include "store/store_records.h"

namespace tlv {

// The group list (null when no groups are loaded).
Handle GroupList();
int32_t GroupCount();
bool GetGroupRecord(int32_t index, GroupRecord& record);
bool SetGroupRecord(int32_t index, const GroupRecord& record);
bool GroupsLoaded();
// Replaces the group list with these records (a list is then loaded, also when empty).
int32_t SetGroups(const std::vector<GroupRecord>& groups);
void ReleaseGroups();

// Reads a GROUPS.PLT-format file; -3 for a bad size.
int32_t ReadGroupPltFile(int16_t volume, int32_t dirID, const char* name,
                         std::vector<GroupRecord>& groups);

// The first and last overlay positions of a group; false for an empty group or one whose
// overlays are not in the list.
bool GroupRun(const GroupRecord& group, int32_t& first, int32_t& last);
// The group whose run holds the overlay position, or -1.
int32_t GroupOfLayer(int32_t layerIndex);

// Checks the loaded groups in list order; clears the first group that is out of order, shows
// string 634 once and stops. Returns whether a group was changed.
bool CheckGroups();
void SortGroups();

// Appends an empty group. Returns 0 or -1.
int32_t AddGroup(std::string_view name);
// Removes the group and every overlay of its run except the Temporary Overlay from the overlay
// list (their files stay on disk).
int32_t DeleteGroup(int32_t position);
// Deletes the overlays without objects on any map (never the Temporary Overlay or overlays whose
// names hold "ZEPHA" or "DORVE"), with their overlay files on the unlocked maps, then the groups
// left without members. An overlay counts as empty when no summary file of it holds a live
// record, whatever the headers count. deleted receives the number of overlays deleted.
int32_t DeleteEmptyLayersAndGroups(int32_t& deleted);

// One row of the Overlay Manager: a group header (layer -1) or an overlay.
struct LayerIndexRow {
  int16_t inGroup = 0;
  int32_t group = -1;
  int32_t layer = -1;
};
// The rows in list order; members of collapsed groups are left out, empty groups come last.
int32_t CreateLayerIndex(Handle& rows);

// Merges the overlays and groups of an index file pair (path and the same name with ".GNX").
int32_t AppendLayersAndGroupsFromIndexFiles(const std::string& path);
int32_t ProcessImmigratingLayersAndGroups(std::vector<LayerRecord> incomingLayers,
                                          const std::vector<GroupRecord>& incomingGroups);

}  // namespace tlv
