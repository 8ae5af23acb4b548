// The live objects of one overlay file by ID, made in one pass over its summary file. Code that
// resolves many IDs in the same file (an import, a collection load) asks the index instead of
// walking the summary records once per ID.
#pragma once

#include <cstdint>
#include <deque>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/object_ids.h"
#include "store/buffered_file.h"

namespace tlv {

// An ID as one 64-bit key, the high value in the upper half.
inline uint64_t ObjectIDKey(const ObjectID& id) {
  return static_cast<uint64_t>(static_cast<uint32_t>(id.high)) << 32 |
         static_cast<uint32_t>(id.low);
}

class ObjectIDIndex {
 public:
  // The first live object with the ID in summary order (the one a lookup by ID finds); false
  // when there is none.
  bool Find(const ObjectID& id, int32_t& position) const;
  // The same, and the object leaves the index (it is being replaced).
  bool Take(const ObjectID& id, int32_t& position);
  // An object made after the index: it comes after those with the same ID.
  void Add(const ObjectID& id, int32_t position);
  // Whether a live summary record held the position when the index was made: a position read
  // from outside names an object only when it is one of these.
  bool Live(int32_t position) const;
  size_t LiveCount() const { return livePositions_.size(); }

 private:
  friend int32_t BuildObjectIDIndex(BufferedFile& summaryFile, ObjectIDIndex& index);

  // (key, position) of the live records, sorted by key and, within a key, in summary order; a
  // taken entry's position becomes -1. A file of a million objects costs 16 MB here.
  std::vector<std::pair<uint64_t, int32_t>> sorted_;
  // Objects added after the build, by key, in the order they came.
  std::unordered_map<uint64_t, std::deque<int32_t>> added_;
  // Every live position at the build, ascending.
  std::vector<int32_t> livePositions_;
};

// Reads every summary record of the file (the summary file of an overlay, current in its slot)
// from the start; trailing bytes short of a whole record are not a record. Read failures are
// reported with "BuildObjectIDIndex()" and returned.
int32_t BuildObjectIDIndex(BufferedFile& summaryFile, ObjectIDIndex& index);

}  // namespace tlv
