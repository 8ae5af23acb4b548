// tolvane-cli's maintenance commands:
//   compact [--map M] [--overlay O] [--progress]   compacts overlay files
//   compact --finish                              finishes or undoes cut-off compactions
//   recover OVERLAY [--scale N]                   brings deleted objects back
//   filefix lyr|sum|obj FILE [--rebuild]          text dumps and the rebuild from an .OBJ
// Each prints one JSON object per line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsCompactCommand(const std::vector<std::string>& words);

// Runs after the maps folder is open. 0 when everything asked for was done.
int RunCompactCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
