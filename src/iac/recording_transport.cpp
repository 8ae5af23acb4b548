#include "iac/recording_transport.h"

#include <cstring>

#include "iac/iac_envelope.h"

namespace tlv {

bool RecordingTransport::Has(const char* procedure) {
  ++procedureCalls;
  return !loaded.empty() && missing.count(procedure) == 0;
}

int32_t RecordingTransport::Load(const std::string& path) {
  if (loadFails) return -1;
  loaded.push_back(path);
  return 0;
}

std::optional<int32_t> RecordingTransport::Register(const char* signature, NEWindow* window_,
                                                    const char*, const char* executablePath,
                                                    int32_t notifyMessage_) {
  if (!Has("NERegister")) return std::nullopt;
  if (registerResult != 0) return registerResult;
  registeredSignature = signature;
  registeredPath = executablePath != nullptr ? executablePath : "";
  notifyMessage = notifyMessage_;
  window = window_;
  running.insert(signature);
  return 0;
}

std::optional<int32_t> RecordingTransport::Bye(const char* signature, NEWindow*, const char*) {
  if (!Has("NEBye")) return std::nullopt;
  ++byes;
  window = nullptr;
  return running.erase(signature) != 0 ? 0 : 1;
}

std::optional<int32_t> RecordingTransport::SendMessage(const char* target, const char* envelope,
                                                       const char*) {
  if (!Has("NESendMessage")) return std::nullopt;
  sent.push_back({target, envelope});
  return sendResult;
}

std::optional<int32_t> RecordingTransport::AppIsRunning(const char* signature) {
  if (!Has("NEAppIsRunning")) return std::nullopt;
  return running.count(signature) != 0 ? 1 : 0;
}

std::optional<int32_t> RecordingTransport::GetNextMessageLength(const char*) {
  if (!Has("NEGetNextMessageLength")) return std::nullopt;
  return inbox.empty() ? 0 : static_cast<int32_t>(inbox.front().size());
}

std::optional<int32_t> RecordingTransport::GetNextMessage(const char*, char* buffer,
                                                          int32_t length) {
  if (!Has("NEGetNextMessage")) return std::nullopt;
  if (failNextGet) {
    failNextGet = false;
    return 0;
  }
  if (inbox.empty() || length < static_cast<int32_t>(inbox.front().size())) return 0;
  std::memcpy(buffer, inbox.front().data(), inbox.front().size());
  inbox.pop_front();
  return 1;
}

void RecordingTransport::Deliver(const std::string& envelope) {
  inbox.push_back(envelope);
  if (window != nullptr && window->post != nullptr) {
    window->post(window->context, notifyMessage,
                 static_cast<int64_t>(IACCodeValue(registeredSignature)),
                 static_cast<int64_t>(inbox.size()));
  }
}

}  // namespace tlv
