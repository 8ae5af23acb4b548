// The library's only exported names. Everything else is built hidden and the link keeps it so,
// so programs that load the library see exactly these six procedures.
#include "wexo/wexo_api.h"
#include "wexo/wexo_library.h"

#define WEXO_EXPORT __attribute__((visibility("default")))

extern "C" {

WEXO_EXPORT int32_t NERegister(const char* signature, NEWindow* window, const char* /*name*/,
                               int32_t /*reserved1*/, const char* /*programName*/,
                               int32_t /*reserved2*/, const char* /*executablePath*/,
                               int32_t notifyMessage, int32_t /*reserved3*/,
                               int32_t /*reserved4*/) {
  return tlv::wexo::Register(signature, window, notifyMessage);
}

WEXO_EXPORT int32_t NEBye(const char* signature, NEWindow* /*window*/, const char* /*name*/,
                          int32_t /*reserved*/) {
  return tlv::wexo::Bye(signature);
}

WEXO_EXPORT int32_t NESendMessage(const char* target, const char* envelope, int32_t /*reserved1*/,
                                  const char* /*senderName*/, int32_t /*reserved2*/) {
  return tlv::wexo::Send(target, envelope);
}

WEXO_EXPORT int32_t NEAppIsRunning(const char* signature) {
  return tlv::wexo::IsRunning(signature);
}

WEXO_EXPORT int32_t NEGetNextMessageLength(const char* signature) {
  return tlv::wexo::NextLength(signature);
}

WEXO_EXPORT int32_t NEGetNextMessage(const char* signature, char* buffer, int32_t length) {
  return tlv::wexo::Next(signature, buffer, length);
}

}  // extern "C"
