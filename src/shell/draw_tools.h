// The drawing tools of the palette in the map area (symbol, rectangle, circle, polyline, polygon,
// text) and the measure tool, with their rubber bands, keys and the information bar's readouts
// (the pointer's latitude and longitude, the measured distance and bearing). A finished shape
// opens the Object Settings dialog and then becomes a new object (edit/new_object).
#pragma once

#include <QPoint>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

#include "base/world_types.h"
#include "edit/new_object.h"
#include "geometry/screen.h"

class QLabel;
class QLineEdit;
class QPainter;

namespace tlv {

class MainWindow;

// The initial great-circle bearing from a to b in degrees clockwise from north, 0 to below 360.
double InitialBearingDegrees(WPoint a, WPoint b);
// The measure tool's readout: distance in the preferred unit and the bearing.
std::string MeasureReadout(WPoint a, WPoint b);
// The pointer's place in the preferred coordinate format.
std::string PointerReadout(WPoint p);

class DrawTools {
 public:
  explicit DrawTools(MainWindow& window);
  ~DrawTools();
  DrawTools(const DrawTools&) = delete;
  DrawTools& operator=(const DrawTools&) = delete;

  // Whether the palette tool is one of these (the measure tool and the six drawing tools).
  static bool Handles(int tool);

  // Mouse events in map-area client pixels. shift starts a new piece of a polyline or polygon.
  void Press(int tool, ScreenPoint at, bool shift);
  void Move(ScreenPoint at);
  void Release(ScreenPoint at);
  void DoubleClick(ScreenPoint at);
  // Enter ends a polyline or polygon, Backspace takes its last vertex back, Escape cancels the
  // shape (or ends measuring). True when the key was taken.
  bool Key(int key);
  // The pointer moved over the map (any tool): the information bar shows where it is.
  void PointerMoved(ScreenPoint at);
  // Drops a shape in progress (another tool was chosen).
  void Cancel();
  // Whether a shape is being drawn or a distance measured.
  bool Busy() const;
  int Tool() const { return tool_; }
  // The vertices of the polyline or polygon being drawn.
  const std::vector<WPoint>& Vertices() const { return vertices_; }

  // Draws the rubber band; origin is the map area's top-left corner in client pixels.
  void Paint(QPainter& painter, ScreenPoint origin) const;

  // Rectangles, circles and the zoom-in tool's rectangle are dragged from a corner (false) or
  // from the centre (true).
  void SetFromCentre(int tool, bool centre);
  bool FromCentre(int tool) const;
  // A double click on the rectangle, circle, select or zoom-in tool of the palette opens its
  // choice: "Rectangle Tool", "Circle Tool", "Arrow Tool Selection", "Zoom Tool Selection".
  void InstallToolChoices();
  // Opens the choice dialog of a tool; false when it has none or it was cancelled.
  bool ChooseToolStyle(int tool);

  // Asked before a new object is made, with the shape filled in and the overlay's defaults; the
  // answer may change any field. False (Cancel) makes nothing. The default opens the Object
  // Settings dialog; tests answer it.
  using SettingsAsker = std::function<bool(NewObject& object)>;
  void SetSettingsAsker(SettingsAsker asker) { asker_ = std::move(asker); }
  // Called after each new object is made, with it.
  void SetCreatedHandler(std::function<void(const ObjectRef&)> handler) {
    created_ = std::move(handler);
  }
  // Shows the rubber band again (the map area repaints from its image).
  void SetRepaint(std::function<void()> repaint) { repaint_ = std::move(repaint); }

  // The text tool's field, while it is open (null otherwise).
  QLineEdit* TextField() const { return textField_.data(); }
  // The information bar's readout.
  QString InfoText() const;

 private:
  void Finish(NewObject object);
  void FinishPoly();
  void FinishText();
  void Reset();
  void ShowInfo(const QString& text);
  void OpenTextField(ScreenPoint at);
  WPoint ToWorld(ScreenPoint at) const;
  WRect DraggedRect(ScreenPoint from, ScreenPoint to, bool circle) const;

  MainWindow& window_;
  int tool_ = -1;
  bool pressed_ = false;
  bool ignoreRelease_ = false;
  bool shiftAtPress_ = false;
  ScreenPoint pressAt_;
  ScreenPoint dragAt_;
  ScreenPoint pointer_;
  bool pointerKnown_ = false;
  bool measuring_ = false;
  WPoint measureFrom_;
  WPoint textAt_;
  std::vector<WPoint> vertices_;
  bool rectangleFromCentre_ = false;
  bool circleFromCentre_ = true;
  bool zoomFromCentre_ = false;
  SettingsAsker asker_;
  std::function<void(const ObjectRef&)> created_;
  std::function<void()> repaint_;
  QPointer<QLabel> info_;
  QPointer<QLineEdit> textField_;
};

}  // namespace tlv
