// The view options the drawing commands share (print, picture): which part of the world is shown
// and at what size, and the Qt set-up that draws it off screen as the program does.
//   [--view LAT,LON,SCALE | --corner LEFT,TOP,SCALE | --fit MAPNAME] --size WxH
//   [--screen-dpi N]
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace tlv::cli {

constexpr int kUsageError = 64;

// The words after the command, as option -> value; false (with a message) for an option not
// in allowed, a missing value, or an option given twice. Flags (options without a value) are
// listed in flags and stored with the value "1".
bool ParseOptions(const std::vector<std::string>& words, const std::vector<std::string>& allowed,
                  const std::vector<std::string>& flags,
                  std::map<std::string, std::string>& options, std::ostream& err);

// Sets the map area to WxH and the view from --view, --corner or --fit, and the screen's pixels
// per inch from --screen-dpi (96 without it). Returns 0, kUsageError for bad values, or 1 for a
// map that cannot be fitted (after a message).
int ApplyViewOptions(const std::map<std::string, std::string>& options, int& width, int& height,
                     std::ostream& err);

// A JSON string of UTF-8 text (paths and titles as typed).
std::string JsonUtf8(const std::string& text);

}  // namespace tlv::cli

#ifdef TOLVANE_CLI_HAS_QT
#include <memory>

class QGuiApplication;

namespace tlv::cli {

// Starts Qt off screen and loads the symbol fonts and list of the program folder, as the program
// does before it draws.
std::unique_ptr<QGuiApplication> StartQtDrawing(int& argc, char** argv);
// The program folder drawing reads its fonts and pictures from (TOLVANE_PROGRAM_FOLDER, else the
// program's own folder).
std::string DrawingProgramFolder();

}  // namespace tlv::cli
#endif
