// The live objects of one overlay file by ID, made in one pass over its summary file. Code that
// resolves many IDs in the same file (an import, a collection load) asks the index instead of
// walking the summary records once per ID.
#pragma once

#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "base/object_ids.h"
#include "store/buffered_file.h"

namespace tlv {

// An ID as one 64-bit key, the high value in the upper half.
inline uint64_t ObjectIDKey(const ObjectID& id) {
  return static_cast<uint64_t>(static_cast<uint32_t>(id.high)) << 32 |
         static_cast<uint32_t>(id.low);
}

struct ObjectIDIndex {
  // The positions of the live objects with each ID, in summary order (the first is the one a
  // lookup by ID finds).
  std::unordered_map<uint64_t, std::deque<int32_t>> byID;
  // Every live object's position, ascending: a position read from outside names an object only
  // when it is one of these.
  std::vector<int32_t> livePositions;

  // The first live object with the ID; false when there is none.
  bool Find(const ObjectID& id, int32_t& position) const;
  bool Live(int32_t position) const;
};

// Reads every summary record of the file (the summary file of an overlay, current in its slot)
// from the start; trailing bytes short of a whole record are not a record. Read failures are
// reported with "BuildObjectIDIndex()" and returned.
int32_t BuildObjectIDIndex(BufferedFile& summaryFile, ObjectIDIndex& index);

}  // namespace tlv
