#include "shell/polygon_menu_commands.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>

#include "base/errors.h"
#include "base/platform.h"
#include "edit/polygon_commands.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kMakeNewPolygonCommand = 413;
constexpr int kMakeNewPolylineCommand = 414;
constexpr int kConnectPolylinesCommand = 801;
constexpr int kMaxDistanceText = 19;

MakePolygonChoice& RememberedChoice() {
  static MakePolygonChoice choice;
  return choice;
}

QString Text(const std::string& windows1252) {
  return QString::fromLatin1(windows1252.c_str());
}

bool ParseDistance(const QString& text, double& distance) {
  const std::string bytes = text.trimmed().toStdString();
  char* end = nullptr;
  distance = std::strtod(bytes.c_str(), &end);
  return !bytes.empty() && end != bytes.c_str() && *end == '\0' && std::isfinite(distance) &&
         distance > 0;
}

class MakePolygonDialog : public QDialog {
 public:
  MakePolygonDialog(QWidget* parent, bool forLines, const MakePolygonChoice& choice)
      : QDialog(parent), forLines_(forLines) {
    setWindowTitle(QStringLiteral("Make New Polygon"));
    auto* form = new QFormLayout;
    if (forLines) {
      distance_ = new QLineEdit(QString::fromStdString(choice.distanceText), this);
      distance_->setObjectName(QStringLiteral("distance"));
      distance_->setMaxLength(kMaxDistanceText);
      unit_ = new QComboBox(this);
      unit_->setObjectName(QStringLiteral("unit"));
      for (int16_t u = kUnitFeet; u <= kUnitNauticalMiles; ++u) {
        unit_->addItem(Text(DistanceUnitName(u)), u);
      }
      unit_->setCurrentIndex(unit_->findData(choice.unit));
      form->addRow(QStringLiteral("Envelope distance:"), distance_);
      form->addRow(QStringLiteral("Unit:"), unit_);
    } else {
      operation_ = new QComboBox(this);
      operation_->setObjectName(QStringLiteral("operation"));
      operation_->addItem(QStringLiteral("Union"), kPolygonUnion);
      operation_->addItem(QStringLiteral("Intersection"), kPolygonIntersection);
      operation_->addItem(QStringLiteral("Difference"), kPolygonDifference);
      operation_->setCurrentIndex(std::max(0, operation_->findData(choice.operation)));
      form->addRow(QStringLiteral("Combine the selected areas by:"), operation_);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
  }

  void accept() override {
    double distance = 0;
    if (forLines_ && !ParseDistance(distance_->text(), distance)) {
      Platform().Beep();
      distance_->setFocus();
      distance_->selectAll();
      return;
    }
    QDialog::accept();
  }

  void Read(MakePolygonChoice& choice) const {
    if (forLines_) {
      choice.distanceText = distance_->text().trimmed().toStdString();
      choice.unit = static_cast<int16_t>(unit_->currentData().toInt());
    } else {
      choice.operation = static_cast<int16_t>(operation_->currentData().toInt());
    }
  }

 private:
  bool forLines_ = false;
  QLineEdit* distance_ = nullptr;
  QComboBox* unit_ = nullptr;
  QComboBox* operation_ = nullptr;
};

void ShowRefusal(PolygonRefusal refusal) {
  if (refusal != PolygonRefusal::kNone) ShowAlert(PolygonRefusalText(refusal), kStopAlert);
}

void MakeNewPolygonCommand(MainWindow& window) {
  const std::vector<ObjectRef> objects = SelectedObjectList();
  OperandClass operandClass = OperandClass::kNone;
  const PolygonRefusal check = CheckMakeNewPolygon(objects, operandClass);
  if (check != PolygonRefusal::kNone) {
    ShowRefusal(check);
    return;
  }
  MakePolygonChoice& choice = RememberedChoice();
  if (choice.unit == 0) choice.unit = CurrentGeometrySettings().distanceUnit;
  const bool forLines = operandClass == OperandClass::kLines;
  if (!AskMakePolygon(&window, forLines, choice)) return;
  MakePolygonRequest request;
  request.operation = choice.operation;
  request.unit = choice.unit;
  double distance = 0;
  if (forLines && !ParseDistance(QString::fromStdString(choice.distanceText), distance)) return;
  request.distance = distance;
  ObjectRef made;
  PolygonRefusal refusal = PolygonRefusal::kNone;
  MakeNewPolygon(objects, request, made, refusal);
  ShowRefusal(refusal);
  window.InvalidateMap();
}

}  // namespace

bool AskMakePolygon(QWidget* parent, bool forLines, MakePolygonChoice& choice) {
  MakePolygonDialog dialog(parent, forLines, choice);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Read(choice);
  return true;
}

void RegisterPolygonMenuCommands(MainWindow& window) {
  window.RegisterCommand(kMakeNewPolygonCommand, [&window] { MakeNewPolygonCommand(window); });
  window.RegisterCommand(kMakeNewPolylineCommand, [&window] {
    ObjectRef made;
    PolygonRefusal refusal = PolygonRefusal::kNone;
    MakeNewPolyline(SelectedObjectList(), made, refusal);
    ShowRefusal(refusal);
    window.InvalidateMap();
  });
  window.RegisterCommand(kConnectPolylinesCommand, [&window] {
    ObjectRef made;
    PolygonRefusal refusal = PolygonRefusal::kNone;
    ConnectPolylinesAtNearestPoint(SelectedObjectList(), made, refusal);
    ShowRefusal(refusal);
    window.InvalidateMap();
  });
}

}  // namespace tlv
