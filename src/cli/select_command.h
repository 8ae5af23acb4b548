// tolvane-cli's select command: the selection tools of the window, run on a view of a given size
// without one.
//   tolvane-cli select (--click LAT,LON | --rect S,W,N,E | --circle LAT,LON,MILES)
//               --view LAT,LON,SCALE --size WxH [--overlays A,B]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsSelectCommand(const std::vector<std::string>& words);

// Sets the view, runs the click or the area selection and prints the selection: one JSON line per
// selected object, then the counts. Returns 0, or 1 after a message on err for wrong arguments,
// an unknown overlay or a record that cannot be read.
int RunSelectCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
