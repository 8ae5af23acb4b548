#include "shell/collection_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/config.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "edit/selection.h"
#include "platform/qt/text_codec.h"
#include "search/collection.h"
#include "search/collection_file.h"
#include "search/show_on_map.h"
#include "shell/import_command.h"
#include "shell/main_window.h"
#include "store/object_record.h"

namespace tlv {
namespace {

constexpr const char* kWindowTitle = "Search Collection";
constexpr const char* kStoppedNote =
    "(Note: Search/sort was stopped.  List may be incomplete or unsorted.)";
constexpr const char* kShowOnlyText = "make all other objects on these overlays invisible";
constexpr const char* kButtonTexts[] = {"&Show on Map", "Show &All on Map", "Show on Map && &Zoom",
                                        "Sa&ve Collection...", "&Load Collection..."};
constexpr int kFetchRows = 100;
constexpr int kNameColumnWidth = 240;
constexpr int kOverlayColumnWidth = 140;
constexpr int kShowCollectionCommand = 205;
constexpr int kCopyToCollectionCommand = 206;

QPointer<CollectionWindow> theWindow;

quint64 RowKey(const CollectionEntry& e) {
  // Positions are file offsets below 2^31; maps and overlays are few: a key per reference.
  return (static_cast<quint64>(static_cast<quint32>(e.mapID)) << 32 ^
          static_cast<quint64>(static_cast<quint16>(e.overlayID)) << 48) ^
         static_cast<quint32>(e.position);
}

}  // namespace

CollectionModel::CollectionModel(bool visibleSubset, QObject* parent)
    : QAbstractTableModel(parent), visibleSubset_(visibleSubset) {
  Refresh();
}

int CollectionModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  const int count = CollectedObjectCount();
  return visibleSubset_ ? std::min(listed_, count) : count;
}

int CollectionModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

bool CollectionModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && visibleSubset_ && listed_ < CollectedObjectCount();
}

void CollectionModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  const int more = std::min(kFetchRows, CollectedObjectCount() - listed_);
  beginInsertRows(QModelIndex(), listed_, listed_ + more - 1);
  listed_ += more;
  endInsertRows();
}

void CollectionModel::Refresh() {
  beginResetModel();
  names_.clear();
  listed_ = std::min(kFetchRows, CollectedObjectCount());
  endResetModel();
}

std::array<QString, 3> CollectionModel::RowTexts(int row) const {
  CollectionEntry e;
  if (!GetCollectedObject(row, e)) return {};
  const quint64 key = RowKey(e);
  if (auto it = names_.constFind(key); it != names_.constEnd()) return *it;
  std::array<QString, 3> texts;
  int32_t mapIndex = -1, fileIndex = -1;
  std::string name;
  if (AllocateSpaceForFile(e.mapID, e.overlayID, kObjectFileKind, kSmallWindowSize, &mapIndex,
                           &fileIndex) == 0 &&
      GetObjectDisplayName(CurrentObjectFile(), e.position, name) == 0) {
    texts[0] = FromWindows1252(name);
  }
  texts[1] = FromWindows1252(LayerName(LayerIDToIndex(e.overlayID)));
  MapRecord map;
  if (GetMapRecord(MapIDToIndex(e.mapID), map)) texts[2] = FromWindows1252(FieldText(map.name));
  names_.insert(key, texts);
  return texts;
}

QVariant CollectionModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  CollectionEntry e;
  if (!GetCollectedObject(index.row(), e)) return {};
  if ((e.flags & kCollectionSorted) == 0) {
    // The run of equal keys this row belongs to is sorted by name now that it is shown; rows
    // of the run drawn before it are drawn again.
    int32_t first = index.row(), last = index.row();
    if (CompleteLocalSCSort(index.row(), &first, &last) == 0 && last > first) {
      auto* self = const_cast<CollectionModel*>(this);
      QTimer::singleShot(0, self, [self, first, last] {
        emit self->dataChanged(self->index(first, 0), self->index(last, 2));
      });
    }
  }
  return RowTexts(index.row())[static_cast<size_t>(index.column())];
}

QVariant CollectionModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kColumns[] = {"Object Name", "Overlay", "Map"};
  return section >= 0 && section < 3 ? QString::fromLatin1(kColumns[section]) : QVariant();
}

CollectionWindow::CollectionWindow(MainWindow& window)
    : QDialog(&window),
      window_(window),
      model_(new CollectionModel(Config().useVisibleSCSubset != 0, this)),
      list_(new QTableView(this)),
      count_(new QLabel(this)),
      stopped_(new QLabel(QString::fromLatin1(kStoppedNote), this)),
      showOnly_(new QCheckBox(QString::fromLatin1(kShowOnlyText), this)) {
  setWindowTitle(QString::fromLatin1(kWindowTitle));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(count_);
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setWordWrap(false);
  list_->setColumnWidth(0, kNameColumnWidth);
  list_->setColumnWidth(1, kOverlayColumnWidth);
  layout->addWidget(list_);
  layout->addWidget(stopped_);
  layout->addWidget(showOnly_);
  auto* row = new QHBoxLayout();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i] = new QPushButton(QString::fromLatin1(kButtonTexts[i]), this);
    buttons_[i]->setAutoDefault(false);
    row->addWidget(buttons_[i]);
  }
  layout->addLayout(row);
  resize(560, 420);

  connect(buttons_[kShowButton], &QPushButton::clicked, this,
          [this] { ShowChosen(kShowModeKeepOrFit); });
  connect(buttons_[kZoomButton], &QPushButton::clicked, this,
          [this] { ShowChosen(kShowModeZoom); });
  connect(buttons_[kShowAllButton], &QPushButton::clicked, this, [] { ShowAllCollectedObjects(); });
  connect(buttons_[kSaveButton], &QPushButton::clicked, this, [] { ExportSearchCollection(); });
  connect(buttons_[kLoadButton], &QPushButton::clicked, this, [this] {
    ImportSearchCollection();
    window_.InvalidateMap();
  });
  connect(showOnly_, &QCheckBox::toggled, this, [this](bool on) {
    SetShowOnlyCollection(on);
    window_.InvalidateMap();
  });
  SetCollectionChangedHook([this] {
    // What the map shows depends on the collection while only its objects are shown.
    if (ShowOnlyCollection()) window_.InvalidateMap();
    if (refreshQueued_) return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] { Refresh(); });
  });
  Refresh();
}

CollectionWindow::~CollectionWindow() {
  SetCollectionChangedHook({});
}

void CollectionWindow::Present() {
  Refresh();
  show();
  raise();
}

void CollectionWindow::Refresh() {
  refreshQueued_ = false;
  model_->Refresh();
  count_->setText(QString::fromStdString(CollectionCountLine()));
  stopped_->setVisible(CollectionStopped());
  const QSignalBlocker quiet(showOnly_);
  showOnly_->setChecked(ShowOnlyCollection());
  const bool any = CollectedObjectCount() > 0;
  for (const int which : {kShowButton, kShowAllButton, kZoomButton, kSaveButton}) {
    buttons_[static_cast<size_t>(which)]->setEnabled(any);
  }
}

QString CollectionWindow::CountLine() const {
  return count_->text();
}

bool CollectionWindow::StoppedNoteShown() const {
  return !stopped_->isHidden();
}

std::vector<int> CollectionWindow::ChosenRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CollectionWindow::ShowChosen(int32_t showMode) {
  std::vector<ObjectRef> chosen;
  for (const int row : ChosenRows()) {
    CollectionEntry e;
    if (GetCollectedObject(row, e)) chosen.push_back({e.mapID, e.overlayID, e.position});
  }
  if (chosen.empty()) return;
  if (chosen.size() == 1) {
    ShowOnMap(&chosen.front(), nullptr, kShowActionSelect, showMode, kShowListReplace);
  } else {
    // A list enters the show list only by appending to it.
    ShowOnMap(nullptr, nullptr, kShowActionNone, kShowModeStay, kShowListClear);
    ShowOnMap(nullptr, &chosen, kShowActionSelect, showMode, kShowListAppend);
  }
  window_.InvalidateMap();
}

void RegisterCollectionCommands(MainWindow& window) {
  // The progress box lives while one file operation runs; its stop button sets the flag that
  // the next progress report answers with.
  struct ProgressBox {
    std::unique_ptr<QProgressDialog> dialog;
    bool stopPressed = false;
  };
  auto box = std::make_shared<ProgressBox>();
  CollectionFileHooks hooks;
  hooks.chooseSaveFile = [&window](const std::string& title,
                                   const std::vector<std::string>& filters,
                                   const std::string& defaultName, std::string& path) {
    const QString chosen = QFileDialog::getSaveFileName(
        &window, FromWindows1252(title), FromWindows1252(defaultName), FileDialogFilter(filters));
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
    return true;
  };
  hooks.chooseOpenFile = [&window](const std::string& title,
                                   const std::vector<std::string>& filters, std::string& path) {
    const QString chosen = QFileDialog::getOpenFileName(&window, FromWindows1252(title), QString(),
                                                        FileDialogFilter(filters));
    if (chosen.isEmpty()) return false;
    path = chosen.toStdString();
    return true;
  };
  hooks.openProgress = [&window, box](const std::string& title, const std::string& text) {
    box->dialog = std::make_unique<QProgressDialog>(FromWindows1252(text), QObject::tr("Stop"), 0,
                                                    100, &window);
    box->dialog->setWindowTitle(FromWindows1252(title));
    box->dialog->setWindowModality(Qt::WindowModal);
    box->dialog->setMinimumDuration(500);
    box->dialog->setAutoClose(false);
    box->dialog->setAutoReset(false);
    box->stopPressed = false;
    QObject::connect(box->dialog.get(), &QProgressDialog::canceled, box->dialog.get(),
                     [box] { box->stopPressed = true; });
  };
  hooks.progress = [box](int32_t percent) {
    if (!box->dialog) return false;
    box->dialog->setValue(percent);
    QApplication::processEvents();
    const bool stop = box->stopPressed;
    // A stop the user takes back leaves the box up for the rest of the work.
    if (stop) {
      box->stopPressed = false;
      box->dialog->show();
    }
    return stop;
  };
  hooks.closeProgress = [box] { box->dialog.reset(); };
  SetCollectionFileHooks(hooks);

  window.RegisterCommand(kShowCollectionCommand, [&window] { ShowCollectionWindow(window); });
  window.RegisterCommand(
      kCopyToCollectionCommand,
      [&window] {
        ForEachSelectedObject(
            [](int32_t mapID, int32_t overlayID, int32_t position) -> int32_t {
              CollectObject({mapID, overlayID, position});
              return 0;
            },
            true);
        SortCollection();
        ShowCollectionWindow(window);
      },
      [] { return SelectedObjectCount() > 0; });
}

CollectionWindow* ShowCollectionWindow(MainWindow& window) {
  if (theWindow == nullptr) theWindow = new CollectionWindow(window);
  theWindow->Present();
  return theWindow;
}

CollectionWindow* ExistingCollectionWindow() {
  return theWindow;
}

}  // namespace tlv
