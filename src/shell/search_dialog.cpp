#include "shell/search_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstring>

#include "base/errors.h"
#include "base/platform.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "geometry/distance.h"
#include "geometry/geo_settings.h"
#include "platform/qt/text_codec.h"
#include "shell/collection_window.h"
#include "shell/main_window.h"

namespace tlv {
namespace {

constexpr int kSearchCommand = 204;
constexpr const char* kTitle = "Search Criteria";
constexpr const char* kCriterionTexts[] = {"have any name",
                                           "have names that start with...",
                                           "have names that contain...",
                                           "are within...",
                                           "are not within...",
                                           "are inside of or touching...",
                                           "are outside of and not touching..."};
constexpr const char* kReferenceTexts[] = {"the Click Point", "the Marked Point",
                                           "the currently selected object(s)",
                                           "the objects in the previous collection"};
constexpr const char* kModeTexts[] = {"replace previous collection", "add to previous collection",
                                      "subsearch of previous collection"};
constexpr const char* kOverlayChoiceTexts[] = {"All Overlays", "Multiple Overlays...",
                                               "Single Overlay..."};
constexpr const char* kMapChoiceTexts[] = {"All Maps", "Selected Maps..."};
// The list items carry the overlay or map ID.
constexpr int kIDRole = Qt::UserRole + 1;

QString Text(const char* windows1252) {
  return FromWindows1252(windows1252);
}

// Radio buttons numbered from 1; into (when given) takes them in a column.
QButtonGroup* RadioColumn(QWidget* owner, QVBoxLayout* into, const char* const* texts, int count,
                          int checkedID) {
  auto* group = new QButtonGroup(owner);
  for (int i = 0; i < count; ++i) {
    auto* button = new QRadioButton(Text(texts[i]), owner);
    group->addButton(button, i + 1);
    if (into != nullptr) into->addWidget(button);
  }
  if (QAbstractButton* checked = group->button(checkedID)) checked->setChecked(true);
  return group;
}

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

}  // namespace

SearchDialog::SearchDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(kTitle));
  const SearchCriteria& stored = CurrentSearchCriteria();
  auto* layout = new QVBoxLayout(this);

  auto* findBox = new QGroupBox(tr("Find objects that"), this);
  auto* findLayout = new QGridLayout(findBox);
  criterion_ = RadioColumn(this, nullptr, kCriterionTexts, 7, stored.criterion);
  // Each criterion on its own row, the name text beside the two name criteria and the distance
  // beside the two distance criteria.
  for (int i = 0; i < 7; ++i) findLayout->addWidget(criterion_->button(i + 1), i, 0);
  name_ = new QLineEdit(FromWindows1252(stored.nameText), this);
  name_->setMaxLength(static_cast<int>(kSearchNameTextMax));
  findLayout->addWidget(name_, 1, 1, 2, 2, Qt::AlignVCenter);
  distance_ = new QLineEdit(FromWindows1252(stored.distanceText), this);
  distance_->setMaxLength(static_cast<int>(kSearchDistanceTextMax));
  findLayout->addWidget(distance_, 3, 1, 2, 1, Qt::AlignVCenter);
  unit_ = new QComboBox(this);
  for (int16_t unit = kUnitFeet; unit <= kUnitNauticalMiles; ++unit) {
    unit_->addItem(FromWindows1252(DistanceUnitName(unit)), unit);
  }
  unit_->setCurrentIndex(unit_->findData(SearchDistanceUnit(stored)));
  findLayout->addWidget(unit_, 3, 2, 2, 1, Qt::AlignVCenter);
  layout->addWidget(findBox);

  auto* referenceBox = new QGroupBox(tr("of"), this);
  auto* referenceLayout = new QVBoxLayout(referenceBox);
  reference_ = RadioColumn(this, referenceLayout, kReferenceTexts, 4, stored.reference);
  layout->addWidget(referenceBox);

  auto* modeBox = new QGroupBox(tr("and"), this);
  auto* modeLayout = new QVBoxLayout(modeBox);
  // The dialog always opens on "replace previous collection".
  mode_ = RadioColumn(this, modeLayout, kModeTexts, 3, kSearchReplace);
  layout->addWidget(modeBox);

  auto* where = new QHBoxLayout();
  auto* overlayBox = new QGroupBox(tr("Overlays to search"), this);
  auto* overlayLayout = new QVBoxLayout(overlayBox);
  overlayChoice_ = RadioColumn(this, overlayLayout, kOverlayChoiceTexts, 3, stored.overlayChoice);
  overlays_ = new QListWidget(this);
  singleOverlay_ = new QComboBox(this);
  LayerRecord layer;
  for (int32_t i = 0; GetLayerRecord(i, layer); ++i) {
    const QString name = FromWindows1252(FieldText(layer.name, sizeof layer.name));
    auto* item = new QListWidgetItem(name, overlays_);
    item->setData(kIDRole, layer.layerID);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(layer.searchMark != 0 ? Qt::Checked : Qt::Unchecked);
    singleOverlay_->addItem(name, layer.layerID);
    if (layer.searchMark != 0 && singleOverlay_->currentIndex() <= 0) {
      singleOverlay_->setCurrentIndex(singleOverlay_->count() - 1);
    }
  }
  overlayLayout->addWidget(overlays_);
  overlayLayout->addWidget(singleOverlay_);
  overlayCount_ = new QLabel(this);
  overlayLayout->addWidget(overlayCount_);
  where->addWidget(overlayBox);

  auto* mapBox = new QGroupBox(tr("Maps to search"), this);
  auto* mapLayout = new QVBoxLayout(mapBox);
  mapChoice_ = RadioColumn(this, mapLayout, kMapChoiceTexts, 2, stored.mapChoice);
  maps_ = new QListWidget(this);
  MapRecord map;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    if (map.inUse == 0) continue;
    auto* item = new QListWidgetItem(FromWindows1252(FieldText(map.name, sizeof map.name)), maps_);
    item->setData(kIDRole, map.mapID);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(map.searchMark != 0 ? Qt::Checked : Qt::Unchecked);
  }
  mapLayout->addWidget(maps_);
  mapCount_ = new QLabel(this);
  mapLayout->addWidget(mapCount_);
  where->addWidget(mapBox);
  layout->addLayout(where);

  auto* buttons = new QDialogButtonBox(this);
  search_ = buttons->addButton(tr("Search"), QDialogButtonBox::AcceptRole);
  search_->setDefault(true);
  buttons->addButton(QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(search_, &QPushButton::clicked, this, [this] { TrySearch(); });

  for (QButtonGroup* group : {criterion_, reference_, mode_, overlayChoice_, mapChoice_}) {
    connect(group, &QButtonGroup::idClicked, this, [this] { Update(); });
  }
  connect(name_, &QLineEdit::textChanged, this, [this] { Update(); });
  connect(distance_, &QLineEdit::textChanged, this, [this] { Update(); });
  connect(overlays_, &QListWidget::itemChanged, this, [this] { Update(); });
  connect(maps_, &QListWidget::itemChanged, this, [this] { Update(); });
  connect(singleOverlay_, &QComboBox::currentIndexChanged, this, [this] { Update(); });
  Update();
}

SearchCriteria SearchDialog::Criteria() const {
  SearchCriteria c = CurrentSearchCriteria();
  c.criterion = static_cast<int16_t>(criterion_->checkedId());
  c.nameText = ToWindows1252(name_->text());
  c.distanceText = ToWindows1252(distance_->text());
  c.distanceUnit = static_cast<int16_t>(unit_->currentData().toInt());
  c.reference = static_cast<int16_t>(reference_->checkedId());
  c.collectionMode = static_cast<int16_t>(mode_->checkedId());
  c.overlayChoice = static_cast<int16_t>(overlayChoice_->checkedId());
  c.mapChoice = static_cast<int16_t>(mapChoice_->checkedId());
  return c;
}

int32_t SearchDialog::CheckedOverlayCount() const {
  switch (overlayChoice_->checkedId()) {
    case kAllOverlays:
      return overlays_->count();
    case kSingleOverlay:
      return singleOverlay_->currentIndex() >= 0 ? 1 : 0;
    default: {
      int32_t n = 0;
      for (int i = 0; i < overlays_->count(); ++i) {
        n += overlays_->item(i)->checkState() == Qt::Checked ? 1 : 0;
      }
      return n;
    }
  }
}

int32_t SearchDialog::CheckedMapCount() const {
  if (mapChoice_->checkedId() == kAllMaps) return maps_->count();
  int32_t n = 0;
  for (int i = 0; i < maps_->count(); ++i) {
    n += maps_->item(i)->checkState() == Qt::Checked ? 1 : 0;
  }
  return n;
}

bool SearchDialog::SearchAllowed() const {
  if (CheckedOverlayCount() == 0 || CheckedMapCount() == 0) return false;
  switch (criterion_->checkedId()) {
    case kSearchStartsWith:
    case kSearchContains:
      return !name_->text().isEmpty();
    case kSearchWithin:
    case kSearchNotWithin:
      return !distance_->text().isEmpty();
    default:
      return true;
  }
}

void SearchDialog::Update() {
  const int criterion = criterion_->checkedId();
  name_->setEnabled(criterion == kSearchStartsWith || criterion == kSearchContains);
  const bool distance = criterion == kSearchWithin || criterion == kSearchNotWithin;
  distance_->setEnabled(distance);
  unit_->setEnabled(distance);
  const bool spatial = criterion >= kSearchWithin;
  for (QAbstractButton* button : reference_->buttons()) button->setEnabled(spatial);
  overlays_->setVisible(overlayChoice_->checkedId() == kMultipleOverlays);
  singleOverlay_->setVisible(overlayChoice_->checkedId() == kSingleOverlay);
  maps_->setVisible(mapChoice_->checkedId() == kSelectedMaps);
  overlayCount_->setText(FromWindows1252(OverlaysCheckedText(CheckedOverlayCount())));
  mapCount_->setText(FromWindows1252(MapsCheckedText(CheckedMapCount())));
  search_->setEnabled(SearchAllowed());
}

void SearchDialog::StoreMarks() const {
  const int choice = overlayChoice_->checkedId();
  const int32_t single = singleOverlay_->currentData().toInt();
  for (int i = 0; i < overlays_->count(); ++i) {
    const QListWidgetItem* item = overlays_->item(i);
    const int32_t id = item->data(kIDRole).toInt();
    const bool marked = choice == kAllOverlays || (choice == kSingleOverlay && id == single) ||
                        (choice == kMultipleOverlays && item->checkState() == Qt::Checked);
    SetOverlaySearchMark(id, marked);
  }
  MarkAllMapsForSearch(false);
  for (int i = 0; i < maps_->count(); ++i) {
    const QListWidgetItem* item = maps_->item(i);
    SetMapSearchMark(item->data(kIDRole).toInt(),
                     mapChoice_->checkedId() == kAllMaps || item->checkState() == Qt::Checked);
  }
}

void SearchDialog::TrySearch() {
  if (!SearchAllowed()) return;
  const SearchCriteria criteria = Criteria();
  double distance = 0;
  if ((criteria.criterion == kSearchWithin || criteria.criterion == kSearchNotWithin) &&
      !ParseSearchDistance(criteria.distanceText, distance)) {
    Platform().Beep();
    distance_->setFocus();
    distance_->selectAll();
    return;
  }
  std::string message;
  if (CheckSearchReference(criteria, message) != 0) {
    ShowAlert(message, kStopAlert);
    return;
  }
  SetSearchCriteria(criteria);
  StoreMarks();
  accept();
}

void SearchCriteriaDialog(MainWindow& window) {
  for (;;) {
    SearchDialog dialog(&window);
    if (dialog.exec() != QDialog::Accepted) return;
    Platform().SetWaitCursor(true);
    const int32_t result = RunSearch();
    Platform().SetWaitCursor(false);
    // A search that could not start (a failure already reported) lets the user try again;
    // a stopped search shows what it found.
    if (result != 0 && CollectedObjectCount() == 0 && !SearchStopped()) continue;
    ShowCollectionWindow(window);
    return;
  }
}

void RegisterSearchCommands(MainWindow& window) {
  window.RegisterCommand(kSearchCommand, [&window] { SearchCriteriaDialog(window); });
}

}  // namespace tlv
