// The files that make the compaction of an overlay file all-or-nothing, and the recovery that
// finishes or undoes a compaction cut off part way.
//
// A compaction writes the new set beside the old one ("B.CM2" summary, "B.CM3" objects, "B.CM4"
// index), syncs them and their folder, then writes one small synced record, "B.CMX", naming the
// sizes of the new files with a checksum. That record is the commit point: without it (or with a
// torn one) the old set is the overlay file and the work files are rubbish; with it the new set
// is, and the renames that put it in place can be repeated until they are all done.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

// The work files of an overlay file's compaction, by extension.
constexpr const char* kCompactFilteredExt = ".CM1";
constexpr const char* kCompactSummaryExt = ".CM2";
constexpr const char* kCompactObjectsExt = ".CM3";
constexpr const char* kCompactIndexExt = ".CM4";
constexpr const char* kCompactCommitExt = ".CMX";

// What the commit record says: the sizes of the new files (index -1 when the new set has none).
struct CompactionCommit {
  int32_t summaryBytes = 0;
  int32_t objectBytes = 0;
  int32_t indexBytes = -1;
};
constexpr int32_t kCompactionCommitSize = 24;

uint32_t Crc32(const void* bytes, size_t count, uint32_t crc = 0);

// The record's bytes, and their reading: false for a record that is short, torn or damaged.
std::string EncodeCompactionCommit(const CompactionCommit& commit);
bool DecodeCompactionCommit(const std::string& bytes, CompactionCommit& commit);

// Writes "B.CMX" (folder ends with "/"), syncs it and the folder.
int32_t WriteCompactionCommit(const std::string& folder, const std::string& base,
                              const CompactionCommit& commit);

// Puts the committed new set in place: each work file still there is renamed over its live file
// (a missing one was renamed before), ".SM2" goes when the new set has no index, ".NN2" and
// ".NN3" go (they no longer match), the folder is synced and the record deleted.
int32_t ApplyCompactionCommit(const std::string& folder, const std::string& base,
                              const CompactionCommit& commit);

enum class CompactionRecovery {
  kNone,           // nothing was pending
  kRolledBack,     // work files of an uncommitted compaction were deleted
  kRolledForward,  // a committed compaction was put in place
  kBlocked,        // committed, but a work file's size is unlike the record's: nothing touched
};
const char* CompactionRecoveryWord(CompactionRecovery recovery);

// Finishes or undoes what a compaction of "B" in folder left behind: a valid commit record puts
// the new set in place, anything else deletes the work files (and the sort's, once per folder:
// a loss of power may keep them when it drops the making of B.CM1). Run before an overlay file is
// read and before a new compaction. A blocked set is left exactly as found (an alert names it): the
// old files may be the only good copy.
int32_t FinishCompaction(const std::string& folder, const std::string& base,
                         CompactionRecovery& recovery);

// What FinishCompaction last did for "B" in folder (kNone when it found nothing pending), so
// that a command run after the load can tell what the load finished.
CompactionRecovery LastCompactionRecovery(const std::string& folder, const std::string& base);

// Whether loading an overlay file runs FinishCompaction first (the default). The read-only
// checker turns it off so that it reports a pending compaction instead of finishing it.
void SetFinishCompactionOnLoad(bool finish);
bool FinishCompactionOnLoad();

// Whether any work file of "B" is in folder (a compaction is pending).
bool CompactionPending(const std::string& folder, const std::string& base);

// Deletes the work files that are never part of a commit ("B.CM1" to "B.CM4"), ignoring the
// missing ones; returns the first other failure.
int32_t DeleteCompactionWorkFiles(const std::string& folder, const std::string& base);

// Deletes what a sort cut off in folder left behind ("srttempA.*", "srttempB.*", "merge1",
// "merge2"). FinishCompaction does it once per folder, before the first overlay file of the
// folder is read.
int32_t DeleteSortWorkFiles(const std::string& folder);

// Overlay files whose committed compaction could not be put in place: refused until the next
// load of the maps, so nothing reads a half-renamed set.
void RefuseOverlayFile(const std::string& folder, const std::string& base);
bool OverlayFileRefused(const std::string& folder, const std::string& base);
bool AnyOverlayFileRefused();
void AcceptOverlayFile(const std::string& folder, const std::string& base);
void ClearRefusedOverlayFiles();

void ResetCompactionFilesForTesting();

}  // namespace tlv
