// The user's Delete command on the selected objects: the objects of one map only, the map's and
// its owner's rules, and, on a map whose owning application decides, the request sent to it
// ("MAPA"), which deletes the objects itself with "DELO".
#pragma once

#include <cstdint>
#include <string_view>

namespace tlv {

// 0 when the objects were deleted here or the owner was asked; -1 after the refusal's alert;
// a failure's code otherwise.
int32_t DeleteSelectedObjects();

// Whether the application whose program signature is the owner code runs: a friend with that
// program signature whose program is registered.
bool OwnerApplicationRunning(std::string_view owner);

}  // namespace tlv
