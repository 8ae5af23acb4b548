// The message library's six procedures, as a program finds them with dlsym in libWEXO_32.so.
// Programs never link the library: they load it at run time and look each procedure up by name
// right before they call it, so this header declares the procedures and the pointer types to
// cast dlsym's answer to. All texts are NUL-terminated single-byte strings; a signature is
// exactly four bytes.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// The window a registration posts its notices to. The library calls post from its own thread,
// once for every envelope it queues for the registration: message is the notice number given to
// NERegister, wParam the registered signature as a 32-bit number (first byte most significant;
// never 0 and never below 0x01010101, so it cannot be taken for a small command number), lParam
// the number of envelopes then waiting. post must be safe to call from any thread and must not
// wait for the program's own thread. The record must outlive the registration; after NEBye
// returns, post is never called again for it.
typedef struct NEWindow {
  int (*post)(void* context, int32_t message, int64_t wParam, int64_t lParam);
  void* context;
} NEWindow;

// Registers this process under signature: from now on envelopes sent to it are queued here and
// each one posts the notice. 0 registered, otherwise one of the kNERegister results below. name,
// programName and executablePath are kept for the caller's own diagnostics; the reserved words
// are ignored. window may be null: the caller then polls NEGetNextMessageLength.
typedef int32_t (*NERegisterProc)(const char* signature, NEWindow* window, const char* name,
                                  int32_t reserved1, const char* programName, int32_t reserved2,
                                  const char* executablePath, int32_t notifyMessage,
                                  int32_t reserved3, int32_t reserved4);
// Ends the registration (queued envelopes are dropped). 0 ended, 1 not registered here.
typedef int32_t (*NEByeProc)(const char* signature, NEWindow* window, const char* name,
                             int32_t reserved);
// Hands the envelope (without its NUL) to target's queue and waits for its answer, up to 5 s.
// One of the kNESend results below.
typedef int32_t (*NESendMessageProc)(const char* target, const char* envelope, int32_t reserved1,
                                     const char* senderName, int32_t reserved2);
// 1 when a process holds signature's registration and its socket answers, else 0.
typedef int32_t (*NEAppIsRunningProc)(const char* signature);
// The length of the next envelope waiting for this process's registration of signature, without
// its NUL; 0 when none waits.
typedef int32_t (*NEGetNextMessageLengthProc)(const char* signature);
// Copies the next waiting envelope into buffer and removes it from the queue. length is the
// room in buffer; it must be at least NEGetNextMessageLength's answer, and when there is room
// for one more byte a NUL is written behind the envelope. Non-zero delivered, 0 nothing
// delivered (nothing waiting, or too little room: the envelope stays queued).
typedef int32_t (*NEGetNextMessageProc)(const char* signature, char* buffer, int32_t length);

int32_t NERegister(const char* signature, NEWindow* window, const char* name, int32_t reserved1,
                   const char* programName, int32_t reserved2, const char* executablePath,
                   int32_t notifyMessage, int32_t reserved3, int32_t reserved4);
int32_t NEBye(const char* signature, NEWindow* window, const char* name, int32_t reserved);
int32_t NESendMessage(const char* target, const char* envelope, int32_t reserved1,
                      const char* senderName, int32_t reserved2);
int32_t NEAppIsRunning(const char* signature);
int32_t NEGetNextMessageLength(const char* signature);
int32_t NEGetNextMessage(const char* signature, char* buffer, int32_t length);

// NESendMessage results.
enum {
  kNESendDelivered = 0,      // queued for the target
  kNESendNotRegistered = 1,  // nobody holds the target's registration
  kNESendQueueFull = 2,      // the target's queue holds 1,000 envelopes or 64 MiB
  kNESendTooLong = 3,        // the envelope is over 16 MiB
  kNESendMalformed = 4,      // the envelope is not a well-formed envelope
  kNESendTimeout = 5,        // no answer within 5 s
  kNESendIOError = 6,        // the connection failed, or the runtime folder is unsafe
  kNESendBadArgument = 7     // a null envelope or a target that is not four bytes
};

// NERegister results besides 0.
enum {
  kNERegisterIOError = 6,            // a socket, lock or thread could not be made
  kNERegisterBadArgument = 7,        // the signature is not four bytes
  kNERegisterAlreadyRegistered = 8,  // another registration holds the signature
  kNERegisterUnsafeFolder = 9,       // the runtime folder is not this user's own 0700 folder
  kNERegisterPathTooLong = 10        // the socket's path does not fit a local socket address
};

#ifdef __cplusplus
}
#endif
