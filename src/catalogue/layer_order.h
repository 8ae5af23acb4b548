// Changes of the overlay order and of the groups as the Overlay Manager makes them: moving an
// overlay or a whole group, taking an overlay into a group or out of it, and giving an overlay or
// a group a new name. Every change keeps the groups contiguous, their first and last overlays
// right and the group list sorted, so the order written to LAYERS2.PLT and GROUPS.PLT is one the
// loader accepts without the "not consistent" alert.
#pragma once

#include <cstdint>
#include <string_view>

namespace tlv {

enum class LayerMove : int16_t { kTop, kUp, kDown, kBottom };

// Results beside 0.
constexpr int32_t kNameTaken = -2;
constexpr int32_t kNameEmpty = -4;
constexpr int32_t kNameNotChangeable = -5;

// Moves the overlay at position. An overlay of a group moves among the group's members only; an
// overlay outside groups moves past whole groups, never into one. newPosition receives where it
// went (its old position when it was already at the edge). -1 for a bad position.
int32_t MoveLayer(int32_t position, LayerMove move, int32_t& newPosition);
// Moves a group's whole run past the neighbouring overlays and groups. newGroup receives the
// group's position in the group list afterwards. -1 for a bad or empty group.
int32_t MoveGroup(int32_t group, LayerMove move, int32_t& newGroup);
// Makes the overlay the last member of the group; for a group without members the overlay stays
// where it is (below its old group, when it had one) and becomes the only member.
int32_t MoveLayerIntoGroup(int32_t position, int32_t group, int32_t& newPosition);
// Takes the overlay out of its group: a first or last member stays in its place, any other one
// goes directly below the group. Nothing happens to an overlay outside groups.
int32_t MoveLayerOutOfGroup(int32_t position, int32_t& newPosition);
// The group that "Into Group" takes an overlay outside groups into without asking: the group
// whose run ends directly above it, else the one that starts directly below it; -1 when neither.
int32_t NeighbouringGroup(int32_t position);

// Deletes the overlay and its files on every map (locked maps keep theirs). A group it began or
// ended now begins or ends with its neighbour; a group it was alone in becomes empty. The
// Temporary Overlay always exists (kNameNotChangeable).
int32_t DeleteLayerWithFiles(int32_t position);

// Whether another group (not except) has this name, compared as names are compared everywhere.
bool GroupNameTaken(std::string_view name, int32_t exceptGroup = -1);
// Appends an empty group after checking the name: kNameEmpty or kNameTaken, nothing changed.
int32_t AddNamedGroup(std::string_view name, int32_t& position);
// A new name for a group (cut to 31 characters): kNameEmpty or kNameTaken leave it unchanged.
int32_t RenameGroup(int32_t group, std::string_view name);
// A new name for an overlay: its files on every map are renamed first; only when that worked
// does the record take the name, and the groups that begin or end with it follow. The
// Temporary Overlay keeps its name (kNameNotChangeable), a name another overlay has is refused
// (kNameTaken), as is an empty one.
int32_t RenameLayer(int32_t position, std::string_view name);

}  // namespace tlv
