// Typing a latitude and longitude: the fields of the chosen coordinate format (degrees, minutes
// and seconds as that format shows them), a hemisphere pop-up per axis and a format chooser that
// rereads the fields and rewrites them in the new format. Used by Go to Lat/Long... (308) and by
// the geo-referencing dialog for its control points.
#pragma once

#include <QDialog>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>

#include "base/world_types.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tlv {

class MainWindow;

class LatLongEntry : public QWidget {
  Q_OBJECT

 public:
  // Starts in the current coordinate format.
  explicit LatLongEntry(QWidget* parent = nullptr);

  void SetPoint(WPoint p);
  // The point the fields give; false with the message to show when they give none.
  bool Point(WPoint& p, std::string& problem) const;

  int16_t Format() const { return format_; }
  // Rereads the fields in the old format and rewrites them in the new one; fields that do not
  // read are kept as typed (only the unused ones are hidden).
  void SetFormat(int16_t format);

  // Fields by axis (0 latitude, 1 longitude) and position (0 degrees, 1 minutes, 2 seconds).
  QLineEdit* Field(int axis, int position) const;
  QComboBox* Hemisphere(int axis) const { return hemispheres_[static_cast<size_t>(axis)]; }
  QComboBox* FormatChooser() const { return formatChooser_; }

 private:
  void ShowFieldsInUse();

  int16_t format_;
  std::array<std::array<QLineEdit*, 3>, 2> fields_{};
  std::array<std::array<QLabel*, 3>, 2> units_{};
  std::array<QComboBox*, 2> hemispheres_{};
  QComboBox* formatChooser_ = nullptr;
};

// A dialog of one LatLongEntry with OK and Cancel. OK with fields that give no point shows the
// problem and keeps the dialog open; p changes only on OK.
bool AskLatLong(QWidget* parent, const QString& title, WPoint& p);

// Go to Lat/Long... (308, Ctrl+L): the typed point becomes the Click Point and the view centres
// on it at the current scale.
void RegisterGoToLatLongCommand(MainWindow& window);

}  // namespace tlv
