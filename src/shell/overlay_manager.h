// The Overlay Manager: the overlay list in drawing order with its groups (collapsible), each
// overlay with its display mode, lock, legend mark and a swatch of its default graphics; moving
// overlays and groups (the "moves" pop-up, 16101 to 16107, with its keys); new, renamed and
// deleted overlays and groups; the default graphics, the scale ranges and the restoring of
// default settings. Also the Unlocking Overlay, Overlay Scale Ranges, choose-group and default
// graphics dialogs it opens.
//
// Settings, locks, legend marks and the order are changed in the catalogue as the user works, so
// the map shows them after OK; Cancel puts back exactly what was there when the dialog opened.
// A change that touches files on the maps (a new, renamed or deleted overlay or group) cannot be
// taken back: it is written at once, LAYERS2.PLT and GROUPS.PLT with it, and Cancel then goes
// back only to that point. OK writes both files at once (through their work files) so a crash
// later does not lose the user's settings.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

#include "store/store_records.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tlv {

class MainWindow;

// The commands of the "moves" pop-up.
constexpr int kMoveTopCommand = 16101;
constexpr int kMoveUpCommand = 16102;
constexpr int kMoveDownCommand = 16103;
constexpr int kMoveBottomCommand = 16104;
constexpr int kMoveIntoGroupCommand = 16106;
constexpr int kMoveOutOfGroupCommand = 16107;

class OverlayManagerDialog : public QDialog {
 public:
  explicit OverlayManagerDialog(QWidget* parent, MainWindow* window = nullptr);

  QTreeWidget* Tree() const { return tree_; }
  // The tree's columns.
  static constexpr int kNameColumn = 0;
  static constexpr int kModeColumn = 1;
  static constexpr int kLockColumn = 2;
  static constexpr int kLegendColumn = 3;

  // Makes the overlay's (or group's) row current; false when there is none.
  bool SelectLayer(const std::string& name);
  bool SelectGroup(const std::string& name);
  QTreeWidgetItem* LayerItem(const std::string& name) const;
  QTreeWidgetItem* GroupItem(const std::string& name) const;
  // The display-mode choice (0 to 3) and the graphics override choice (0, 1).
  QAbstractButton* ModeButton(int mode) const;
  QAbstractButton* OverrideButton(int value) const;
  QLabel* ModeText() const { return modeText_; }

  // A command of the "moves" pop-up on the current row.
  void RunMove(int command);

  void done(int result) override;

 private:
  struct Snapshot {
    std::vector<LayerRecord> layers;
    std::vector<GroupRecord> groups;
    bool groupsLoaded = false;
  };

  void TakeSnapshot();
  void RestoreSnapshot();
  // Writes LAYERS2.PLT and GROUPS.PLT; after a change to files, the new point Cancel goes back to.
  void CommitNow();
  void Fill();
  void FillRow(QTreeWidgetItem* item, int32_t layerIndex);
  void ShowCurrent();
  int32_t CurrentLayer() const;  // a position in the overlay list, or -1
  int32_t CurrentGroup() const;  // a position in the group list (a header row), or -1
  void OnItemChanged(QTreeWidgetItem* item, int column);
  void SetMode(int mode);
  void SetOverride(int value);
  void NewLayer();
  void RenameCurrentLayer();
  void DeleteCurrentLayer();
  void NewGroup();
  void RenameCurrentGroup();
  void DeleteCurrentGroup();
  void EditGraphics();
  void EditScaleRanges();
  void RestoreDefaults();
  void ShowMovesMenu(const QPoint& at);

  MainWindow* window_;
  QTreeWidget* tree_;
  QButtonGroup* modes_;
  QButtonGroup* override_;
  QLabel* modeText_;
  QLabel* overrideText_;
  std::vector<QPushButton*> layerButtons_;
  std::vector<QPushButton*> groupButtons_;
  Snapshot snapshot_;
  bool filling_ = false;
};

// Runs the Overlay Manager; true on OK.
bool RunOverlayManager(QWidget* parent, MainWindow* window = nullptr);

// The Unlocking Overlay dialog: what unlocking the overlay allows on each map. True when the
// user unlocked it (the overlay is then unlocked).
bool RunUnlockingDialog(QWidget* parent, int32_t layerIndex);
// Its text, line by line, as the dialog shows it.
std::vector<std::string> UnlockingDialogLines(int32_t layerIndex);

// The Overlay Scale Ranges dialog for an overlay: sliders on the doubling stops and typed
// values. OK stores the values (clamped and ordered) with the cautions of the display mode; true
// when something was stored.
bool RunScaleRangesDialog(QWidget* parent, int32_t layerIndex);

// Asks which group the overlay goes into (preselected: the neighbouring group); the group's
// position or -1.
int32_t ChooseGroupDialog(QWidget* parent, int32_t layerIndex);

// The default graphics of an overlay with the Object Settings dialog's choosers and the
// graphics override; true on OK (the record is then changed).
bool RunDefaultGraphicsDialog(QWidget* parent, int32_t layerIndex);

// Registers Overlay Manager... (301) and the right-click pop-up's item (20602).
void RegisterOverlayManagerCommands(MainWindow& window);

}  // namespace tlv
