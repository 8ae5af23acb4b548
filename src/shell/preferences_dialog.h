// The Preferences dialog (File > Preferences..., 109): every option of the preferences record on
// tabs — units and formats, the Click Point, the Home view, the map extras (grid, scale bar,
// compass, time stamp, legend) and the display — with OK, Cancel and Apply. OK and Apply write
// SETTING3.PLT at once; Cancel puts back the record as it was when the dialog opened (and the
// file, when Apply had written it).
#pragma once

#include <QDialog>

#include <map>
#include <string>

#include "app/preferences.h"

class QAbstractButton;
class QWidget;

namespace tlv {

class MainWindow;

class PreferencesDialog : public QDialog {
 public:
  explicit PreferencesDialog(QWidget* parent);

  // The widget of a numeric field (a check box, a choice list or a number box).
  QWidget* FieldWidget(Pref field) const;
  QAbstractButton* ApplyButton() const { return apply_; }
  // Apply: the widgets' values go into the record, which is committed.
  void Apply();

  void done(int result) override;

 private:
  void Load();
  void Store();

  std::map<Pref, QWidget*> fields_;
  std::map<PrefText, QWidget*> texts_;
  QAbstractButton* lastRunHome_ = nullptr;
  QAbstractButton* currentHome_ = nullptr;
  QAbstractButton* apply_ = nullptr;
  std::string opened_;  // the record's image when the dialog opened
  bool applied_ = false;
};

bool RunPreferences(QWidget* parent);
void RegisterPreferencesCommand(MainWindow& window);

}  // namespace tlv
