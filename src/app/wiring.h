// The one place where the lower layers get the hooks through which they ask the higher ones
// (redraw an area, follow an object in the selection, measure a text, forget a map's objects).
// The program, tolvane-cli and the tests install them the same way, each hook struct set whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tlv {

// What only a front end can do; each member may be empty (tolvane-cli and most tests).
struct FrontEndHooks {
  // The colour chooser of a custom colour: true with rgb (red in bits 16 to 23) when chosen.
  std::function<bool(uint32_t& rgb)> chooseCustomColour;
  // Messaging: bring the main window, or another program's window ("FRWD"), to the front, and
  // show the sharing menus again after they changed.
  std::function<void()> bringOwnWindowForward;
  std::function<bool(const std::string& name, const std::string& windowId)> bringWindowForward;
  std::function<void()> sharingMenusChanged;
  // The basemap package's HTML windows (0, or 5 when the file cannot be read), and the window's
  // painting between the polls of a tool that keeps its window forward.
  std::function<int32_t(const std::string& path)> openBasemapWindow;
  std::function<void(const std::string& title)> closeBasemapWindow;
  std::function<bool(const std::string& title)> raiseBasemapWindow;
  std::function<void()> paintWhileToolRuns;
  std::function<bool(const std::string& prompt, std::string& text)> askText;
};

// Installs every hook of the core: the life cycle's (redraw queue, selection, text measure), the
// catalogue's, the modify commands', the index command's and the edit target's view source.
void WireCore(const FrontEndHooks& frontEnd = FrontEndHooks());

// Puts every module of the core back to its start state: lists released, hooks cleared,
// settings at their defaults. Tests call it before and after each test.
void ResetAllForTesting();

}  // namespace tlv
