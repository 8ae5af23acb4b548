// The symbol chooser over the shipped symbol list and fonts: the search narrows the grid by
// description or number, each symbol is drawn, and the choice reaches the Object Settings
// dialog's symbol field.
#include "shell/symbol_chooser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>

#include "render/qt/symbol_fonts.h"
#include "render/symbols.h"
#include "shell/qt_test_app.h"

namespace tlv {
namespace {

class SymbolChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::TestApplication();
    QFile list(QStringLiteral(TOLVANE_SOURCE_DIR "/data/fonts/OverlaySymbols.txt"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QByteArray bytes = list.readAll();
    ParseSymbolList(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    int32_t registered = 0;
    RegisterSymbolFontFolder(QStringLiteral(TOLVANE_SOURCE_DIR "/data/fonts"), registered);
  }
  void TearDown() override { ResetSymbolsForTesting(); }
};

TEST_F(SymbolChooserTest, TheSearchNarrowsTheGridByDescriptionOrNumber) {
  const std::vector<int32_t> all = MatchingSymbols(QString());
  ASSERT_GT(all.size(), 50u);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  for (const int32_t symbol : MatchingSymbols(QStringLiteral("HOSPITAL"))) {
    EXPECT_NE(QString::fromStdString(SymbolDescription(symbol))
                  .indexOf(QStringLiteral("hospital"), 0, Qt::CaseInsensitive),
              -1);
  }
  EXPECT_FALSE(MatchingSymbols(QStringLiteral("hospital")).empty());
  EXPECT_EQ(MatchingSymbols(QString::number(all[3])), std::vector<int32_t>{all[3]});
  EXPECT_TRUE(MatchingSymbols(QStringLiteral("no such symbol anywhere")).empty());

  SymbolChooser chooser(nullptr, all[0]);
  EXPECT_EQ(chooser.Shown(), all);
  chooser.SetSearch(QStringLiteral("hospital"));
  EXPECT_EQ(chooser.Shown(), MatchingSymbols(QStringLiteral("hospital")));
  const int32_t wanted = chooser.Shown().front();
  chooser.Pick(wanted);
  EXPECT_EQ(chooser.Symbol(), wanted);
  // The symbols are drawn: the icon is not blank.
  const QImage icon = chooser.Grid()->item(0)->icon().pixmap(32, 32).toImage();
  bool inked = false;
  for (int y = 0; y < icon.height() && !inked; ++y) {
    for (int x = 0; x < icon.width() && !inked; ++x) inked = qGray(icon.pixel(x, y)) < 128;
  }
  EXPECT_TRUE(inked);
}

TEST_F(SymbolChooserTest, ADoubleClickPicksTheSymbolAndCancelKeepsTheOld) {
  const int32_t second = MatchingSymbols(QString())[1];
  QTimer::singleShot(0, [second] {
    auto* chooser = dynamic_cast<SymbolChooser*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    chooser->Pick(second);
    emit chooser->Grid()->itemDoubleClicked(chooser->Grid()->currentItem());
  });
  int32_t symbol = 0;
  ASSERT_TRUE(ChooseSymbol(nullptr, symbol));
  EXPECT_EQ(symbol, second);

  QTimer::singleShot(0, [] {
    auto* chooser = dynamic_cast<SymbolChooser*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    chooser->SetSearch(QStringLiteral("hospital"));
    chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  });
  EXPECT_FALSE(ChooseSymbol(nullptr, symbol));
  EXPECT_EQ(symbol, second);
}

}  // namespace
}  // namespace tlv
