// Extras > Legend: Settings... (23501) chooses which overlays the legend lists and the size of
// its names; Show (23502) shows or hides it over the map (and on saved pictures and pages).
#pragma once

#include <QDialog>

class QListWidget;
class QSpinBox;

namespace tlv {

class MainWindow;

class LegendSettingsDialog : public QDialog {
 public:
  explicit LegendSettingsDialog(QWidget* parent);
  QListWidget* Overlays() const { return overlays_; }
  QSpinBox* FontSize() const { return fontSize_; }
  // OK: the legend marks of the overlays and the font size are stored, and LAYERS2.PLT with
  // them.
  void accept() override;

 private:
  QListWidget* overlays_;
  QSpinBox* fontSize_;
};

void RegisterLegendCommands(MainWindow& window);

}  // namespace tlv
