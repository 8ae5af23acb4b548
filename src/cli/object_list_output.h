// The lines tolvane-cli prints for a list of objects (the selection after select, the search
// collection after collection): one JSON object per entry, then one line of counts.
#pragma once

#include <cstdint>
#include <string>

namespace tlv::cli {

// {"map", "overlay", "position", "id", "name", "key", "flags"}: the map's and the overlay's
// names, the record's position, its ID (16 hexadecimal digits), its display name (prefix, a
// blank and the name), the 4-character name key (trailing NULs left off) and the entry's flags.
// Returns 0, or the code of a record that could not be read.
int32_t ListedObjectJson(int32_t mapID, int32_t overlayID, int32_t position, const char (&key)[4],
                         int32_t flags, std::string& json);

// {"count", "aliases", "notFound"}.
std::string ListCountsJson(int64_t count, int64_t aliases, int64_t notFound);

}  // namespace tlv::cli
