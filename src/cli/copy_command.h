// tolvane-cli copy: the copy commands of the Click Point, Marked Point and object pop-ups, with
// the text they put on the clipboard printed as JSON (and, when asked, put on the system
// clipboard and held there for a reader).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsCopyCommand(const std::vector<std::string>& words);
int RunCopyCommand(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
                   std::ostream& err);

}  // namespace tlv::cli
