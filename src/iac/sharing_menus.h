// The sharing menus: sub-menus of the "&Sharing" menu that sibling programs hand over, whose items
// send "MHIT" back to them, and the built-in ZEPHA and DORVE commands routed to the matching
// items of those siblings' menus. The menus are kept here as plain data; the window shows them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tlv {

// Bases lie above every fixed command identifier.
constexpr int32_t kFirstSharingMenuBase = 30000;
constexpr int32_t kSharingMenuStep = 100;
constexpr int32_t kMaxSharingMenus = 50;
constexpr int32_t kMaxSharingShortcuts = 40;
// Item 100 would carry the next menu's base.
constexpr int32_t kMaxSharingItems = 100;

// The built-in sibling commands (the pop-ups "20800" and "20900").
constexpr int32_t kZephaSetSource = 20801;
constexpr int32_t kZephaSetThreat = 20802;
constexpr int32_t kZephaDelete = 20804;
constexpr int32_t kZephaExportKml = 20805;
constexpr int32_t kZephaGoTo = 20807;
constexpr int32_t kDorveGetInfo = 20901;
constexpr int32_t kDorveLink = 20903;
constexpr int32_t kDorveUnlink = 20904;
constexpr int32_t kDorveGoTo = 20906;
// The DORVE items of the other pop-ups, routed as Get Info.
constexpr int32_t kRightClickDorveInfo = 20613;
constexpr int32_t kDragDorveInfo = 20703;

struct SharingItem {
  std::string text;  // as shown: without its shortcut suffix
  int32_t command = 0;
  char shortcut = 0;  // typed with Ctrl+Shift; 0 for none
  bool separator = false;
};

struct SharingMenu {
  std::string title;  // "&" and the friend's name
  int32_t base = 0;
  std::vector<SharingItem> items;
};

struct SharingShortcut {
  char key = 0;
  int32_t command = 0;
  std::string applicationSignature;
  std::string programSignature;
};

// What the sharing menus ask of the layers above; each may be empty.
struct SharingHooks {
  // The menus or shortcuts changed: the window rebuilds its "&Sharing" menu.
  std::function<void()> menusChanged;
  // The program's own KML export of the ZEPHA overlay, for 20805 without a ZEPHA item.
  std::function<int32_t()> exportKml;
};
void SetSharingHooks(SharingHooks hooks);

// In title order (plain byte comparison).
const std::vector<SharingMenu>& SharingMenus();
const std::vector<SharingShortcut>& SharingShortcuts();
// The sharing item a built-in command is routed to; 0 when the sibling's menu has none.
int32_t MappedSharingItem(int32_t builtInCommand);

// Builds (or empties and refills) the friend's sub-menu titled "&" + name from the item texts.
// 0, or -1 after 25000/64 when a new menu would pass kMaxSharingMenus.
int32_t BuildSharingMenu(int32_t friendIndex, const std::string& name,
                         const std::vector<std::string>& items);

// Whether a command number belongs to a sharing menu; the item of it (null when none).
bool IsSharingCommand(int32_t command);
const SharingItem* FindSharingItem(int32_t command);
// The user chose a sharing item: "MHIT" to its friend, starting the friend first when it does
// not run (the hit then waits as the friend's pending item). value travels with it.
int32_t ChooseSharingItem(int32_t command, int16_t value = 0);
// A built-in sibling command (208xx, 209xx, 20613, 20703).
bool IsSiblingCommand(int32_t command);
int32_t RunSiblingCommand(int32_t command, int16_t value = 0);
// Whether a built-in or sharing command may be chosen now: ZEPHA's KML and Delete while the
// overlay "ZEPHA" holds objects, DORVE's Get Info, Link and Unlink while objects are selected.
bool SharingCommandEnabled(int32_t command);
// "MENU" from signature arrived: runs the built-in command that waited for that sibling to start.
void RunWaitingSiblingCommand(const char* applicationSignature);

void ResetSharingMenusForTesting();

}  // namespace tlv
