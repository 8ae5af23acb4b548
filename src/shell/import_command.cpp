#include "shell/import_command.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QProgressDialog>
#include <QStringList>

#include <memory>

#include "app/basemap_hooks.h"
#include "interchange/import.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/main_window.h"

namespace tlv {

QString FileDialogFilter(const std::vector<std::string>& filters) {
  QStringList parts;
  for (const std::string& filter : filters) {
    const size_t bar = filter.find('|');
    const std::string label = filter.substr(0, bar);
    QString patterns;
    if (bar != std::string::npos) {
      patterns = FromWindows1252(filter.substr(bar + 1));
      patterns.replace(';', ' ');
    }
    QString entry = FromWindows1252(label);
    // A label that names its patterns already keeps them; the dialog needs them in brackets.
    if (!patterns.isEmpty() && !entry.contains('(')) entry += " (" + patterns + ")";
    if (!patterns.isEmpty() && entry.contains('(')) {
      entry = entry.left(entry.indexOf('(')).trimmed() + " (" + patterns + ")";
    }
    parts << entry;
  }
  return parts.join(";;");
}

void RegisterImportCommand(MainWindow& window) {
  // The progress box lives while one import runs.
  auto progressBox = std::make_shared<std::unique_ptr<QProgressDialog>>();
  // The naming of threat zones is installed by the core wiring; only the dialogs are added.
  ImportHooks hooks = CurrentImportHooks();
  hooks.chooseFile = [&window](const std::string& title, const std::vector<std::string>& filters,
                               std::string& path) {
    const QString chosen = QFileDialog::getOpenFileName(&window, FromWindows1252(title), QString(),
                                                        FileDialogFilter(filters));
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
    return true;
  };
  hooks.chooseMap = [&window](const std::string& title, const std::vector<std::string>& names) {
    QStringList items;
    for (const std::string& name : names) items << FromWindows1252(name);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(&window, FromWindows1252(title),
                                                 QObject::tr("Map:"), items, 0, false, &ok);
    return ok ? static_cast<int32_t>(items.indexOf(chosen)) : -1;
  };
  hooks.openProgress = [&window, progressBox](const std::string& title, const std::string& text) {
    auto box = std::make_unique<QProgressDialog>(FromWindows1252(text), QObject::tr("Cancel"), 0,
                                                 100, &window);
    box->setWindowTitle(FromWindows1252(title));
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
  hooks.showExtent = [](const WRect& extent) { FitWorldRect(extent); };
  hooks.redraw = [&window] { window.InvalidateMap(); };
  hooks.importShapefile = ImportShapefileThroughBasemap;
  SetImportHooks(hooks);
  window.RegisterCommand(106, [&window] {
    ChooseImportFile();
    window.InvalidateMap();
  });
}

}  // namespace tlv
