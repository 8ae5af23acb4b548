#include "shell/overlay_manager.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "app/shell_services.h"
#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/display_settings.h"
#include "catalogue/groups.h"
#include "catalogue/layer_order.h"
#include "catalogue/layers.h"
#include "catalogue/scale_ranges.h"
#include "edit/layer_unlock.h"
#include "edit/modify.h"
#include "platform/qt/text_codec.h"
#include "render/symbols.h"
#include "shell/graphics_widgets.h"
#include "shell/main_window.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr int kOverlayManagerCommand = 301;
constexpr int kPopUpOverlayManagerCommand = 20602;
constexpr int16_t kOwnTexts = 26200;
constexpr int kMessageModeTextBase = 200;     // 200 mode 3 ... 203 mode 0
constexpr int kMessageOverrideOn = 204;       // override 1
constexpr int kMessageOverrideOff = 205;      // override 0
constexpr int kMessageRestoreDefaults = 207;  // restore every overlay's defaults
constexpr int kMessageSliderHelpBase = 195;   // 195 to 198, one per scale
constexpr int kRowKindRole = Qt::UserRole;
constexpr int kRowKeyRole = Qt::UserRole + 1;
constexpr int kLayerRow = 0;
constexpr int kGroupRow = 1;
constexpr int kMaxFontNumber = 255;

QString Own(int16_t index) {
  return FromWindows1252(GetIndString(kOwnTexts, index));
}

std::string OwnFormat(int16_t index, const std::string& text) {
  return FormatTextV(GetIndString(kOwnTexts, index).c_str(), text.c_str());
}

QString ModeWord(int mode) {
  switch (mode) {
    case kDisplayHide:
      return QStringLiteral("Hide");
    case kDisplayRange:
      return QStringLiteral("Range");
    case kDisplayShowNames:
      return QStringLiteral("Show with names");
    default:
      return QStringLiteral("Show");
  }
}

// A new name asked for in a small dialog; false on Cancel.
bool AskName(QWidget* parent, const QString& title, const QString& label, const std::string& now,
             std::string& name) {
  QInputDialog dialog(parent);
  dialog.setWindowTitle(title);
  dialog.setLabelText(label);
  dialog.setTextValue(FromWindows1252(now));
  dialog.setObjectName(QStringLiteral("nameDialog"));
  if (dialog.exec() != QDialog::Accepted) return false;
  name = ToWindows1252(dialog.textValue().trimmed());
  return true;
}

// The alert for a refused name; false when the result was no refusal of a name.
bool ReportNameRefusal(int32_t result, const std::string& name, bool group) {
  switch (result) {
    case kNameTaken:
      ShowAlert(OwnFormat(group ? 8 : 9, name), kStopAlert);
      return true;
    case kNameEmpty:
      ShowAlert(GetIndString(kOwnTexts, 10), kStopAlert);
      return true;
    case kNameNotChangeable:
      ShowAlert(GetIndString(kOwnTexts, 11), kStopAlert);
      return true;
    default:
      return false;
  }
}

// --- Overlay Scale Ranges ---

class ScaleRangesDialog : public QDialog {
 public:
  ScaleRangesDialog(QWidget* parent, const LayerRecord& layer) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Overlay Scale Ranges"));
    setObjectName(QStringLiteral("scaleRanges"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Overlay: %1").arg(FromWindows1252(FieldText(layer.name))), this));
    auto* grid = new QGridLayout();
    layout->addLayout(grid);
    const char* labels[4] = {"Shown from (zoomed in) 1:", "Shown up to (zoomed out) 1:",
                             "Names up to 1:", "Dots from 1:"};
    const char* names[4] = {"zoomedIn", "zoomedOut", "names", "dots"};
    for (int i = 0; i < 4; ++i) {
      auto* slider = new QSlider(Qt::Horizontal, this);
      slider->setRange(0, kScaleRangeStops - 1);
      slider->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("Slider"));
      slider->setToolTip(FromWindows1252(MessageText(kMessageSliderHelpBase + i)));
      auto* field = new QLineEdit(this);
      field->setObjectName(QString::fromLatin1(names[i]));
      field->setToolTip(slider->toolTip());
      field->setText(QString::number(layer.scales[i]));
      slider->setValue(ScaleRangeStop(layer.scales[i]));
      QObject::connect(slider, &QSlider::valueChanged, field, [field](int stop) {
        field->setText(QString::number(ScaleOfRangeStop(stop)));
      });
      QObject::connect(field, &QLineEdit::textEdited, slider, [slider](const QString& text) {
        bool ok = false;
        const qlonglong value = text.toLongLong(&ok);
        if (ok && value > 0) {
          QSignalBlocker block(slider);
          slider->setValue(
              ScaleRangeStop(static_cast<int32_t>(std::min<qlonglong>(value, kScaleRangeLargest))));
        }
      });
      grid->addWidget(new QLabel(QString::fromLatin1(labels[i]), this), i, 0);
      grid->addWidget(field, i, 1);
      grid->addWidget(slider, i, 2);
      fields_[i] = field;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] { TryAccept(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
  }

  int32_t scales[4] = {0, 0, 0, 0};

 private:
  void TryAccept() {
    for (int i = 0; i < 4; ++i) {
      QString text = fields_[i]->text().trimmed();
      text.remove(QLatin1Char(','));
      bool ok = false;
      const qlonglong value = text.toLongLong(&ok);
      if (!ok) {
        ShowAlert(OwnFormat(14, ToWindows1252(fields_[i]->text())), kStopAlert);
        fields_[i]->setFocus();
        return;
      }
      scales[i] = static_cast<int32_t>(std::clamp<qlonglong>(value, 0, kScaleRangeLargest));
    }
    NormaliseScaleRanges(scales);
    accept();
  }

  QLineEdit* fields_[4] = {};
};

// --- Default graphics ---

class DefaultGraphicsDialog : public QDialog {
 public:
  DefaultGraphicsDialog(QWidget* parent, const LayerRecord& layer) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Default Graphics"));
    setObjectName(QStringLiteral("defaultGraphics"));
    std::memcpy(graphics, layer.graphics, sizeof graphics);
    graphicsOverride = layer.graphicsOverride;
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    layout->addLayout(form);
    form->addRow(QStringLiteral("Overlay:"),
                 new QLabel(FromWindows1252(FieldText(layer.name)), this));
    colour_ = MakeColourChooser(this, graphics[1]);
    colour_->setObjectName(QStringLiteral("colour"));
    form->addRow(QStringLiteral("Color:"), colour_);
    line_ = MakeLineChooser(this, graphics[3], graphics[2]);
    line_->setObjectName(QStringLiteral("line"));
    form->addRow(QStringLiteral("Line:"), line_);
    fill_ = MakeFillChooser(this, graphics[4]);
    fill_->setObjectName(QStringLiteral("fill"));
    form->addRow(QStringLiteral("Fill:"), fill_);
    symbol_ = new QSpinBox(this);
    symbol_->setObjectName(QStringLiteral("symbol"));
    symbol_->setRange(0, kMaxSymbolNumber);
    symbol_->setValue(graphics[0]);
    auto* description = new QLabel(this);
    auto describe = [description](int symbol) {
      description->setText(FromWindows1252(SymbolDescription(static_cast<int16_t>(symbol))));
    };
    describe(symbol_->value());
    QObject::connect(symbol_, &QSpinBox::valueChanged, description, describe);
    form->addRow(QStringLiteral("Symbol:"), symbol_);
    form->addRow(QString(), description);
    font_ = new QSpinBox(this);
    font_->setObjectName(QStringLiteral("font"));
    font_->setRange(0, kMaxFontNumber);
    font_->setValue(graphics[5]);
    form->addRow(QStringLiteral("Font:"), font_);
    override_ = new QComboBox(this);
    override_->setObjectName(QStringLiteral("override"));
    override_->addItem(FromWindows1252(MessageText(kMessageOverrideOff)), 0);
    override_->addItem(FromWindows1252(MessageText(kMessageOverrideOn)), 1);
    override_->setCurrentIndex(graphicsOverride != 0 ? 1 : 0);
    form->addRow(QStringLiteral("Objects:"), override_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] {
      graphics[1] = static_cast<int16_t>(colour_->currentData().toInt());
      if (line_->currentData().toInt() > 0) {
        LineChoice(line_->currentData().toInt(), graphics[3], graphics[2]);
      }
      graphics[4] = static_cast<int16_t>(fill_->currentData().toInt());
      graphics[0] = static_cast<int16_t>(symbol_->value());
      graphics[5] = static_cast<int16_t>(font_->value());
      graphicsOverride = static_cast<int16_t>(override_->currentData().toInt());
      accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
  }

  int16_t graphics[kDefaultGraphicsCount] = {};
  int16_t graphicsOverride = 0;

 private:
  QComboBox* colour_;
  QComboBox* line_;
  QComboBox* fill_;
  QSpinBox* symbol_;
  QSpinBox* font_;
  QComboBox* override_;
};

}  // namespace

// --- Unlocking Overlay ---

std::vector<std::string> UnlockingDialogLines(int32_t layerIndex) {
  std::vector<std::string> lines;
  UnlockReport report;
  if (CheckUnlockLayer(layerIndex, report) != 0) return lines;
  lines.push_back(OwnFormat(1, report.layerName));
  if (report.ownedByApplication) lines.push_back(GetIndString(kOwnTexts, 6));
  if (report.maps.empty()) lines.push_back(GetIndString(kOwnTexts, 7));
  for (const UnlockMapNote& note : report.maps) {
    const long count = note.objectCount;
    if (note.locked) {
      lines.push_back(FormatTextV(GetIndString(kOwnTexts, 3).c_str(), note.mapName.c_str(), count));
    } else if (note.indexed) {
      lines.push_back(FormatTextV(GetIndString(kOwnTexts, 4).c_str(), note.mapName.c_str(), count));
    } else if (!note.owner.empty()) {
      lines.push_back(FormatTextV(GetIndString(kOwnTexts, 5).c_str(), note.mapName.c_str(), count,
                                  note.owner.c_str()));
    } else {
      lines.push_back(FormatTextV(GetIndString(kOwnTexts, 2).c_str(), note.mapName.c_str(), count));
    }
  }
  return lines;
}

bool RunUnlockingDialog(QWidget* parent, int32_t layerIndex) {
  const std::vector<std::string> lines = UnlockingDialogLines(layerIndex);
  if (lines.empty()) return false;
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Unlocking Overlay"));
  dialog.setObjectName(QStringLiteral("unlocking"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* heading = new QLabel(FromWindows1252(lines.front()), &dialog);
  heading->setWordWrap(true);
  layout->addWidget(heading);
  auto* list = new QListWidget(&dialog);
  list->setObjectName(QStringLiteral("maps"));
  for (size_t i = 1; i < lines.size(); ++i) list->addItem(FromWindows1252(lines[i]));
  list->setWordWrap(true);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(QStringLiteral("&Unlock"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(460, 260);
  if (dialog.exec() != QDialog::Accepted) return false;
  return UnlockLayer(layerIndex) == 0;
}

bool RunScaleRangesDialog(QWidget* parent, int32_t layerIndex) {
  LayerRecord layer;
  if (!GetLayerRecord(layerIndex, layer)) return false;
  ScaleRangesDialog dialog(parent, layer);
  if (dialog.exec() != QDialog::Accepted) return false;
  return ConfirmScaleRanges(layerIndex, layer.scales, dialog.scales) == 0;
}

int32_t ChooseGroupDialog(QWidget* parent, int32_t layerIndex) {
  const int32_t own = GroupOfLayer(layerIndex);
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Into Group"));
  dialog.setObjectName(QStringLiteral("chooseGroup"));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(Own(15), &dialog));
  auto* list = new QListWidget(&dialog);
  list->setObjectName(QStringLiteral("groups"));
  const int32_t neighbour = NeighbouringGroup(layerIndex);
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
    if (g == own) continue;
    auto* item = new QListWidgetItem(FromWindows1252(FieldText(group.name)), list);
    item->setData(Qt::UserRole, g);
    if (g == neighbour || list->count() == 1) list->setCurrentItem(item);
  }
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  if (list->count() == 0 || dialog.exec() != QDialog::Accepted || list->currentItem() == nullptr) {
    return -1;
  }
  return list->currentItem()->data(Qt::UserRole).toInt();
}

bool RunDefaultGraphicsDialog(QWidget* parent, int32_t layerIndex) {
  LayerRecord layer;
  if (!GetLayerRecord(layerIndex, layer)) return false;
  DefaultGraphicsDialog dialog(parent, layer);
  if (dialog.exec() != QDialog::Accepted) return false;
  std::memcpy(layer.graphics, dialog.graphics, sizeof layer.graphics);
  layer.graphicsOverride = dialog.graphicsOverride;
  return SetLayerRecord(layerIndex, layer);
}

// --- The Overlay Manager ---

OverlayManagerDialog::OverlayManagerDialog(QWidget* parent, MainWindow* window)
    : QDialog(parent), window_(window) {
  setWindowTitle(QStringLiteral("Overlay Manager"));
  setObjectName(QStringLiteral("overlayManager"));
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout();
  layout->addLayout(left, 3);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("overlays"));
  tree_->setColumnCount(4);
  tree_->setHeaderLabels({QStringLiteral("Overlay"), QStringLiteral("Display"),
                          QStringLiteral("Locked"), QStringLiteral("Legend")});
  tree_->header()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
  tree_->header()->setStretchLastSection(false);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  left->addWidget(tree_);

  auto* moves = new QHBoxLayout();
  left->addLayout(moves);
  struct MoveButton {
    const char* label;
    const char* name;
    int command;
    const char* key;
  };
  const MoveButton moveButtons[] = {
      {"Top", "top", kMoveTopCommand, "Ctrl+T"},
      {"Up", "up", kMoveUpCommand, "Ctrl+U"},
      {"Down", "down", kMoveDownCommand, "Ctrl+D"},
      {"Bottom", "bottom", kMoveBottomCommand, "Ctrl+B"},
      {"Into Group", "intoGroup", kMoveIntoGroupCommand, "Ctrl+I"},
      {"Out of Group", "outOfGroup", kMoveOutOfGroupCommand, "Ctrl+O"},
  };
  for (const MoveButton& m : moveButtons) {
    auto* button = new QPushButton(QString::fromLatin1(m.label), this);
    button->setObjectName(QString::fromLatin1(m.name));
    button->setAutoDefault(false);
    button->setToolTip(QString::fromLatin1(m.key));
    const int command = m.command;
    QObject::connect(button, &QPushButton::clicked, this, [this, command] { RunMove(command); });
    moves->addWidget(button);
    // The keys of the "moves" pop-up work while the dialog has the focus.
    auto* action = new QAction(this);
    action->setShortcut(QKeySequence(QString::fromLatin1(m.key)));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, this, [this, command] { RunMove(command); });
    addAction(action);
  }

  auto* right = new QVBoxLayout();
  layout->addLayout(right, 2);
  auto* display = new QGroupBox(QStringLiteral("Display"), this);
  auto* displayLayout = new QVBoxLayout(display);
  modes_ = new QButtonGroup(this);
  for (int mode : {kDisplayShowNames, kDisplayShow, kDisplayRange, kDisplayHide}) {
    auto* radio = new QRadioButton(ModeWord(mode), display);
    radio->setObjectName(QStringLiteral("mode%1").arg(mode));
    modes_->addButton(radio, mode);
    displayLayout->addWidget(radio);
  }
  modeText_ = new QLabel(display);
  modeText_->setObjectName(QStringLiteral("modeText"));
  modeText_->setWordWrap(true);
  displayLayout->addWidget(modeText_);
  auto* ranges = new QPushButton(QStringLiteral("Scale &Ranges..."), display);
  ranges->setObjectName(QStringLiteral("scaleRanges"));
  ranges->setAutoDefault(false);
  displayLayout->addWidget(ranges);
  right->addWidget(display);
  QObject::connect(modes_, &QButtonGroup::idClicked, this, [this](int mode) { SetMode(mode); });
  QObject::connect(ranges, &QPushButton::clicked, this, [this] { EditScaleRanges(); });

  auto* graphics = new QGroupBox(QStringLiteral("Graphics"), this);
  auto* graphicsLayout = new QVBoxLayout(graphics);
  override_ = new QButtonGroup(this);
  for (int value : {0, 1}) {
    auto* radio = new QRadioButton(
        value == 0 ? QStringLiteral("Each object's own") : QStringLiteral("The overlay's defaults"),
        graphics);
    radio->setObjectName(QStringLiteral("override%1").arg(value));
    override_->addButton(radio, value);
    graphicsLayout->addWidget(radio);
  }
  overrideText_ = new QLabel(graphics);
  overrideText_->setWordWrap(true);
  graphicsLayout->addWidget(overrideText_);
  auto* editGraphics = new QPushButton(QStringLiteral("Default &Graphics..."), graphics);
  editGraphics->setObjectName(QStringLiteral("graphics"));
  editGraphics->setAutoDefault(false);
  graphicsLayout->addWidget(editGraphics);
  right->addWidget(graphics);
  QObject::connect(override_, &QButtonGroup::idClicked, this,
                   [this](int value) { SetOverride(value); });
  QObject::connect(editGraphics, &QPushButton::clicked, this, [this] { EditGraphics(); });

  auto* edits = new QGridLayout();
  right->addLayout(edits);
  auto add = [this, edits](const char* label, const char* name, int row, int column,
                           void (OverlayManagerDialog::*slot)()) {
    auto* button = new QPushButton(QString::fromLatin1(label), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, this, [this, slot] { (this->*slot)(); });
    edits->addWidget(button, row, column);
    return button;
  };
  add("&New Overlay...", "newOverlay", 0, 0, &OverlayManagerDialog::NewLayer);
  layerButtons_.push_back(
      add("Re&name Overlay...", "renameOverlay", 1, 0, &OverlayManagerDialog::RenameCurrentLayer));
  layerButtons_.push_back(
      add("&Delete Overlay...", "deleteOverlay", 2, 0, &OverlayManagerDialog::DeleteCurrentLayer));
  add("New Gro&up...", "newGroup", 0, 1, &OverlayManagerDialog::NewGroup);
  groupButtons_.push_back(
      add("Rename Grou&p...", "renameGroup", 1, 1, &OverlayManagerDialog::RenameCurrentGroup));
  groupButtons_.push_back(
      add("Delete Grou&p...", "deleteGroup", 2, 1, &OverlayManagerDialog::DeleteCurrentGroup));
  auto* restore =
      add("Restore &Defaults", "restoreDefaults", 3, 0, &OverlayManagerDialog::RestoreDefaults);
  restore->setToolTip(FromWindows1252(MessageText(kMessageRestoreDefaults)));
  restore->setEnabled(HasLayerDefaults());
  layerButtons_.push_back(ranges);
  layerButtons_.push_back(editGraphics);

  right->addStretch(1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  right->addWidget(buttons);

  QObject::connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { ShowCurrent(); });
  QObject::connect(tree_, &QTreeWidget::itemChanged, this,
                   [this](QTreeWidgetItem* item, int column) { OnItemChanged(item, column); });
  auto collapse = [this](QTreeWidgetItem* item, bool collapsed) {
    if (filling_ || item->data(kNameColumn, kRowKindRole).toInt() != kGroupRow) return;
    const std::string name = ToWindows1252(item->data(kNameColumn, kRowKeyRole).toString());
    GroupRecord group;
    for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
      if (FieldText(group.name) != name) continue;
      group.collapsed = collapsed ? 1 : 0;
      SetGroupRecord(g, group);
      return;
    }
  };
  QObject::connect(tree_, &QTreeWidget::itemCollapsed, this,
                   [collapse](QTreeWidgetItem* item) { collapse(item, true); });
  QObject::connect(tree_, &QTreeWidget::itemExpanded, this,
                   [collapse](QTreeWidgetItem* item) { collapse(item, false); });
  QObject::connect(tree_, &QTreeWidget::customContextMenuRequested, this,
                   [this](const QPoint& at) { ShowMovesMenu(tree_->viewport()->mapToGlobal(at)); });

  TakeSnapshot();
  Fill();
  resize(820, 520);
}

void OverlayManagerDialog::TakeSnapshot() {
  snapshot_ = Snapshot();
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) snapshot_.layers.push_back(layer);
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) snapshot_.groups.push_back(group);
  snapshot_.groupsLoaded = GroupsLoaded();
}

void OverlayManagerDialog::RestoreSnapshot() {
  if (static_cast<int32_t>(snapshot_.layers.size()) == LayerCount()) {
    for (size_t i = 0; i < snapshot_.layers.size(); ++i) {
      SetLayerRecord(static_cast<int32_t>(i), snapshot_.layers[i]);
    }
  }
  if (snapshot_.groupsLoaded) {
    SetGroups(snapshot_.groups);
  } else {
    ReleaseGroups();
  }
  RebuildLayerIDIndex();
  AnyLayerUnlocked();
}

void OverlayManagerDialog::CommitNow() {
  if (SaveLayers() != 0) ShowAlert(GetIndString(kOwnTexts, 16), kStopAlert);
  TakeSnapshot();
  Shell().InvalidateMap();
}

void OverlayManagerDialog::done(int result) {
  if (result == QDialog::Accepted) {
    AnyLayerUnlocked();
    if (SaveLayers() != 0) ShowAlert(GetIndString(kOwnTexts, 16), kStopAlert);
  } else {
    RestoreSnapshot();
  }
  Shell().InvalidateMap();
  Shell().UpdateMenus();
  QDialog::done(result);
}

void OverlayManagerDialog::FillRow(QTreeWidgetItem* item, int32_t layerIndex) {
  LayerRecord layer;
  GetLayerRecord(layerIndex, layer);
  const QString name = FromWindows1252(FieldText(layer.name));
  item->setText(kNameColumn, name);
  item->setIcon(kNameColumn, LayerGraphicsSwatch(layer.graphics));
  item->setData(kNameColumn, kRowKindRole, kLayerRow);
  item->setData(kNameColumn, kRowKeyRole, layer.layerID);
  item->setText(kModeColumn, ModeWord(layer.displayMode));
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(kLockColumn,
                      (layer.lockState & kLockedBit) != 0 ? Qt::Checked : Qt::Unchecked);
  item->setCheckState(kLegendColumn,
                      (layer.flags & kNotInLegendFlag) != 0 ? Qt::Unchecked : Qt::Checked);
}

void OverlayManagerDialog::Fill() {
  filling_ = true;
  // The row that was current stays current.
  int currentKind = -1;
  QVariant currentKey;
  if (QTreeWidgetItem* item = tree_->currentItem()) {
    currentKind = item->data(kNameColumn, kRowKindRole).toInt();
    currentKey = item->data(kNameColumn, kRowKeyRole);
  }
  tree_->clear();
  QTreeWidgetItem* restore = nullptr;
  QTreeWidgetItem* groupItem = nullptr;
  int32_t openGroup = -1;
  auto groupRow = [this](int32_t g) {
    GroupRecord group;
    GetGroupRecord(g, group);
    auto* item = new QTreeWidgetItem(tree_);
    const QString name = FromWindows1252(FieldText(group.name));
    item->setText(kNameColumn, name);
    QFont font = item->font(kNameColumn);
    font.setBold(true);
    item->setFont(kNameColumn, font);
    item->setData(kNameColumn, kRowKindRole, kGroupRow);
    item->setData(kNameColumn, kRowKeyRole, name);
    return item;
  };
  for (int32_t i = 0; i < LayerCount(); ++i) {
    const int32_t g = GroupOfLayer(i);
    QTreeWidgetItem* item = nullptr;
    if (g >= 0) {
      if (g != openGroup) {
        groupItem = groupRow(g);
        openGroup = g;
      }
      item = new QTreeWidgetItem(groupItem);
    } else {
      openGroup = -1;
      item = new QTreeWidgetItem(tree_);
    }
    FillRow(item, i);
    if (currentKind == kLayerRow && item->data(kNameColumn, kRowKeyRole) == currentKey) {
      restore = item;
    }
  }
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
    int32_t first = -1, last = -1;
    if (!GroupRun(group, first, last)) groupRow(g);
  }
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree_->topLevelItem(i);
    if (item->data(kNameColumn, kRowKindRole).toInt() != kGroupRow) continue;
    const std::string name = ToWindows1252(item->data(kNameColumn, kRowKeyRole).toString());
    for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
      if (FieldText(group.name) == name) item->setExpanded(group.collapsed == 0);
    }
    if (currentKind == kGroupRow && item->data(kNameColumn, kRowKeyRole) == currentKey) {
      restore = item;
    }
  }
  tree_->resizeColumnToContents(kModeColumn);
  filling_ = false;
  tree_->setCurrentItem(restore != nullptr ? restore : tree_->topLevelItem(0));
  ShowCurrent();
}

int32_t OverlayManagerDialog::CurrentLayer() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr || item->data(kNameColumn, kRowKindRole).toInt() != kLayerRow) return -1;
  return LayerIDToIndex(item->data(kNameColumn, kRowKeyRole).toInt());
}

int32_t OverlayManagerDialog::CurrentGroup() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr || item->data(kNameColumn, kRowKindRole).toInt() != kGroupRow) return -1;
  const std::string name = ToWindows1252(item->data(kNameColumn, kRowKeyRole).toString());
  GroupRecord group;
  for (int32_t g = 0; GetGroupRecord(g, group); ++g) {
    if (FieldText(group.name) == name) return g;
  }
  return -1;
}

void OverlayManagerDialog::ShowCurrent() {
  if (filling_) return;
  const int32_t index = CurrentLayer();
  LayerRecord layer;
  const bool haveLayer = GetLayerRecord(index, layer);
  for (QAbstractButton* b : modes_->buttons()) b->setEnabled(haveLayer);
  for (QAbstractButton* b : override_->buttons()) b->setEnabled(haveLayer);
  for (QPushButton* b : layerButtons_) b->setEnabled(haveLayer);
  for (QPushButton* b : groupButtons_) b->setEnabled(CurrentGroup() >= 0);
  if (!haveLayer) {
    modeText_->clear();
    overrideText_->clear();
    return;
  }
  modes_
      ->button(layer.displayMode <= kDisplayShowNames ? int{layer.displayMode} : int{kDisplayShow})
      ->setChecked(true);
  override_->button(layer.graphicsOverride != 0 ? 1 : 0)->setChecked(true);
  modeText_->setText(FromWindows1252(
      MessageText(kMessageModeTextBase + kDisplayShowNames - std::min<int>(layer.displayMode, 3))));
  overrideText_->setText(FromWindows1252(
      MessageText(layer.graphicsOverride != 0 ? kMessageOverrideOn : kMessageOverrideOff)));
}

bool OverlayManagerDialog::SelectLayer(const std::string& name) {
  QTreeWidgetItem* item = LayerItem(name);
  if (item == nullptr) return false;
  tree_->setCurrentItem(item);
  return true;
}

bool OverlayManagerDialog::SelectGroup(const std::string& name) {
  QTreeWidgetItem* item = GroupItem(name);
  if (item == nullptr) return false;
  tree_->setCurrentItem(item);
  return true;
}

QTreeWidgetItem* OverlayManagerDialog::LayerItem(const std::string& name) const {
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    if ((*it)->data(kNameColumn, kRowKindRole).toInt() == kLayerRow &&
        ToWindows1252((*it)->text(kNameColumn)) == name) {
      return *it;
    }
  }
  return nullptr;
}

QTreeWidgetItem* OverlayManagerDialog::GroupItem(const std::string& name) const {
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree_->topLevelItem(i);
    if (item->data(kNameColumn, kRowKindRole).toInt() == kGroupRow &&
        ToWindows1252(item->text(kNameColumn)) == name) {
      return item;
    }
  }
  return nullptr;
}

QAbstractButton* OverlayManagerDialog::ModeButton(int mode) const {
  return modes_->button(mode);
}

QAbstractButton* OverlayManagerDialog::OverrideButton(int value) const {
  return override_->button(value);
}

void OverlayManagerDialog::OnItemChanged(QTreeWidgetItem* item, int column) {
  if (filling_ || item->data(kNameColumn, kRowKindRole).toInt() != kLayerRow) return;
  const int32_t index = LayerIDToIndex(item->data(kNameColumn, kRowKeyRole).toInt());
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return;
  if (column == kLockColumn) {
    const bool wantLocked = item->checkState(kLockColumn) == Qt::Checked;
    const bool locked = (layer.lockState & kLockedBit) != 0;
    if (wantLocked == locked) return;
    if (wantLocked) {
      LockLayer(index);
    } else if (!RunUnlockingDialog(this, index)) {
      // Not unlocked: the check mark goes back.
      filling_ = true;
      item->setCheckState(kLockColumn, Qt::Checked);
      filling_ = false;
    }
  } else if (column == kLegendColumn) {
    const bool inLegend = item->checkState(kLegendColumn) == Qt::Checked;
    layer.flags = inLegend ? (layer.flags & ~kNotInLegendFlag) : (layer.flags | kNotInLegendFlag);
    SetLayerRecord(index, layer);
  }
}

void OverlayManagerDialog::SetMode(int mode) {
  const int32_t index = CurrentLayer();
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return;
  layer.displayMode = static_cast<uint8_t>(mode);
  SetLayerRecord(index, layer);
  filling_ = true;
  FillRow(tree_->currentItem(), index);
  filling_ = false;
  ShowCurrent();
}

void OverlayManagerDialog::SetOverride(int value) {
  const int32_t index = CurrentLayer();
  LayerRecord layer;
  if (!GetLayerRecord(index, layer)) return;
  layer.graphicsOverride = static_cast<int16_t>(value);
  SetLayerRecord(index, layer);
  ShowCurrent();
}

void OverlayManagerDialog::RunMove(int command) {
  const int32_t index = CurrentLayer();
  const int32_t group = CurrentGroup();
  if (index < 0 && group < 0) return;
  LayerMove move = LayerMove::kTop;
  switch (command) {
    case kMoveTopCommand:
      move = LayerMove::kTop;
      break;
    case kMoveUpCommand:
      move = LayerMove::kUp;
      break;
    case kMoveDownCommand:
      move = LayerMove::kDown;
      break;
    case kMoveBottomCommand:
      move = LayerMove::kBottom;
      break;
    case kMoveIntoGroupCommand: {
      if (index < 0) return;
      const int32_t target = ChooseGroupDialog(this, index);
      int32_t moved = -1;
      if (target >= 0 && MoveLayerIntoGroup(index, target, moved) == 0) Fill();
      return;
    }
    case kMoveOutOfGroupCommand: {
      int32_t moved = -1;
      if (index >= 0 && MoveLayerOutOfGroup(index, moved) == 0) Fill();
      return;
    }
    default:
      return;
  }
  // Whether the overlay (or the group's first overlay) changed its place tells whether anything
  // moved: a group's position in the group list can stay while its overlays move.
  int32_t start = index;
  if (index < 0) {
    GroupRecord record;
    int32_t last = -1;
    GetGroupRecord(group, record);
    GroupRun(record, start, last);
  }
  LayerRecord mover;
  GetLayerRecord(start, mover);
  int32_t moved = -1;
  const int32_t err = index >= 0 ? MoveLayer(index, move, moved) : MoveGroup(group, move, moved);
  if (err != 0 || LayerIDToIndex(mover.layerID) == start) {
    Platform().Beep();
    return;
  }
  Fill();
}

void OverlayManagerDialog::ShowMovesMenu(const QPoint& at) {
  if (window_ == nullptr) return;
  const int chosen = window_->ShowPopUpMenu("MOVES", at, false);
  if (chosen != 0) RunMove(chosen);
}

void OverlayManagerDialog::NewLayer() {
  std::string name;
  if (!AskName(this, QStringLiteral("New Overlay"), QStringLiteral("Name of the new overlay:"), "",
               name)) {
    return;
  }
  if (name.empty()) {
    ShowAlert(GetIndString(kOwnTexts, 10), kStopAlert);
    return;
  }
  if (LayerNameToIndex(name) >= 0) {
    ShowAlert(OwnFormat(9, name), kStopAlert);
    return;
  }
  name.resize(std::min<size_t>(name.size(), kLayerNameSize - 1));
  int32_t position = -1;
  // An overlay made here is made to be drawn on: it starts unlocked.
  if (AddLayer(name, false, false, false, position) != 0) return;
  AnyLayerUnlocked();
  CommitNow();
  Fill();
  SelectLayer(name);
}

void OverlayManagerDialog::RenameCurrentLayer() {
  const int32_t index = CurrentLayer();
  if (index < 0) return;
  const std::string old = LayerName(index);
  std::string name;
  if (!AskName(this, QStringLiteral("Rename Overlay"), QStringLiteral("New name of the overlay:"),
               old, name)) {
    return;
  }
  const int32_t err = RenameLayer(index, name);
  if (ReportNameRefusal(err, name, false) || err != 0) return;
  CommitNow();
  Fill();
  SelectLayer(LayerName(index));
}

void OverlayManagerDialog::DeleteCurrentLayer() {
  const int32_t index = CurrentLayer();
  if (index < 0) return;
  LayerRecord layer;
  GetLayerRecord(index, layer);
  const std::string name = FieldText(layer.name);
  if (IsTemporaryLayerName(name)) {
    ShowAlert(GetIndString(kOwnTexts, 11), kStopAlert);
    return;
  }
  Question question;
  question.title = "Delete Overlay?";
  question.text = FormatTextV(GetIndString(kOwnTexts, 13).c_str(), name.c_str(),
                              static_cast<long>(LayerObjectCount(layer.layerID)));
  question.buttons = {"Delete", "Cancel"};
  question.defaultButton = 1;
  question.cancelButton = 1;
  if (Platform().Ask(question) != 0) return;
  DeleteLayerWithFiles(index);
  CommitNow();
  Fill();
}

void OverlayManagerDialog::NewGroup() {
  std::string name;
  if (!AskName(this, QStringLiteral("New Group"), QStringLiteral("Name of the new group:"), "",
               name)) {
    return;
  }
  int32_t position = -1;
  const int32_t err = AddNamedGroup(name, position);
  if (ReportNameRefusal(err, name, true) || err != 0) return;
  CommitNow();
  Fill();
  SelectGroup(name.substr(0, kGroupNameSize - 1));
}

void OverlayManagerDialog::RenameCurrentGroup() {
  const int32_t g = CurrentGroup();
  GroupRecord group;
  if (!GetGroupRecord(g, group)) return;
  std::string name;
  if (!AskName(this, QStringLiteral("Rename Group"), QStringLiteral("New name of the group:"),
               FieldText(group.name), name)) {
    return;
  }
  const int32_t err = RenameGroup(g, name);
  if (ReportNameRefusal(err, name, true) || err != 0) return;
  CommitNow();
  Fill();
  SelectGroup(name.substr(0, kGroupNameSize - 1));
}

void OverlayManagerDialog::DeleteCurrentGroup() {
  const int32_t g = CurrentGroup();
  GroupRecord group;
  if (!GetGroupRecord(g, group)) return;
  int32_t first = -1, last = -1;
  long members = 0;
  if (GroupRun(group, first, last)) members = last - first + 1;
  Question question;
  question.title = "Delete Group?";
  question.text =
      FormatTextV(GetIndString(kOwnTexts, 12).c_str(), FieldText(group.name).c_str(), members);
  question.buttons = {"Delete", "Cancel"};
  question.defaultButton = 1;
  question.cancelButton = 1;
  if (Platform().Ask(question) != 0) return;
  DeleteGroup(g);
  CommitNow();
  Fill();
}

void OverlayManagerDialog::EditGraphics() {
  const int32_t index = CurrentLayer();
  if (index < 0 || !RunDefaultGraphicsDialog(this, index)) return;
  filling_ = true;
  FillRow(tree_->currentItem(), index);
  filling_ = false;
  ShowCurrent();
}

void OverlayManagerDialog::EditScaleRanges() {
  const int32_t index = CurrentLayer();
  if (index >= 0) RunScaleRangesDialog(this, index);
}

void OverlayManagerDialog::RestoreDefaults() {
  ApplyLayerDefaults();
  Fill();
}

bool RunOverlayManager(QWidget* parent, MainWindow* window) {
  OverlayManagerDialog dialog(parent, window);
  return dialog.exec() == QDialog::Accepted;
}

void RegisterOverlayManagerCommands(MainWindow& window) {
  auto open = [&window] { RunOverlayManager(&window, &window); };
  window.RegisterCommand(kOverlayManagerCommand, open);
  window.RegisterCommand(kPopUpOverlayManagerCommand, open);
}

}  // namespace tlv
