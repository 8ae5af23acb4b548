// tolvane-cli georef: the world rectangle of a picture from two control points, as the
// Geo-Reference Picture dialog computes it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsGeoRefCommand(const std::vector<std::string>& words);
int RunGeoRefCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
