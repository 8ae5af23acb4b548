// The symbol fonts and their lists, as the drawing code will use them: every listed symbol is a
// glyph at U+F000 + (number & 0xFF) of its font, stays inside its em box, and a white
// background glyph hides everything under its symbols.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QColor>
#include <QCryptographicHash>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// Qt registers application fonts with fontconfig, which keeps its caches until the process
// ends; those blocks are not leaks of this program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace tlv {
namespace {

const QString kFontDir = QStringLiteral(TOLVANE_SOURCE_DIR "/data/fonts/");
constexpr char32_t kCodeBase = 0xF000;
// Symbols are drawn at size 18, that is 24 pixels; 64 pixels shows outline faults the small
// size hides.
const int kPixelSizes[] = {24, 64};

struct SymbolRange {
  int first;
  int last;
  int background;
};

// Fixed by the drawing code for TOLVANE2.
const SymbolRange kSecondFontBackgrounds[] = {
    {288, 336, 294}, {381, 382, 382}, {416, 498, 382},
    {349, 375, 372}, {384, 415, 372}, {501, 511, 372},
};

QApplication& App() {
  static int argc = 1;
  static char name[] = "symbol_fonts_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr) app = new QApplication(argc, argv);
  return *app;
}

QByteArray ReadDataFile(const char* name) {
  QFile file(kFontDir + QString::fromLatin1(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

std::vector<QByteArray> DataLines(const QByteArray& bytes) {
  std::vector<QByteArray> lines;
  for (QByteArray line : bytes.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    lines.push_back(line);
  }
  if (!lines.empty() && lines.back().isEmpty()) lines.pop_back();
  return lines;
}

// The symbol list: number to description.
const std::map<int, std::string>& Symbols() {
  static const std::map<int, std::string> symbols = [] {
    std::map<int, std::string> result;
    for (const QByteArray& line : DataLines(ReadDataFile("OverlaySymbols.txt"))) {
      const int tab = line.indexOf('\t');
      if (tab <= 0) continue;
      bool ok = false;
      const int number = line.left(tab).toInt(&ok);
      if (ok) result[number] = line.mid(tab + 1).toStdString();
    }
    return result;
  }();
  return symbols;
}

std::vector<SymbolRange> FirstFontBackgrounds() {
  std::vector<SymbolRange> ranges;
  for (const QByteArray& line : DataLines(ReadDataFile("background_ranges.txt"))) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() != 3) {
      ADD_FAILURE() << "background range line is not three TAB-separated numbers: "
                    << line.toStdString();
      continue;
    }
    ranges.push_back({fields[0].toInt(), fields[1].toInt(), fields[2].toInt()});
  }
  return ranges;
}

int BackgroundOf(int number) {
  if (number < 256) {
    for (const SymbolRange& range : FirstFontBackgrounds()) {
      if (range.first <= number && number <= range.last) return range.background;
    }
    return -1;
  }
  for (const SymbolRange& range : kSecondFontBackgrounds) {
    if (range.first <= number && number <= range.last) return range.background;
  }
  return -1;
}

// Registers the three fonts once; returns the families each file brought.
const std::map<QString, QStringList>& RegisteredFamilies() {
  static const std::map<QString, QStringList> families = [] {
    App();
    std::map<QString, QStringList> result;
    for (const char* name : {"TOLVANED", "TOLVANEP", "TOLVANE2"}) {
      const QString file = kFontDir + QString::fromLatin1(name) + QStringLiteral(".ttf");
      const int id = QFontDatabase::addApplicationFont(file);
      result[QString::fromLatin1(name)] =
          id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    }
    return result;
  }();
  return families;
}

QFont SymbolFont(const QString& family, int pixelSize,
                 QFont::HintingPreference hinting = QFont::PreferNoHinting) {
  RegisteredFamilies();
  QFont font(family);
  font.setPixelSize(pixelSize);
  // Symbols are pictures: grid-fitting would move a symbol's frame and its background glyph
  // by different amounts.
  font.setHintingPreference(hinting);
  // The second font is asked for at weight 500 by the drawing code.
  if (family == QStringLiteral("TOLVANE2")) font.setWeight(QFont::Medium);
  font.setStyleStrategy(QFont::NoFontMerging);
  return font;
}

QString FamilyFor(int number, bool paper = false) {
  if (number >= 256) return QStringLiteral("TOLVANE2");
  return paper ? QStringLiteral("TOLVANEP") : QStringLiteral("TOLVANED");
}

QString SymbolText(int number) {
  const char32_t code = kCodeBase + static_cast<char32_t>(number & 0xFF);
  return QString::fromUcs4(&code, 1);
}

// One symbol drawn with its em box at (size, size) in an image three sizes wide, so that ink
// outside the box has room to show.
struct Drawn {
  QImage image;
  QRect box;
};

Drawn DrawSymbol(const QString& family, int number, int pixelSize,
                 QColor colour = QColor(Qt::black),
                 QFont::HintingPreference hinting = QFont::PreferNoHinting) {
  Drawn drawn;
  drawn.image = QImage(pixelSize * 3, pixelSize * 3, QImage::Format_ARGB32_Premultiplied);
  drawn.image.fill(Qt::transparent);
  const QFont font = SymbolFont(family, pixelSize, hinting);
  const QFontMetricsF metrics(font);
  drawn.box = QRect(pixelSize, pixelSize, pixelSize, pixelSize);
  QPainter painter(&drawn.image);
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(QPointF(pixelSize, pixelSize + metrics.ascent()), SymbolText(number));
  return drawn;
}

int Alpha(const QImage& image, int x, int y) {
  return qAlpha(image.pixel(x, y));
}

TEST(SymbolFontsTest, ListNamesEnoughSymbolsInOrder) {
  const QByteArray bytes = ReadDataFile("OverlaySymbols.txt");
  ASSERT_FALSE(bytes.isEmpty()) << "OverlaySymbols.txt is missing";
  int previous = -1;
  for (const QByteArray& line : DataLines(bytes)) {
    const int tab = line.indexOf('\t');
    ASSERT_GT(tab, 0) << "line without number and TAB: " << line.toStdString();
    bool ok = false;
    const int number = line.left(tab).toInt(&ok);
    ASSERT_TRUE(ok) << line.toStdString();
    EXPECT_GE(number, 0);
    EXPECT_LE(number, 511);
    EXPECT_GT(number, previous) << "numbers must ascend without repeats";
    previous = number;
    const QByteArray description = line.mid(tab + 1);
    EXPECT_FALSE(description.trimmed().isEmpty()) << "symbol " << number;
    for (char c : description) {
      EXPECT_GE(static_cast<unsigned char>(c), 0x20) << "control byte in symbol " << number;
    }
  }
  EXPECT_GE(Symbols().size(), 200u);
  // The defaults of new overlays and imports, and the import constants LANDMARK and AIRPLANE.
  for (int number : {212, 100, 54, 51, 177, 207}) {
    EXPECT_EQ(Symbols().count(number), 1u) << "symbol " << number << " is not listed";
  }
}

TEST(SymbolFontsTest, FirstFontBackgroundRangesAreSound) {
  const std::vector<SymbolRange> ranges = FirstFontBackgrounds();
  ASSERT_FALSE(ranges.empty());
  for (const SymbolRange& range : ranges) {
    EXPECT_LE(0, range.first);
    EXPECT_LE(range.first, range.last);
    EXPECT_LE(range.last, 255);
    EXPECT_EQ(range.background, 220);
  }
  EXPECT_EQ(Symbols().count(220), 1u);
  for (const SymbolRange& range : kSecondFontBackgrounds) {
    EXPECT_EQ(Symbols().count(range.background), 1u) << "background " << range.background;
  }
}

TEST(SymbolFontsTest, FontsRegisterUnderTheirFamilyNames) {
  for (const auto& [name, families] : RegisteredFamilies()) {
    EXPECT_TRUE(families.contains(name))
        << name.toStdString() << " registered as " << families.join(',').toStdString();
  }
}

// The glyphs of each font are exactly the listed symbols, so the list and the fonts cannot
// drift apart.
TEST(SymbolFontsTest, FontsHoldExactlyTheListedSymbols) {
  App();
  for (const char* name : {"TOLVANED", "TOLVANEP", "TOLVANE2"}) {
    const QRawFont raw(kFontDir + QString::fromLatin1(name) + QStringLiteral(".ttf"), 24);
    ASSERT_TRUE(raw.isValid()) << name;
    const int base = std::string(name) == "TOLVANE2" ? 256 : 0;
    for (int code = 0; code < 256; ++code) {
      const bool listed = Symbols().count(base + code) == 1;
      EXPECT_EQ(raw.supportsCharacter(kCodeBase + static_cast<uint>(code)), listed)
          << name << " symbol " << base + code;
    }
  }
}

TEST(SymbolFontsTest, EverySymbolMarksPixelsOnlyInsideItsBox) {
  for (int pixelSize : kPixelSizes) {
    for (const auto& [number, description] : Symbols()) {
      for (bool paper : {false, true}) {
        if (paper && number >= 256) continue;
        // The paper font is drawn grid-fitted as a printer might; the screen font without.
        const Drawn drawn = DrawSymbol(FamilyFor(number, paper), number, pixelSize, Qt::black,
                                       paper ? QFont::PreferFullHinting : QFont::PreferNoHinting);
        // Anti-aliasing and the rounding of the ascent may spill half a pixel over the edge.
        const QRect allowed = drawn.box.adjusted(-1, -1, 1, 1);
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < drawn.image.height(); ++y) {
          for (int x = 0; x < drawn.image.width(); ++x) {
            if (Alpha(drawn.image, x, y) == 0) continue;
            if (allowed.contains(x, y)) {
              ++inside;
            } else {
              ++outside;
            }
          }
        }
        EXPECT_EQ(outside, 0) << "symbol " << number << " (" << description << ") at " << pixelSize
                              << " px, paper font " << paper;
        // The smallest symbol, the dot, covers about a tenth of its box.
        EXPECT_GT(inside, pixelSize * pixelSize / 20)
            << "symbol " << number << " (" << description << ") at " << pixelSize << " px";
      }
    }
  }
}

// Text drawing drops the control codes 9, 10, 12, 13 and the soft hyphen 173 when they are
// used as plain character codes; the private-use mapping keeps those symbols drawable.
TEST(SymbolFontsTest, SymbolsAtControlCodesStillDraw) {
  for (int number : {9, 10, 12, 13, 173, 265, 266, 268, 269, 429}) {
    if (Symbols().count(number) == 0) continue;
    const Drawn drawn = DrawSymbol(FamilyFor(number), number, 24);
    int ink = 0;
    for (int y = 0; y < drawn.image.height(); ++y) {
      for (int x = 0; x < drawn.image.width(); ++x) ink += Alpha(drawn.image, x, y) > 0;
    }
    EXPECT_GT(ink, 0) << "symbol " << number;
  }
}

// Two symbols of one font with the same picture are a recipe mistake; the paper font must show
// the same pictures as the screen font.
TEST(SymbolFontsTest, SymbolsAreDistinctAndPaperMatchesScreen) {
  std::map<QByteArray, int> seen;
  for (const auto& [number, description] : Symbols()) {
    const Drawn drawn = DrawSymbol(FamilyFor(number), number, 64);
    const QByteArray bits(reinterpret_cast<const char*>(drawn.image.constBits()),
                          static_cast<int>(drawn.image.sizeInBytes()));
    const QByteArray key =
        FamilyFor(number).toLatin1() + QCryptographicHash::hash(bits, QCryptographicHash::Sha1);
    const auto [it, added] = seen.emplace(key, number);
    EXPECT_TRUE(added) << "symbol " << number << " looks exactly like symbol " << it->second;
    if (number < 256) {
      const Drawn paper = DrawSymbol(FamilyFor(number, true), number, 64);
      EXPECT_EQ(paper.image, drawn.image) << "symbol " << number << " differs on paper";
    }
  }
}

// The background glyph is drawn in white first so that nothing beneath shows through the
// symbol: wherever the symbol puts ink, the background must have put at least as much. Without
// grid-fitting that holds to the rounding of the coverage; the light default grid-fitting may
// move an edge by a fraction of a pixel.
TEST(SymbolFontsTest, BackgroundGlyphsCoverTheirSymbols) {
  struct Mode {
    QFont::HintingPreference hinting;
    int tolerance;
  };
  const Mode modes[] = {{QFont::PreferNoHinting, 2}, {QFont::PreferDefaultHinting, 24}};
  int checked = 0;
  for (const Mode& mode : modes) {
    for (int pixelSize : kPixelSizes) {
      for (const auto& [number, description] : Symbols()) {
        const int background = BackgroundOf(number);
        if (background < 0) continue;
        ASSERT_EQ(Symbols().count(background), 1u) << "background of " << number;
        const QString family = FamilyFor(number);
        const Drawn symbol = DrawSymbol(family, number, pixelSize, Qt::black, mode.hinting);
        const Drawn under = DrawSymbol(family, background, pixelSize, Qt::white, mode.hinting);
        int uncovered = 0;
        for (int y = 0; y < symbol.image.height(); ++y) {
          for (int x = 0; x < symbol.image.width(); ++x) {
            if (Alpha(symbol.image, x, y) > Alpha(under.image, x, y) + mode.tolerance) {
              ++uncovered;
            }
          }
        }
        EXPECT_EQ(uncovered, 0) << "symbol " << number << " (" << description << ") pokes out of "
                                << background << " at " << pixelSize << " px, hinting "
                                << mode.hinting;
        // The background fills the whole frame, not only its rim: the middle of the box hides
        // the map (red here) too.
        QImage together(symbol.image.size(), QImage::Format_ARGB32_Premultiplied);
        together.fill(Qt::red);
        {
          QPainter painter(&together);
          painter.drawImage(0, 0, under.image);
          painter.drawImage(0, 0, symbol.image);
        }
        EXPECT_NE(together.pixel(symbol.box.center()), QColor(Qt::red).rgba())
            << "symbol " << number;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace tlv
