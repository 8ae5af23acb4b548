#include "shell/compact_commands.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QProgressDialog>
#include <QStringList>

#include "app/config.h"
#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "catalogue/walks.h"
#include "edit/compaction.h"
#include "edit/file_fix.h"
#include "edit/recovery.h"
#include "platform/qt/text_codec.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kMessageCompactingTitle = 164;

bool FileFixMenuPresent() {
  return Config().fileFixMenu != 0;
}

void RecoverFromChosenOverlay(MainWindow& window) {
  QStringList names;
  for (int32_t i = 0; i < LayerCount(); ++i) names << FromWindows1252(LayerName(i));
  if (names.isEmpty()) return;
  bool chosen = false;
  const QString name = QInputDialog::getItem(&window, "Recover Deleted Objects", "Overlay:", names,
                                             0, false, &chosen);
  if (!chosen) return;
  RecoverOutcome outcome;
  RecoverDeletedObjectsFromLayer(LayerNameToIndex(ToWindows1252(name)), outcome);
  window.InvalidateMap();
}

// 903 dumps by the file's type; 904 rebuilds an overlay file from an object file.
void DumpChosenFile(MainWindow& window, bool rebuild) {
  const QString filter = rebuild ? "Object files (*.OBJ *.obj)"
                                 : "Overlay files (*.LYR *.SUM *.OBJ *.lyr *.sum *.obj)";
  const QString path = QFileDialog::getOpenFileName(&window, "FileFix", QString(), filter);
  if (path.isEmpty()) return;
  const std::string file = path.toStdString();
  const QString suffix = QFileInfo(path).suffix().toUpper();
  FileFixOutcome outcome;
  int32_t err = 0;
  if (rebuild || suffix == "OBJ") {
    err = ObjFileToText(file, rebuild, outcome);
  } else if (suffix == "SUM") {
    err = SumFileToText(file, outcome);
  } else if (suffix == "LYR") {
    err = LyrFileToText(file, outcome);
  } else {
    ShowAlert("FileFix reads .LYR, .SUM and .OBJ files.", kNoteAlert);
    return;
  }
  if (err == 0) {
    Platform().SetMessageLine(FormatText("Wrote \"%s\" (%ld records).", outcome.wrote.c_str(),
                                         static_cast<long>(outcome.records)));
  }
}

}  // namespace

int32_t CompactMapFilesWithProgress(QWidget* parent) {
  QProgressDialog dialog(parent);
  dialog.setWindowTitle(FromWindows1252(MessageText(kMessageCompactingTitle)));
  dialog.setRange(0, 100);
  dialog.setMinimumDuration(0);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  CompactProgress progress;
  progress.status = [&dialog](const std::string& text) {
    dialog.setLabelText(FromWindows1252(text));
    QApplication::processEvents();
  };
  progress.progress = [&dialog](int32_t percent) {
    dialog.setValue(percent);
    QApplication::processEvents();
    return dialog.wasCanceled();
  };
  const int32_t result = CompactMapFiles(true, progress);
  dialog.close();
  return result;
}

void RegisterCompactCommands(MainWindow& window) {
  window.RegisterCommand(
      kFileFixRecover, [&window] { RecoverFromChosenOverlay(window); }, FileFixMenuPresent);
  window.RegisterCommand(
      kFileFixDump, [&window] { DumpChosenFile(window, false); }, FileFixMenuPresent);
  window.RegisterCommand(
      kFileFixRebuild, [&window] { DumpChosenFile(window, true); }, FileFixMenuPresent);
  window.RegisterCommand(
      kFileFixIndexFiles, [] { CreateSM2Files(); }, FileFixMenuPresent);
}

}  // namespace tlv
