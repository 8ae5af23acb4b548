#include "platform/qt/qt_platform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <ctime>
#include <thread>

#include "qt_test_app.h"

namespace tlv {
namespace {

struct SeenBox {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QString text;
  Qt::TextFormat format = Qt::AutoText;
  QStringList buttons;
  QString defaultButton;
};

class QtPlatformTest : public ::testing::Test {
 protected:
  QtPlatformTest() { test::TestApplication(); }

  // Records each box as it opens, then answers it with the button of the given text (or with
  // the Escape key when the text is empty) once its loop runs.
  void AnswerWith(const QString& buttonText) {
    platform_.SetMessageBoxObserver([this, buttonText](QMessageBox& box) {
      SeenBox seen;
      seen.icon = box.icon();
      seen.title = box.windowTitle();
      seen.text = box.text();
      seen.format = box.textFormat();
      for (QAbstractButton* b : box.buttons()) seen.buttons.push_back(b->text());
      if (box.defaultButton() != nullptr) seen.defaultButton = box.defaultButton()->text();
      boxes_.push_back(seen);
      QTimer::singleShot(0, &box, [&box, buttonText] {
        if (buttonText.isEmpty()) {
          QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
          QCoreApplication::sendEvent(&box, &escape);
          if (box.isVisible()) box.done(0);
          return;
        }
        for (QAbstractButton* b : box.buttons()) {
          if (b->text() == buttonText) b->click();
        }
      });
    });
  }

  QtPlatform platform_;
  std::vector<SeenBox> boxes_;
};

TEST_F(QtPlatformTest, AlertsShowTheIconOfTheirKindUnderTheProgramsTitle) {
  AnswerWith("OK");
  platform_.ShowAlertBox("Unable to write userfolder.txt file", kStopAlert);
  platform_.ShowAlertBox("Note", kNoteAlert);
  platform_.ShowAlertBox("Caution", kCautionAlert);
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(boxes_[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes_[1].icon, QMessageBox::Information);
  EXPECT_EQ(boxes_[2].icon, QMessageBox::Warning);
  for (const SeenBox& box : boxes_) EXPECT_EQ(box.title, "TOLVANE");
  EXPECT_EQ(boxes_[0].text, "Unable to write userfolder.txt file");
}

TEST_F(QtPlatformTest, AlertTextIsConvertedAndNeverReadAsMarkup) {
  AnswerWith("OK");
  platform_.ShowAlertBox("Overlay <b>Caf\xE9</b>\r\n\r\n\x93quoted\x94", kNoteAlert);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].format, Qt::PlainText);
  EXPECT_EQ(boxes_[0].text,
            QString::fromUtf8("Overlay <b>Caf\xC3\xA9</b>\n\n\xE2\x80\x9Cquoted\xE2\x80\x9D"));
}

TEST_F(QtPlatformTest, AskAnswersTheIndexOfTheChosenButton) {
  Question question;
  question.title = "Save Temporary Objects?";
  question.text =
      "There are objects on the Temporary Overlay.\r\n\r\nDo you want to save these objects?";
  question.buttons = {"Save", "Delete", "Cancel"};
  question.defaultButton = 0;
  question.cancelButton = 2;

  AnswerWith("Delete");
  EXPECT_EQ(platform_.Ask(question), 1);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, "Save Temporary Objects?");
  EXPECT_EQ(boxes_[0].text,
            "There are objects on the Temporary Overlay.\n\nDo you want to save these objects?");
  EXPECT_EQ(boxes_[0].defaultButton, "Save");
  EXPECT_EQ(boxes_[0].buttons.size(), 3);

  // Escape takes the cancel button.
  AnswerWith("");
  EXPECT_EQ(platform_.Ask(question), 2);

  // A question without a title is titled as every box.
  Question exitQuestion;
  exitQuestion.text = "This will end your TOLVANE session.";
  exitQuestion.buttons = {"OK", "Cancel"};
  exitQuestion.cancelButton = 1;
  AnswerWith("OK");
  EXPECT_EQ(platform_.Ask(exitQuestion), 0);
  EXPECT_EQ(boxes_.back().title, "TOLVANE");

  // Without a cancel button, a box closed without a choice answers -1.
  exitQuestion.cancelButton = -1;
  platform_.SetMessageBoxObserver(
      [](QMessageBox& box) { QTimer::singleShot(0, &box, [&box] { box.done(0); }); });
  EXPECT_EQ(platform_.Ask(exitQuestion), -1);
}

TEST_F(QtPlatformTest, EscapeCheckSeesEscapeAndHoldsBackOtherInput) {
  class KeyRecorder : public QWidget {
   public:
    std::vector<int> keys;

   protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
  };
  KeyRecorder widget;
  widget.show();
  EXPECT_FALSE(platform_.EscapePressed());

  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  QCoreApplication::postEvent(&widget, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
  QCoreApplication::postEvent(&widget,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  EXPECT_TRUE(platform_.EscapePressed());
  EXPECT_FALSE(platform_.CheckingInput());
  // The press is reported once.
  EXPECT_FALSE(platform_.EscapePressed());
  // The long operation's other keys never reached the widget.
  EXPECT_TRUE(widget.keys.empty());

  // Outside the check, input goes where it always goes and Escape is not remembered.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &escape);
  EXPECT_EQ(widget.keys, std::vector<int>{Qt::Key_Escape});
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_FALSE(platform_.EscapePressed());
}

TEST_F(QtPlatformTest, BoxOpenedDuringTheEscapeCheckTakesInput) {
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  bool checkingWhileUp = true;
  bool escapeClosedIt = false;
  platform_.SetMessageBoxObserver([&](QMessageBox& box) {
    checkingWhileUp = platform_.CheckingInput();
    QTimer::singleShot(0, &box, [&box, &escapeClosedIt] {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QCoreApplication::sendEvent(&box, &escape);
      escapeClosedIt = !box.isVisible();
      if (box.isVisible()) box.done(0);
    });
  });
  QTimer::singleShot(0, [this] { platform_.ShowAlertBox("Note", kNoteAlert); });
  // The alert's Escape belongs to the alert, not to the long operation.
  EXPECT_FALSE(platform_.EscapePressed());
  EXPECT_FALSE(checkingWhileUp);
  EXPECT_TRUE(escapeClosedIt);
  EXPECT_FALSE(platform_.CheckingInput());
}

TEST_F(QtPlatformTest, MessageLineReachesItsSinkInUnicode) {
  platform_.SetMessageLine("Caf\xE9");
  EXPECT_EQ(platform_.MessageLine(), QString::fromUtf8("Caf\xC3\xA9"));
  QString shown;
  bool temporary = true;
  // The sink receives the text already showing when it is connected.
  platform_.SetMessageLineSink([&](const QString& text, bool temp) {
    shown = text;
    temporary = temp;
  });
  EXPECT_EQ(shown, QString::fromUtf8("Caf\xC3\xA9"));
  EXPECT_FALSE(temporary);
  platform_.SetTemporaryMessageLine("Initializing overlays.");
  EXPECT_EQ(shown, "Initializing overlays.");
  EXPECT_TRUE(temporary);
  platform_.SetMessageLine("");
  EXPECT_EQ(shown, "");
  EXPECT_FALSE(temporary);
  platform_.SetMessageLineSink({});
}

TEST_F(QtPlatformTest, WaitCursorIsOneOverrideHoweverOftenItIsAskedFor) {
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  platform_.SetWaitCursor(true);
  platform_.SetWaitCursor(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  platform_.SetWaitCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  platform_.SetWaitCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // An alert shown under the wait cursor shows the arrow, and the wait cursor comes back.
  platform_.SetWaitCursor(true);
  bool overriddenDuringBox = true;
  platform_.SetMessageBoxObserver([&overriddenDuringBox](QMessageBox& box) {
    QTimer::singleShot(0, &box, [&box, &overriddenDuringBox] {
      overriddenDuringBox = QApplication::overrideCursor() != nullptr;
      box.done(0);
    });
  });
  platform_.ShowAlertBox("Note", kNoteAlert);
  EXPECT_FALSE(overriddenDuringBox);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  platform_.SetWaitCursor(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtPlatformTest, ClockCountsSixtiethsAndTellsTheTime) {
  const uint32_t before = platform_.TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const uint32_t after = platform_.TickCount();
  EXPECT_GE(after - before, 11u);
  EXPECT_LE(after - before, 30u);

  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  EXPECT_LE(std::abs(platform_.SecondsSince1970() - now), 2);

  const LocalTime t = platform_.CurrentLocalTime();
  std::tm parts{};
  const std::time_t clock = std::time(nullptr);
  localtime_r(&clock, &parts);
  EXPECT_EQ(t.year, parts.tm_year + 1900);
  EXPECT_EQ(t.month, parts.tm_mon + 1);
  EXPECT_GE(t.day, 1);
  EXPECT_LE(t.day, 31);
  EXPECT_GE(t.weekday, 0);
  EXPECT_LE(t.weekday, 6);
}

}  // namespace
}  // namespace tlv
