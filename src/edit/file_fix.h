// The FileFix maintenance commands: text dumps of an overlay file's header, summary and object
// files, and the rebuild of a summary file and header from an object file alone, so that an
// overlay whose summary file was lost opens again. Dumps go beside the file read; a file that is
// short or of the wrong kind gives an error and leaves no text file behind.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

constexpr const char* kLyrDumpName = "Lyr.TXT";
constexpr const char* kSumDumpName = "Sum.TXT";
constexpr const char* kObjDumpName = "Obj.TXT";
constexpr const char* kRebuiltBaseName = "Recovred";
constexpr int32_t kLayerImageSize = 52;

struct FileFixOutcome {
  std::string wrote;       // the path of the text file
  int32_t records = 0;     // lines written
  int32_t stoppedAt = -1;  // object walk: the offset of the record it could not take; -1 at end
  bool rebuilt = false;    // "Recovred.SUM", ".LYR" and ".OBJ" were written
  std::string error;       // why nothing was written
};

// Degrees as the dumps write them: "%f" of (x - 180,000,000) / 1,000,000, or for y of
// (y - 90,000,000) / 1,000,000.
std::string DegreesX(int32_t x);
std::string DegreesY(int32_t y);

int32_t LyrFileToText(const std::string& path, FileFixOutcome& outcome);
int32_t SumFileToText(const std::string& path, FileFixOutcome& outcome);
// Walks the records from offset 0 (next = position + 4 + length) and stops at a length that is
// negative, too small for a record or runs past the end. With rebuild, writes "Recovred.SUM",
// "Recovred.LYR" (an overlay named "recovered") and copies the file to "Recovred.OBJ".
int32_t ObjFileToText(const std::string& path, bool rebuild, FileFixOutcome& outcome);

// The menu's commands by number (901 recover, 903 dump, 904 rebuild, 906 index files).
constexpr int32_t kFileFixRecover = 901;
constexpr int32_t kFileFixDump = 903;
constexpr int32_t kFileFixRebuild = 904;
constexpr int32_t kFileFixIndexFiles = 906;

}  // namespace tlv
