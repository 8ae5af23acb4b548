// tolvane-cli's basemap commands: one render of the basemap package, or one of its tools, run as
// the program runs them, with what they did printed as one JSON line.
//   tolvane-cli basemap render --view LAT,LON,SCALE --size WxH --out F.png [--buttons 1000]
//                              [--query circle|rect W,S,E,N]
//   tolvane-cli basemap tool NAME [--click LAT,LON] [--area W,S,E,N] [--text T]
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsBasemapCommand(const std::vector<std::string>& words);

// Points the basemap bridge at the program folder and the open maps folder and takes the
// buttons "mapbuttons.txt" holds, so every drawing command shows the basemap as the program
// would. No alert: a maps folder without a package simply draws no basemap.
void PrepareBasemap(const std::string& programFolder, int32_t mapsID);

// Runs the command after the maps folder is open. Returns 0, 1 after a message on err, or 64
// for bad usage.
int RunBasemapCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
