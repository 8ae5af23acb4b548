// Choosing a point symbol by its picture: a grid of every symbol the symbol list names, drawn
// with the symbol fonts as the map draws them, narrowed by a search over the descriptions (or
// a number). Opened from the Object Settings dialog and the overlay default graphics.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;

namespace tlv {

// The listed symbols whose description holds text (case-blind) or whose number is text; all of
// them for empty text, in number order.
std::vector<int32_t> MatchingSymbols(const QString& text);

class SymbolChooser : public QDialog {
  Q_OBJECT

 public:
  SymbolChooser(QWidget* parent, int32_t symbol);

  int32_t Symbol() const { return symbol_; }
  void SetSearch(const QString& text);
  // The symbols shown now, in order.
  std::vector<int32_t> Shown() const;
  void Pick(int32_t symbol);

  QLineEdit* SearchField() const { return search_; }
  QListWidget* Grid() const { return grid_; }

 private:
  void Fill();

  int32_t symbol_;
  QLineEdit* search_;
  QListWidget* grid_;
  QLabel* description_;
};

// Shows the chooser; true with symbol changed on OK (or a double click on a symbol).
bool ChooseSymbol(QWidget* parent, int32_t& symbol);

}  // namespace tlv
