// Writing a whole file so that a failure never costs the user the file that was there: the new
// bytes go into a fresh file of a unique name in the same folder, are made durable, and only then
// take the target's name in one rename. A failure, or a stop asked for before the rename, deletes
// only the fresh file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tlv {

// Answers true when the user has asked to stop; checked before the bytes replace the target.
using ReplaceStopCheck = std::function<bool()>;

// The result when the stop check answered true (the target is untouched).
constexpr int32_t kReplaceStopped = -128;

// Replaces (or creates) the file at path with bytes. Returns 0, kReplaceStopped, or the file
// layer's code of the step that failed.
int32_t ReplaceFileContents(const std::string& path, std::string_view bytes,
                            const ReplaceStopCheck& stopped = nullptr);

// The name of a fresh file in the folder of path that does not exist yet ("" when none is
// found); the caller creates it.
std::string UniqueSiblingName(const std::string& path);

}  // namespace tlv
