// tolvane-cli's export command: objects of one overlay on a map (all, or by ID) become the
// selection and are exported as the File menu's Export (or the BNA command) does.
//   tolvane-cli export --format mie|text|bna|shapefile --out FILE
//       (--overlay MAP OVERLAY | --ids MAP OVERLAY ID,...)
//       [--fields name,overlay,map,symbol,color,id] [--kind points|polylines|polygons]
//   tolvane-cli export --mie-text MAP OVERLAY ID
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsExportCommand(const std::vector<std::string>& words);

// Prints one JSON line: {"file","format","objects","written","passedOver","bytes","files",
// "seconds":{"write","convert"}}, or {"id","text"} for --mie-text. mapsDirID names the maps
// folder (its BasemapFiles/Temp is the shapefile path's exchange folder). 0, or 1 after a
// message on err.
int RunExportCommand(const std::vector<std::string>& words, int32_t mapsDirID, std::ostream& out,
                     std::ostream& err);

}  // namespace tlv::cli
