// The batch commands on the selected objects: change their graphics, swap polylines and
// polygons, move them to another overlay or map, and delete them. Objects that may not be changed
// are refused and skipped; one message for the last refusal ends the batch; every change is
// recorded for Undo.
#pragma once

#include <cstdint>
#include <functional>

namespace tlv {

// Command numbers (the menu command families they come from).
constexpr int32_t kCommandColour = 150;
constexpr int32_t kCommandVariant = 151;
constexpr int32_t kCommandLine = 152;
constexpr int32_t kCommandFill = 153;
constexpr int32_t kCommandSymbol = 173;
constexpr int32_t kCommandPolySwap = 200;
constexpr int32_t kCommandMoveToOverlay = 231;
constexpr int32_t kCommandMoveToMap = 232;
// The value that command 200 needs: the Polyline <-> Polygon menu item.
constexpr int32_t kPolySwapValue = 415;
// The colour value that asks for a custom colour.
constexpr int32_t kCustomColourValue = 17;

// Refusal codes.
constexpr int32_t kRefusedOverlayLocked = 1;
constexpr int32_t kRefusedMapLocked = 3;
constexpr int32_t kRefusedThematicOrOwner = 4;
constexpr int32_t kRefusedNewerVersion = 5;
constexpr int32_t kRefusedIndexedMap = 31;

// What the commands ask of the user interface and of the other Parts; each member may be empty.
struct ModifyHooks {
  // The colour chooser for a custom colour: true with rgb (red in bits 16 to 23) when the user
  // chose one. Without a chooser the command cannot ask and stops as if cancelled.
  std::function<bool(uint32_t& rgb)> chooseCustomColour;
  // Whether the overlay file is in thematic-mapping mode (a sibling program's thematic list).
  std::function<bool(int32_t mapID, int32_t overlayID)> thematicMode;
  // The whole map is drawn again (a delete of more than ten objects).
  std::function<void()> redrawMap;
};
void SetModifyHooks(ModifyHooks hooks);
const ModifyHooks& CurrentModifyHooks();

// The line-choice table of command 152: (lineType, variant) of menu position choice.
void LineChoice(int32_t choice, int16_t& lineType, int16_t& variant);

// Applies the command to every selected object. A move takes an object's aliases along and
// refuses an alias whose object stays, or a locked target overlay. 0, -1 when stopped (Escape,
// no custom colour, memory), or the I/O error that stopped the batch.
int32_t ModifySelectedObjects(int32_t command, int32_t value);
// One object of the running batch (the command and value of the last ModifySelectedObjects).
int32_t ModifyOneObject(int32_t mapID, int32_t overlayID, int32_t position);

// Deletes every selected object it may, each with its aliases. An object that cannot be read is
// reported and passed over. 0, -1 when stopped (Escape), or the error that stopped the batch.
int32_t DeleteSelectedObjects2();
int32_t DeleteOneObject(int32_t mapID, int32_t overlayID, int32_t position);
// The refusal a delete of an object of the overlay on the map meets (0: none). Undo of a delete
// follows the same rule.
int32_t DeleteRefusal(int32_t mapID, int32_t overlayID);

// The last batch's refusal code (0 for none).
int32_t LastRefusalCode();

void ResetModifyForTesting();

}  // namespace tlv
