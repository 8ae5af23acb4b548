// The "&Sharing" menu's sub-menus handed over by sibling programs, their Ctrl+Shift shortcuts,
// and the built-in ZEPHA and DORVE commands of the pop-up menus.
#pragma once

#include <string>

namespace tlv {

class MainWindow;

// Registers the built-in sibling commands and shows the sharing menus known now.
void RegisterSharingCommands(MainWindow& window);
// Shows the sharing menus again as the core now holds them (its menusChanged hook).
void RebuildSharingMenus(MainWindow& window);
// The "&Sharing" menu's sub-menus as the window shows them, for the event log: each title and
// its items ("-" for a separator, the shortcut after a blank), e.g. "&ZEPHA[Go Ctrl+Shift+G|-]".
std::string DescribeSharingMenus(MainWindow& window);
// "FRWD" for another program's window: the X11 window of that id when valid, else the first
// top-level window of that class name, else of that title. False when none (or not on X11).
bool BringOtherWindowForward(const std::string& name, const std::string& windowId);

}  // namespace tlv
