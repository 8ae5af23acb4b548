// tolvane-cli's objects command: every object of one overlay on one map, one JSON object per
// line, read field by field as the program reads them.
//   tolvane-cli objects MAP OVERLAY [--deleted]
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

// Whether the command words are an objects command (its arguments are checked when it runs).
bool IsObjectsCommand(const std::vector<std::string>& words);

// Prints the live objects (with --deleted also the deleted ones, marked) of the overlay on the
// map, in summary order. Returns 0, or 1 after a message on err when the arguments are wrong,
// the map or the overlay is unknown, or a record cannot be read.
// One live object as the objects command prints it; 0 or the code of the failed read.
int32_t LiveObjectJson(int32_t mapID, int32_t overlayID, int32_t position, std::string& json);

int PrintObjects(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
