// The directory table: folder paths (with a trailing "/") turned into directory IDs that stay
// valid for the whole run. A file is then named by (volume, directory ID, name).
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

constexpr int32_t kDirectoryBucketCount = 4;
// Paths of this many characters or more cannot be registered.
constexpr int32_t kMaxDirectoryPathLength = 256;

// Gives each bucket an empty Handle; -1 if an allocation fails.
int32_t InitDirectoryTable();
// Releases the buckets' Handles (end of the run).
void ReleaseDirectoryTable();
// Empties the table and makes it anew, for tests.
void ResetDirectoryTableForTesting();

// Looks the folder path up among the searchable slots (collating comparison). -1 when absent.
int32_t LookupDirectory(const std::string& folderPath, int32_t& dirID);
// Looks the path up and appends it when absent. With mustExist a missing folder is refused
// (kErrFolderNotFound). A path without a trailing "/" gets one. -1 for a path too long or
// empty, -108 when memory is short.
int32_t RegisterDirectory(const std::string& folderPath, bool mustExist, int32_t& dirID);
// The path registered under dirID (temporary slots included); -1 when the table holds no
// such ID.
int32_t DirectoryPath(int32_t dirID, std::string& folderPath);
// The full path of a name in the folder of dirID. The volume is accepted for the callers'
// sake: this platform has one tree of folders.
int32_t MakeFullPath(int16_t volume, int32_t dirID, const std::string& name, std::string& fullPath);

// While temporary registration is on, new slots are appended but lookups do not see them
// until it ends, so a long walk over foreign folders cannot slow the lookups of known ones.
// The mode nests; the outermost end makes the new slots searchable.
void BeginTemporaryRegistration();
void EndTemporaryRegistration();
bool TemporaryRegistrationOn();

}  // namespace tlv
