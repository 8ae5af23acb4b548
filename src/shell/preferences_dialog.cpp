#include "shell/preferences_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "app/folders.h"
#include "app/preferences_commit.h"
#include "app/shell_services.h"
#include "base/strings.h"
#include "platform/qt/text_codec.h"
#include "render/map_view.h"
#include "shell/graphics_widgets.h"
#include "shell/main_window.h"

namespace tlv {

namespace {

constexpr int kPreferencesCommand = 109;
constexpr int16_t kUnitNames = 16200;
constexpr int kTextFieldLength = 20;

enum class Kind { kCheck, kChoice, kNumber, kColour };

// One option of the record on one tab: a check box, a list of choices (the stored value of
// choice i is first + i), a number box or one of the 16 colours.
struct FieldDef {
  const char* tab;
  Pref field;
  const char* label;
  Kind kind;
  std::vector<const char*> choices = {};
  int first = 0;
  int minimum = 0;
  int maximum = 0;
};

const std::vector<FieldDef>& FieldDefs() {
  static const std::vector<FieldDef> defs = {
      {"Units", Pref::kDistanceUnit, "Distance unit:", Kind::kChoice, {}, 1},
      {"Units",
       Pref::kCoordinateFormat,
       "Latitude/longitude format:",
       Kind::kChoice,
       {"Decimal degrees", "Degrees and minutes", "Degrees, minutes and seconds"}},
      {"Units",
       Pref::kScaleDisplayMode,
       "Show the scale as:",
       Kind::kChoice,
       {"A ratio", "Ground distance of one paper unit", "Width of the map area"}},
      {"Click Point", Pref::kFlashClickPoint, "Flash the Click Point", Kind::kCheck},
      {"Click Point",
       Pref::kClickPointMark,
       "Mark:",
       Kind::kChoice,
       {"Cross", "Circle", "Cross in a circle"}},
      {"Click Point", Pref::kClickPointColor, "Colour:", Kind::kColour},
      {"Click Point", Pref::kShowMarkedPoint, "Show the Marked Point", Kind::kCheck},
      {"Map Extras", Pref::kGridShown, "Show the latitude/longitude grid", Kind::kCheck},
      {"Map Extras", Pref::kGridOverOverlays, "Draw the grid over the overlays", Kind::kCheck},
      {"Map Extras", Pref::kGridMinorLines, "Draw minor grid lines", Kind::kCheck},
      {"Map Extras", Pref::kGridMajorColor, "Major grid line colour:", Kind::kColour},
      {"Map Extras", Pref::kGridMinorColor, "Minor grid line colour:", Kind::kColour},
      {"Map Extras", Pref::kScaleBarShown, "Show the scale bar", Kind::kCheck},
      {"Map Extras", Pref::kScaleBarBothUnits, "Scale bar in both unit systems", Kind::kCheck},
      {"Map Extras", Pref::kScaleBarInchLine, "Scale bar with an inch line", Kind::kCheck},
      {"Map Extras", Pref::kCompassShown, "Show the compass", Kind::kCheck},
      {"Map Extras", Pref::kLegendShown, "Show the legend", Kind::kCheck},
      {"Map Extras", Pref::kTimeStampShown, "Show the time stamp", Kind::kCheck},
      {"Map Extras",
       Pref::kTimeStampDateKind,
       "Time stamp date:",
       Kind::kChoice,
       {"None", "Short", "Long", "Custom"}},
      {"Map Extras",
       Pref::kTimeStampTimeKind,
       "Time stamp time:",
       Kind::kChoice,
       {"None", "Twelve-hour", "Twenty-four-hour", "Custom"}},
      {"Display", Pref::kShowReferenceView, "Show the reference view", Kind::kCheck},
      {"Display", Pref::kAllowAnyViewInReference, "Allow any view as the reference view",
       Kind::kCheck},
      {"Display", Pref::kResizeWindowToFitView, "Size the window to fit a view", Kind::kCheck},
      {"Display", Pref::kShowBasemap, "Show the basemap", Kind::kCheck},
      {"Display", Pref::kRedrawAfterEachChange, "Redraw the map after each change", Kind::kCheck},
      {"Display", Pref::kConfirmDeletes, "Ask before deleting objects", Kind::kCheck},
      {"Display", Pref::kMapStyle, "Map style:", Kind::kChoice, {"Standard", "Alternate"}},
      {"Display",
       Pref::kSelectionTagSize,
       "Selection tag size (pixels):",
       Kind::kNumber,
       {},
       0,
       2,
       10},
  };
  return defs;
}

struct TextDef {
  PrefText field;
  const char* label;
  const char* name;
};
constexpr TextDef kTextDefs[] = {
    {PrefText::kTimeStampCustomDate, "Custom date:", "customDate"},
    {PrefText::kTimeStampCustomTime, "Custom time:", "customTime"},
    {PrefText::kTimeStampExtraLine, "Extra line:", "extraLine"},
};

}  // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent)
    : QDialog(parent), opened_(PreferencesImage()) {
  setWindowTitle(QStringLiteral("Preferences"));
  setObjectName(QStringLiteral("preferences"));
  auto* layout = new QVBoxLayout(this);
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("tabs"));
  layout->addWidget(tabs);
  std::map<std::string, QFormLayout*> forms;
  auto formFor = [&](const char* tab) {
    auto it = forms.find(tab);
    if (it != forms.end()) return it->second;
    auto* page = new QWidget(tabs);
    auto* form = new QFormLayout(page);
    tabs->addTab(page, QString::fromLatin1(tab));
    forms[tab] = form;
    return form;
  };
  for (const FieldDef& def : FieldDefs()) {
    QFormLayout* form = formFor(def.tab);
    QWidget* page = form->parentWidget();
    QWidget* widget = nullptr;
    switch (def.kind) {
      case Kind::kCheck:
        widget = new QCheckBox(QString::fromLatin1(def.label), page);
        form->addRow(QString(), widget);
        break;
      case Kind::kChoice: {
        auto* box = new QComboBox(page);
        if (def.field == Pref::kDistanceUnit) {
          for (int unit = 1; unit <= 6; ++unit) {
            box->addItem(FromWindows1252(GetIndString(kUnitNames, static_cast<int16_t>(unit))),
                         unit);
          }
        } else {
          for (size_t i = 0; i < def.choices.size(); ++i) {
            box->addItem(QString::fromLatin1(def.choices[i]), def.first + static_cast<int>(i));
          }
        }
        widget = box;
        form->addRow(QString::fromLatin1(def.label), widget);
        break;
      }
      case Kind::kNumber: {
        auto* spin = new QSpinBox(page);
        spin->setRange(def.minimum, def.maximum);
        widget = spin;
        form->addRow(QString::fromLatin1(def.label), widget);
        break;
      }
      case Kind::kColour:
        widget = MakeColourChooser(page, 1);
        form->addRow(QString::fromLatin1(def.label), widget);
        break;
    }
    widget->setObjectName(QString::fromLatin1(PrefName(def.field)));
    fields_[def.field] = widget;
  }
  QFormLayout* extras = formFor("Map Extras");
  for (const TextDef& def : kTextDefs) {
    auto* edit = new QLineEdit(extras->parentWidget());
    edit->setObjectName(QString::fromLatin1(def.name));
    edit->setMaxLength(kTextFieldLength);
    extras->addRow(QString::fromLatin1(def.label), edit);
    texts_[def.field] = edit;
  }
  // The Home view: where the program starts.
  QFormLayout* home = formFor("Home View");
  QWidget* homePage = home->parentWidget();
  lastRunHome_ = new QRadioButton(QStringLiteral("Start where the last run ended"), homePage);
  lastRunHome_->setObjectName(QStringLiteral("homeLastRun"));
  auto* savedHome = new QRadioButton(QStringLiteral("Start with the saved Home view"), homePage);
  savedHome->setObjectName(QStringLiteral("homeSaved"));
  currentHome_ = new QRadioButton(QStringLiteral("Make the current view the Home view"), homePage);
  currentHome_->setObjectName(QStringLiteral("homeCurrent"));
  home->addRow(QString(), lastRunHome_);
  home->addRow(QString(), savedHome);
  home->addRow(QString(), currentHome_);
  (HomeView().scale == 0 ? lastRunHome_ : static_cast<QAbstractButton*>(savedHome))
      ->setChecked(true);

  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
  apply_ = buttons->button(QDialogButtonBox::Apply);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QObject::connect(apply_, &QAbstractButton::clicked, this, [this] { Apply(); });
  layout->addWidget(buttons);
  Load();
}

QWidget* PreferencesDialog::FieldWidget(Pref field) const {
  const auto it = fields_.find(field);
  return it == fields_.end() ? nullptr : it->second;
}

void PreferencesDialog::Load() {
  for (const auto& [field, widget] : fields_) {
    const int value = GetPref(field);
    if (auto* check = qobject_cast<QCheckBox*>(widget)) {
      check->setChecked(value != 0);
    } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
      box->setCurrentIndex(std::max(0, box->findData(value)));
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
      spin->setValue(value);
    }
  }
  for (const auto& [field, widget] : texts_) {
    static_cast<QLineEdit*>(widget)->setText(FromWindows1252(GetPrefText(field)));
  }
}

void PreferencesDialog::Store() {
  for (const auto& [field, widget] : fields_) {
    if (auto* check = qobject_cast<QCheckBox*>(widget)) {
      SetPref(field, check->isChecked() ? 1 : 0);
    } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
      SetPref(field, box->currentData().toInt());
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
      SetPref(field, spin->value());
    }
  }
  for (const auto& [field, widget] : texts_) {
    SetPrefText(field, ToWindows1252(static_cast<QLineEdit*>(widget)->text()));
  }
  ViewRecord home = HomeView();
  if (lastRunHome_->isChecked()) {
    home.scale = 0;
  } else if (currentHome_->isChecked()) {
    home.rect = ViewWorldRect();
    home.scale = CurrentMapView().scale;
  }
  SetHomeView(home);
}

void PreferencesDialog::Apply() {
  Store();
  CommitPreferences(Folders().volume, Folders().settings);
  applied_ = true;
  // The widgets show what was kept: an out-of-range value came back as its default.
  Load();
  Shell().InvalidateMap();
  Shell().UpdateMenus();
}

void PreferencesDialog::done(int result) {
  if (result == QDialog::Accepted) {
    Apply();
  } else if (applied_) {
    RestorePreferencesImage(opened_);
    CommitPreferences(Folders().volume, Folders().settings);
    Shell().InvalidateMap();
    Shell().UpdateMenus();
  }
  QDialog::done(result);
}

bool RunPreferences(QWidget* parent) {
  PreferencesDialog dialog(parent);
  return dialog.exec() == QDialog::Accepted;
}

void RegisterPreferencesCommand(MainWindow& window) {
  window.RegisterCommand(kPreferencesCommand, [&window] {
    if (RunPreferences(&window)) window.RefreshViewDisplays();
  });
}

}  // namespace tlv
