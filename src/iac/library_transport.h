// The message library loaded from its file (libWEXO_32.so), every procedure looked up by name
// immediately before it is called.
#pragma once

#include "base/dynamic_library.h"
#include "iac/iac_transport.h"

namespace tlv {

class LibraryTransport : public IacTransport {
 public:
  int32_t Load(const std::string& path) override;
  // True while another process holds "loaded.lock" shared, that is has a registration.
  bool LibraryInUse() override;

  std::optional<int32_t> Register(const char* signature, NEWindow* window, const char* name,
                                  const char* executablePath, int32_t notifyMessage) override;
  std::optional<int32_t> Bye(const char* signature, NEWindow* window, const char* name) override;
  std::optional<int32_t> SendMessage(const char* target, const char* envelope,
                                     const char* senderName) override;
  std::optional<int32_t> AppIsRunning(const char* signature) override;
  std::optional<int32_t> GetNextMessageLength(const char* signature) override;
  std::optional<int32_t> GetNextMessage(const char* signature, char* buffer,
                                        int32_t length) override;

  const DynamicLibrary& library() const { return library_; }

 private:
  template <typename Proc>
  Proc Find(const char* name) const {
    return reinterpret_cast<Proc>(library_.Symbol(name));
  }

  DynamicLibrary library_;
};

}  // namespace tlv
