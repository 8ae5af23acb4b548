#include "shell/main_frame.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/commands.h"

namespace tlv {

namespace {

constexpr int kIconSize = 26;

// A small pictogram of each tool, drawn rather than loaded so the palette needs no files.
QPixmap ToolIcon(int tool) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1.5));
  const QRectF box(4, 4, 18, 18);
  auto magnifier = [&p](bool plus) {
    p.drawEllipse(QRectF(3, 3, 14, 14));
    p.drawLine(QPointF(15, 15), QPointF(23, 23));
    p.drawLine(QPointF(6, 10), QPointF(14, 10));
    if (plus) p.drawLine(QPointF(10, 6), QPointF(10, 14));
  };
  auto arrow = [&p]() {
    const QPointF points[] = {{3, 3}, {3, 15}, {6, 12}, {9, 18}, {11, 17}, {8, 11}, {12, 11}};
    p.setBrush(Qt::black);
    p.drawPolygon(points, 7);
    p.setBrush(Qt::NoBrush);
  };
  switch (tool) {
    case kZoomInTool:
      magnifier(true);
      break;
    case kZoomOutTool:
      magnifier(false);
      break;
    case kDragViewTool:
      p.drawLine(QPointF(13, 3), QPointF(13, 23));
      p.drawLine(QPointF(3, 13), QPointF(23, 13));
      p.drawLine(QPointF(13, 3), QPointF(10, 6));
      p.drawLine(QPointF(13, 3), QPointF(16, 6));
      p.drawLine(QPointF(13, 23), QPointF(10, 20));
      p.drawLine(QPointF(13, 23), QPointF(16, 20));
      p.drawLine(QPointF(3, 13), QPointF(6, 10));
      p.drawLine(QPointF(3, 13), QPointF(6, 16));
      p.drawLine(QPointF(23, 13), QPointF(20, 10));
      p.drawLine(QPointF(23, 13), QPointF(20, 16));
      break;
    case kSelectRectangleTool:
      p.setPen(QPen(Qt::black, 1, Qt::DotLine));
      p.drawRect(QRectF(10, 10, 13, 13));
      p.setPen(QPen(Qt::black, 1));
      arrow();
      break;
    case kSelectCircleTool:
      p.setPen(QPen(Qt::black, 1, Qt::DotLine));
      p.drawEllipse(QRectF(9, 9, 15, 15));
      p.setPen(QPen(Qt::black, 1));
      arrow();
      break;
    case kMeasureTool:
      p.drawLine(QPointF(3, 20), QPointF(23, 6));
      for (int i = 1; i < 5; ++i) {
        const double x = 3 + i * 4.0;
        const double y = 20 - i * 2.8;
        p.drawLine(QPointF(x, y), QPointF(x + 1.5, y + 2.2));
      }
      break;
    case kSymbolTool: {
      const QPointF points[] = {{13, 3}, {22, 13}, {13, 23}, {4, 13}};
      p.setBrush(Qt::black);
      p.drawPolygon(points, 4);
      break;
    }
    case kRectangleTool:
      p.drawRect(box);
      break;
    case kCircleTool:
      p.drawEllipse(box);
      break;
    case kPolylineTool: {
      const QPointF points[] = {{3, 20}, {9, 6}, {15, 18}, {23, 5}};
      p.drawPolyline(points, 4);
      break;
    }
    case kPolygonTool: {
      const QPointF points[] = {{4, 20}, {8, 5}, {18, 4}, {23, 14}, {14, 22}};
      p.drawPolygon(points, 5);
      break;
    }
    case kTextTool: {
      QFont font = p.font();
      font.setPixelSize(18);
      font.setBold(true);
      p.setFont(font);
      p.drawText(QRectF(0, 0, kIconSize, kIconSize), Qt::AlignCenter, QStringLiteral("A"));
      break;
    }
    default:
      break;
  }
  return pixmap;
}

}  // namespace

ToolPalette::ToolPalette(QWidget* parent) : QWidget(parent), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(1);
  for (const PaletteTool& tool : PaletteTools()) {
    auto* button = new QToolButton(this);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFixedSize(kWindowBarSize - 4, kWindowBarSize - 10);
    button->setIcon(QIcon(ToolIcon(tool.kind)));
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setToolTip(FromWindows1252(tool.toolTip) +
                       QStringLiteral(" (%1)").arg(QChar(tool.key)));
    // A plain letter: text fields take their own letters first, so typing is never stolen.
    auto* shortcut = new QShortcut(QKeySequence(QChar(tool.key)), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
    button->setFocusPolicy(Qt::NoFocus);
    group_->addButton(button, tool.kind);
    layout->addWidget(button);
  }
  layout->addStretch(1);
  SetCurrentTool(kSelectRectangleTool);
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
    if (handler_) handler_(id);
  });
}

int ToolPalette::CurrentTool() const {
  return group_->checkedId();
}

void ToolPalette::SetCurrentTool(int tool) {
  if (QAbstractButton* button = group_->button(tool)) button->setChecked(true);
}

QString ToolPalette::ToolTipOf(int tool) const {
  QAbstractButton* button = group_->button(tool);
  return button == nullptr ? QString() : button->toolTip();
}

MainFrame::MainFrame(QWidget* parent)
    : QWidget(parent),
      infoBar_(new QWidget(this)),
      scaleLabel_(new QLabel(infoBar_)),
      statusLine_(new QLabel(this)),
      palette_(new ToolPalette(this)),
      mapWidget_(new QWidget(this)) {
  infoBar_->setObjectName(QStringLiteral("InfoClass"));
  infoBar_->setAutoFillBackground(true);
  auto* infoLayout = new QHBoxLayout(infoBar_);
  infoLayout->setContentsMargins(8, 0, 8, 0);
  infoLayout->addWidget(scaleLabel_);
  infoLayout->addStretch(1);
  scaleLabel_->setObjectName(QStringLiteral("ScaleClass"));
  scaleLabel_->setTextFormat(Qt::PlainText);

  statusLine_->setObjectName(QStringLiteral("MessageClass"));
  statusLine_->setTextFormat(Qt::PlainText);
  statusLine_->setAutoFillBackground(true);
  statusLine_->setContentsMargins(8, 0, 8, 0);
  statusLine_->setFrameShape(QFrame::StyledPanel);

  palette_->setObjectName(QStringLiteral("ToolClass"));

  mapWidget_->setObjectName(QStringLiteral("ViewClass"));
  mapWidget_->setAutoFillBackground(true);
  QPalette mapPalette = mapWidget_->palette();
  mapPalette.setColor(QPalette::Window, Qt::white);
  mapWidget_->setPalette(mapPalette);
  mapWidget_->setFocusPolicy(Qt::StrongFocus);

  RefreshInfoBar();
}

void MainFrame::SetMessageLine(const QString& text, bool temporary) {
  statusLine_->setText(text);
  statusLine_->setProperty("temporary", temporary);
  if (statusLine_->isVisible()) statusLine_->repaint();
}

QString MainFrame::MessageLine() const {
  return statusLine_->text();
}

void MainFrame::RefreshInfoBar() {
  scaleLabel_->setText(FromWindows1252(FormatScale(CurrentMapView().scale)));
}

QString MainFrame::InfoBarText() const {
  return scaleLabel_->text();
}

void MainFrame::LayOut() {
  const int w = width();
  const int h = height();
  infoBar_->setGeometry(0, 0, w, kWindowBarSize);
  statusLine_->setGeometry(0, std::max(h - kWindowBarSize, 0), w, kWindowBarSize);
  const ScreenRect area = MapAreaForClient(w, h);
  palette_->setGeometry(0, kWindowBarSize, kWindowBarSize, area.bottom - area.top);
  mapWidget_->setGeometry(area.left, area.top, area.right - area.left, area.bottom - area.top);
  // While the window is minimised the last map area stays in use, and while it is hidden the
  // map view keeps its default area.
  const QWidget* top = window();
  if (top != nullptr && top->isVisible() && !top->isMinimized()) SetMapArea(area);
  RefreshInfoBar();
}

void MainFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void MainFrame::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  LayOut();
}

}  // namespace tlv
