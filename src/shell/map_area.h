// The map area of the main window: an image the drawing pass paints into and the window shows,
// the Click Point mark, and the viewing tools (zoom in by click or rectangle, zoom out, drag).
// Also the Qt services the drawing pass uses wherever it runs: the input check that interrupts
// a pass, the picture reader, and rendering a view into an image for saved pictures and
// tolvane-cli render.
#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "edit/life_cycle.h"
#include "render/decorations.h"
#include "render/draw_map.h"
#include "render/map_view.h"
#include "render/qt/qt_rendering.h"

class QWidget;

namespace tlv {

class DrawTools;
class MainWindow;
class SelectTool;

class MapPane : public QObject {
 public:
  explicit MapPane(MainWindow& window);
  ~MapPane() override;

  const QImage& Image() const { return image_; }
  // Draws the current view into the image now and shows it.
  int32_t Redraw();
  // Lays the decorations, tags and marks over the kept pass again and shows it, without a pass
  // (a decoration moved, the minute changed, the inset's marker stepped).
  void Recompose();
  // The decorations' places in the image after the last composition (none after an incomplete
  // pass, which draws no decorations).
  const DecorationLayouts& Decorations() const { return layouts_; }
  // How many passes have finished (complete or not).
  int32_t PassCount() const { return passes_; }
  // Toggles the tags of selected objects on the image (drawn twice they are gone) and shows it.
  void ToggleTags(const std::vector<ObjectRef>& objects);
  // A pass is running or waiting to start.
  bool Busy() const { return drawing_ || scheduled_; }
  // A pass is running now (its open files must not be touched from a timer).
  bool Drawing() const { return drawing_; }
  // The two select tools' clicks and drags.
  SelectTool& Select() { return *select_; }
  // The measure tool and the six drawing tools.
  DrawTools& Draw() { return *draw_; }
  // Draws the object in NOT-XOR and takes it off again, a few times (showing an object).
  void Flash(const ObjectRef& object);
  // Drawn on the image after every pass, after the tags (marks in NOT-XOR, such as the Marked
  // Point's cross); ToggleOnImage draws such a mark on the image now (a second time takes it off).
  void SetAfterPass(std::function<void(QImage& image)> draw) { afterPass_ = std::move(draw); }
  void ToggleOnImage(const std::function<void(QImage& image)>& draw);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ScheduleRedraw();
  void Paint(QWidget* widget);
  void ShowOnly();
  ScreenPoint ToClient(const QPoint& local) const;
  void MousePress(const QPoint& at, Qt::KeyboardModifiers modifiers);
  void MouseMove(const QPoint& at);
  void MouseRelease(const QPoint& at);
  // The pop-up of a right click: "pOBJECT" on a selected object, "pRIGHTCLICK" elsewhere.
  void RightClick(const QPoint& at);
  void ShowIncomplete(bool incomplete);
  void ToggleTagsOnImage(const std::vector<ObjectRef>& objects);
  // image_ from the kept pass: the decorations (after a complete pass), the tags, the marks.
  void Compose();
  void MarkerStep();

  MainWindow& window_;
  QWidget* widget_;
  // The last pass as drawn, without decorations, tags or marks; image_ is it with them.
  QImage pass_;
  bool passComplete_ = false;
  DecorationLayouts layouts_;
  QImage image_;
  bool drawing_ = false;
  bool again_ = false;
  bool scheduled_ = false;
  bool showOnly_ = false;
  bool markShown_ = false;
  int32_t passes_ = 0;
  // A drag of the zoom-in rectangle or of the view.
  bool pressed_ = false;
  QPoint pressAt_;
  QPoint dragAt_;
  int tool_ = -1;
  // A decoration being dragged (0: none) and where it was taken, from its box's centre.
  uint32_t dragging_ = 0;
  QPoint grab_;
  std::unique_ptr<SelectTool> select_;
  std::unique_ptr<DrawTools> draw_;
  std::function<void(QImage& image)> afterPass_;
};

// Sets up the main window's map area: the Qt drawing services, the pane, the selection's tag
// drawing (SetSelectionHooks: drawTags, eraseTags, eraseAllTags), the commands Set Scale
// (315, 20108), Center on Click Point (20009) and Zoom In / Out (20111, 20112) of the pop-up
// menus, and, with TOLVANE_MAP_SNAPSHOT=FILE.png, a picture of the map area saved after the
// first pass, announced through log as "mapsnapshot FILE SCALE LEFT TOP WIDTH HEIGHT".
MapPane* InstallMapArea(MainWindow& window, std::function<void(const std::string&)> log);

}  // namespace tlv
