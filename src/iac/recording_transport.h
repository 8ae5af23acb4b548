// A message library that lives in memory: it records what the program hands it and answers
// from what a test (or tolvane-cli, which never talks to other programs) set up. Its inbox
// stands for the library's queue of envelopes waiting for this program.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "iac/iac_transport.h"

namespace tlv {

class RecordingTransport : public IacTransport {
 public:
  struct Sent {
    std::string target;
    std::string envelope;
  };

  int32_t Load(const std::string& path) override;
  bool LibraryInUse() override { return inUse; }
  std::optional<int32_t> Register(const char* signature, NEWindow* window, const char* name,
                                  const char* executablePath, int32_t notifyMessage) override;
  std::optional<int32_t> Bye(const char* signature, NEWindow* window, const char* name) override;
  std::optional<int32_t> SendMessage(const char* target, const char* envelope,
                                     const char* senderName) override;
  std::optional<int32_t> AppIsRunning(const char* signature) override;
  std::optional<int32_t> GetNextMessageLength(const char* signature) override;
  std::optional<int32_t> GetNextMessage(const char* signature, char* buffer,
                                        int32_t length) override;

  // Puts an envelope into the inbox and posts its notice through the registered window, as the
  // library does.
  void Deliver(const std::string& envelope);
  void Reset() { *this = RecordingTransport(); }

  // Set up by the test.
  bool loadFails = false;
  bool inUse = false;
  std::set<std::string> missing;  // procedures the library lacks ("NERegister" ...)
  std::set<std::string> running;  // signatures registered elsewhere
  int32_t registerResult = 0;
  int32_t sendResult = 0;
  bool failNextGet = false;  // the next NEGetNextMessage delivers nothing
  std::deque<std::string> inbox;

  // Recorded.
  std::vector<std::string> loaded;  // paths asked to load, in order
  std::string registeredSignature;
  std::string registeredPath;
  int32_t notifyMessage = 0;
  NEWindow* window = nullptr;
  int byes = 0;
  std::vector<Sent> sent;
  int procedureCalls = 0;

 private:
  bool Has(const char* procedure);
};

}  // namespace tlv
