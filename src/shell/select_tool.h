// The two select tools of the palette in the map area: a click picks the object under the
// pointer (search/pick does the work), a drag that does not start on an object draws a dotted
// rectangle (from a corner) or circle (from its centre) and then opens the pop-up "pARROWDRAG"
// for the area: "Select Objects..." (20702) and "Zoom to Selected Area" (20712).
#pragma once

#include <QPoint>

#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/screen.h"
#include "search/pick.h"

class QPainter;
class QWidget;

namespace tlv {

class MainWindow;

class SelectTool {
 public:
  // Registers the pop-up's commands 20702 and 20712 with the window.
  explicit SelectTool(MainWindow& window);

  // Mouse events in map-area client pixels; toggle is Shift or Ctrl held at the press.
  void Press(ScreenPoint at, bool circle, bool toggle);
  void Move(ScreenPoint at);
  // globalAt places the pop-up menu.
  void Release(ScreenPoint at, const QPoint& globalAt);
  bool Dragging() const { return pressed_ && !onObject_ && !IsClick(dragAt_); }
  // Draws the dotted rectangle or circle of a drag; origin is the map area's top-left corner in
  // client pixels.
  void Paint(QPainter& painter, ScreenPoint origin) const;

  // The area of the last drag, which the pop-up's commands act on.
  const PickArea& PendingArea() const { return area_; }

  // Asks which overlays "Select Objects..." uses (ids holds the shown overlays, all checked, and
  // receives the choice); false on Cancel. The default is a dialog; tests answer it.
  using OverlayChooser = std::function<bool(std::vector<int32_t>& ids)>;
  void SetOverlayChooser(OverlayChooser chooser) { chooser_ = std::move(chooser); }
  // Opens the pop-up "pARROWDRAG"; the default shows the window's menu and runs the choice.
  using PopUpRunner = std::function<void(const QPoint& globalAt)>;
  void SetPopUpRunner(PopUpRunner runner) { popUp_ = std::move(runner); }

 private:
  bool IsClick(ScreenPoint at) const;
  void SelectInArea();

  MainWindow& window_;
  bool pressed_ = false;
  bool circle_ = false;
  bool toggle_ = false;
  // A press on an object is that object's click however far the mouse then moves.
  bool onObject_ = false;
  ScreenPoint pressAt_;
  ScreenPoint dragAt_;
  PickArea area_;
  bool areaToggle_ = false;
  OverlayChooser chooser_;
  PopUpRunner popUp_;
};

// The overlay chooser of "Select Objects...": a checked list of the given overlays.
bool ChooseOverlaysDialog(QWidget* parent, std::vector<int32_t>& ids);

}  // namespace tlv
