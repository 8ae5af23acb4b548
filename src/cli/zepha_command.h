// tolvane-cli's ZEPHA commands: the level-of-concern texts of a footprint file, the name an
// imported zone takes, and the KML export of the overlay "ZEPHA", each printed as one JSON line.
//   tolvane-cli zepha labels PAS
//   tolvane-cli zepha name NAME --pas PAS
//   tolvane-cli zepha kml [--zepha-folder DIR]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsZephaCommand(const std::vector<std::string>& words);

// Runs the command after the maps folder is open. Returns 0, 1 after a message on err, or 64
// for bad usage.
int RunZephaCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
