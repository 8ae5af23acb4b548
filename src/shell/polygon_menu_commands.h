// Make New Polygon... (413), Make New Polyline (414) and Connect Polylines at Nearest Point
// (801) in the window: the Make New Polygon dialog and the refusals around the edit commands.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

namespace tlv {

class MainWindow;

// What the Make New Polygon dialog asks; kept between uses.
struct MakePolygonChoice {
  int16_t operation = 5;             // 5 union, 6 intersection, 7 difference
  std::string distanceText = "1.0";  // up to 19 characters
  int16_t unit = 0;                  // 0: the current unit when first asked
};

// The dialog for areas (forLines false: the operation) or lines (the distance and unit). OK
// with a distance that is not a number above 0 beeps and keeps the dialog open. False on Cancel.
bool AskMakePolygon(QWidget* parent, bool forLines, MakePolygonChoice& choice);

void RegisterPolygonMenuCommands(MainWindow& window);

}  // namespace tlv
