#include "shell/georef_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>

#include "base/errors.h"
#include "base/platform.h"
#include "catalogue/display_settings.h"
#include "edit/edit_targets.h"
#include "edit/new_object.h"
#include "geometry/coordinates.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "geometry/screen.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/latlong_entry.h"
#include "shell/main_window.h"
#include "shell/object_settings_dialog.h"

namespace tlv {

namespace {

constexpr int kInsertPictureCommand = 417;
constexpr int kPanelWidth = 480;
constexpr int kPanelHeight = 360;
constexpr int kOverviewWidth = 160;
constexpr int kOverviewHeight = 120;
constexpr int kCrosshairHalf = 7;  // a 15-pixel crosshair
constexpr double kMaxZoom = 16.0;
constexpr const char* kUnsetText = "-----";

// Reads the part of the picture in view at the size it is shown: the reader clips and scales
// while decoding where the format allows it, so the whole picture is never held at full size
// for a fitted view of a large photograph.
QImage ReadPart(const QString& file, QSize pictureSize, const QRectF& part, QSize shown) {
  QImageReader reader(file);
  const QRect clip = part.toAlignedRect().intersected(QRect(QPoint(0, 0), pictureSize));
  if (clip.isEmpty() || shown.isEmpty()) return {};
  if (clip != QRect(QPoint(0, 0), pictureSize)) reader.setClipRect(clip);
  reader.setScaledSize(shown);
  return reader.read();
}

void DrawCrosshair(QPainter& painter, QPointF at, const QString& label) {
  painter.setPen(QPen(Qt::red, 1));
  painter.drawLine(QPointF(at.x() - kCrosshairHalf, at.y()),
                   QPointF(at.x() + kCrosshairHalf, at.y()));
  painter.drawLine(QPointF(at.x(), at.y() - kCrosshairHalf),
                   QPointF(at.x(), at.y() + kCrosshairHalf));
  painter.drawText(QPointF(at.x() + kCrosshairHalf + 2, at.y() - 2), label);
}

// The whole picture small, with the part in view framed; a click or a drag scrolls to it.
class QuickScrollPanel : public QWidget {
 public:
  QuickScrollPanel(QWidget* parent, GeoRefPicturePanel& panel, const QString& file, bool readable)
      : QWidget(parent), panel_(panel) {
    setObjectName(QStringLiteral("overview"));
    setFixedSize(kOverviewWidth, kOverviewHeight);
    const QSize size = panel.PictureSize();
    scale_ =
        std::min(double(kOverviewWidth) / size.width(), double(kOverviewHeight) / size.height());
    const QSize shown(std::max(1, int(size.width() * scale_)),
                      std::max(1, int(size.height() * scale_)));
    if (readable) thumbnail_ = ReadPart(file, size, QRectF(QPointF(0, 0), size), shown);
    shownSize_ = shown;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (thumbnail_.isNull()) {
      painter.fillRect(QRect(QPoint(0, 0), shownSize_), Qt::gray);
    } else {
      painter.drawImage(QPoint(0, 0), thumbnail_);
    }
    const QRectF part = panel_.VisiblePart();
    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(part.topLeft() * scale_, part.size() * scale_));
  }
  void mousePressEvent(QMouseEvent* event) override { Scroll(event->position()); }
  void mouseMoveEvent(QMouseEvent* event) override {
    if ((event->buttons() & Qt::LeftButton) != 0) Scroll(event->position());
  }

 private:
  void Scroll(QPointF at) {
    panel_.CentreOn(at / scale_);
    update();
  }

  GeoRefPicturePanel& panel_;
  QImage thumbnail_;
  QSize shownSize_;
  double scale_ = 1;
};

// The picture's size from the caller's rectangle, as it shows at the current view.
QSize SizeOnScreen(const WRect& rect) {
  const ScreenRect s = WorldRectToScreen(CurrentViewMapping(), rect);
  const int width = s.right - s.left;
  const int height = s.bottom - s.top;
  if (width < 2 || height < 2) return {kPanelWidth, kPanelHeight};
  return {width, height};
}

}  // namespace

// --- GeoRefPicturePanel ---

GeoRefPicturePanel::GeoRefPicturePanel(QWidget* parent, const QString& file, QSize pictureSize,
                                       bool readable)
    : QWidget(parent), file_(file), pictureSize_(pictureSize), readable_(readable) {
  setObjectName(QStringLiteral("picture"));
  setFixedSize(kPanelWidth, kPanelHeight);
  setCursor(Qt::CrossCursor);
  Fit();
}

QRectF GeoRefPicturePanel::VisiblePart() const {
  return QRectF(origin_, QSizeF(width() / zoom_, height() / zoom_))
      .intersected(QRectF(QPointF(0, 0), QSizeF(pictureSize_)));
}

void GeoRefPicturePanel::Fit() {
  fitZoom_ = std::min(double(kPanelWidth) / pictureSize_.width(),
                      double(kPanelHeight) / pictureSize_.height());
  zoom_ = fitZoom_;
  origin_ = QPointF(0, 0);
  KeepInside();
}

void GeoRefPicturePanel::ZoomAbout(QPointF picturePosition, double factor) {
  zoom_ = std::clamp(zoom_ * factor, fitZoom_, std::max(fitZoom_, kMaxZoom));
  CentreOn(picturePosition);
}

void GeoRefPicturePanel::CentreOn(QPointF picturePosition) {
  origin_ = picturePosition - QPointF(width() / zoom_ / 2, height() / zoom_ / 2);
  KeepInside();
}

// A picture smaller than the panel sits in its middle; a larger one never scrolls past its edges.
void GeoRefPicturePanel::KeepInside() {
  const double viewWidth = kPanelWidth / zoom_;
  const double viewHeight = kPanelHeight / zoom_;
  const auto place = [](double origin, double view, double size) {
    if (view >= size) return (size - view) / 2;
    return std::clamp(origin, 0.0, size - view);
  };
  origin_ = QPointF(place(origin_.x(), viewWidth, pictureSize_.width()),
                    place(origin_.y(), viewHeight, pictureSize_.height()));
  update();
  if (onViewChanged) onViewChanged();
}

QPointF GeoRefPicturePanel::PanelPosition(QPointF picturePosition) const {
  return (picturePosition - origin_) * zoom_;
}

QPointF GeoRefPicturePanel::PicturePosition(QPointF panelPosition) const {
  return panelPosition / zoom_ + origin_;
}

void GeoRefPicturePanel::SetMarks(const std::array<QPoint, 2>& marks) {
  marks_ = marks;
  update();
}

void GeoRefPicturePanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  const QRectF part = VisiblePart();
  const QRectF target(PanelPosition(part.topLeft()), part.size() * zoom_);
  if (!readable_) {
    painter.fillRect(target, Qt::gray);
  } else {
    const QSize shown = target.toAlignedRect().size();
    if (cache_.isNull() || cachePart_ != part || cacheSize_ != shown) {
      cache_ = ReadPart(file_, pictureSize_, part, shown);
      cachePart_ = part;
      cacheSize_ = shown;
    }
    if (cache_.isNull()) {
      painter.fillRect(target, Qt::gray);
    } else {
      painter.drawImage(target.topLeft(), cache_);
    }
  }
  for (size_t k = 0; k < marks_.size(); ++k) {
    if (marks_[k].x() < 0) continue;
    // The mark sits in the middle of its pixel.
    DrawCrosshair(painter, PanelPosition(QPointF(marks_[k]) + QPointF(0.5, 0.5)),
                  QString::number(k + 1));
  }
}

void GeoRefPicturePanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !onClick) return;
  const QPointF at = PicturePosition(event->position());
  if (at.x() < 0 || at.y() < 0 || at.x() >= pictureSize_.width() ||
      at.y() >= pictureSize_.height()) {
    return;
  }
  onClick(QPoint(int(std::floor(at.x())), int(std::floor(at.y()))));
}

void GeoRefPicturePanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  KeepInside();
}

// --- GeoRefDialog ---

GeoRefDialog::GeoRefDialog(QWidget* parent, const QString& file, QSize proposedSize)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Geo-Reference Picture"));
  QImageReader reader(file);
  QSize size = reader.size();  // from the header: nothing is decoded
  const bool readable = size.isValid() && !size.isEmpty() && reader.canRead();
  if (!readable)
    size = proposedSize.isValid() && !proposedSize.isEmpty() ? proposedSize
                                                             : QSize(kPanelWidth, kPanelHeight);

  panel_ = new GeoRefPicturePanel(this, file, size, readable);
  overview_ = new QuickScrollPanel(this, *panel_, file, readable);
  panel_->onClick = [this](QPoint at) { ClickPicture(at); };
  panel_->onViewChanged = [this] {
    if (overview_ != nullptr) overview_->update();
  };

  tools_ = new QButtonGroup(this);
  auto* toolColumn = new QVBoxLayout;
  const char* toolTexts[4] = {"1", "2", "+", "\u2212"};
  const char* toolNames[4] = {"point1Tool", "point2Tool", "zoomInTool", "zoomOutTool"};
  for (int i = 0; i < 4; ++i) {
    auto* button = new QToolButton(this);
    button->setText(QString::fromUtf8(toolTexts[i]));
    button->setObjectName(QString::fromLatin1(toolNames[i]));
    button->setCheckable(true);
    tools_->addButton(button, i);
    toolColumn->addWidget(button);
  }
  toolColumn->addStretch();
  connect(tools_, &QButtonGroup::idClicked, this, [this](int id) { SetTool(Tool(id)); });

  auto* side = new QVBoxLayout;
  side->addWidget(overview_);
  for (int k = 0; k < 2; ++k) {
    auto* box = new QGroupBox(QStringLiteral("Point %1").arg(k + 1), this);
    auto* grid = new QGridLayout(box);
    latTexts_[size_t(k)] = new QLabel(QString::fromLatin1(kUnsetText), box);
    longTexts_[size_t(k)] = new QLabel(QString::fromLatin1(kUnsetText), box);
    latTexts_[size_t(k)]->setObjectName(QStringLiteral("lat%1").arg(k + 1));
    longTexts_[size_t(k)]->setObjectName(QStringLiteral("long%1").arg(k + 1));
    grid->addWidget(new QLabel(QStringLiteral("Latitude:"), box), 0, 0);
    grid->addWidget(latTexts_[size_t(k)], 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Longitude:"), box), 1, 0);
    grid->addWidget(longTexts_[size_t(k)], 1, 1);
    resets_[size_t(k)] = new QPushButton(QStringLiteral("Reset"), box);
    resets_[size_t(k)]->setObjectName(QStringLiteral("reset%1").arg(k + 1));
    grid->addWidget(resets_[size_t(k)], 2, 1);
    connect(resets_[size_t(k)], &QPushButton::clicked, this, [this, k] { ResetPoint(k); });
    side->addWidget(box);
  }
  side->addStretch();

  auto* top = new QHBoxLayout;
  top->addLayout(toolColumn);
  top->addWidget(panel_);
  top->addLayout(side);

  hint_ = new QLabel(this);
  hint_->setObjectName(QStringLiteral("hint"));
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QDialogButtonBox::Ok);
  buttons->addButton(QDialogButtonBox::Cancel);
  QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  help->setEnabled(false);  // no help text exists for this dialog yet
  connect(buttons, &QDialogButtonBox::accepted, this, &GeoRefDialog::TryAccept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(hint_);
  layout->addWidget(buttons);
  SetTool(kPoint1Tool);
}

QString GeoRefDialog::Hint() const {
  switch (tool_) {
    case kPoint1Tool:
      return points_[0].column < 0 ? QStringLiteral("Click to position point 1.")
                                   : QStringLiteral("Click to reposition point 1.");
    case kPoint2Tool:
      return points_[1].column < 0 ? QStringLiteral("Click to position point 2.")
                                   : QStringLiteral("Click to reposition point 2.");
    case kZoomInTool:
      return QStringLiteral("Click to zoom in.");
    case kZoomOutTool:
      return QStringLiteral("Click to zoom out.");
  }
  return {};
}

void GeoRefDialog::SetTool(Tool tool) {
  tool_ = tool;
  if (QAbstractButton* button = tools_->button(int(tool))) button->setChecked(true);
  Refresh();
}

void GeoRefDialog::ClickPicture(QPoint picturePixel) {
  const QPointF centre = QPointF(picturePixel) + QPointF(0.5, 0.5);
  if (tool_ == kZoomInTool || tool_ == kZoomOutTool) {
    panel_->ZoomAbout(centre, tool_ == kZoomInTool ? 2.0 : 0.5);
    return;
  }
  const int k = tool_ == kPoint1Tool ? 0 : 1;
  const GeoRefPoint before = points_[size_t(k)];
  points_[size_t(k)].column = picturePixel.x();
  points_[size_t(k)].row = picturePixel.y();
  Refresh();
  // Cancelling the question puts the point back where it was.
  if (!AskWorld(k)) points_[size_t(k)] = before;
  // Point 2 comes next once point 1 is placed.
  if (k == 0 && points_[0].set && points_[1].column < 0) tool_ = kPoint2Tool;
  SetTool(tool_);
}

void GeoRefDialog::ResetPoint(int k) {
  if (points_[size_t(k)].column < 0) return;
  AskWorld(k);
  Refresh();
}

bool GeoRefDialog::AskWorld(int k) {
  if (k == 1 && points_[0].set) {
    Question question;
    question.title = "Specify Point 2";
    question.text = "Specify Point 2";
    question.buttons = {"&Distance", "&Latitude/Longitude", "Cancel"};
    question.defaultButton = 0;
    question.cancelButton = 2;
    const int answer = Platform().Ask(question);
    if (answer == 0) return AskDistance();
    if (answer != 1) return false;
  }
  GeoRefPoint& point = points_[size_t(k)];
  const GeoRefPoint& other = points_[size_t(1 - k)];
  WPoint world = point.set ? point.world : other.set ? other.world : ClickPoint();
  if (!AskLatLong(this, QStringLiteral("Set the Lat/Long for Point %1").arg(k + 1), world)) {
    return false;
  }
  point.world = world;
  point.set = true;
  return true;
}

bool GeoRefDialog::AskDistance() {
  const int16_t unit = CurrentGeometrySettings().distanceUnit;
  QDialog dialog(this);
  dialog.setWindowTitle(QStringLiteral("Specify Distance"));
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Point 2 is"), &dialog));
  auto* field = new QLineEdit(&dialog);
  field->setObjectName(QStringLiteral("distance"));
  field->setText(QString::fromStdString(
      DistanceFieldText(DefaultDistance(points_[0], points_[1], unit), unit)));
  row->addWidget(field);
  row->addWidget(new QLabel(FromWindows1252(DistanceUnitName(unit)), &dialog));
  row->addWidget(new QLabel(QStringLiteral("from Point 1."), &dialog));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(row);
  layout->addWidget(buttons);
  WPoint world;
  connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    bool number = false;
    const double distance = field->text().trimmed().toDouble(&number);
    if (!number || !std::isfinite(distance) || distance <= 0) {
      ShowAlert("The distance must be a number greater than 0.", kStopAlert);
      return;
    }
    const int32_t problem =
        PointFromDistance(points_[0], points_[1].column, points_[1].row, distance, unit, world);
    if (problem != 0) {
      ShowAlert(GeoRefProblemText(problem), kStopAlert);
      return;
    }
    dialog.accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  points_[1].world = world;
  points_[1].set = true;
  return true;
}

void GeoRefDialog::TryAccept() {
  const int32_t check = GeoRefCheck(points_[0], points_[1]);
  if (check != 0) {
    ShowAlert(GeoRefProblemText(check), kStopAlert);
    return;
  }
  const QSize size = panel_->PictureSize();
  WRect rect;
  const int32_t problem =
      GeoRefWorldRect(size.width(), size.height(), points_[0], points_[1], rect);
  if (problem != 0) {
    ShowAlert(GeoRefProblemText(problem), kStopAlert);
    return;
  }
  result_ = rect;
  accept();
}

void GeoRefDialog::Refresh() {
  hint_->setText(Hint());
  std::array<QPoint, 2> marks;
  for (size_t k = 0; k < 2; ++k) {
    const GeoRefPoint& p = points_[k];
    marks[k] = QPoint(p.column, p.row);
    resets_[k]->setEnabled(p.column >= 0);
    if (p.set) {
      std::string lat, lon;
      FormatLatLong(p.world, lat, lon);
      latTexts_[k]->setText(FromWindows1252(lat));
      longTexts_[k]->setText(FromWindows1252(lon));
    } else {
      latTexts_[k]->setText(QString::fromLatin1(kUnsetText));
      longTexts_[k]->setText(QString::fromLatin1(kUnsetText));
    }
  }
  panel_->SetMarks(marks);
  ok_->setEnabled(points_[0].set && points_[1].set);
}

int32_t GeoReferencePicture(QWidget* parent, const std::string& pictureFileName, WRect& rect) {
  GeoRefDialog dialog(parent, QString::fromLocal8Bit(pictureFileName.c_str()), SizeOnScreen(rect));
  const int result = dialog.exec();
  if (result != QDialog::Accepted) return result;
  rect = dialog.Result();
  return 1;
}

void RegisterInsertPictureCommand(MainWindow& window) {
  window.RegisterCommand(kInsertPictureCommand, [&window] {
    // Nothing is asked when the picture could not go anywhere.
    AnyLayerUnlocked();
    if (!CheckUnlockedLayerForAdd()) return;
    if (ChooseEditMap() < 0) return;

    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
      patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    }
    QFileDialog chooser(&window, QStringLiteral("Insert Picture Object"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setNameFilters({QStringLiteral("Pictures (%1)").arg(patterns.join(QLatin1Char(' '))),
                            QStringLiteral("All files (*)")});
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
    const QString file = chooser.selectedFiles().constFirst();
    if (!PictureReadable(file)) {
      ShowAlert(UnreadablePictureText(file), kStopAlert);
      return;
    }

    WRect rect = ViewWorldRect();
    if (GeoReferencePicture(&window, file.toLocal8Bit().toStdString(), rect) != 1) return;

    NewObject object;
    object.type = kPictureObject;
    object.name = ToWindows1252(QFileInfo(file).completeBaseName()).substr(0, 31);
    object.overlayID = DefaultOverlayForNewObject();
    object.graphics = OverlayDefaultGraphics(object.overlayID);
    object.rect = rect;
    // The full path until the picture is copied: the dialog may choose another file.
    object.text = file.toLocal8Bit().toStdString();
    if (!EditNewObjectSettings(&window, object)) return;
    ObjectRef made;
    if (AddPictureObject(object, object.text, made) != 0) return;
    window.InvalidateMap();
  });
}

}  // namespace tlv
