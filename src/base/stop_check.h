// The check that long operations (a drawing pass, a search) make between steps: the user's
// Escape, and a sibling program's message that must not wait for the operation to end.
#pragma once

namespace tlv {

// True when the running operation should stop now: Escape, or a waiting message. It stops the
// same way for both reasons; an operation stopped for a message is started again after the
// message is handled.
bool LongOperationStopRequested();
// The message side alone, for operations that look for the user's input their own way.
bool MessageStopRequested();

// The message side of the check, installed by the wiring; null leaves Escape alone.
using MessageStopCheck = bool (*)();
void SetMessageStopCheck(MessageStopCheck check);

// Marks a long operation as running for the length of a scope. Events delivered while it polls
// for input may run the timer; messages are never dispatched inside an operation, since their
// handlers may free what it walks over.
class LongOperationScope {
 public:
  LongOperationScope();
  ~LongOperationScope();
  LongOperationScope(const LongOperationScope&) = delete;
  LongOperationScope& operator=(const LongOperationScope&) = delete;
};
bool LongOperationRunning();

}  // namespace tlv
