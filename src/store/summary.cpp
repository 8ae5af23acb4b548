#include "store/summary.h"

#include <algorithm>

#include "base/errors.h"

namespace tlv {

bool WRectInside(const WRect& inner, const WRect& outer) {
  return inner.x1 >= outer.x1 && inner.y1 >= outer.y1 && inner.x2 <= outer.x2 &&
         inner.y2 <= outer.y2;
}

bool BlockOverlapsGrownRect(const WRect& block, const WRect& searchRect, int32_t searchA, int32_t,
                            int32_t) {
  const int64_t grow = std::max<int64_t>(searchA, 0);
  return block.x1 <= searchRect.x2 + grow && block.x2 >= searchRect.x1 - grow &&
         block.y1 <= searchRect.y2 + grow && block.y2 >= searchRect.y1 - grow;
}

int32_t FSSetSummaryRecord(BufferedFile& file, int32_t byteOffset, const SummaryRecord& record) {
  // A write between two records would damage both.
  if (byteOffset < 0 || byteOffset % kSummaryRecordSize != 0) {
    ReportError("FSSetSummaryRecord()", "SetFPosBuf()", kErrBadLength);
    return kErrBadLength;
  }
  int32_t err = SetFPosBuf(file, byteOffset);
  if (err != 0) {
    ReportError("FSSetSummaryRecord()", "SetFPosBuf()", err);
    return err;
  }
  err = FSWriteSummaryBuf(file, record);
  if (err != 0) ReportError("FSSetSummaryRecord()", "FSWriteBuf()", err);
  return err;
}

int32_t UpdateSM2Bounds(SM2Builder& builder, const SummaryRecord& record, int32_t index) {
  if (SummaryRecordLive(record) && WRectPlaced(record.worldRect)) {
    UnionWRect(builder.running, record.worldRect);
  }
  if ((index + 1) % kSM2BlockRecords == 0) {
    if (builder.entries == nullptr) {
      builder.entries = MyNewHandle(0);
      if (builder.entries == nullptr) {
        ReportError("UpdateSM2Bounds()", "MyNewHandle()", kErrMemoryFull);
        return kErrMemoryFull;
      }
    }
    if (HandleArray<WRect>(builder.entries).Append(builder.running) != 0) {
      ReportError("UpdateSM2Bounds()", "MySetHandleSize()", kErrMemoryFull);
      return kErrMemoryFull;
    }
    builder.running = kUnionStartRect;
  }
  return 0;
}

}  // namespace tlv
