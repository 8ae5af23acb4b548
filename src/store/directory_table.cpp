#include "store/directory_table.h"

#include <cstring>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/memory.h"

namespace tlv {

namespace {

constexpr int32_t kBucketWidths[kDirectoryBucketCount] = {16, 32, 128, 256};
constexpr int32_t kIDStride = 16;

struct Bucket {
  Handle slots = nullptr;  // fixed-width, NUL-padded paths
  int32_t slotCount = 0;
  int32_t searchableCount = 0;
};

struct DirectoryTable {
  Bucket buckets[kDirectoryBucketCount];
  int32_t temporaryNesting = 0;
};

DirectoryTable table;

int32_t BucketFor(size_t length) {
  for (int32_t b = 0; b < kDirectoryBucketCount; ++b) {
    if (static_cast<size_t>(kBucketWidths[b]) > length) return b;
  }
  return -1;
}

const char* SlotText(const Bucket& bucket, int32_t width, int32_t slot) {
  return *bucket.slots + static_cast<size_t>(slot) * static_cast<size_t>(width);
}

int32_t FindInBucket(int32_t b, const std::string& path) {
  const Bucket& bucket = table.buckets[b];
  if (bucket.slots == nullptr) return -1;
  for (int32_t slot = 0; slot < bucket.searchableCount; ++slot) {
    const char* text = SlotText(bucket, kBucketWidths[b], slot);
    if (CollateCompare(std::string_view(text, strnlen(text, kBucketWidths[b])), path) == 0) {
      return slot;
    }
  }
  return -1;
}

// Lets error reports name files by their full path.
bool ResolveForReport(int16_t volume, int32_t folderID, const char* fileName, std::string& path) {
  return MakeFullPath(volume, folderID, fileName == nullptr ? "" : fileName, path) == 0;
}

}  // namespace

int32_t InitDirectoryTable() {
  ReleaseDirectoryTable();
  SetFilePathResolver(ResolveForReport);
  for (Bucket& bucket : table.buckets) {
    bucket.slots = MyNewHandle(0);
    if (bucket.slots == nullptr) {
      ReleaseDirectoryTable();
      return -1;
    }
  }
  return 0;
}

void ReleaseDirectoryTable() {
  for (Bucket& bucket : table.buckets) {
    if (bucket.slots != nullptr) MyDisposeHandle(bucket.slots);
    bucket = Bucket();
  }
  table.temporaryNesting = 0;
}

void ResetDirectoryTableForTesting() {
  ReleaseDirectoryTable();
  InitDirectoryTable();
}

int32_t LookupDirectory(const std::string& folderPath, int32_t& dirID) {
  dirID = -1;
  const std::string path = WithTrailingSlash(folderPath);
  const int32_t b = BucketFor(path.size());
  if (b < 0) return -1;
  const int32_t slot = FindInBucket(b, path);
  if (slot < 0) return -1;
  dirID = b + kIDStride * slot;
  return 0;
}

int32_t RegisterDirectory(const std::string& folderPath, bool mustExist, int32_t& dirID) {
  dirID = -1;
  if (folderPath.empty()) return -1;
  const std::string path = WithTrailingSlash(folderPath);
  if (path.find('\0') != std::string::npos) return -1;
  const int32_t b = BucketFor(path.size());
  if (b < 0) return -1;
  if (LookupDirectory(path, dirID) == 0) return 0;
  if (mustExist && !IsFolder(path)) return kErrFolderNotFound;
  Bucket& bucket = table.buckets[b];
  if (bucket.slots == nullptr) return -1;
  const int32_t width = kBucketWidths[b];
  MySetHandleSize(bucket.slots, (bucket.slotCount + 1) * width);
  if (MyMemError() != 0) return kErrMemoryFull;
  char* slotText = *bucket.slots + static_cast<size_t>(bucket.slotCount) * width;
  std::memset(slotText, 0, static_cast<size_t>(width));
  std::memcpy(slotText, path.data(), path.size());
  dirID = b + kIDStride * bucket.slotCount;
  ++bucket.slotCount;
  if (table.temporaryNesting == 0) bucket.searchableCount = bucket.slotCount;
  return 0;
}

int32_t DirectoryPath(int32_t dirID, std::string& folderPath) {
  folderPath.clear();
  if (dirID < 0) return -1;
  const int32_t b = dirID % kIDStride;
  const int32_t slot = dirID / kIDStride;
  if (b >= kDirectoryBucketCount) return -1;
  const Bucket& bucket = table.buckets[b];
  if (bucket.slots == nullptr || slot >= bucket.slotCount) return -1;
  const char* text = SlotText(bucket, kBucketWidths[b], slot);
  folderPath.assign(text, strnlen(text, kBucketWidths[b]));
  return 0;
}

int32_t MakeFullPath(int16_t /*volume*/, int32_t dirID, const std::string& name,
                     std::string& fullPath) {
  std::string folder;
  if (DirectoryPath(dirID, folder) != 0) {
    fullPath.clear();
    return kErrFolderNotFound;
  }
  fullPath = folder + name;
  return 0;
}

void BeginTemporaryRegistration() {
  ++table.temporaryNesting;
}

void EndTemporaryRegistration() {
  if (table.temporaryNesting == 0) return;
  if (--table.temporaryNesting == 0) {
    for (Bucket& bucket : table.buckets) bucket.searchableCount = bucket.slotCount;
  }
}

bool TemporaryRegistrationOn() {
  return table.temporaryNesting > 0;
}

}  // namespace tlv
