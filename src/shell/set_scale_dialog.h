// The Set Scale dialog (315, and the pop-ups' 20108 and 20605): one field in the scale display
// mode the user chose — the ratio "1:N", the ground length of one paper unit ("1 in = N mi") or
// the ground width of the map area ("N miles") — parsed back to a scale that keeps the view's
// centre.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;

namespace tlv {

class MainWindow;

// The words around the number in a scale text of the mode: "1:" before the ratio; "1 in =" before
// and "mi" after the paper-unit length; the unit's name after the window width.
struct ScaleTextParts {
  std::string before;
  std::string number;
  std::string after;
};
ScaleTextParts SplitScaleText(const std::string& text, int16_t mode);

class SetScaleDialog : public QDialog {
 public:
  explicit SetScaleDialog(QWidget* parent);
  QLineEdit* Field() const { return field_; }
  // The scale OK chose (the view is set by RunSetScale).
  int32_t chosenScale = 0;

 private:
  void TryAccept();
  QLineEdit* field_;
  int16_t mode_;
};

// Shows the dialog and sets the scale on OK; true when the view changed.
bool RunSetScale(QWidget* parent);
void RegisterSetScaleCommands(MainWindow& window);

}  // namespace tlv
