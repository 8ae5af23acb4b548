// The Search Criteria dialog (command 204, Ctrl+F): what to look for, the reference of the
// distance criteria, what happens to the previous collection, and which overlays and maps to
// search. On "Search" it checks the reference, stores the criteria and the search marks, runs
// the search and shows the Search Collection window.
#pragma once

#include <QDialog>

#include <array>

#include "search/search_engine.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tlv {

class MainWindow;

class SearchDialog : public QDialog {
 public:
  // Starts from the stored criteria, collection mode 1, and the current search marks.
  explicit SearchDialog(QWidget* parent);

  // The criteria and choices as the dialog shows them now.
  SearchCriteria Criteria() const;
  // Whether "Search" may be pressed: an overlay and a map are checked and, for criteria 2 to 5,
  // the criterion's text is not empty.
  bool SearchAllowed() const;
  // "Search": checks the distance (a beep) and the reference (its message), and on success
  // stores the criteria and the marks and closes the dialog with Accepted.
  void TrySearch();

  QPushButton* SearchButton() const { return search_; }
  QButtonGroup* CriterionGroup() const { return criterion_; }
  QButtonGroup* ReferenceGroup() const { return reference_; }
  QButtonGroup* ModeGroup() const { return mode_; }
  QButtonGroup* OverlayChoiceGroup() const { return overlayChoice_; }
  QButtonGroup* MapChoiceGroup() const { return mapChoice_; }
  QLineEdit* NameField() const { return name_; }
  QLineEdit* DistanceField() const { return distance_; }
  QComboBox* UnitBox() const { return unit_; }
  QListWidget* OverlayList() const { return overlays_; }
  QComboBox* SingleOverlayBox() const { return singleOverlay_; }
  QListWidget* MapList() const { return maps_; }
  QLabel* OverlayCountLabel() const { return overlayCount_; }
  QLabel* MapCountLabel() const { return mapCount_; }

 private:
  void Update();
  int32_t CheckedOverlayCount() const;
  int32_t CheckedMapCount() const;
  void StoreMarks() const;

  QButtonGroup* criterion_;
  QButtonGroup* reference_;
  QButtonGroup* mode_;
  QButtonGroup* overlayChoice_;
  QButtonGroup* mapChoice_;
  QLineEdit* name_;
  QLineEdit* distance_;
  QComboBox* unit_;
  QListWidget* overlays_;
  QComboBox* singleOverlay_;
  QListWidget* maps_;
  QLabel* overlayCount_;
  QLabel* mapCount_;
  QPushButton* search_;
};

// Runs the dialog and, when "Search" was pressed, the search, then shows the collection window
// (with the stopped note after an Escape). A search that could not start opens the dialog again.
void SearchCriteriaDialog(MainWindow& window);
// Registers command 204.
void RegisterSearchCommands(MainWindow& window);

}  // namespace tlv
