// Small pictures and choosers of graphics shared by the dialogs that set them: colour and
// pattern swatches, the colour, line and fill lists in the Overlays menu's order, and a swatch of
// an overlay's default graphics for the overlay lists.
#pragma once

#include <QIcon>
#include <QString>

#include <cstdint>

#include "render/graphics_tables.h"

class QComboBox;
class QWidget;

namespace tlv {

struct MenuEntry;

QIcon ColourSwatch(const RGBColour& colour);
QIcon PatternSwatch(int16_t pattern);
// The label of a menu entry without its mnemonic and shortcut.
QString MenuEntryLabel(const MenuEntry& entry);

// The eight default-graphics values of an overlay: symbol, colour, variant, line type, fill
// pattern, text value, text flag, text code. The swatch shows the fill pattern in the colour
// inside a frame drawn in the line.
QIcon LayerGraphicsSwatch(const int16_t (&graphics)[8], int size = 16);

// The 16 colours (in the menu's order), the ten lines and the sixteen stored fill patterns, each
// item carrying its stored value (colour code; line choice 1 to 10; pattern).
QComboBox* MakeColourChooser(QWidget* parent, int16_t colour);
QComboBox* MakeLineChooser(QWidget* parent, int16_t lineType, int16_t variant);
QComboBox* MakeFillChooser(QWidget* parent, int16_t pattern);

}  // namespace tlv
