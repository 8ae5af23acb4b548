// The table of open overlay files: at most five object files and five summary files, each with
// one window. The file in use is always in slot 0 of its array; callers find it there after
// AllocateSpaceForFile and pass it to the record operations.
#pragma once

#include <cstdint>

#include "base/endian.h"
#include "store/buffered_file.h"

namespace tlv {

constexpr int32_t kOpenFileSlots = 5;
constexpr uint32_t kObjectFileKind = FourCharCode(".OBJ");
constexpr uint32_t kSummaryFileKind = FourCharCode(".SUM");
constexpr int32_t kSmallWindowSize = 1024;
constexpr int32_t kMaxWindowSize = 100000;

// Makes the object file (kObjectFileKind) or summary file (kSummaryFileKind) of an overlay on a
// map the file in slot 0 of its array, with a window of bytesWanted bytes (negative: at most
// -bytesWanted, capped at the file's length; 0: the whole file; never above 100000). With a
// mapIndex out-argument, map is a map ID, else a position in the map list; with a fileIndex
// out-argument, overlay is an overlay ID, else a position in the map's overlay-file list. The
// out-arguments receive the resolved positions. -1 for a bad ID or position.
int32_t AllocateSpaceForFile(int32_t map, int32_t overlay, uint32_t kind, int32_t bytesWanted,
                             int32_t* mapIndex, int32_t* fileIndex);

// Slot 0 of each array: the file that the last AllocateSpaceForFile made current.
BufferedFile& CurrentObjectFile();
BufferedFile& CurrentSummaryFile();
// Any slot of the array for kind (kObjectFileKind or kSummaryFileKind).
BufferedFile& OpenFileSlot(uint32_t kind, int32_t slot);
// The key (map ID, overlay ID) of a slot; (-1, -1) when free.
void OpenFileSlotKey(uint32_t kind, int32_t slot, int32_t& mapID, int32_t& overlayID);
// The slot the next eviction of that array will take.
int32_t VictimCounter(uint32_t kind);

// Every open file in slots first to 4 of both arrays with a window above 1024 bytes gets a
// window of 1024 bytes. Reports and stops at the first failure.
int32_t ShrinkBufferedFiles(int32_t first);
// Closes every open file of both arrays, reporting each failure and going on. A file whose
// window cannot be written back stays open in its slot with that window, so no edit is lost.
void CloseBufferedFiles();
// Closes the open files of one map (before the map leaves the list). Returns the first failure;
// a file that could not be written back stays open as with CloseBufferedFiles.
int32_t CloseMapFiles(int32_t mapID);
// Writes back every dirty window; reports and stops at the first failure.
int32_t FlushBufferedFiles();

// Read-only sections nest; the outermost begin switches the open mode to read-only and the
// outermost end restores it and runs then (callers pass CloseBufferedFiles so that files opened
// read-only are reopened normally on next use). A null then ends every open section at once.
void BeginReadOnlyFiles();
void EndReadOnlyFiles(void (*then)());
int16_t ReadOnlyNesting();

// Closes everything without reports and puts the table, counters and open mode back to their
// start values.
void ResetOpenFilesForTesting();

}  // namespace tlv
