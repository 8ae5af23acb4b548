// tolvane-cli's catalogue commands: the maps folder is opened as the program opens it and the
// catalogues are printed one JSON object per line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace tlv::cli {

// Finds Settings, OverlayMaps and UserMap in the maps folder (nothing is created) and loads the
// overlay and map catalogues. error receives a message for the user when it fails.
int32_t OpenMapsFolder(int32_t mapsDirID, std::string& error);

void PrintMaps(std::ostream& out);
void PrintOverlays(std::ostream& out);
void PrintGroups(std::ostream& out);
// What the legend shows: its kind, whether it is switched on, the picture and the entries.
void PrintLegend(std::ostream& out);

}  // namespace tlv::cli
