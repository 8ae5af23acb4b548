#include "shell/views_dialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstring>
#include <functional>

#include "app/preferences.h"
#include "app/reference_views.h"
#include "base/dib_file.h"
#include "base/errors.h"
#include "edit/undo.h"
#include "geometry/distance.h"
#include "geometry/wrect.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "render/qt/picture_file.h"
#include "render/reference_view.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kGoToViewCommand = 311;
constexpr int kSaveViewCommand = 312;
constexpr int kEditViewsCommand = 313;
constexpr int kPopUpSaveViewCommand = 20604;
constexpr int kPopUpGoToViewCommand = 20610;
constexpr int kSetReferenceViewCommand = 23401;
constexpr int kThumbnailSide = 150;

QString NameOf(const ViewRecord& view) {
  return FromWindows1252(std::string(view.name, strnlen(view.name, sizeof view.name)));
}

// The map as shown, scaled into at most 150 x 150 with the view's shape, as a packed bitmap.
bool MakeThumbnail(QWidget* map, std::string& packed) {
  const QImage shown = map->grab().toImage();
  if (shown.isNull() || shown.width() < 1 || shown.height() < 1) return false;
  const WRect r = ViewWorldRect();
  const double c = CosineOfWorldLatitude(static_cast<int32_t>((int64_t{r.y1} + r.y2) / 2));
  const double aspect = r.y2 > r.y1 ? (double(r.x2 - r.x1) * c) / double(r.y2 - r.y1)
                                    : double(shown.width()) / shown.height();
  return EncodeViewThumbnail(shown, aspect, kThumbnailSide, packed);
}

// The thumbnail beside a list of views.
QLabel* MakePreview(QWidget* parent) {
  auto* preview = new QLabel(parent);
  preview->setObjectName(QStringLiteral("preview"));
  preview->setFixedSize(kThumbnailSide + 4, kThumbnailSide + 4);
  preview->setAlignment(Qt::AlignCenter);
  return preview;
}

void ShowPreview(QLabel* preview, const ViewRecord* view) {
  const QImage thumbnail = view == nullptr ? QImage() : ViewThumbnail(*view);
  if (thumbnail.isNull()) {
    preview->setPixmap(QPixmap());
    preview->setText(view == nullptr ? QString() : QStringLiteral("(no picture)"));
  } else {
    preview->setPixmap(QPixmap::fromImage(thumbnail));
  }
}

bool SaveCurrentView(MainWindow& window) {
  std::string thumbnail;
  if (!MakeThumbnail(window.MapWidget(), thumbnail)) {
    ShowAlert("Not enough memory to save a view.", kStopAlert);
    return false;
  }
  QDialog dialog(&window);
  dialog.setWindowTitle(QStringLiteral("Save Current View"));
  auto* name = new QLineEdit(&dialog);
  name->setObjectName(QStringLiteral("name"));
  name->setMaxLength(kViewNameRoom);
  auto* home = new QCheckBox(QStringLiteral("Make this the Home view"), &dialog);
  home->setObjectName(QStringLiteral("home"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setEnabled(false);
  QObject::connect(name, &QLineEdit::textChanged, ok,
                   [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(QStringLiteral("Name of this view:"), &dialog));
  layout->addWidget(name);
  layout->addWidget(home);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    ViewRecord view;
    const std::string text = ToWindows1252(name->text().trimmed());
    std::strncpy(view.name, text.c_str(), kViewNameRoom);
    view.rect = ViewWorldRect();
    view.scale = CurrentMapView().scale;
    ViewRecord saved;
    // A refusal (a name in use) has shown its message; the dialog stays for another name.
    if (SaveView(view, thumbnail, saved) != 0) return;
    if (home->isChecked()) SetHomeView(saved);
    dialog.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return dialog.exec() == QDialog::Accepted;
}

void GoToView(MainWindow& window, const ViewRecord& view) {
  // With "resize map window to fit view" the window first gives up what its map area has beyond
  // the view's aspect, so the view fills it; a maximised or full-screen window keeps its size.
  if (GetPref(Pref::kResizeWindowToFitView) != 0 &&
      (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
    const ScreenRect area = MapArea();
    int32_t width = area.right - area.left;
    int32_t height = area.bottom - area.top;
    ShrinkAreaToViewAspect(view.rect, width, height);
    if (width != area.right - area.left || height != area.bottom - area.top) {
      window.resize(window.width() - (area.right - area.left - width),
                    window.height() - (area.bottom - area.top - height));
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      window.LayOutAndRedraw();
    }
  }
  FitWorldRect(view.rect);
}

// A list of the views by name with the selected one's thumbnail; OK only for a view allowed.
// The chosen view's index, or -1 on Cancel.
int ChooseView(MainWindow& window, const QString& title, const std::vector<ViewRecord>& views,
               const std::function<bool(const ViewRecord&)>& allowed) {
  QDialog dialog(&window);
  dialog.setWindowTitle(title);
  auto* list = new QListWidget(&dialog);
  list->setObjectName(QStringLiteral("views"));
  for (const ViewRecord& view : views) list->addItem(NameOf(view));
  QLabel* preview = MakePreview(&dialog);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setEnabled(false);
  QObject::connect(list, &QListWidget::currentRowChanged, &dialog, [&](int row) {
    const ViewRecord* view = row >= 0 ? &views[static_cast<size_t>(row)] : nullptr;
    ok->setEnabled(view != nullptr && allowed(*view));
    ShowPreview(preview, view);
  });
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, [&] {
    if (ok->isEnabled()) dialog.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(list, 1);
  row->addWidget(preview);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(row);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return -1;
  return list->currentRow();
}

void GoToViewDialog(MainWindow& window) {
  const std::vector<ViewRecord> views = SortedViews();
  const int chosen = ChooseView(window, QStringLiteral("Go to View"), views,
                                [](const ViewRecord&) { return true; });
  if (chosen >= 0) GoToView(window, views[static_cast<size_t>(chosen)]);
}

// Set Reference View: OK only while the current view lies inside the chosen one, unless any view
// may be the reference.
void SetReferenceViewDialog(MainWindow& window) {
  const std::vector<ViewRecord> views = SortedViews();
  const bool allowAny = GetPref(Pref::kAllowAnyViewInReference) != 0;
  const WRect current = ViewWorldRect();
  const int chosen = ChooseView(
      window, QStringLiteral("Set Reference View"), views,
      [&](const ViewRecord& view) { return allowAny || WRectInWRect(current, view.rect); });
  if (chosen < 0) return;
  ChooseReferenceView(views[static_cast<size_t>(chosen)]);
  SetPref(Pref::kShowReferenceView, 1);
  window.InvalidateMap();
}

}  // namespace

QImage ViewThumbnail(const ViewRecord& view) {
  std::string packed;
  DibImage image;
  if (ReadViewThumbnail(view, packed) != 0 || DecodeDib(packed, image) != 0) return {};
  QImage picture(image.width, image.height, QImage::Format_RGB32);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(picture.scanLine(y),
                image.argb.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width),
                static_cast<size_t>(image.width) * 4);
  }
  return picture;
}

EditViewsDialog::EditViewsDialog(QWidget* parent)
    : QDialog(parent),
      working_(SortedViews()),
      home_(HomeView()),
      list_(new QListWidget(this)),
      preview_(MakePreview(this)),
      lastViewHome_(
          new QCheckBox(QStringLiteral("Use last view from previous session as Home view"), this)) {
  setWindowTitle(QStringLiteral("Edit Views"));
  list_->setObjectName(QStringLiteral("views"));
  lastViewHome_->setObjectName(QStringLiteral("lastViewHome"));
  lastViewHome_->setChecked(home_.scale == 0);
  auto* rename = new QPushButton(QStringLiteral("&Rename"), this);
  auto* remove = new QPushButton(QStringLiteral("&Delete"), this);
  auto* setHome = new QPushButton(QStringLiteral("&Set As Home View"), this);
  connect(rename, &QPushButton::clicked, this, [this] {
    if (list_->currentRow() < 0) return;
    bool ok = false;
    const QString name = QInputDialog::getText(
        this, QStringLiteral("Rename View"), QStringLiteral("New name:"), QLineEdit::Normal,
        NameOf(working_[static_cast<size_t>(list_->currentRow())]), &ok);
    if (ok) RenameSelected(name);
  });
  connect(remove, &QPushButton::clicked, this, [this] { DeleteSelected(); });
  connect(setHome, &QPushButton::clicked, this, [this] { SetSelectedAsHome(); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    ShowPreview(preview_, row >= 0 ? &working_[static_cast<size_t>(row)] : nullptr);
  });
  auto* side = new QVBoxLayout;
  side->addWidget(preview_);
  side->addWidget(rename);
  side->addWidget(remove);
  side->addWidget(setHome);
  side->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addWidget(list_, 1);
  row->addLayout(side);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    Apply();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(lastViewHome_);
  layout->addWidget(buttons);
  Fill();
}

void EditViewsDialog::Fill() {
  const int keep = list_->currentRow();
  list_->clear();
  for (const ViewRecord& view : working_) {
    // The Home view is marked.
    const bool home = home_.scale > 0 && SameViewByFile(view, home_);
    list_->addItem((home ? QStringLiteral("\u2302 ") : QStringLiteral("   ")) + NameOf(view));
  }
  if (!working_.empty()) list_->setCurrentRow(std::clamp(keep, 0, list_->count() - 1));
}

void EditViewsDialog::RenameSelected(const QString& name) {
  const int row = list_->currentRow();
  const std::string text = ToWindows1252(name.trimmed()).substr(0, kViewNameRoom);
  if (row < 0 || text.empty()) return;
  ViewRecord& view = working_[static_cast<size_t>(row)];
  for (size_t i = 0; i < working_.size(); ++i) {
    if (static_cast<int>(i) != row && text == working_[i].name &&
        std::strncmp(working_[i].mapName, view.mapName, sizeof view.mapName) == 0) {
      ShowAlert("There is already a view with that name on this map.", kStopAlert);
      return;
    }
  }
  const bool wasHome = home_.scale > 0 && SameViewByFile(view, home_);
  std::memset(view.name, 0, sizeof view.name);
  std::strncpy(view.name, text.c_str(), kViewNameRoom);
  // The Home view follows its view's new name.
  if (wasHome) std::memcpy(home_.name, view.name, sizeof view.name);
  Fill();
}

void EditViewsDialog::DeleteSelected() {
  const int row = list_->currentRow();
  if (row < 0) return;
  working_.erase(working_.begin() + row);
  Fill();
}

void EditViewsDialog::SetSelectedAsHome() {
  const int row = list_->currentRow();
  if (row < 0) return;
  home_ = working_[static_cast<size_t>(row)];
  lastViewHome_->setChecked(false);
  Fill();
}

void EditViewsDialog::Apply() {
  std::vector<ViewRecord> deleted;
  ApplyViewList(working_, deleted);
  const ViewRecord reference = ReferenceView();
  for (const ViewRecord& gone : deleted) {
    if (reference.scale >= 0 && SameViewByFile(gone, reference)) ChooseReferenceView(ViewRecord());
    if (SameViewByFile(gone, ReferenceViewInUse())) ChooseReferenceView(ReferenceView());
  }
  ViewRecord home = home_;
  if (lastViewHome_->isChecked()) home.scale = 0;
  SetHomeView(home);
  SetUndoNothing();
}

void RegisterViewCommands(MainWindow& window) {
  auto save = [&window] { SaveCurrentView(window); };
  auto goTo = [&window] { GoToViewDialog(window); };
  window.RegisterCommand(kSaveViewCommand, save);
  window.RegisterCommand(kPopUpSaveViewCommand, save);
  window.RegisterCommand(kGoToViewCommand, goTo);
  window.RegisterCommand(kPopUpGoToViewCommand, goTo);
  window.RegisterCommand(kEditViewsCommand, [&window] {
    EditViewsDialog dialog(&window);
    if (dialog.exec() == QDialog::Accepted) window.InvalidateMap();
  });
  window.RegisterCommand(kSetReferenceViewCommand, [&window] { SetReferenceViewDialog(window); });
}

}  // namespace tlv
