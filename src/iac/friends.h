// The friend list: the sibling programs this program knows (from their friend files or their
// greeting), how to address them, and how to find and start their executables.
#pragma once

#include <cstdint>
#include <string>

#include "base/memory.h"

namespace tlv {

struct FriendRecord {
  char applicationSignature[8];  // the address of its messages (SIGN), 4 characters and NUL
  char programSignature[8];      // PSIG of its messages
  char name[32];                 // its display name
  char executablePath[256];
  char document[256];  // passed when the program is started
  int32_t menuBase;    // base command number of its sharing sub-menu, 0 if none
  int16_t greeted;     // 1 after its greeting, 0 after its farewell
  // A sharing-menu item chosen while it was not running (command numbers pass 32,767).
  uint16_t pendingMenuItem;
  int16_t pendingMenuValue;
  int16_t friendFileVolume;
  int32_t friendFileFolder;  // where its friend file was read from
  char friendFileName[256];
};

// The list lives from InitIAC to QuitIAC. CreateFriendList makes it empty (0, or -1 when memory
// is short); ReleaseFriendList frees it.
int32_t CreateFriendList();
void ReleaseFriendList();
bool FriendListExists();
int32_t FriendCount();
bool GetFriend(int32_t index, FriendRecord& record);
bool SetFriend(int32_t index, const FriendRecord& record);
// Appends a friend; 0, or -1 when memory is short or there is no list.
int32_t AppendFriend(const FriendRecord& record);
// A record with the text fields filled (cut to their sizes) and the rest zero.
FriendRecord MakeFriendRecord(const std::string& applicationSignature,
                              const std::string& programSignature, const std::string& name,
                              const std::string& executablePath = "",
                              const std::string& document = "");

// The index of the first friend with this signature (exact comparison), or -1.
int32_t FindFriendBySIGN(const char* signature);
int32_t FindFriendByPSIG(const char* signature);

// "ZPHA" "ZEPHA", "DVFM" "DORVE", "DVCH" "DORVE Chemicals"; empty for any other signature.
std::string ApplicationDisplayName(const char* programSignature);

// Where a sibling program's executable is: the first friend of that program signature whose
// executable exists, else the known places of the programs this one was made to work with.
// Empty path and document when nothing is found.
void LocateApplication(const char* programSignature, std::string& path, std::string& document);
void LocateKnownApplication(const char* programSignature, std::string& path, std::string& document);
// Starts the executable with the document (when not empty) as its one argument, in the
// executable's folder. 0 started; -1 (after a beep) when the folder is not there; 1 when the
// program could not be started.
int32_t StartApplication(const std::string& path, const std::string& document);
// Finds and starts the friend's program: 0 started, 1 not found (the user was told), 2 found
// but not started.
int32_t LaunchFriend(int32_t friendIndex);

}  // namespace tlv
