#include "shell/map_list_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/shell_services.h"
#include "base/errors.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/map_extent.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/compact_commands.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kOverlayMapsCommand = 302;
constexpr int16_t kOwnTexts = 26200;
constexpr int kNameColumn = 0;
constexpr int kStateColumn = 1;
constexpr int kFolderColumn = 2;

}  // namespace

MapListDialog::MapListDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Overlay Maps"));
  setObjectName(QStringLiteral("overlayMaps"));
  BeginOverlayMapsDialog(state_);
  auto* layout = new QHBoxLayout(this);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("maps"));
  tree_->setRootIsDecorated(false);
  tree_->setHeaderLabels(
      {QStringLiteral("Map"), QStringLiteral("State"), QStringLiteral("Folder")});
  tree_->header()->setSectionResizeMode(kFolderColumn, QHeaderView::Stretch);
  layout->addWidget(tree_, 1);
  auto* side = new QVBoxLayout();
  layout->addLayout(side);
  auto add = [this, side](const char* label, const char* name, auto action) {
    auto* button = new QPushButton(QString::fromLatin1(label), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, this, action);
    side->addWidget(button);
    return button;
  };
  add("&Go to Map", "goToMap", [this] { GoToCurrent(); });
  add("Map &Info", "mapInfo", [this] {
    const std::string info = InfoOfCurrent();
    if (!info.empty()) ShowAlert(info, kNoteAlert);
  });
  add("&Rename", "rename", [this] {
    const int32_t row = CurrentRow();
    MapRecord record;
    if (!GetOverlayMapsRow(state_, row, record) || record.mapID == 0) return;
    bool ok = false;
    const QString name = QInputDialog::getText(
        this, QStringLiteral("Rename"), QStringLiteral("New name of the map:"), QLineEdit::Normal,
        FromWindows1252(FieldText(record.name)), &ok);
    if (ok) RenameCurrent(ToWindows1252(name.trimmed()));
  });
  add("&Compact Maps", "compact", [this] {
    if (finished_) return;
    finished_ = true;
    ApplyOverlayMapsDialog(state_);
    CompactMapFilesWithProgress(this);
    QDialog::done(QDialog::Accepted);
  });
  add("Find &New Map", "findNewMap", [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Find New Map"));
    if (!folder.isEmpty()) FindNewMap(ToWindows1252(folder));
  });
  add("R&emove", "remove", [this] { RemoveCurrent(); });
  side->addStretch(1);
  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  side->addWidget(buttons);
  QObject::connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int col) {
    if (filling_ || col != kNameColumn) return;
    const int32_t row = tree_->indexOfTopLevelItem(item);
    SetOverlayMapsRowInUse(state_, row, item->checkState(kNameColumn) == Qt::Checked);
    Fill(row);
  });
  Fill(0);
  resize(680, 360);
}

MapListDialog::~MapListDialog() {
  // Closed without OK or Cancel (the window went away): nothing of the copy is applied.
  if (!finished_) CancelOverlayMapsDialog(state_);
}

void MapListDialog::Fill(int32_t currentRow) {
  filling_ = true;
  tree_->clear();
  for (int32_t row = 0; row < OverlayMapsRowCount(state_); ++row) {
    MapRecord record;
    GetOverlayMapsRow(state_, row, record);
    auto* item = new QTreeWidgetItem(tree_);
    item->setText(kNameColumn, FromWindows1252(FieldText(record.name)));
    item->setText(kStateColumn, FromWindows1252(OverlayMapsRowStatus(record)));
    item->setText(kFolderColumn, FromWindows1252(record.mapID != 0 ? MapFolderPath(record) : ""));
    if (record.mapID != 0) {
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(kNameColumn, record.inUse ? Qt::Checked : Qt::Unchecked);
    }
  }
  tree_->resizeColumnToContents(kNameColumn);
  filling_ = false;
  if (QTreeWidgetItem* item = tree_->topLevelItem(
          std::min(currentRow, static_cast<int32_t>(tree_->topLevelItemCount()) - 1))) {
    tree_->setCurrentItem(item);
  }
}

int32_t MapListDialog::CurrentRow() const {
  QTreeWidgetItem* item = tree_->currentItem();
  return item == nullptr ? -1 : tree_->indexOfTopLevelItem(item);
}

bool MapListDialog::SelectMap(const std::string& name) {
  const auto found = tree_->findItems(FromWindows1252(name), Qt::MatchExactly, kNameColumn);
  if (found.isEmpty()) return false;
  tree_->setCurrentItem(found.front());
  return true;
}

void MapListDialog::FindNewMap(const std::string& folder) {
  int32_t row = -1;
  if (FindNewMapInOverlayMapsDialog(state_, folder, row) == 0) Fill(row);
}

void MapListDialog::RemoveCurrent() {
  const int32_t row = CurrentRow();
  MapRecord record;
  if (!GetOverlayMapsRow(state_, row, record)) return;
  Question question;
  question.title = "Remove Map?";
  question.text = FormatTextV(GetIndString(kOwnTexts, 17).c_str(), FieldText(record.name).c_str());
  question.buttons = {"Remove", "Cancel"};
  question.defaultButton = 1;
  question.cancelButton = 1;
  if (Platform().Ask(question) != 0) return;
  if (RemoveOverlayMapsRow(state_, row) == 0) Fill(row);
}

void MapListDialog::RenameCurrent(const std::string& name) {
  const int32_t row = CurrentRow();
  if (name.empty()) {
    ShowAlert(GetIndString(kOwnTexts, 10), kStopAlert);
    return;
  }
  if (RenameOverlayMapsRow(state_, row, name.substr(0, kMapNameSize - 1)) == 0) Fill(row);
}

std::string MapListDialog::InfoOfCurrent() const {
  MapRecord record;
  if (!GetOverlayMapsRow(state_, CurrentRow(), record)) return std::string();
  const int32_t index = MapIDToIndex(record.mapID);
  long objects = 0;
  long files = 0;
  OverlayFileRecord file;
  for (int32_t f = 0; index >= 0 && GetOverlayFileRecord(index, f, file); ++f) {
    ++files;
    objects += file.objectCount;
  }
  const std::string folder = record.mapID != 0 ? MapFolderPath(record) : "";
  return FormatTextV(GetIndString(kOwnTexts, 18).c_str(), FieldText(record.name).c_str(),
                     folder.c_str(), FieldText(record.owner).c_str(), files, objects,
                     record.locked ? GetIndString(kOwnTexts, 19).c_str() : "");
}

void MapListDialog::GoToCurrent() {
  MapRecord record;
  if (!GetOverlayMapsRow(state_, CurrentRow(), record) || record.mapID == 0) return;
  goToMapID = record.mapID;
  accept();
}

void MapListDialog::done(int result) {
  if (!finished_) {
    finished_ = true;
    if (result == QDialog::Accepted) {
      ApplyOverlayMapsDialog(state_);
    } else {
      CancelOverlayMapsDialog(state_);
    }
    Shell().InvalidateMap();
  }
  QDialog::done(result);
}

bool GoToMap(int32_t mapID) {
  const int32_t index = MapIDToIndex(mapID);
  WRect bounds;
  if (!MapObjectBounds(index, bounds)) {
    MapRecord map;
    GetMapRecord(index, map);
    ShowAlert(FormatTextV(GetIndString(kOwnTexts, 20).c_str(), FieldText(map.name).c_str()),
              kNoteAlert);
    return false;
  }
  FitWorldRect(bounds);
  const int32_t note = GoToMapNote(index, CurrentMapView().scale);
  if (note != 0) ShowAlert(MessageText(note), kNoteAlert);
  return true;
}

bool RunOverlayMaps(QWidget* parent) {
  MapListDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (dialog.goToMapID != 0) GoToMap(dialog.goToMapID);
  return true;
}

void RegisterOverlayMapsCommand(MainWindow& window) {
  window.RegisterCommand(kOverlayMapsCommand, [&window] { RunOverlayMaps(&window); });
}

}  // namespace tlv
