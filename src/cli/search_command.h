// tolvane-cli's search command: the Search Criteria dialog's search without a window.
//   tolvane-cli search (--any | --starts T | --contains T | --within D UNIT | --not-within D UNIT
//               | --touching | --not-touching)
//               [--of click:LAT,LON | marked:LAT,LON | selected:MAP/OVERLAY/POS,... |
//                collection:F.msc]
//               [--mode replace|add|sub --collection F.msc] [--overlays A,B] [--maps X,Y]
//               [--area] [--save OUT.msc]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsSearchCommand(const std::vector<std::string>& words);

// Runs the search and prints the collection in its order (one JSON line per entry), then
// {"count", "aliases", "stopped"}. Returns 0, or 1 after a message on err for wrong arguments,
// unknown names, a failed reference check or a search that failed.
int RunSearchCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
