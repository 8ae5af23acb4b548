#include "store/object_id_index.h"

#include <algorithm>

#include "base/errors.h"

namespace tlv {
namespace {

using Entry = std::pair<uint64_t, int32_t>;

// The first entry of the key that has not been taken; end when there is none.
template <typename It>
It FirstLive(It begin, It end, uint64_t key) {
  It it = std::lower_bound(begin, end, key, [](const Entry& e, uint64_t k) { return e.first < k; });
  for (; it != end && it->first == key; ++it) {
    if (it->second >= 0) return it;
  }
  return end;
}

}  // namespace

bool ObjectIDIndex::Find(const ObjectID& id, int32_t& position) const {
  const uint64_t key = ObjectIDKey(id);
  const auto it = FirstLive(sorted_.begin(), sorted_.end(), key);
  if (it != sorted_.end()) {
    position = it->second;
    return true;
  }
  const auto added = added_.find(key);
  if (added == added_.end() || added->second.empty()) return false;
  position = added->second.front();
  return true;
}

bool ObjectIDIndex::Take(const ObjectID& id, int32_t& position) {
  const uint64_t key = ObjectIDKey(id);
  const auto it = FirstLive(sorted_.begin(), sorted_.end(), key);
  if (it != sorted_.end()) {
    position = it->second;
    it->second = -1;
    return true;
  }
  const auto added = added_.find(key);
  if (added == added_.end() || added->second.empty()) return false;
  position = added->second.front();
  added->second.pop_front();
  return true;
}

void ObjectIDIndex::Add(const ObjectID& id, int32_t position) {
  added_[ObjectIDKey(id)].push_back(position);
}

bool ObjectIDIndex::Live(int32_t position) const {
  return std::binary_search(livePositions_.begin(), livePositions_.end(), position);
}

int32_t BuildObjectIDIndex(BufferedFile& summaryFile, ObjectIDIndex& index) {
  constexpr const char* kCaller = "BuildObjectIDIndex()";
  index = ObjectIDIndex();
  const int32_t count = summaryFile.fileLength / kSummaryRecordSize;
  int32_t err = SetFPosBuf(summaryFile, 0);
  if (err != 0) {
    ReportError(kCaller, "SetFPosBuf()", err);
    return err;
  }
  index.sorted_.reserve(static_cast<size_t>(count));
  index.livePositions_.reserve(static_cast<size_t>(count));
  bool ascending = true;
  SummaryRecord record;
  for (int32_t i = 0; i < count; ++i) {
    err = FSReadSummaryBuf(summaryFile, record);
    if (err != 0) {
      ReportError(kCaller, "FSReadBuf()", err);
      return err;
    }
    if (record.position < 0) continue;
    index.sorted_.emplace_back(ObjectIDKey({record.idHigh, record.idLow}), record.position);
    if (!index.livePositions_.empty() && record.position < index.livePositions_.back()) {
      ascending = false;
    }
    index.livePositions_.push_back(record.position);
  }
  // A stable sort keeps the records of one ID in summary order.
  std::stable_sort(index.sorted_.begin(), index.sorted_.end(),
                   [](const Entry& a, const Entry& b) { return a.first < b.first; });
  // Records are appended as objects are made, so the positions usually ascend already.
  if (!ascending) std::sort(index.livePositions_.begin(), index.livePositions_.end());
  return 0;
}

}  // namespace tlv
