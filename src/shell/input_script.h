// A script of input events played on the main window, for scripts and end-to-end tests that use
// the program as a person would without a person: TOLVANE_INPUT_SCRIPT=FILE names it. It starts
// once the map area has drawn its first pass. One command a line ("#" starts a comment):
//
//   tool NAME            choose a palette tool: zoomin, zoomout, drag, select, selectcircle,
//                        measure, symbol, rectangle, circle, polyline, polygon, text
//   click X Y [shift]    press and release the left button at pixel (X, Y) of the map area
//   dblclick X Y         a double click there
//   press X Y [shift], move X Y, release X Y   the single mouse events
//   rightclick X Y       the right button (the pop-up menus)
//   key NAME             a key to the focused widget: Enter, Escape, Backspace, Tab, ...;
//                        with Ctrl or Alt the window's shortcuts come first (key Ctrl+H)
//   type TEXT            the characters of TEXT to the focused widget
//   field NAME VALUE     sets the field called NAME of the open dialog (text, number, choice, or
//                        the list line ending in VALUE; in a tree "ROW" picks the row and
//                        "ROW|HEADING|0 or 1" also sets its box in the column of that heading)
//   accept | cancel      presses OK or Cancel of the open dialog
//   dialogclick NAME X Y a left click at pixel (X, Y) of the open dialog's widget called NAME
//   button TEXT          presses the enabled button of the open dialog or question showing TEXT
//                        (these five wait up to 20 s for a dialog to open)
//   command ID           runs a menu command by its number, as choosing it from the menu does
//   wait MS              waits before the next line
//   snapshot FILE        saves a picture of the map area as shown (rubber bands included)
//   quit                 closes the window as its close box does
//
// Each line played is logged as "script LINE"; a click also logs "scriptpoint X Y WX WY" with
// the world point under it, the end "scriptend"; a line that cannot be played logs
// "scripterror LINE" and the script stops.
#pragma once

#include <QString>

#include <functional>
#include <string>

namespace tlv {

class MainWindow;
class MapPane;

// Reads the script and plays it; false when the file cannot be read.
bool StartInputScript(MainWindow& window, MapPane& pane, const QString& file,
                      std::function<void(const std::string&)> log);

}  // namespace tlv
