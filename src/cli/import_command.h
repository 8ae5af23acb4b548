// tolvane-cli's import command: one interchange file imported into the maps folder.
//   tolvane-cli import FILE [--mode update|skip|duplicate] [--ids]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

// Whether the command words are an import command (its arguments are checked when it runs).
bool IsImportCommand(const std::vector<std::string>& words);

// Imports the file and saves the overlay catalogue. Prints one summary line on out ("created N,
// updated N, skipped N"). Returns 0, or 1 after the import's message (the alerts go to standard
// error as they are shown) or a usage message on err.
int RunImportCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
