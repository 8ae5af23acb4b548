// tolvane-cli's polygon command: the Make New Polygon, Make New Polyline and Connect Polylines
// commands on objects named by map, overlay and record position, without a window.
//   tolvane-cli polygon (union|intersection|difference|join|connect|envelope DIST UNIT)
//               MAP OVERLAY POSITION... [--create]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsPolygonCommand(const std::vector<std::string>& words);

// Selects the objects as the user would and runs the command. Without --create it prints
// {"points": [[x, y, newPiece], ...], "worldRect": [...], "noOutline": ...}; with --create it
// stores the object as the menu command does and prints it as the objects command does. A
// refusal prints the command's message on err and returns 1, as do wrong arguments.
int RunPolygonCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
