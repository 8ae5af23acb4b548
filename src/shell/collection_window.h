// The Search Collection window: a modeless list of the collection's objects ("Object Name",
// "Overlay", "Map") with the count line, the buttons that show entries on the map and save and
// load collection files, the show-only-collection check box and the note after a stopped search
// or sort. Rows are read as they are shown, so only the runs of equal name keys that are shown
// get sorted by name. Also the Edit menu's commands 205 (Show Search Collection) and 206 (Copy to
// Search Collection).
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tlv {

class MainWindow;

class CollectionModel : public QAbstractTableModel {
 public:
  // visibleSubset: the list's scroll range covers only the rows listed so far, which grows as
  // the user scrolls (USEVISIBLESCSUBSET); otherwise it covers the whole collection.
  CollectionModel(bool visibleSubset, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // The collection changed: the rows are read again.
  void Refresh();
  // Rows whose name has been read (for tests: reading is what the lazy sort waits for).
  int RowsRead() const { return static_cast<int>(names_.size()); }

 private:
  // The three texts of a row, read from the object record, the overlay and the map.
  std::array<QString, 3> RowTexts(int row) const;

  bool visibleSubset_;
  int listed_ = 0;
  mutable QHash<quint64, std::array<QString, 3>> names_;
};

class CollectionWindow : public QDialog {
 public:
  explicit CollectionWindow(MainWindow& window);
  ~CollectionWindow() override;

  // Brings the list up to date with the collection and shows the window.
  void Present();
  QTableView* List() const { return list_; }
  CollectionModel* Model() const { return model_; }
  QString CountLine() const;
  bool StoppedNoteShown() const;
  QPushButton* Button(int which) const { return buttons_[static_cast<size_t>(which)]; }
  QCheckBox* ShowOnlyBox() const { return showOnly_; }

  enum ButtonIndex { kShowButton, kShowAllButton, kZoomButton, kSaveButton, kLoadButton };

 private:
  void Refresh();
  std::vector<int> ChosenRows() const;
  void ShowChosen(int32_t showMode);

  MainWindow& window_;
  CollectionModel* model_;
  QTableView* list_;
  QLabel* count_;
  QLabel* stopped_;
  QCheckBox* showOnly_;
  std::array<QPushButton*, 5> buttons_{};
  bool refreshQueued_ = false;
};

// Installs the collection's file dialogs, progress box and flash, and registers 205 and 206.
// The window is made when first shown.
void RegisterCollectionCommands(MainWindow& window);
// The window, shown (made when needed): after 205, 206 and searches.
CollectionWindow* ShowCollectionWindow(MainWindow& window);
// The window if it has been made.
CollectionWindow* ExistingCollectionWindow();

}  // namespace tlv
