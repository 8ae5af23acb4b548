// tolvane-cli's import of the first version's text export:
//   tolvane-cli import-old FILE [--map NAME | --new-map] [--mode N|R|M] [--select] [--list]
//                         [--owned] [--relative LAT,LON --unit E|K|M|Y]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

// Imports the file onto the map (the User's Map without --map; --new-map makes a map named
// after the file) and saves the overlay catalogue. Prints one JSON line: created, changed,
// listedOnly, overlay, overlaysCreated, readError and ids. 0, or 1 after a usage message, an
// unknown map or a read failure (the objects read before it stay).
int RunImportOldCommand(const std::vector<std::string>& words, std::ostream& out,
                        std::ostream& err);

}  // namespace tlv::cli
