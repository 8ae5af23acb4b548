// tolvane-cli's verify command: checks the overlay files of one map or of all maps and prints
// one JSON object per finding.
//   tolvane-cli verify [MAP] [--unique-ids]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsVerifyCommand(const std::vector<std::string>& words);

// Runs the checker after the maps folder is open. Returns 0 when nothing must be mended (notes
// may have been printed), 1 when a problem was found or the map is unknown (after a message on
// err).
int RunVerifyCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
