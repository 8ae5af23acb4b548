#include "store/object_id_index.h"

#include <algorithm>

#include "base/errors.h"

namespace tlv {

bool ObjectIDIndex::Find(const ObjectID& id, int32_t& position) const {
  const auto it = byID.find(ObjectIDKey(id));
  if (it == byID.end() || it->second.empty()) return false;
  position = it->second.front();
  return true;
}

bool ObjectIDIndex::Live(int32_t position) const {
  return std::binary_search(livePositions.begin(), livePositions.end(), position);
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
  index.livePositions.reserve(static_cast<size_t>(count));
  bool ascending = true;
  SummaryRecord record;
  for (int32_t i = 0; i < count; ++i) {
    err = FSReadSummaryBuf(summaryFile, record);
    if (err != 0) {
      ReportError(kCaller, "FSReadBuf()", err);
      return err;
    }
    if (record.position < 0) continue;
    index.byID[ObjectIDKey({record.idHigh, record.idLow})].push_back(record.position);
    if (!index.livePositions.empty() && record.position < index.livePositions.back()) {
      ascending = false;
    }
    index.livePositions.push_back(record.position);
  }
  // Records are appended as objects are made, so the positions usually ascend already.
  if (!ascending) std::sort(index.livePositions.begin(), index.livePositions.end());
  return 0;
}

}  // namespace tlv
