#include "edit/file_fix.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/object_ids.h"
#include "geometry/wrect.h"
#include "store/object_record.h"
#include "store/summary.h"

namespace tlv {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int32_t kMinObjectLength = kObjFixedHeadSize - 4;
constexpr int32_t kMaxFileBytes = INT32_MAX;

int32_t ReadWhole(const std::string& path, std::string& bytes) {
  PlatformFile file;
  int32_t err = OpenFile(path, FileAccess::kRead, file);
  if (err != 0) return err;
  int32_t length = 0;
  err = file.GetLength(length);
  if (err != 0) return err;
  try {
    bytes.assign(static_cast<size_t>(length), '\0');
  } catch (const std::bad_alloc&) {
    return kErrMemoryFull;
  }
  int32_t got = 0;
  err = length > 0 ? file.Read(0, length, bytes.data(), got) : 0;
  if (err == 0 && got != length) err = kErrEndOfFile;
  return err;
}

// Writes the whole file through a work file renamed over the old one, so that a failure leaves
// either the old text or none, never half of the new.
int32_t WriteWhole(const std::string& path, const std::string& bytes) {
  const std::string work = path + ".part";
  if (FileExists(work)) DeleteFile(work);
  int32_t err = CreateFile(work);
  if (err != 0) return err;
  {
    PlatformFile file;
    err = OpenFile(work, FileAccess::kReadWrite, file);
    if (err == 0 && !bytes.empty()) {
      err = file.Write(0, static_cast<int32_t>(bytes.size()), bytes.data());
    }
    if (err == 0) err = SyncFile(file);
    const int32_t closeErr = file.Close();
    if (err == 0) err = closeErr;
  }
  // An older dump spelt in another case is a different file here: it goes once the new one is
  // in place.
  std::string old;
  const bool otherSpelling = ResolvePath(path, old) == 0 && old != path;
  if (err == 0) err = RenameFile(work, path);
  if (err != 0) {
    DeleteFile(work);
    return err;
  }
  if (otherSpelling) DeleteFile(old);
  return 0;
}

std::string Fixed(const char* p, size_t size) {
  return std::string(p, strnlen(p, size));
}

std::string IDText(int32_t high, int32_t low) {
  return FormatText("%08X%08X", static_cast<uint32_t>(high), static_cast<uint32_t>(low));
}

WRect RectAt(const char* p) {
  return WRect{GetBig32(p), GetBig32(p + 4), GetBig32(p + 8), GetBig32(p + 12)};
}

// The prefix and name of the record at p (length bytes in all), as far as they fit.
std::string DisplayName(const char* p, int64_t recordBytes) {
  if (recordBytes <= kObjPrefixOffset) return "";
  const int32_t prefixLength = static_cast<uint8_t>(p[kObjPrefixLengthOffset]);
  const int64_t nameRoomAt = int64_t{kObjPrefixOffset} + prefixLength;
  std::string prefix =
      Fixed(p + kObjPrefixOffset,
            static_cast<size_t>(std::min<int64_t>(prefixLength, recordBytes - kObjPrefixOffset)));
  if (nameRoomAt >= recordBytes) return prefix;
  const int32_t nameRoom = static_cast<uint8_t>(p[nameRoomAt]);
  const int64_t room = std::min<int64_t>(nameRoom, recordBytes - nameRoomAt - 1);
  return prefix + Fixed(p + nameRoomAt + 1, static_cast<size_t>(std::max<int64_t>(0, room)));
}

std::string FolderOf(const std::string& path) {
  return FolderOfPath(path);
}

int32_t Fail(FileFixOutcome& outcome, const std::string& why, int32_t code) {
  outcome.error = why;
  if (code == kErrMemoryFull) {
    ShowAlert("Not enough memory available to complete operation in ObjFileHelper().", kStopAlert);
  } else {
    ReportError("ObjFileHelper()", "A subroutine", code);
  }
  return code;
}

struct FoundRecord {
  int32_t position = 0;
  int32_t length = 0;
  SummaryRecord summary;
};

}  // namespace

std::string DegreesX(int32_t x) {
  return FormatText("%f", (static_cast<double>(x) - 180000000.0) / 1000000.0);
}

std::string DegreesY(int32_t y) {
  return FormatText("%f", (static_cast<double>(y) - 90000000.0) / 1000000.0);
}

int32_t LyrFileToText(const std::string& path, FileFixOutcome& outcome) {
  outcome = FileFixOutcome();
  std::string bytes;
  int32_t err = ReadWhole(path, bytes);
  if (err != 0) return Fail(outcome, "the file cannot be read", err);
  if (bytes.empty() || bytes.size() % kLayerImageSize != 0) {
    return Fail(outcome, "the file is not a whole number of 52-byte overlay file images",
                kErrBadLength);
  }
  std::string text;
  for (size_t at = 0; at < bytes.size(); at += kLayerImageSize) {
    const char* p = bytes.data() + at;
    const WRect bounds = RectAt(p + 32);
    text += FormatText("%30s %10ld %12s %12s %12s %12s", Fixed(p, 32).c_str(),
                       static_cast<long>(GetBig32(p + 48)), DegreesX(bounds.x1).c_str(),
                       DegreesY(bounds.y1).c_str(), DegreesX(bounds.x2).c_str(),
                       DegreesY(bounds.y2).c_str());
    text += kLineEnd;
    ++outcome.records;
  }
  outcome.wrote = FolderOf(path) + kLyrDumpName;
  err = WriteWhole(outcome.wrote, text);
  if (err != 0) return Fail(outcome, "the text file cannot be written", err);
  return 0;
}

int32_t SumFileToText(const std::string& path, FileFixOutcome& outcome) {
  outcome = FileFixOutcome();
  std::string bytes;
  int32_t err = ReadWhole(path, bytes);
  if (err != 0) return Fail(outcome, "the file cannot be read", err);
  if (bytes.size() % kSummaryRecordSize != 0) {
    return Fail(outcome, "the file is not a whole number of 32-byte summary records",
                kErrBadLength);
  }
  std::string text;
  for (size_t at = 0; at < bytes.size(); at += kSummaryRecordSize) {
    SummaryRecord r;
    buffered_detail::DecodeSummary(bytes.data() + at, r);
    text += FormatText("%10ld %6s %20s %12s %12s %12s %12s", static_cast<long>(r.position),
                       Fixed(r.nameStart, 4).c_str(), IDText(r.idHigh, r.idLow).c_str(),
                       DegreesX(r.worldRect.x1).c_str(), DegreesY(r.worldRect.y1).c_str(),
                       DegreesX(r.worldRect.x2).c_str(), DegreesY(r.worldRect.y2).c_str());
    text += kLineEnd;
    ++outcome.records;
  }
  outcome.wrote = FolderOf(path) + kSumDumpName;
  err = WriteWhole(outcome.wrote, text);
  if (err != 0) return Fail(outcome, "the text file cannot be written", err);
  return 0;
}

int32_t ObjFileToText(const std::string& path, bool rebuild, FileFixOutcome& outcome) {
  outcome = FileFixOutcome();
  std::string bytes;
  int32_t err = ReadWhole(path, bytes);
  if (err != 0) return Fail(outcome, "the file cannot be read", err);
  const auto size = static_cast<int64_t>(bytes.size());
  std::vector<FoundRecord> found;
  std::string text;
  int64_t position = 0;
  while (position < size) {
    // A length that is negative, too small for a record or runs past the end ends the walk: a
    // negative one would otherwise step back forever.
    if (position + 4 > size) break;
    const int32_t length = GetBig32(bytes.data() + position);
    if (length < kMinObjectLength || position + 4 + length > size ||
        position + 4 + length > kMaxFileBytes) {
      break;
    }
    const char* p = bytes.data() + position;
    FoundRecord record;
    record.position = static_cast<int32_t>(position);
    record.length = length;
    record.summary.position = record.position;
    record.summary.worldRect = RectAt(p + kObjWorldRectOffset);
    record.summary.idHigh = GetBig32(p + kObjIDOffset);
    record.summary.idLow = GetBig32(p + kObjIDOffset + 4);
    const std::string name = DisplayName(p, int64_t{length} + 4);
    std::memcpy(record.summary.nameStart, name.c_str(), std::min<size_t>(4, name.size()));
    const WRect& r = record.summary.worldRect;
    text += FormatText(
        "%10ld %-40s %20s %6ld %10s %12s %12s %12s %12s", static_cast<long>(position), name.c_str(),
        IDText(record.summary.idHigh, record.summary.idLow).c_str(), static_cast<long>(length),
        ObjectKindWord(p[kObjTypeOffset] & 0x7F), DegreesX(r.x1).c_str(), DegreesY(r.y1).c_str(),
        DegreesX(r.x2).c_str(), DegreesY(r.y2).c_str());
    text += kLineEnd;
    found.push_back(record);
    position += 4 + int64_t{length};
  }
  if (position < size) outcome.stoppedAt = static_cast<int32_t>(position);
  if (size > 0 && found.empty()) {
    return Fail(outcome, "no object record was found at the start of the file", kErrBadLength);
  }
  outcome.records = static_cast<int32_t>(found.size());
  const std::string folder = FolderOf(path);
  outcome.wrote = folder + kObjDumpName;
  err = WriteWhole(outcome.wrote, text);
  if (err != 0) return Fail(outcome, "the text file cannot be written", err);
  if (!rebuild) return 0;

  // Of several records of one ID the one written last is the object; the others are older
  // versions and become deleted records.
  std::vector<size_t> order(found.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const SummaryRecord& x = found[a].summary;
    const SummaryRecord& y = found[b].summary;
    if (x.idHigh != y.idHigh) return x.idHigh < y.idHigh;
    if (x.idLow != y.idLow) return x.idLow < y.idLow;
    return x.position < y.position;
  });
  for (size_t k = 0; k + 1 < order.size(); ++k) {
    SummaryRecord& x = found[order[k]].summary;
    const SummaryRecord& y = found[order[k + 1]].summary;
    if (x.idHigh == y.idHigh && x.idLow == y.idLow) x.position = ~x.position;
  }
  std::string summary(found.size() * kSummaryRecordSize, '\0');
  WRect bounds = kUnionStartRect;
  int32_t liveCount = 0;
  for (size_t i = 0; i < found.size(); ++i) {
    const SummaryRecord& s = found[i].summary;
    buffered_detail::EncodeSummary(summary.data() + i * kSummaryRecordSize, s);
    if (s.position >= 0) {
      ++liveCount;
      if (WRectPlaced(s.worldRect)) UnionWRect(bounds, s.worldRect);
    }
  }
  std::string image(kLayerImageSize, '\0');
  std::memcpy(image.data(), "recovered", 9);
  buffered_detail::EncodeRect(image.data() + 32, bounds);
  PutBig32(image.data() + 48, liveCount);
  err = WriteWhole(folder + kRebuiltBaseName + ".SUM", summary);
  if (err == 0) err = WriteWhole(folder + kRebuiltBaseName + ".OBJ", bytes);
  // The header last: a set without it is not an overlay file, so a failure leaves none.
  if (err == 0) err = WriteWhole(folder + kRebuiltBaseName + ".LYR", image);
  if (err != 0) return Fail(outcome, "the rebuilt files cannot be written", err);
  outcome.rebuilt = true;
  return 0;
}

}  // namespace tlv
