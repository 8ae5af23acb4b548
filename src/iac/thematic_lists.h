// Thematic lists: a sibling program names the objects of one overlay on one map that are to be
// drawn (each with a 5-character drawing code), and only those are drawn. A list lives in one
// of the drawing's in-memory slots (negative number) or in the "n.TDO" file of the Friends
// folder, one code per summary record ("XXXXX" listed, "00000" not). With "CTRL" the sibling
// writes the IDs into "n.IDS" itself; the ".TDO" is made from it when drawing finds it newer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/world_types.h"
#include "render/draw_map.h"

namespace tlv {

// One listed object: its summary record's index and location, and its drawing code.
struct ThematicMember {
  int32_t summaryIndex = 0;
  WPoint location;
  char code[kThematicCodeLength] = {'X', 'X', 'X', 'X', 'X'};
};

// The numbers of "CTRL" and "SHOW" come from one counter starting at 1.
int32_t TakeThematicNumber();

// The Friends folder with a trailing "/" ("" when it is not known).
std::string ThematicFolderPath();

// Makes the overlay's thematic list on the map from the members (records: the number of
// summary records of the file), replacing the one it had: in a free memory slot when there are
// at most cutoff members, else in the ".TDO" file of a new number (failure reported, code
// returned). The overlay's display mode becomes SHOW unless it is SHOWNAMES.
int32_t MakeThematicList(int32_t mapID, int32_t overlayID, int32_t owner,
                         const std::vector<ThematicMember>& members, int32_t records,
                         int32_t cutoff);
// Drops the overlay's list on the map: files deleted, slot freed.
void DropThematicList(int32_t mapID, int32_t overlayID);
// Drops every list the friend (index) set, or all of them (owner -1, at shutdown).
void DropThematicListsOf(int32_t owner);

// The drawing's question: the thematic number of the overlay on the map (0 none, n > 0 the
// ".TDO" file, n < 0 slot -n). A "CTRL" list whose ".IDS" is newer than its ".TDO" gets its
// ".TDO" made first.
int32_t ThematicNumberForDrawing(int32_t mapID, int32_t overlayID);
// How many lists are kept (tests).
int32_t ThematicListCount();
// Whether a list set by a friend other than owner (a friend index, -1 for none) lies on one of
// the map's overlays.
bool ThematicListOfOtherOwnerOnMap(int32_t mapID, int32_t owner);

// "CTRL": thematic control of one overlay.
int32_t HandleCTRL(const char* envelope);

void ResetThematicListsForTesting();

}  // namespace tlv
