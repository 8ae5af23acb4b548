#include "shell/input_script.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include <map>

#include "render/map_view.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/map_area.h"

// What a key press does first in a real window: the shortcut map has its say.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace tlv {
namespace {

constexpr int kStepMs = 60;
constexpr int kStartPollMs = 100;
constexpr int kDialogWaitMs = 20000;

const std::map<QString, int>& ToolNames() {
  static const std::map<QString, int> names = {
      {QStringLiteral("zoomin"), kZoomInTool},
      {QStringLiteral("zoomout"), kZoomOutTool},
      {QStringLiteral("drag"), kDragViewTool},
      {QStringLiteral("select"), kSelectRectangleTool},
      {QStringLiteral("selectcircle"), kSelectCircleTool},
      {QStringLiteral("measure"), kMeasureTool},
      {QStringLiteral("symbol"), kSymbolTool},
      {QStringLiteral("rectangle"), kRectangleTool},
      {QStringLiteral("circle"), kCircleTool},
      {QStringLiteral("polyline"), kPolylineTool},
      {QStringLiteral("polygon"), kPolygonTool},
      {QStringLiteral("text"), kTextTool},
  };
  return names;
}

class ScriptPlayer : public QObject {
 public:
  ScriptPlayer(MainWindow& window, MapPane& pane, QStringList lines,
               std::function<void(const std::string&)> log)
      : QObject(&window),
        window_(window),
        pane_(pane),
        lines_(std::move(lines)),
        log_(std::move(log)),
        timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] { Step(); });
    // The script starts on the map as it was first drawn.
    auto* start = new QTimer(this);
    start->setInterval(kStartPollMs);
    connect(start, &QTimer::timeout, this, [this, start] {
      if (pane_.PassCount() == 0 || pane_.Busy()) return;
      start->stop();
      timer_->start(kStepMs);
    });
    start->start();
  }

 private:
  void Log(const std::string& line) {
    if (log_) log_(line);
  }

  void Step() {
    // The next line is armed before this one runs: a line that opens a dialog waits inside it,
    // and the lines after it (field, accept) are played from the dialog's own event loop.
    // Input waits while the map is being drawn, as a person waits for the picture; the pass's
    // own check for Escape would otherwise take the events.
    if (pane_.Busy()) {
      timer_->start(kStepMs);
      return;
    }
    while (next_ < lines_.size()) {
      const QString line = lines_[next_++].trimmed();
      if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
      int pause = kStepMs;
      const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
      if (words[0] == QLatin1String("wait") && words.size() == 2) pause = words[1].toInt();
      // A line for a dialog waits for the dialog to open (the program may still be drawing).
      const bool forDialog =
          words[0] == QLatin1String("field") || words[0] == QLatin1String("accept") ||
          words[0] == QLatin1String("cancel") || words[0] == QLatin1String("dialogclick") ||
          words[0] == QLatin1String("button");
      if (forDialog && QApplication::activeModalWidget() == nullptr &&
          waitedForDialog_ < kDialogWaitMs) {
        waitedForDialog_ += kStepMs;
        --next_;
        timer_->start(kStepMs);
        return;
      }
      waitedForDialog_ = 0;
      timer_->start(pause);
      Log("script " + line.toStdString());
      if (!Play(line, words)) {
        timer_->stop();
        next_ = lines_.size();
        Log("scripterror " + line.toStdString());
      }
      return;
    }
    Log("scriptend");
  }

  QWidget* Map() const { return window_.MapWidget(); }

  bool Point(const QStringList& words, QPoint& at) const {
    if (words.size() < 3) return false;
    bool okX = false, okY = false;
    at = QPoint(words[1].toInt(&okX), words[2].toInt(&okY));
    return okX && okY;
  }

  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button,
             Qt::KeyboardModifiers modifiers) {
    QWidget* map = Map();
    Qt::MouseButtons held = Qt::NoButton;
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) held = button;
    QMouseEvent event(type, QPointF(at), map->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
    QCoreApplication::sendEvent(map, &event);
  }

  void LogPoint(QPoint at) {
    const ScreenRect area = MapArea();
    const WPoint w =
        ScreenToWorldPoint(CurrentViewMapping(), {at.x() + area.left, at.y() + area.top});
    Log("scriptpoint " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " " +
        std::to_string(w.x) + " " + std::to_string(w.y));
  }

  QWidget* KeyTarget() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      return modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
    }
    if (QWidget* focus = window_.focusWidget()) return focus;
    return Map();
  }

  void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
  }

  bool SetField(const QString& name, const QString& value) {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return false;
    QWidget* field = dialog->findChild<QWidget*>(name);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
      edit->setText(value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(field)) {
      spin->setValue(value.toInt());
    } else if (auto* combo = qobject_cast<QComboBox*>(field)) {
      const int index = combo->findText(value);
      if (index < 0) return false;
      combo->setCurrentIndex(index);
    } else if (auto* list = qobject_cast<QListWidget*>(field)) {
      const QList<QListWidgetItem*> found = list->findItems(value, Qt::MatchEndsWith);
      if (found.isEmpty()) return false;
      list->setCurrentItem(found.first());
    } else if (auto* check = qobject_cast<QCheckBox*>(field)) {
      check->setChecked(value == QLatin1String("1") || value == QLatin1String("yes"));
    } else if (auto* tree = qobject_cast<QTreeWidget*>(field)) {
      return SetTreeField(tree, value.split(QLatin1Char('|')));
    } else {
      return false;
    }
    return true;
  }

  // "ROW" makes the row with that text current; "ROW|HEADING|0 or 1" also clears or ticks its
  // box in the column of that heading.
  static bool SetTreeField(QTreeWidget* tree, const QStringList& parts) {
    const auto found = tree->findItems(parts[0], Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) return false;
    QTreeWidgetItem* item = found.front();
    tree->setCurrentItem(item);
    if (parts.size() != 3) return parts.size() == 1;
    for (int column = 0; column < tree->columnCount(); ++column) {
      if (tree->headerItem()->text(column) != parts[1]) continue;
      item->setCheckState(column, parts[2] == QLatin1String("1") ? Qt::Checked : Qt::Unchecked);
      return true;
    }
    return false;
  }

  bool Play(const QString& line, const QStringList& words) {
    const QString& command = words[0];
    const bool shift = words.size() > 3 && words[3] == QLatin1String("shift");
    const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
    QPoint at;
    if (command == QLatin1String("tool") && words.size() == 2) {
      const auto it = ToolNames().find(words[1]);
      if (it == ToolNames().end()) return false;
      window_.SetCurrentTool(it->second);
      return true;
    }
    if (command == QLatin1String("click") && Point(words, at)) {
      LogPoint(at);
      Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, modifiers);
      Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, modifiers);
      return true;
    }
    if (command == QLatin1String("dblclick") && Point(words, at)) {
      LogPoint(at);
      Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, modifiers);
      Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, modifiers);
      Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton, modifiers);
      Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, modifiers);
      return true;
    }
    if (command == QLatin1String("press") && Point(words, at)) {
      LogPoint(at);
      Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, modifiers);
      return true;
    }
    if (command == QLatin1String("move") && Point(words, at)) {
      Mouse(QEvent::MouseMove, at, Qt::NoButton, modifiers);
      return true;
    }
    if (command == QLatin1String("release") && Point(words, at)) {
      LogPoint(at);
      Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, modifiers);
      return true;
    }
    if (command == QLatin1String("rightclick") && Point(words, at)) {
      Mouse(QEvent::MouseButtonPress, at, Qt::RightButton, modifiers);
      Mouse(QEvent::MouseButtonRelease, at, Qt::RightButton, modifiers);
      return true;
    }
    if (command == QLatin1String("key") && words.size() == 2) {
      const QKeySequence sequence = QKeySequence::fromString(
          words[1] == QLatin1String("Enter") ? QStringLiteral("Return") : words[1]);
      if (sequence.isEmpty()) return false;
      const QKeyCombination combination = sequence[0];
      QString text;
      if (combination.key() == Qt::Key_Return) text = QStringLiteral("\r");
      if (combination.key() == Qt::Key_Escape) text = QString(QChar(0x1B));
      QWidget* target = KeyTarget();
      // A real key press meets the window's shortcuts first (Ctrl+H, Ctrl+J, ...), in the
      // window that has the keyboard.
      if (QApplication::activeModalWidget() == nullptr && !window_.isActiveWindow()) {
        // Activation arrives as an event of its own; the shortcut needs it to have arrived.
        window_.activateWindow();
        QCoreApplication::processEvents();
      }
      if (combination.keyboardModifiers() != Qt::NoModifier &&
          qt_sendShortcutOverrideEvent(target, 0, combination.key(),
                                       combination.keyboardModifiers(), text)) {
        return true;
      }
      SendKey(target, combination.key(), combination.keyboardModifiers(), text);
      return true;
    }
    if (command == QLatin1String("type") && words.size() >= 2) {
      const QString text = line.mid(line.indexOf(QLatin1Char(' ')) + 1);
      QWidget* target = KeyTarget();
      for (const QChar c : text) SendKey(target, 0, Qt::NoModifier, QString(c));
      return true;
    }
    if (command == QLatin1String("field") && words.size() >= 3) {
      const int valueAt = line.indexOf(words[1]) + static_cast<int>(words[1].size()) + 1;
      return SetField(words[1], line.mid(valueAt));
    }
    if (command == QLatin1String("accept") || command == QLatin1String("cancel")) {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return false;
      // The dialog's own OK button runs its checks.
      auto* buttons = dialog->findChild<QDialogButtonBox*>();
      QPushButton* button = nullptr;
      if (buttons != nullptr) {
        button = buttons->button(command == QLatin1String("accept") ? QDialogButtonBox::Ok
                                                                    : QDialogButtonBox::Cancel);
      }
      if (button != nullptr) {
        button->click();
      } else if (command == QLatin1String("accept")) {
        dialog->accept();
      } else {
        dialog->reject();
      }
      return true;
    }
    if (command == QLatin1String("command") && words.size() == 2) {
      bool number = false;
      const int id = words[1].toInt(&number);
      // A command that opens a dialog returns when it closes; the lines after this one are
      // played from the dialog's own event loop meanwhile.
      return number && window_.DispatchCommand(id);
    }
    if (command == QLatin1String("dialogclick") && words.size() == 4) {
      QWidget* dialog = QApplication::activeModalWidget();
      QWidget* target = dialog == nullptr ? nullptr : dialog->findChild<QWidget*>(words[1]);
      bool okX = false, okY = false;
      const QPointF at(words[2].toInt(&okX), words[3].toInt(&okY));
      if (target == nullptr || !okX || !okY) return false;
      QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(target, &press);
      QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(target, &release);
      return true;
    }
    if (command == QLatin1String("button") && words.size() >= 2) {
      QWidget* dialog = QApplication::activeModalWidget();
      if (dialog == nullptr) return false;
      const QString text = line.mid(line.indexOf(QLatin1Char(' ')) + 1);
      for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text() == text && button->isEnabled()) {
          button->click();
          return true;
        }
      }
      return false;
    }
    if (command == QLatin1String("wait")) return words.size() == 2;
    if (command == QLatin1String("snapshot") && words.size() == 2) {
      return Map()->grab().save(words[1], "PNG");
    }
    if (command == QLatin1String("quit")) {
      window_.close();
      return true;
    }
    return false;
  }

  MainWindow& window_;
  MapPane& pane_;
  QStringList lines_;
  std::function<void(const std::string&)> log_;
  QTimer* timer_;
  qsizetype next_ = 0;
  int waitedForDialog_ = 0;
};

}  // namespace

bool StartInputScript(MainWindow& window, MapPane& pane, const QString& file,
                      std::function<void(const std::string&)> log) {
  QFile script(file);
  if (!script.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  const QStringList lines = QString::fromUtf8(script.readAll()).split(QLatin1Char('\n'));
  new ScriptPlayer(window, pane, lines, std::move(log));
  return true;
}

}  // namespace tlv
