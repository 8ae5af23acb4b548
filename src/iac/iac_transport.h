// What the program asks of the message library, as one seam: the library itself, loaded at run
// time (LibraryTransport), or a recorder that tests and tolvane-cli use (RecordingTransport).
// Each procedure answers std::nullopt when the library lacks it: the library is asked for the
// procedure by name before every call, so a missing one is noticed at the call that needs it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "wexo/wexo_api.h"

namespace tlv {

class IacTransport {
 public:
  virtual ~IacTransport() = default;

  // Loads the library file at path (full path); 0 loaded, non-zero not.
  virtual int32_t Load(const std::string& path) = 0;
  // Whether some program has the library loaded and registered right now (another copy may be
  // in use, which decides which copy of the library to load).
  virtual bool LibraryInUse() = 0;

  virtual std::optional<int32_t> Register(const char* signature, NEWindow* window, const char* name,
                                          const char* executablePath, int32_t notifyMessage) = 0;
  virtual std::optional<int32_t> Bye(const char* signature, NEWindow* window, const char* name) = 0;
  virtual std::optional<int32_t> SendMessage(const char* target, const char* envelope,
                                             const char* senderName) = 0;
  virtual std::optional<int32_t> AppIsRunning(const char* signature) = 0;
  virtual std::optional<int32_t> GetNextMessageLength(const char* signature) = 0;
  virtual std::optional<int32_t> GetNextMessage(const char* signature, char* buffer,
                                                int32_t length) = 0;
};

}  // namespace tlv
