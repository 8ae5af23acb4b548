#include "platform/qt/qt_platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/qt/text_codec.h"

namespace tlv {

namespace {

// Long operations poll for Escape after every few records; looking at the pending input more
// often than this only slows them down.
constexpr auto kInputCheckInterval = std::chrono::milliseconds(50);

const QString kBoxTitle = QStringLiteral("TOLVANE");

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
      return true;
    default:
      return false;
  }
}

QMessageBox::Icon IconForKind(int kind) {
  switch (kind) {
    case kStopAlert:
      return QMessageBox::Critical;
    case kCautionAlert:
      return QMessageBox::Warning;
    default:
      return QMessageBox::Information;
  }
}

bool HaveWidgets() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// A message box would show the arrow cursor under an override wait cursor; lift the override
// while the box is up and put it back afterwards.
class WaitCursorLift {
 public:
  explicit WaitCursorLift(bool shown) : shown_(shown) {
    if (shown_) QApplication::restoreOverrideCursor();
  }
  ~WaitCursorLift() {
    if (shown_) QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  WaitCursorLift(const WaitCursorLift&) = delete;
  WaitCursorLift& operator=(const WaitCursorLift&) = delete;

 private:
  bool shown_;
};

// A box opened while the Escape check delivers events (a timer's alert) must take the user's
// clicks and keys, so the check's hold on input is lifted while it is up.
class InputCheckLift {
 public:
  explicit InputCheckLift(bool& checking) : checking_(checking), saved_(checking) {
    checking_ = false;
  }
  ~InputCheckLift() { checking_ = saved_; }
  InputCheckLift(const InputCheckLift&) = delete;
  InputCheckLift& operator=(const InputCheckLift&) = delete;

 private:
  bool& checking_;
  bool saved_;
};

}  // namespace

QString AlertText(std::string_view text) {
  QString result = FromWindows1252(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QChar('\r'), QChar('\n'));
  return result;
}

QtPlatform::QtPlatform() {
  InstallInputFilter();
}

void QtPlatform::InstallInputFilter() {
  if (filterInstalled_ || QCoreApplication::instance() == nullptr) return;
  QCoreApplication::instance()->installEventFilter(this);
  filterInstalled_ = true;
}

QtPlatform::~QtPlatform() {
  if (waitCursor_ && HaveWidgets()) QApplication::restoreOverrideCursor();
}

void QtPlatform::SetMainWindow(QWidget* window) {
  mainWindow_ = window;
}

void QtPlatform::SetMessageLineSink(MessageLineSink sink) {
  messageLineSink_ = std::move(sink);
  if (messageLineSink_) messageLineSink_(messageLine_, messageLineTemporary_);
}

void QtPlatform::SetMessageBoxObserver(std::function<void(QMessageBox&)> observer) {
  boxObserver_ = std::move(observer);
}

QWidget* QtPlatform::BoxOwner() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return mainWindow_.data();
}

void QtPlatform::ShowAlertBox(std::string_view text, int kind) {
  if (!HaveWidgets()) {
    std::fprintf(stderr, "TOLVANE: %s\n", std::string(text).c_str());
    return;
  }
  QMessageBox box(IconForKind(kind), kBoxTitle, AlertText(text), QMessageBox::Ok, BoxOwner());
  // Texts carry names of maps, overlays and objects typed by users: never read them as markup.
  box.setTextFormat(Qt::PlainText);
  InputCheckLift inputLift(checkingInput_);
  if (boxObserver_) boxObserver_(box);
  WaitCursorLift lift(waitCursor_);
  box.exec();
}

int QtPlatform::Ask(const Question& question) {
  if (!HaveWidgets() || question.buttons.empty()) return -1;
  QMessageBox box(BoxOwner());
  box.setIcon(QMessageBox::Question);
  box.setWindowTitle(question.title.empty() ? kBoxTitle : FromWindows1252(question.title));
  box.setTextFormat(Qt::PlainText);
  box.setText(AlertText(question.text));
  std::vector<QPushButton*> buttons;
  for (size_t i = 0; i < question.buttons.size(); ++i) {
    const bool isCancel = static_cast<int>(i) == question.cancelButton;
    buttons.push_back(box.addButton(FromWindows1252(question.buttons[i]),
                                    isCancel ? QMessageBox::RejectRole : QMessageBox::ActionRole));
    if (i < question.enabled.size() && !question.enabled[i]) buttons.back()->setEnabled(false);
  }
  if (question.defaultButton >= 0 && question.defaultButton < static_cast<int>(buttons.size())) {
    box.setDefaultButton(buttons[static_cast<size_t>(question.defaultButton)]);
  }
  if (question.cancelButton >= 0 && question.cancelButton < static_cast<int>(buttons.size())) {
    box.setEscapeButton(buttons[static_cast<size_t>(question.cancelButton)]);
  }
  {
    InputCheckLift inputLift(checkingInput_);
    if (boxObserver_) boxObserver_(box);
    WaitCursorLift lift(waitCursor_);
    box.exec();
  }
  QAbstractButton* clicked = box.clickedButton();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i] == clicked) return static_cast<int>(i);
  }
  return -1;
}

void QtPlatform::Beep() {
  if (HaveWidgets()) QApplication::beep();
}

void QtPlatform::ShowMessageLineText(std::string_view text, bool temporary) {
  messageLine_ = FromWindows1252(text);
  messageLineTemporary_ = temporary;
  if (messageLineSink_) messageLineSink_(messageLine_, temporary);
}

void QtPlatform::SetMessageLine(std::string_view text) {
  ShowMessageLineText(text, false);
}

void QtPlatform::SetTemporaryMessageLine(std::string_view text) {
  ShowMessageLineText(text, true);
}

void QtPlatform::SetWaitCursor(bool on) {
  if (on == waitCursor_) return;
  waitCursor_ = on;
  if (!HaveWidgets()) return;
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

bool QtPlatform::eventFilter(QObject* watched, QEvent* event) {
  if (!checkingInput_ || !IsUserInput(event->type())) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    escapeSeen_ = true;
  }
  // The program is busy in a long operation: other input would start commands in the middle
  // of it, so it is dropped, as a busy program has always ignored it.
  return true;
}

bool QtPlatform::EscapePressed() {
  InstallInputFilter();
  if (!checkingInput_ && QCoreApplication::instance() != nullptr) {
    const auto now = std::chrono::steady_clock::now();
    if (!inputChecked_ || now - lastInputCheck_ >= kInputCheckInterval) {
      inputChecked_ = true;
      lastInputCheck_ = now;
      checkingInput_ = true;
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      checkingInput_ = false;
    }
  }
  const bool pressed = escapeSeen_;
  escapeSeen_ = false;
  return pressed;
}

uint32_t QtPlatform::TickCount() {
  static const auto start = std::chrono::steady_clock::now();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const auto ticks =
      std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * 60 / 1000000;
  return static_cast<uint32_t>(ticks);
}

int64_t QtPlatform::SecondsSince1970() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool QtPlatform::SetClipboardText(std::string_view windows1252) {
  QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                              ? QGuiApplication::clipboard()
                              : nullptr;
  if (clipboard == nullptr) return false;
  clipboard->setText(FromWindows1252(std::string(windows1252)));
  return true;
}

bool QtPlatform::SetClipboardImage(int32_t width, int32_t height,
                                   const std::vector<uint32_t>& argb) {
  QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                              ? QGuiApplication::clipboard()
                              : nullptr;
  if (clipboard == nullptr || width <= 0 || height <= 0 ||
      argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    return false;
  }
  QImage image(width, height, QImage::Format_ARGB32);
  for (int32_t row = 0; row < height; ++row) {
    std::memcpy(image.scanLine(row), argb.data() + static_cast<size_t>(row) * width,
                static_cast<size_t>(width) * sizeof(uint32_t));
  }
  clipboard->setImage(image);
  return true;
}

LocalTime QtPlatform::CurrentLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  LocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = std::min(parts.tm_sec, 59);
  t.weekday = parts.tm_wday;
  return t;
}

}  // namespace tlv
