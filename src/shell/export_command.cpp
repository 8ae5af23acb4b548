#include "shell/export_command.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

#include "app/config.h"
#include "app/folders.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "edit/selection.h"
#include "interchange/export.h"
#include "platform/qt/text_codec.h"
#include "shell/import_command.h"
#include "shell/main_window.h"
#include "store/directory_table.h"

namespace tlv {

namespace {

constexpr int kExportCommand = 107;
constexpr int kBNACommand = 803;

// The six switches of the simple text format; true on OK.
bool ShowFieldsDialog(QWidget* parent, bool (&fields)[kExportFieldCount]) {
  static const char* const kLabels[kExportFieldCount] = {"object name", "overlay name", "map name",
                                                         "symbol",      "color",        "ID"};
  QDialog dialog(parent);
  dialog.setObjectName("SimpleTextExportFields");
  dialog.setWindowTitle("Simple Text Export Fields");
  auto* layout = new QVBoxLayout(&dialog);
  QCheckBox* boxes[kExportFieldCount];
  for (int32_t f = 0; f < kExportFieldCount; ++f) {
    boxes[f] = new QCheckBox(kLabels[f], &dialog);
    boxes[f]->setChecked(fields[f]);
    layout->addWidget(boxes[f]);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  for (int32_t f = 0; f < kExportFieldCount; ++f) fields[f] = boxes[f]->isChecked();
  return true;
}

std::string ExchangeFolder() {
  std::string maps;
  if (DirectoryPath(Folders().maps, maps) != 0) return "";
  return WithTrailingSlash(maps) + "BasemapFiles/Temp/";
}

}  // namespace

bool ShowExportDialog(QWidget* parent, bool selectionObjects, bool collectionObjects) {
  ExportSettings& settings = MutableExportSettings();
  QDialog dialog(parent);
  dialog.setObjectName("ExportDialog");
  dialog.setWindowTitle("Export");
  auto* layout = new QVBoxLayout(&dialog);

  auto* sourceBox = new QGroupBox("Export", &dialog);
  auto* sourceLayout = new QVBoxLayout(sourceBox);
  auto* selected = new QRadioButton("selected objects", sourceBox);
  auto* collection = new QRadioButton("search collection", sourceBox);
  selected->setObjectName("selectedObjects");
  collection->setObjectName("searchCollection");
  selected->setEnabled(selectionObjects);
  collection->setEnabled(collectionObjects);
  // A source without objects cannot be chosen; the other is.
  const bool useCollection =
      collectionObjects && (settings.source == kExportCollection || !selectionObjects);
  (useCollection ? collection : selected)->setChecked(true);
  sourceLayout->addWidget(selected);
  sourceLayout->addWidget(collection);
  layout->addWidget(sourceBox);

  auto* formatBox = new QGroupBox("Format", &dialog);
  auto* formatLayout = new QVBoxLayout(formatBox);
  auto* mie = new QRadioButton("TOLVANE Import/Export (MIE)", formatBox);
  auto* shapefile = new QRadioButton("Shapefile", formatBox);
  auto* text = new QRadioButton("TOLVANE Simple Point Format", formatBox);
  mie->setObjectName("formatMIE");
  shapefile->setObjectName("formatShapefile");
  text->setObjectName("formatText");
  (settings.format == kExportShapefile    ? shapefile
   : settings.format == kExportSimpleText ? text
                                          : mie)
      ->setChecked(true);
  auto* textRow = new QHBoxLayout();
  textRow->addWidget(text);
  auto* fieldsButton = new QPushButton("Fields...", formatBox);
  fieldsButton->setObjectName("fields");
  textRow->addWidget(fieldsButton);
  formatLayout->addWidget(mie);
  formatLayout->addWidget(shapefile);
  formatLayout->addLayout(textRow);
  layout->addWidget(formatBox);

  bool fields[kExportFieldCount];
  std::copy(std::begin(settings.fields), std::end(settings.fields), fields);
  QObject::connect(fieldsButton, &QPushButton::clicked, &dialog,
                   [&dialog, &fields] { ShowFieldsDialog(&dialog, fields); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
  buttons->addButton("Export", QDialogButtonBox::AcceptRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;

  settings.source = collection->isChecked() ? kExportCollection : kExportSelection;
  settings.format = shapefile->isChecked() ? kExportShapefile
                    : text->isChecked()    ? kExportSimpleText
                                           : kExportMIE;
  std::copy(std::begin(fields), std::end(fields), settings.fields);
  return true;
}

void RegisterExportCommands(MainWindow& window) {
  auto progressBox = std::make_shared<std::unique_ptr<QProgressDialog>>();
  ExportHooks hooks;
  hooks.chooseSaveFile = [&window](const std::string& title, const std::string& defaultName,
                                   const std::string& fileKind, std::string& path) {
    const std::string filter = fileKind.substr(1) + " Files|*" + fileKind;
    const QString chosen =
        QFileDialog::getSaveFileName(&window, FromWindows1252(title), FromWindows1252(defaultName),
                                     FileDialogFilter({filter, GetIndString(10000, 26)}));
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
    return true;
  };
  hooks.openProgress = [&window, progressBox](const std::string& text) {
    auto box = std::make_unique<QProgressDialog>(FromWindows1252(text), QObject::tr("Cancel"), 0,
                                                 100, &window);
    box->setWindowModality(Qt::WindowModal);
    box->setMinimumDuration(500);
    *progressBox = std::move(box);
  };
  hooks.progress = [progressBox](int32_t percent) {
    if (!*progressBox) return false;
    (*progressBox)->setValue(percent);
    QApplication::processEvents();
    return (*progressBox)->wasCanceled();
  };
  hooks.closeProgress = [progressBox] { progressBox->reset(); };
  hooks.programFolder = [] { return WithTrailingSlash(ProgramFolderPath()); };
  hooks.exchangeFolder = ExchangeFolder;
  hooks.keepForward = [] { QApplication::processEvents(); };
  SetExportHooks(hooks);

  window.RegisterCommand(kExportCommand, [&window] {
    const bool selection = SelectedObjectCount() > 0;
    const bool collection = false;  // the search collection is not exportable yet
    if (!selection && !collection) {
      Platform().Beep();
      return;
    }
    if (!ShowExportDialog(&window, selection, collection)) return;
    MutableExportSettings().exportRGB = Config().exportRGB != 0;
    RunExportCommand();
  });
  window.RegisterCommand(
      kBNACommand, [] { ExportSelectionAsBNA(""); }, [] { return SelectedObjectCount() > 0; });
}

}  // namespace tlv
