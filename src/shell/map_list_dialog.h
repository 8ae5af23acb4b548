// The Overlay Maps dialog (View > Overlay Maps..., 302): the maps with a check box for "in use"
// and their state ("In Use", "Not In Use", "Not Found"), with Go to Map, Map Info, Rename,
// Compact Maps, Find New Map and Remove. It works on the catalogue's working copy: OK (and Go to
// Map and Compact Maps) apply it and write the map names, Cancel brings the old list back.
#pragma once

#include <QDialog>

#include <string>

#include "catalogue/overlay_maps_dialog.h"

class QPushButton;
class QTreeWidget;

namespace tlv {

class MainWindow;

class MapListDialog : public QDialog {
 public:
  explicit MapListDialog(QWidget* parent);
  ~MapListDialog() override;

  QTreeWidget* Tree() const { return tree_; }
  bool SelectMap(const std::string& name);
  // What the buttons do, for the buttons and for tests.
  void FindNewMap(const std::string& folder);
  void RemoveCurrent();
  void RenameCurrent(const std::string& name);
  void GoToCurrent();
  std::string InfoOfCurrent() const;
  // The map "Go to Map" chose (its ID), 0 for none.
  int32_t goToMapID = 0;

  void done(int result) override;

 private:
  void Fill(int32_t currentRow);
  int32_t CurrentRow() const;

  OverlayMapsDialogState state_;
  QTreeWidget* tree_;
  bool filling_ = false;
  bool finished_ = false;
};

bool RunOverlayMaps(QWidget* parent);
// Fits the map's objects into the view and adds the note when none of them can be seen (strings
// 573 and 574). False when the map has no objects.
bool GoToMap(int32_t mapID);
void RegisterOverlayMapsCommand(MainWindow& window);

}  // namespace tlv
