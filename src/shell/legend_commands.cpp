#include "shell/legend_commands.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/preferences.h"
#include "app/shell_services.h"
#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "platform/qt/text_codec.h"
#include "render/legend.h"
#include "shell/graphics_widgets.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kLegendSettingsCommand = 23501;
constexpr int kShowLegendCommand = 23502;
constexpr int16_t kOwnTexts = 26200;
constexpr int16_t kNotSaved = 16;

}  // namespace

LegendSettingsDialog::LegendSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Legend Settings"));
  setObjectName(QStringLiteral("legendSettings"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Overlays in the legend (when shown):"), this));
  overlays_ = new QListWidget(this);
  overlays_->setObjectName(QStringLiteral("overlays"));
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    auto* item = new QListWidgetItem(LayerGraphicsSwatch(layer.graphics),
                                     FromWindows1252(FieldText(layer.name)), overlays_);
    item->setData(Qt::UserRole, layer.layerID);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState((layer.flags & kNotInLegendFlag) != 0 ? Qt::Unchecked : Qt::Checked);
  }
  layout->addWidget(overlays_);
  auto* form = new QFormLayout();
  fontSize_ = new QSpinBox(this);
  fontSize_->setObjectName(QStringLiteral("fontSize"));
  fontSize_->setRange(kLegendSmallestFontSize, kLegendLargestFontSize);
  fontSize_->setValue(LegendFontSize());
  form->addRow(QStringLiteral("Font size:"), fontSize_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void LegendSettingsDialog::accept() {
  for (int row = 0; row < overlays_->count(); ++row) {
    QListWidgetItem* item = overlays_->item(row);
    const int32_t index = LayerIDToIndex(item->data(Qt::UserRole).toInt());
    LayerRecord layer;
    if (!GetLayerRecord(index, layer)) continue;
    if (item->checkState() == Qt::Checked) {
      layer.flags &= ~kNotInLegendFlag;
    } else {
      layer.flags |= kNotInLegendFlag;
    }
    SetLayerRecord(index, layer);
  }
  SetLegendFontSize(fontSize_->value());
  if (SaveLayers() != 0) ShowAlert(GetIndString(kOwnTexts, kNotSaved), kStopAlert);
  Shell().InvalidateMap();
  QDialog::accept();
}

void RegisterLegendCommands(MainWindow& window) {
  window.RegisterCommand(kLegendSettingsCommand, [&window] {
    LegendSettingsDialog dialog(&window);
    dialog.exec();
  });
  window.RegisterCommand(kShowLegendCommand, [&window] {
    SetPref(Pref::kLegendShown, GetPref(Pref::kLegendShown) != 0 ? 0 : 1);
    window.InvalidateMap();
  });
  window.SetCommandChecked(kShowLegendCommand, [] { return GetPref(Pref::kLegendShown) != 0; });
}

}  // namespace tlv
