// tolvane-cli friends: the friend files of the maps folder, read as the program reads them at
// start-up, with the sharing menus they build.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsFriendsCommand(const std::vector<std::string>& words);
// One JSON line per friend; 1 when a friend file could not be read (its report is on err).
int RunFriendsCommand(int32_t mapsDirID, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
