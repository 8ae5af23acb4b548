#include "shell/graphics_widgets.h"

#include <QComboBox>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

#include "edit/modify.h"
#include "platform/qt/text_codec.h"
#include "shell/commands.h"

namespace tlv {

namespace {

constexpr int kSwatchSize = 16;
// The colour list shows the stored colours in the menu's order.
constexpr int16_t kColourOfPosition[kColourTableSize] = {1, 2,  3,  4,  5,  6,  7,  8,
                                                         9, 10, 11, 15, 12, 13, 14, 16};
constexpr int kLineChoices = 10;
constexpr int16_t kStoredPatterns = 16;

void PaintPattern(QPainter& painter, const QRect& area, int16_t pattern, const QColor& ink) {
  const uint8_t* rows = PatternRows(NormalizePattern(pattern), false);
  if (rows == nullptr) return;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if ((rows[y % 8] >> (7 - x % 8)) & 1) painter.fillRect(x, y, 1, 1, ink);
    }
  }
}

}  // namespace

QIcon ColourSwatch(const RGBColour& c) {
  QPixmap pixmap(kSwatchSize, kSwatchSize * 3 / 4);
  pixmap.fill(QColor(c.red, c.green, c.blue));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

QIcon PatternSwatch(int16_t pattern) {
  QPixmap pixmap(kSwatchSize, kSwatchSize);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  PaintPattern(painter, QRect(0, 0, kSwatchSize, kSwatchSize), pattern, Qt::black);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, kSwatchSize - 1, kSwatchSize - 1);
  return QIcon(pixmap);
}

QString MenuEntryLabel(const MenuEntry& entry) {
  QString label = FromWindows1252(LabelText(entry.label));
  label.remove(QLatin1Char('&'));
  return label;
}

QIcon LayerGraphicsSwatch(const int16_t (&graphics)[8], int size) {
  const RGBColour c = ColourForCode(graphics[1], RGBColour{});
  const QColor ink(c.red, c.green, c.blue);
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  PaintPattern(painter, QRect(2, 2, size - 4, size - 4), graphics[4], ink);
  QPen pen(ink);
  pen.setWidth(std::clamp<int>(graphics[3], 1, 3));
  painter.setPen(pen);
  painter.drawRect(1, 1, size - 3, size - 3);
  return QIcon(pixmap);
}

QComboBox* MakeColourChooser(QWidget* parent, int16_t colour) {
  auto* box = new QComboBox(parent);
  const MenuEntry& colours = ColorSubMenu();
  for (int i = 0; i < kColourTableSize; ++i) {
    const int16_t code = kColourOfPosition[i];
    box->addItem(ColourSwatch(ColourForCode(code, RGBColour{})),
                 MenuEntryLabel(colours.subMenu[static_cast<size_t>(i)]), code);
  }
  box->setCurrentIndex(std::max(0, box->findData(colour)));
  return box;
}

QComboBox* MakeLineChooser(QWidget* parent, int16_t lineType, int16_t variant) {
  auto* box = new QComboBox(parent);
  const MenuEntry& lines = LineStyleSubMenu();
  int current = -1;
  for (int choice = 1; choice <= kLineChoices; ++choice) {
    int16_t type = 0, v = 0;
    LineChoice(choice, type, v);
    box->addItem(MenuEntryLabel(lines.subMenu[static_cast<size_t>(choice - 1)]), choice);
    if (type == lineType && v == variant) current = choice - 1;
  }
  if (current < 0) {
    // A line the menu does not offer stays as it is unless another is chosen.
    box->insertItem(0, QStringLiteral("(as it is)"), 0);
    current = 0;
  }
  box->setCurrentIndex(current);
  return box;
}

QComboBox* MakeFillChooser(QWidget* parent, int16_t pattern) {
  auto* box = new QComboBox(parent);
  const MenuEntry& fills = FillPatternSubMenu();
  for (int16_t p = 0; p < kStoredPatterns; ++p) {
    const QString label = p >= 1 && static_cast<size_t>(p) <= fills.subMenu.size()
                              ? MenuEntryLabel(fills.subMenu[static_cast<size_t>(p - 1)])
                              : QStringLiteral("Pattern %1").arg(p);
    box->addItem(PatternSwatch(p), label, p);
  }
  box->setCurrentIndex(std::max(0, box->findData(pattern & 0xF)));
  return box;
}

}  // namespace tlv
