// The message library's inner working, behind the six exported procedures: the registrations of
// this process, their queues, the one thread that serves their sockets, and the connections
// kept to the targets this process sends to.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include "wexo/wexo_api.h"

namespace tlv::wexo {

inline constexpr size_t kMaxQueuedEnvelopes = 1000;
inline constexpr size_t kMaxQueuedBytes = 64u * 1024 * 1024;
// Connections one registration serves at once; more are closed as they arrive.
inline constexpr size_t kMaxConnections = 64;
// A frame must arrive whole, and an answer come back, within this many milliseconds.
inline constexpr int kDeadlineMilliseconds = 5000;

int32_t Register(const char* signature, NEWindow* window, int32_t notifyMessage);
int32_t Bye(const char* signature);
int32_t Send(const char* target, const char* envelope);
int32_t IsRunning(const char* signature);
int32_t NextLength(const char* signature);
int32_t Next(const char* signature, char* buffer, int32_t length);

// Ends every registration and stops the serving thread (the library does this when it is
// unloaded or the process ends).
void Shutdown();

// Lets a test present a connecting peer as another user: the hook receives the peer's real
// user ID and answers the one to check. Never set in the loaded library.
using PeerUidHook = uid_t (*)(uid_t actual);
void SetPeerUidHookForTesting(PeerUidHook hook);

}  // namespace tlv::wexo
