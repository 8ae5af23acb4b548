#include "shell/set_scale_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "base/errors.h"
#include "base/strings.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int16_t kOwnTexts = 26200;
constexpr int16_t kNotAScale = 14;
constexpr int16_t kRatioMode = 0;
constexpr int16_t kPaperUnitMode = 1;

}  // namespace

ScaleTextParts SplitScaleText(const std::string& text, int16_t mode) {
  ScaleTextParts parts;
  if (mode == kRatioMode) {
    const size_t colon = text.find(':');
    parts.before = text.substr(0, colon == std::string::npos ? 0 : colon + 1);
    parts.number = colon == std::string::npos ? text : text.substr(colon + 1);
    return parts;
  }
  if (mode == kPaperUnitMode) {
    // "1 in = 2.50 mi": the number follows the "=".
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
      parts.number = text;
      return parts;
    }
    parts.before = text.substr(0, equals + 1);
    std::string rest = text.substr(equals + 1);
    const size_t start = rest.find_first_not_of(' ');
    rest = start == std::string::npos ? std::string() : rest.substr(start);
    const size_t space = rest.find(' ');
    parts.number = rest.substr(0, space);
    parts.after = space == std::string::npos ? std::string() : rest.substr(space + 1);
    return parts;
  }
  const size_t space = text.find(' ');
  parts.number = text.substr(0, space);
  parts.after = space == std::string::npos ? std::string() : text.substr(space + 1);
  return parts;
}

SetScaleDialog::SetScaleDialog(QWidget* parent)
    : QDialog(parent), mode_(ScaleDisplayModeSetting()) {
  setWindowTitle(QStringLiteral("Set Scale"));
  setObjectName(QStringLiteral("setScale"));
  auto* layout = new QVBoxLayout(this);
  const ScaleTextParts parts = SplitScaleText(FormatScale(CurrentMapView().scale, mode_), mode_);
  auto* row = new QHBoxLayout();
  layout->addLayout(row);
  if (!parts.before.empty()) row->addWidget(new QLabel(FromWindows1252(parts.before), this));
  field_ = new QLineEdit(FromWindows1252(parts.number), this);
  field_->setObjectName(QStringLiteral("scale"));
  field_->selectAll();
  row->addWidget(field_);
  if (!parts.after.empty()) row->addWidget(new QLabel(FromWindows1252(parts.after), this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] { TryAccept(); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void SetScaleDialog::TryAccept() {
  QString text = field_->text().trimmed();
  text.remove(QLatin1Char(','));
  bool ok = false;
  const double value = text.toDouble(&ok);
  int32_t scale = 0;
  if (!ok || value <= 0 || ParseScale(value, mode_, scale) != 0) {
    ShowAlert(FormatTextV(GetIndString(kOwnTexts, kNotAScale).c_str(),
                          ToWindows1252(field_->text()).c_str()),
              kStopAlert);
    field_->setFocus();
    field_->selectAll();
    return;
  }
  chosenScale = ClampScale(scale);
  accept();
}

bool RunSetScale(QWidget* parent) {
  SetScaleDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  SetScaleKeepCentre(dialog.chosenScale);
  return true;
}

void RegisterSetScaleCommands(MainWindow& window) {
  auto open = [&window] { RunSetScale(&window); };
  for (const int id : {315, 20108, 20605}) window.RegisterCommand(id, open);
}

}  // namespace tlv
