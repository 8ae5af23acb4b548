// The views dialogs: Save Current View... (312, the pop-up's 20604), Go to View... (311, 20610)
// and Edit Views... (313). Views are files (catalogue/views); these dialogs only show the list,
// its thumbnails and the Home view, and call the core.
#pragma once

#include <QDialog>

#include <vector>

#include "catalogue/views.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tlv {

class MainWindow;

// "Edit Views": a working list of every view, changed only on OK.
class EditViewsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit EditViewsDialog(QWidget* parent);

  const std::vector<ViewRecord>& Working() const { return working_; }
  // The commands of the dialog's buttons, on the selected row.
  void RenameSelected(const QString& name);
  void DeleteSelected();
  void SetSelectedAsHome();
  // OK: the files follow the working list, the Home view is stored and Undo is cleared.
  void Apply();

  QListWidget* List() const { return list_; }
  QCheckBox* LastViewAsHome() const { return lastViewHome_; }

 private:
  void Fill();

  std::vector<ViewRecord> working_;
  ViewRecord home_;
  QListWidget* list_;
  QLabel* preview_;
  QCheckBox* lastViewHome_;
};

// The thumbnail of a view as a picture (null when it has none or it cannot be read).
QImage ViewThumbnail(const ViewRecord& view);

void RegisterViewCommands(MainWindow& window);

}  // namespace tlv
