#include "app/window_position.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/collate.h"

namespace tlv {

namespace {

std::string iniPathOverride;

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool IsSection(const std::string& line, const char* name) {
  const std::string t = Trimmed(line);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']' &&
         CollateEqual(t.substr(1, t.size() - 2), name);
}

bool IsKey(const std::string& line, const char* key) {
  const size_t eq = line.find('=');
  return eq != std::string::npos && CollateEqual(Trimmed(line.substr(0, eq)), key);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace

std::string IniFilePath() {
  if (!iniPathOverride.empty()) return iniPathOverride;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] != '\0') {
    return std::string(xdg) + "/TOLVANE.INI";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config/TOLVANE.INI";
}

void SetIniFilePathForTesting(const std::string& path) {
  iniPathOverride = path;
}

bool ReadStoredWindowRect(ScreenRect& rect) {
  bool inWindow = false;
  for (const std::string& line : ReadLines(IniFilePath())) {
    if (Trimmed(line).starts_with("[")) {
      inWindow = IsSection(line, "window");
      continue;
    }
    if (!inWindow || !IsKey(line, "position")) continue;
    const std::string value = Trimmed(line.substr(line.find('=') + 1)).substr(0, 99);
    long l, t, r, b;
    if (std::sscanf(value.c_str(), "%ld, %ld, %ld, %ld", &l, &t, &r, &b) != 4) return false;
    rect = {static_cast<int32_t>(l), static_cast<int32_t>(t), static_cast<int32_t>(r),
            static_cast<int32_t>(b)};
    return true;
  }
  return false;
}

bool StoreWindowRect(const ScreenRect& rect) {
  const std::string path = IniFilePath();
  std::vector<std::string> lines = ReadLines(path);
  char value[100];
  std::snprintf(value, sizeof value, "position=%ld, %ld, %ld, %ld", static_cast<long>(rect.left),
                static_cast<long>(rect.top), static_cast<long>(rect.right),
                static_cast<long>(rect.bottom));
  bool inWindow = false, written = false;
  size_t sectionEnd = lines.size();
  bool sectionFound = false;
  for (size_t i = 0; i < lines.size() && !written; ++i) {
    if (Trimmed(lines[i]).starts_with("[")) {
      if (inWindow) {
        sectionEnd = i;
        break;
      }
      inWindow = IsSection(lines[i], "window");
      if (inWindow) sectionFound = true;
      continue;
    }
    if (inWindow && IsKey(lines[i], "position")) {
      lines[i] = value;
      written = true;
    }
  }
  if (!written) {
    if (sectionFound) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), value);
    } else {
      lines.push_back("[window]");
      lines.push_back(value);
    }
  }
  // Write beside and rename, so a failed write never leaves a half INI file.
  const std::string temp = path + ".new";
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  {
    std::ofstream out(temp, std::ios::trunc);
    for (const std::string& line : lines) out << line << "\n";
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

WindowPlacement PlaceStoredWindow(const ScreenRect* stored, const ScreenRect& desktop) {
  WindowPlacement placement;
  if (stored != nullptr) {
    ScreenRect r = *stored;
    if (r.right <= desktop.left || r.left >= desktop.right || r.bottom <= desktop.top ||
        r.top >= desktop.bottom) {
      r = desktop;
    }
    if (r.left >= desktop.left && r.top >= desktop.top && r.right <= desktop.right &&
        r.bottom <= desktop.bottom) {
      placement.rect = r;
      return placement;
    }
  }
  // A default slightly smaller than the screen, centred, shown maximised.
  const int32_t width = std::max<int32_t>(RectWidth(desktop) * 15 / 16, 1);
  const int32_t height = std::max<int32_t>(RectHeight(desktop) * 15 / 16, 1);
  int32_t left = desktop.left + (RectWidth(desktop) - width) / 2;
  int32_t top = desktop.top + (RectHeight(desktop) - height) / 2;
  left = std::clamp(left, desktop.left, std::max(desktop.left, desktop.right - width));
  top = std::clamp(top, desktop.top, std::max(desktop.top, desktop.bottom - height));
  placement.rect = {left, top, left + width, top + height};
  placement.maximised = true;
  return placement;
}

void WindowPosition(bool store) {
  if (store) {
    StoreWindowRect(Shell().WindowRect());
    return;
  }
  ScreenRect stored;
  const bool have = ReadStoredWindowRect(stored);
  const WindowPlacement placement =
      PlaceStoredWindow(have ? &stored : nullptr, Shell().DesktopRect());
  Shell().PlaceWindow(placement.rect, placement.maximised);
}

}  // namespace tlv
