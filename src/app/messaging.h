// The program's side of messaging with its sibling programs: binding the message library at
// start-up, what the main window does with its WM_USER+1 notices, and the timer's part.
#pragma once

#include <cstdint>

namespace tlv {

// Whether this copy holds the one-running-copy socket; the windowed program says so before
// start-up (a copy without it is not the running copy). Tests and tolvane-cli leave it set.
void SetRunningCopyHeld(bool held);

// Binds the message library and registers the program (the end of CommonInit2). Shows what a
// failure means to the user; non-zero when start-up must end (554 out of memory, 557 another
// copy runs), 0 when the program goes on, with or without messaging.
int32_t StartMessaging();

// Whether a WM_USER+1 notice carries a command word's code (9989 to 9999) rather than the
// library's notice of a waiting envelope.
bool IsCommandWordNotice(int64_t code);
// A WM_USER+1 notice: a command word is carried out, and every other notice (and the words that
// always did) fetches a waiting envelope.
void HandleNotice(int64_t code);

// Dispatches what arrived during start-up, once, before the event loop begins.
void ProcessStartupMessages();
// The timer's part: fetch and dispatch while the main window is active or the program is in
// the background. TimerTick calls it unless a modal operation runs or the program is quitting.
void MessagingTimerStep();

}  // namespace tlv
