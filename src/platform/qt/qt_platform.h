// The platform services of the windowed program: message boxes, the message line of the main
// window, the wait cursor, the Escape check of long operations and the clock.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>

#include "base/platform.h"

class QMessageBox;

namespace tlv {

class QtPlatform : public QObject, public PlatformServices {
  Q_OBJECT

 public:
  QtPlatform();
  ~QtPlatform() override;

  void ShowAlertBox(std::string_view text, int kind) override;
  int Ask(const Question& question) override;
  void Beep() override;
  void SetMessageLine(std::string_view text) override;
  void SetTemporaryMessageLine(std::string_view text) override;
  void SetWaitCursor(bool on) override;
  bool EscapePressed() override;
  uint32_t TickCount() override;
  int64_t SecondsSince1970() override;
  LocalTime CurrentLocalTime() override;
  bool SetClipboardText(std::string_view windows1252) override;
  bool SetClipboardImage(int32_t width, int32_t height, const std::vector<uint32_t>& argb) override;

  // The window that owns message boxes when no other window of the program is active.
  void SetMainWindow(QWidget* window);
  // Where the message line goes: the main window's status line. Until it is set, the text is
  // only kept (MessageLine()).
  using MessageLineSink = std::function<void(const QString& text, bool temporary)>;
  void SetMessageLineSink(MessageLineSink sink);
  const QString& MessageLine() const { return messageLine_; }
  bool MessageLineTemporary() const { return messageLineTemporary_; }
  bool WaitCursorShown() const { return waitCursor_; }

  // Whether the Escape check is delivering pending events right now; user input is held back
  // then, and the main window defers its notices.
  bool CheckingInput() const { return checkingInput_; }

  // Tests watch each message box as it opens (before it runs) to read or answer it.
  void SetMessageBoxObserver(std::function<void(QMessageBox&)> observer);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BoxOwner() const;
  // The application may be made after the platform; the filter goes in once it exists.
  void InstallInputFilter();
  void ShowMessageLineText(std::string_view text, bool temporary);

  QPointer<QWidget> mainWindow_;
  MessageLineSink messageLineSink_;
  QString messageLine_;
  bool messageLineTemporary_ = false;
  bool waitCursor_ = false;
  bool escapeSeen_ = false;
  bool checkingInput_ = false;
  bool filterInstalled_ = false;
  bool inputChecked_ = false;
  std::chrono::steady_clock::time_point lastInputCheck_;
  std::function<void(QMessageBox&)> boxObserver_;
};

// The message box text: line ends of any form become plain line feeds.
QString AlertText(std::string_view text);

}  // namespace tlv
