// Whole-file operations for small files: each opens, works and closes. A file is named by
// (volume, directory ID, name); each name is tried by itself and then with ";1" appended (names
// as found on CDs). A write that could not be completed is always reported as a failure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/memory.h"

namespace tlv {

// Reads a file. With a handle out-argument the whole file goes into a new Handle of the file's
// length (one byte more, holding a NUL, when terminate is set) and length receives the file's
// length; -108 without memory. Otherwise at most length bytes go into buffer (-3 for a negative
// length) and length receives the count read; with terminate a NUL follows the bytes read and
// at most length - 1 bytes are read, so the NUL stays inside the buffer. On failure a partly
// made Handle is released and *handle is null.
int32_t ReadFileContents(int16_t volume, int32_t dirID, const char* name, char* buffer,
                         int32_t& length, Handle* handle, bool terminate);
// Reads length bytes from offset into buffer or, with a handle out-argument, into a new Handle.
// A file that ends before offset + length gives -39.
int32_t ReadFilePart(int16_t volume, int32_t dirID, const char* name, int32_t offset,
                     int32_t length, char* buffer, Handle* handle);
// Writes length bytes as the whole new contents of the file, creating it when missing. The
// creator and type codes are accepted and not stored on this platform.
int32_t WriteFileContents(int16_t volume, int32_t dirID, const char* name, uint32_t creator,
                          uint32_t type, int32_t length, const char* data);
// Appends length bytes (creating the file when missing); offset receives where they start.
int32_t AppendFileContents(int16_t volume, int32_t dirID, const char* name, uint32_t creator,
                           uint32_t type, int32_t length, const char* data, int32_t& offset);
// Replaces the target with a copy of the source. A half-made target is deleted again.
int32_t CopyFileContents(int16_t sourceVolume, int32_t sourceDirID, const char* sourceName,
                         int16_t targetVolume, int32_t targetDirID, const char* targetName);

// The function called per item: for a folder item the directory ID registered for the item's
// own path and its full path (with a trailing "/"); for a file item the directory ID of the
// folder and the file's name alone. A non-zero result stops the walk and is returned.
using FolderItemFunction =
    std::function<int32_t(int16_t volume, int32_t dirID, const std::string& name, bool isFolder)>;
// Sees each item's full path (a folder's with a trailing "/"); false leaves the item out.
using FolderItemFilter = std::function<bool(const std::string& fullPath)>;

// Calls function for each item of a folder: the folder named by path when it is not empty (a
// file's path stands for its folder; -1 when the path cannot be had), else the folder of dirID
// (an ID the directory table does not hold calls nothing and returns 0). Items whose names
// begin with "." are skipped. A folder item whose path cannot be registered stops the walk with
// -3 (path too long) or -4; a file item whose folder cannot be registered with -5 or -6.
int32_t ForEachItemInFolder(int16_t volume, int32_t dirID, const std::string& path,
                            const FolderItemFunction& function,
                            const FolderItemFilter& filter = nullptr);

// Removes length bytes at offset from the file through the work file "trans.tmp" in the same
// folder. -3 for a range outside the file; the file is left as it was on any failure.
int32_t CutFileRange(int16_t volume, int32_t dirID, const char* name, int32_t offset,
                     int32_t length);

}  // namespace tlv
