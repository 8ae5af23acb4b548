#include "render/qt/symbol_fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStringList>

#include <array>

#include "base/files.h"

namespace tlv {
namespace {

constexpr char32_t kSymbolCodeBase = 0xF000;
constexpr size_t kSymbolFontCount = 3;

// Known answers per font: -1 not asked yet, else 0 or 1. Asking Qt for all families is slow, and
// symbols are drawn one by one.
std::array<int, kSymbolFontCount> installed = {-1, -1, -1};

size_t Slot(SymbolFontId font) {
  return static_cast<size_t>(font);
}

}  // namespace

void ResetSymbolFontCacheForTesting() {
  installed.fill(-1);
}

QString SymbolFontFamily(SymbolFontId font) {
  switch (font) {
    case SymbolFontId::kScreenSymbols:
      return QStringLiteral("TOLVANED");
    case SymbolFontId::kPaperSymbols:
      return QStringLiteral("TOLVANEP");
    case SymbolFontId::kSecondSymbols:
      return QStringLiteral("TOLVANE2");
  }
  return {};
}

int32_t RegisterSymbolFontFolder(const QString& folder, int32_t& registered) {
  registered = 0;
  const QDir dir(folder);
  for (SymbolFontId font :
       {SymbolFontId::kScreenSymbols, SymbolFontId::kPaperSymbols, SymbolFontId::kSecondSymbols}) {
    const QString stem = SymbolFontFamily(font);
    // Folders copied from systems that ignore case may spell the extension either way.
    for (const QString& name : {stem + QStringLiteral(".ttf"), stem + QStringLiteral(".TTF")}) {
      const QString path = dir.filePath(name);
      if (!QFileInfo::exists(path)) continue;
      if (QFontDatabase::addApplicationFont(path) >= 0) ++registered;
      break;
    }
  }
  installed.fill(-1);
  return registered > 0 ? 0 : kErrFileNotFound;
}

bool SymbolFontInstalled(SymbolFontId font) {
  const size_t slot = Slot(font);
  if (slot >= kSymbolFontCount) return false;
  if (installed[slot] < 0) {
    installed[slot] = QFontDatabase::families().contains(SymbolFontFamily(font)) ? 1 : 0;
  }
  return installed[slot] == 1;
}

bool FirstSymbolFontInstalled() {
  return SymbolFontInstalled(SymbolFontId::kScreenSymbols);
}

bool SecondSymbolFontInstalled() {
  return SymbolFontInstalled(SymbolFontId::kSecondSymbols);
}

QFont SymbolQFont(SymbolFontId font, int pixelSize) {
  QFont qfont(SymbolFontFamily(font));
  qfont.setPixelSize(pixelSize > 0 ? pixelSize : 1);
  // Symbols are pictures: grid-fitting would move a symbol and its background glyph by
  // different amounts.
  qfont.setHintingPreference(QFont::PreferNoHinting);
  // A glyph the font lacks must not be borrowed from another font.
  qfont.setStyleStrategy(QFont::NoFontMerging);
  if (font == SymbolFontId::kSecondSymbols) qfont.setWeight(QFont::Medium);
  return qfont;
}

QString SymbolCharacter(uint8_t code) {
  const char32_t character = kSymbolCodeBase + code;
  return QString::fromUcs4(&character, 1);
}

}  // namespace tlv
