// tolvane-cli's collection command: loads collection files as the Search Collection window's
// "Load Collection..." does, optionally saves the result, and prints the collection.
//   tolvane-cli collection load FILE.msc [--mode replace|union|subset --base B.msc]
//                                        [--save OUT.msc]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsCollectionCommand(const std::vector<std::string>& words);

// With --base the base file is loaded first (replacing the empty collection), then FILE in the
// chosen way (replace by default). Prints one JSON line per entry in collection order (each run
// of equal name keys sorted by name), then the counts. Returns 0, or 1 after a message on err
// for wrong arguments, a file that cannot be read or an import error.
int RunCollectionCommand(const std::vector<std::string>& words, std::ostream& out,
                         std::ostream& err);

}  // namespace tlv::cli
