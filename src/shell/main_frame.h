// The client area of the main window: the information bar along the top, the status line (the
// message line) along the bottom, the tool palette along the left side and the map area in the
// middle, each bar 40 pixels deep.
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

#include <functional>

class QButtonGroup;

namespace tlv {

// The palette of drawing and viewing tools; one tool is current at a time.
class ToolPalette : public QWidget {
  Q_OBJECT

 public:
  explicit ToolPalette(QWidget* parent = nullptr);

  int CurrentTool() const;
  void SetCurrentTool(int tool);
  // Called when the user picks a tool.
  void SetToolHandler(std::function<void(int tool)> handler) { handler_ = std::move(handler); }
  // The tool tip of a tool's button, as shown.
  QString ToolTipOf(int tool) const;

 private:
  QButtonGroup* group_;
  std::function<void(int)> handler_;
};

class MainFrame : public QWidget {
  Q_OBJECT

 public:
  explicit MainFrame(QWidget* parent = nullptr);

  // The status line's text; a long operation that never returns to the event loop still sees
  // it painted at once.
  void SetMessageLine(const QString& text, bool temporary);
  QString MessageLine() const;
  // Shows the current scale text in the information bar.
  void RefreshInfoBar();
  QString InfoBarText() const;
  // Lays the bars out again and hands the map area to the map view (unless minimised).
  void LayOut();

  QWidget* InfoBar() const { return infoBar_; }
  QWidget* StatusLine() const { return statusLine_; }
  ToolPalette* Palette() const { return palette_; }
  QWidget* MapWidget() const { return mapWidget_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* infoBar_;
  QLabel* scaleLabel_;
  QLabel* statusLine_;
  ToolPalette* palette_;
  QWidget* mapWidget_;
};

}  // namespace tlv
