#include "base/stop_check.h"

#include "base/platform.h"

namespace tlv {

namespace {
MessageStopCheck messageCheck = nullptr;
int runningOperations = 0;
}  // namespace

bool LongOperationStopRequested() {
  if (Platform().EscapePressed()) return true;
  return MessageStopRequested();
}

bool MessageStopRequested() {
  return messageCheck != nullptr && messageCheck();
}

void SetMessageStopCheck(MessageStopCheck check) {
  messageCheck = check;
}

LongOperationScope::LongOperationScope() {
  ++runningOperations;
}

LongOperationScope::~LongOperationScope() {
  --runningOperations;
}

bool LongOperationRunning() {
  return runningOperations > 0;
}

}  // namespace tlv
