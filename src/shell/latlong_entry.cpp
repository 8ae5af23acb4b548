#include "shell/latlong_entry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "base/errors.h"
#include "geometry/geo_settings.h"
#include "geometry/latlong_fields.h"
#include "render/map_view.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kGoToLatLongCommand = 308;
constexpr int kPopUpGoToLatLongCommand = 20609;
constexpr const char* kAxisNames[2] = {"lat", "lon"};
constexpr const char* kFieldNames[3] = {"Degrees", "Minutes", "Seconds"};
constexpr const char* kUnitMarks[3] = {"\u00B0", "'", "\""};

LatLongAxisFields AxisOf(const std::array<QLineEdit*, 3>& fields, const QComboBox* hemisphere) {
  LatLongAxisFields axis;
  for (size_t i = 0; i < 3; ++i) axis.fields[i] = fields[i]->text().trimmed().toStdString();
  axis.hemisphere = hemisphere->currentData().toChar().toLatin1();
  return axis;
}

void ShowAxis(const LatLongAxisFields& axis, std::array<QLineEdit*, 3>& fields,
              QComboBox* hemisphere) {
  for (size_t i = 0; i < 3; ++i) fields[i]->setText(QString::fromStdString(axis.fields[i]));
  const int index = hemisphere->findData(QChar(axis.hemisphere));
  if (index >= 0) hemisphere->setCurrentIndex(index);
}

}  // namespace

LatLongEntry::LatLongEntry(QWidget* parent)
    : QWidget(parent), format_(CurrentGeometrySettings().coordinateFormat) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  const char* axisLabels[2] = {"Latitude:", "Longitude:"};
  for (size_t axis = 0; axis < 2; ++axis) {
    const int row = static_cast<int>(axis);
    grid->addWidget(new QLabel(QString::fromLatin1(axisLabels[axis]), this), row, 0);
    for (size_t i = 0; i < 3; ++i) {
      auto* field = new QLineEdit(this);
      field->setObjectName(QString::fromLatin1(kAxisNames[axis]) +
                           QString::fromLatin1(kFieldNames[i]));
      field->setMaximumWidth(i == 0 ? 110 : 70);
      fields_[axis][i] = field;
      units_[axis][i] = new QLabel(QString::fromUtf8(kUnitMarks[i]), this);
      grid->addWidget(field, row, 1 + static_cast<int>(i) * 2);
      grid->addWidget(units_[axis][i], row, 2 + static_cast<int>(i) * 2);
    }
    auto* hemisphere = new QComboBox(this);
    hemisphere->setObjectName(QString::fromLatin1(kAxisNames[axis]) + QStringLiteral("Hemisphere"));
    if (axis == 0) {
      hemisphere->addItem(QStringLiteral("North"), QChar('N'));
      hemisphere->addItem(QStringLiteral("South"), QChar('S'));
    } else {
      hemisphere->addItem(QStringLiteral("East"), QChar('E'));
      hemisphere->addItem(QStringLiteral("West"), QChar('W'));
    }
    hemispheres_[axis] = hemisphere;
    grid->addWidget(hemisphere, row, 7);
  }
  formatChooser_ = new QComboBox(this);
  formatChooser_->setObjectName(QStringLiteral("format"));
  formatChooser_->addItem(QStringLiteral("Decimal degrees"), int{kFormatDecimalDegrees});
  formatChooser_->addItem(QStringLiteral("Degrees, decimal minutes"), int{kFormatDegMin});
  formatChooser_->addItem(QStringLiteral("Degrees, minutes, seconds"), int{kFormatDegMinSec});
  formatChooser_->setCurrentIndex(std::max(0, formatChooser_->findData(int{format_})));
  grid->addWidget(new QLabel(QStringLiteral("Format:"), this), 2, 0);
  grid->addWidget(formatChooser_, 2, 1, 1, 7);
  connect(formatChooser_, &QComboBox::currentIndexChanged, this, [this](int index) {
    SetFormat(static_cast<int16_t>(formatChooser_->itemData(index).toInt()));
  });
  ShowFieldsInUse();
}

QLineEdit* LatLongEntry::Field(int axis, int position) const {
  return fields_[static_cast<size_t>(axis)][static_cast<size_t>(position)];
}

void LatLongEntry::SetPoint(WPoint p) {
  const LatLongFields fields = LatLongFieldsOf(p, format_);
  ShowAxis(fields.latitude, fields_[0], hemispheres_[0]);
  ShowAxis(fields.longitude, fields_[1], hemispheres_[1]);
}

bool LatLongEntry::Point(WPoint& p, std::string& problem) const {
  const LatLongFields fields{AxisOf(fields_[0], hemispheres_[0]),
                             AxisOf(fields_[1], hemispheres_[1])};
  return WorldPointFromFields(fields, format_, p, problem);
}

void LatLongEntry::SetFormat(int16_t format) {
  if (format == format_) return;
  WPoint p;
  std::string problem;
  const bool readable = Point(p, problem);
  format_ = format;
  const QSignalBlocker quiet(formatChooser_);
  formatChooser_->setCurrentIndex(std::max(0, formatChooser_->findData(int{format_})));
  if (readable) SetPoint(p);
  ShowFieldsInUse();
}

void LatLongEntry::ShowFieldsInUse() {
  const size_t used = format_ == kFormatDegMinSec ? 3 : format_ == kFormatDegMin ? 2 : 1;
  for (size_t axis = 0; axis < 2; ++axis) {
    for (size_t i = 0; i < 3; ++i) {
      fields_[axis][i]->setVisible(i < used);
      units_[axis][i]->setVisible(i < used);
    }
  }
}

bool AskLatLong(QWidget* parent, const QString& title, WPoint& p) {
  QDialog dialog(parent);
  dialog.setWindowTitle(title);
  auto* layout = new QVBoxLayout(&dialog);
  auto* entry = new LatLongEntry(&dialog);
  entry->SetPoint(p);
  layout->addWidget(entry);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(buttons);
  WPoint typed = p;
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    std::string problem;
    if (!entry->Point(typed, problem)) {
      ShowAlert(problem, kStopAlert);
      return;
    }
    dialog.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  p = typed;
  return true;
}

void RegisterGoToLatLongCommand(MainWindow& window) {
  auto goTo = [&window] {
    WPoint p = ClickPoint();
    if (!AskLatLong(&window, QStringLiteral("Go to Lat/Long"), p)) return;
    SetClickPoint(p);
    CentreViewOn(CurrentMapView().scale, p.x, p.y);
  };
  window.RegisterCommand(kGoToLatLongCommand, goTo);
  window.RegisterCommand(kPopUpGoToLatLongCommand, goTo);
}

}  // namespace tlv
