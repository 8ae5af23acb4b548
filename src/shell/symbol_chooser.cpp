#include "shell/symbol_chooser.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QVBoxLayout>

#include "platform/qt/text_codec.h"
#include "render/qt/qt_draw_port.h"
#include "render/symbols.h"

namespace tlv {

namespace {

constexpr int kIconSide = 32;

QIcon SymbolIcon(int32_t symbol) {
  QImage image(kIconSide, kIconSide, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QtDrawPort port(image, DeviceKind::kScreen);
    DrawSymbol(port, symbol, SymbolBox({kIconSide / 2, kIconSide / 2}, kIconSide - 6),
               RGBColour{0, 0, 0}, false);
  }
  return QIcon(QPixmap::fromImage(image));
}

QString DescriptionOf(int32_t symbol) {
  return FromWindows1252(SymbolDescription(symbol));
}

}  // namespace

std::vector<int32_t> MatchingSymbols(const QString& text) {
  const QString wanted = text.trimmed();
  bool isNumber = false;
  const int number = wanted.toInt(&isNumber);
  std::vector<int32_t> found;
  for (int32_t symbol = 0; symbol < kSymbolCount; ++symbol) {
    if (!SymbolInList(symbol)) continue;
    if (wanted.isEmpty() || (isNumber && symbol == number) ||
        DescriptionOf(symbol).contains(wanted, Qt::CaseInsensitive)) {
      found.push_back(symbol);
    }
  }
  return found;
}

SymbolChooser::SymbolChooser(QWidget* parent, int32_t symbol)
    : QDialog(parent),
      symbol_(symbol),
      search_(new QLineEdit(this)),
      grid_(new QListWidget(this)),
      description_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Choose Symbol"));
  search_->setObjectName(QStringLiteral("search"));
  search_->setPlaceholderText(QStringLiteral("Search by description or number"));
  search_->setClearButtonEnabled(true);
  grid_->setObjectName(QStringLiteral("symbols"));
  grid_->setViewMode(QListView::IconMode);
  grid_->setIconSize(QSize(kIconSide, kIconSide));
  grid_->setGridSize(QSize(kIconSide + 24, kIconSide + 22));
  grid_->setResizeMode(QListView::Adjust);
  grid_->setMovement(QListView::Static);
  grid_->setUniformItemSizes(true);
  grid_->setMinimumSize(560, 360);
  description_->setObjectName(QStringLiteral("description"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search_);
  layout->addWidget(grid_);
  layout->addWidget(description_);
  layout->addWidget(buttons);
  connect(search_, &QLineEdit::textChanged, this, [this] { Fill(); });
  connect(grid_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item == nullptr) return;
    symbol_ = item->data(Qt::UserRole).toInt();
    description_->setText(QStringLiteral("%1  %2").arg(symbol_).arg(DescriptionOf(symbol_)));
  });
  connect(grid_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    symbol_ = item->data(Qt::UserRole).toInt();
    accept();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Fill();
}

void SymbolChooser::SetSearch(const QString& text) {
  search_->setText(text);
}

std::vector<int32_t> SymbolChooser::Shown() const {
  std::vector<int32_t> shown;
  for (int i = 0; i < grid_->count(); ++i)
    shown.push_back(grid_->item(i)->data(Qt::UserRole).toInt());
  return shown;
}

void SymbolChooser::Pick(int32_t symbol) {
  for (int i = 0; i < grid_->count(); ++i) {
    if (grid_->item(i)->data(Qt::UserRole).toInt() == symbol) {
      grid_->setCurrentRow(i);
      return;
    }
  }
}

void SymbolChooser::Fill() {
  const int32_t keep = symbol_;
  grid_->clear();
  for (const int32_t symbol : MatchingSymbols(search_->text())) {
    auto* item = new QListWidgetItem(SymbolIcon(symbol), QString::number(symbol), grid_);
    item->setData(Qt::UserRole, symbol);
    item->setToolTip(DescriptionOf(symbol));
  }
  Pick(keep);
  symbol_ = keep;
}

bool ChooseSymbol(QWidget* parent, int32_t& symbol) {
  SymbolChooser chooser(parent, symbol);
  if (chooser.exec() != QDialog::Accepted) return false;
  symbol = chooser.Symbol();
  return true;
}

}  // namespace tlv
