// The connection messages: greeting ("HOLA", "OKHI") and farewell ("BYE ") between this program
// and its siblings, the version check, bringing windows forward, alerts on a sibling's behalf
// and linking overlay index files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "iac/iac_envelope.h"

namespace tlv {

// The protocol version this program speaks; a peer's "VERS" must contain it.
constexpr const char* kProtocolVersion = "2";
// WM_USER posted to the main window: quit as if the user closed it.
constexpr int32_t kQuitRequestNotice = 1024;

// What the connection messages ask of the window; each may be empty.
struct ConnectionHooks {
  // Brings the program's own main window to the front.
  std::function<void()> bringOwnWindowForward;
  // "FRWD" for another program's window: the window of that decimal id when valid, else the
  // first top-level window of that class name, else of that title. False when none was found.
  std::function<bool(const std::string& name, const std::string& windowId)> bringWindowForward;
  // "BYE ": the thematic lists the friend (index) set on overlays are dropped.
  std::function<void(int32_t friendIndex)> dropThematicLists;
};
void SetConnectionHooks(ConnectionHooks hooks);

// Sends code with the greeting list ("BYE " with none): to target with error reports, or with
// target null as a Broadcast.
int32_t SendGreeting(const char* code, const char* target);
// Sends to every running friend in list order, then for "HOLA" to the known siblings that run
// and are not friends; no error reports. The first failure ends it and is returned.
int32_t Broadcast(const char* code, const IACParam* params);
// 0 when the message's "VERS" contains '2'; -1 otherwise, after the stop alert 25500/50 when
// complain.
int32_t CheckPeerVersion(const char* envelope, bool complain);

// Start-up: reads the friend files of the folder (an error ends start-up) and greets the
// siblings that run (send failures do not).
int32_t GreetAtStartup(int16_t volume, int32_t friendsFolderID);
// Shutdown: says goodbye to the running friends and leaves the message library.
void FarewellAtShutdown();

void ResetConnectionMessagesForTesting();

}  // namespace tlv
