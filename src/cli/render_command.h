// tolvane-cli's render command: draws one view of the maps folder into a PNG file with the same
// drawing pass and surface as the window's map area.
//   tolvane-cli render [--view LAT,LON,SCALE | --corner LEFT,TOP,SCALE | --fit MAPNAME]
//                      --size WxH --out FILE.png
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsRenderCommand(const std::vector<std::string>& words);

// Runs the command after the maps folder is open. Returns 0, or 1 after a message on err.
int RenderView(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
               std::ostream& err);

}  // namespace tlv::cli
