// tolvane-cli vertex: the Vertex sub-menu's commands on one object, with the Click Point, the
// Marked Point and the view given on the command line; prints the found place and the object's
// stored points afterwards as one JSON line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsVertexCommand(const std::vector<std::string>& words);
int RunVertexCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
