// The main window's position, kept in TOLVANE.INI (section "window", key "position").
#pragma once

#include <string>

#include "app/shell_services.h"

namespace tlv {

inline int32_t RectWidth(const ScreenRect& r) {
  return r.right - r.left;
}
inline int32_t RectHeight(const ScreenRect& r) {
  return r.bottom - r.top;
}

// The INI file's path: TOLVANE.INI in $XDG_CONFIG_HOME, else ~/.config.
std::string IniFilePath();
void SetIniFilePathForTesting(const std::string& path);

// Reads "left, top, right, bottom"; false when there is no usable entry.
bool ReadStoredWindowRect(ScreenRect& rect);
// Writes the rectangle, keeping the file's other sections and keys.
bool StoreWindowRect(const ScreenRect& rect);

struct WindowPlacement {
  ScreenRect rect;
  bool maximised = false;
};
// Where the window goes for a stored rectangle (or none) on the given desktop.
WindowPlacement PlaceStoredWindow(const ScreenRect* stored, const ScreenRect& desktop);

// With store true writes the shell's window rectangle; otherwise reads it and places the
// window through the shell.
void WindowPosition(bool store);

}  // namespace tlv
