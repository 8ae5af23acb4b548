// The handlers of received messages, found by their code. Each takes the envelope; the sender's
// signature and the reply context are set while it runs (IACSenderSignature, IACReplyContext).
#pragma once

#include <cstdint>

namespace tlv {

using IacHandler = int32_t (*)(const char* envelope);

// The handler of a code in its integer form; null for a code that is ignored (result 0).
IacHandler FindIACHandler(uint32_t code);

// "VER?": answers "VER!" with the version number in "VNUM".
int32_t HandleVERQuery(const char* envelope);
// The connection messages.
int32_t HandleHOLA(const char* envelope);
int32_t HandleOKHI(const char* envelope);
int32_t HandleBYE(const char* envelope);
int32_t HandleFRWD(const char* envelope);
int32_t HandleALRT(const char* envelope);
int32_t HandleLNX(const char* envelope);
int32_t HandleMENU(const char* envelope);

}  // namespace tlv
