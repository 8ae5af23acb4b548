// The symbol fonts on the Qt side: registering the shipped font files with the application and
// answering whether each family is installed, which the start-up font check and symbol drawing
// ask.
#pragma once

#include <QFont>
#include <QString>

#include <cstdint>

#include "render/draw_port.h"

namespace tlv {

// Registers "TOLVANED.ttf", "TOLVANEP.ttf" and "TOLVANE2.ttf" from a folder (the program's
// fonts folder, or data/fonts of the source tree). registered receives how many files were
// taken; kErrFileNotFound (src/platform/files.h) when none was.
int32_t RegisterSymbolFontFolder(const QString& folder, int32_t& registered);

QString SymbolFontFamily(SymbolFontId font);
// Whether the family is known to Qt, registered by us or installed on the machine.
bool SymbolFontInstalled(SymbolFontId font);
// The two checks of start-up: the first font's screen face and the second font.
bool FirstSymbolFontInstalled();
bool SecondSymbolFontInstalled();

// The font a symbol glyph is drawn with: the glyph box is the em square, so the font's pixel
// size is the box's side.
QFont SymbolQFont(SymbolFontId font, int pixelSize);
// The character of a symbol code in the symbol fonts (the private-use area from U+F000).
QString SymbolCharacter(uint8_t code);

// Forgets what was found installed, so the next question looks again.
void ResetSymbolFontCacheForTesting();

}  // namespace tlv
