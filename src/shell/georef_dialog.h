// The "Geo-Reference Picture" dialog: the picture fitted into a panel with a quick-scroll
// overview, four tools (place point 1, place point 2, zoom in, zoom out), the latitude and
// longitude of each control point, and OK once both are known, which gives the world rectangle
// the whole picture covers. And I&nsert Picture Object... (417), which puts such a picture on the
// map. The picture is read through QImageReader at the size it is shown and only the part in
// view, so a very large photograph never has to be decoded whole.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/world_types.h"
#include "geometry/georef.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;

namespace tlv {

class MainWindow;

// The picture in view: a zoom (panel pixels per picture pixel) and the picture position at the
// panel's top-left corner. Clicks are passed on in picture pixels.
class GeoRefPicturePanel : public QWidget {
  Q_OBJECT

 public:
  GeoRefPicturePanel(QWidget* parent, const QString& file, QSize pictureSize, bool readable);

  QSize PictureSize() const { return pictureSize_; }
  double Zoom() const { return zoom_; }
  // The picture's part in view, in picture pixels.
  QRectF VisiblePart() const;
  // Shows the whole picture.
  void Fit();
  // Zooms by factor and centres the view on a picture position.
  void ZoomAbout(QPointF picturePosition, double factor);
  void CentreOn(QPointF picturePosition);
  // The panel position of a picture position and back.
  QPointF PanelPosition(QPointF picturePosition) const;
  QPointF PicturePosition(QPointF panelPosition) const;
  void SetMarks(const std::array<QPoint, 2>& marks);

  std::function<void(QPoint picturePixel)> onClick;
  std::function<void()> onViewChanged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void KeepInside();

  QString file_;
  QSize pictureSize_;
  bool readable_;
  double zoom_ = 1;
  double fitZoom_ = 1;
  QPointF origin_;
  bool fitted_ = false;
  std::array<QPoint, 2> marks_{QPoint(-100, -100), QPoint(-100, -100)};
  // What was read for the last view, so that repainting does not read the file again.
  QImage cache_;
  QRectF cachePart_;
  QSize cacheSize_;
};

class GeoRefDialog : public QDialog {
  Q_OBJECT

 public:
  enum Tool { kPoint1Tool = 0, kPoint2Tool = 1, kZoomInTool = 2, kZoomOutTool = 3 };

  // proposedSize stands for the picture's size when the file cannot be read.
  GeoRefDialog(QWidget* parent, const QString& file, QSize proposedSize);

  void SetTool(Tool tool);
  Tool CurrentTool() const { return tool_; }
  // A click on the picture with the current tool, in picture pixels.
  void ClickPicture(QPoint picturePixel);
  // "Reset" of point k (0 or 1): its latitude and longitude are asked again.
  void ResetPoint(int k);
  // OK: the checks (a stop alert keeps the dialog open), then the rectangle.
  void TryAccept();

  const GeoRefPoint& Point(int k) const { return points_[static_cast<size_t>(k)]; }
  const WRect& Result() const { return result_; }
  QString Hint() const;
  GeoRefPicturePanel* Panel() const { return panel_; }
  QWidget* Overview() const { return overview_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* ResetButton(int k) const { return resets_[static_cast<size_t>(k)]; }
  QLabel* LatText(int k) const { return latTexts_[static_cast<size_t>(k)]; }
  QLabel* LongText(int k) const { return longTexts_[static_cast<size_t>(k)]; }

 private:
  // Asks point k's world position (point 2 by distance or by latitude/longitude once point 1
  // is known). False when the user cancelled; the point is then unchanged.
  bool AskWorld(int k);
  bool AskDistance();
  void Refresh();

  GeoRefPicturePanel* panel_;
  QWidget* overview_;
  QButtonGroup* tools_;
  QLabel* hint_;
  QPushButton* ok_;
  std::array<QPushButton*, 2> resets_{};
  std::array<QLabel*, 2> latTexts_{};
  std::array<QLabel*, 2> longTexts_{};
  std::array<GeoRefPoint, 2> points_{};
  Tool tool_ = kPoint1Tool;
  WRect result_{};
};

// Shows the dialog for a picture file: 1 with rect filled on OK, otherwise the dialog's result
// (0) and rect untouched. When the file cannot be read, the picture's size is rect's size on
// screen at the current view, and the panel is grey.
int32_t GeoReferencePicture(QWidget* parent, const std::string& pictureFileName, WRect& rect);

// I&nsert Picture Object... (417): a picture file, its geo-referencing, the Object Settings
// dialog, and the picture object on the edit target.
void RegisterInsertPictureCommand(MainWindow& window);

}  // namespace tlv
