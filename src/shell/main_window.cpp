#include "shell/main_window.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <mutex>

#include "base/errors.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/text_codec.h"
#include "render/graphics_tables.h"
#include "shell/commands.h"
#include "shell/main_frame.h"

namespace tlv {

namespace {

const QEvent::Type kPostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessageEvent : public QEvent {
 public:
  PostedMessageEvent(int message, int64_t param1, int64_t param2)
      : QEvent(kPostedMessageEvent), message(message), param1(param1), param2(param2) {}
  const int message;
  const int64_t param1;
  const int64_t param2;
};

// The window that PostMainWindowMessage reaches; other threads post to it, so it is guarded.
std::mutex gPostMutex;
MainWindow* gPostTarget = nullptr;

constexpr const char* kHeadingProperty = "tlvHeading";

// Messages that wait (for a handler, or for a long operation to end) are kept up to this many;
// a flood beyond it is dropped rather than held without bound.
constexpr size_t kMaxWaitingMessages = 256;

// Resets a busy flag however the handler is left.
class BusyFlag {
 public:
  explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyFlag() { flag_ = false; }
  BusyFlag(const BusyFlag&) = delete;
  BusyFlag& operator=(const BusyFlag&) = delete;

 private:
  bool& flag_;
};

int ActionId(const QAction* action) {
  bool ok = false;
  const int id = action->data().toInt(&ok);
  return ok ? id : 0;
}

void CollectActions(const QMenu* menu, std::vector<QAction*>& actions) {
  for (QAction* action : menu->actions()) {
    if (QMenu* sub = action->menu()) {
      CollectActions(sub, actions);
    } else if (!action->isSeparator()) {
      actions.push_back(action);
    }
  }
}

// The colour items show their colour beside the name.
constexpr int kFirstColourCommand = 1001;
constexpr int kLastColourCommand = kFirstColourCommand + kColourTableSize - 1;

QIcon ColourSwatch(int16_t colourIndex) {
  const RGBColour c = ColourOfIndex(colourIndex, RGBColour{});
  QPixmap pixmap(16, 12);
  pixmap.fill(QColor(c.red, c.green, c.blue));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

ScreenRect ToScreenRect(const QRect& r) {
  return ScreenRect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

// Top-level windows of the basemap package that close when the program ends.
bool IsBasemapWindowTitle(const QString& title) {
  return title.startsWith(QStringLiteral("TOLVANE -")) ||
         title == QStringLiteral("TOLVANE-Basemap Selected Records") ||
         title == QStringLiteral("TOLVANE Basemap Builder") ||
         title == QStringLiteral("TOLVANE Download Manager");
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), frame_(new MainFrame(this)), timer_(new QTimer(this)) {
  setWindowTitle(QStringLiteral("TOLVANE"));
  setObjectName(QStringLiteral("TOLVANE"));
  setCentralWidget(frame_);
  resize(800, 600);

  for (const MenuDef& def : MainMenuBar()) menuBar()->addMenu(BuildMenu(def, true));
  BuildAccelerators();

  timer_->setInterval(kTimerIntervalMs);
  connect(timer_, &QTimer::timeout, this, &MainWindow::OnTimer);
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &MainWindow::OnAboutToBlock);
  }

  // The scale in the information bar opens the scale pop-up (units, format, zoom).
  QWidget* infoBar = frame_->InfoBar();
  infoBar->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(infoBar, &QWidget::customContextMenuRequested, this, [this, infoBar](const QPoint& pos) {
    ShowPopUpMenu("20100", infoBar->mapToGlobal(pos));
  });

  // Exit is the window's own close request, which runs the quit handler.
  RegisterCommand(kExitCommand, [this] { close(); });

  std::lock_guard<std::mutex> lock(gPostMutex);
  if (gPostTarget == nullptr) gPostTarget = this;
}

MainWindow::~MainWindow() {
  {
    std::lock_guard<std::mutex> lock(gPostMutex);
    if (gPostTarget == this) gPostTarget = nullptr;
  }
  if (platform_) {
    platform_->SetMessageLineSink({});
    platform_->SetMainWindow(nullptr);
  }
}

void MainWindow::AttachPlatform(QtPlatform& platform) {
  platform_ = &platform;
  platform.SetMainWindow(this);
  platform.SetMessageLineSink(
      [this](const QString& text, bool temporary) { ShowMessageLine(text, temporary); });
}

// --- Menus ---

QMenu* MainWindow::BuildMenu(const MenuDef& def, bool barMenu) {
  auto* menu = new QMenu(FromWindows1252(def.title), this);
  AddEntries(menu, def.entries, barMenu);
  if (barMenu) connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateMenus);
  return menu;
}

void MainWindow::AddEntries(QMenu* menu, const std::vector<MenuEntry>& entries, bool barMenu) {
  for (const MenuEntry& entry : entries) {
    if (entry.IsSeparator()) {
      menu->addSeparator();
    } else if (entry.IsSubMenu()) {
      AddEntries(menu->addMenu(FromWindows1252(entry.label)), entry.subMenu, barMenu);
    } else if (entry.heading) {
      QAction* action = menu->addAction(FromWindows1252(entry.label));
      action->setProperty(kHeadingProperty, true);
      action->setEnabled(false);
      QFont font = action->font();
      font.setBold(true);
      action->setFont(font);
    } else {
      QAction* action = menu->addAction(FromWindows1252(entry.label));
      action->setData(static_cast<int>(entry.id));
      if (entry.id >= kFirstColourCommand && entry.id <= kLastColourCommand) {
        action->setIcon(ColourSwatch(static_cast<int16_t>(entry.id - kFirstColourCommand + 1)));
      }
      if (barMenu) {
        menuActions_.emplace(entry.id, action);
        const int id = entry.id;
        connect(action, &QAction::triggered, this, [this, id] { DispatchCommand(id); });
        UpdateAction(action);
      }
    }
  }
}

void MainWindow::BuildAccelerators() {
  for (const Accelerator& accelerator : AcceleratorTable()) {
    QList<QKeySequence> sequences;
    for (const std::string& keys : accelerator.keys) {
      sequences.push_back(
          QKeySequence::fromString(QString::fromLatin1(keys.c_str()), QKeySequence::PortableText));
    }
    auto* action = new QAction(this);
    action->setShortcuts(sequences);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setData(static_cast<int>(accelerator.id));
    addAction(action);
    const int id = accelerator.id;
    connect(action, &QAction::triggered, this, [this, id] { DispatchCommand(id); });
    acceleratorActions_[id] = action;
    UpdateAction(action);
  }
}

void MainWindow::UpdateAction(QAction* action) {
  const int id = ActionId(action);
  const auto it = commands_.find(id);
  const bool registered = it != commands_.end();
  const auto accelerator = acceleratorActions_.find(id);
  const bool isAccelerator =
      accelerator != acceleratorActions_.end() && accelerator->second == action;
  // An accelerator asks the command's enabled state when it is pressed, as a menu asks it when
  // it opens; only a command that does nothing yet has its keys switched off.
  action->setEnabled(registered && (isAccelerator || !it->second.enabled || it->second.enabled()));
  if (registered && it->second.checked && !isAccelerator) {
    action->setCheckable(true);
    action->setChecked(it->second.checked());
  }
}

void MainWindow::RegisterCommand(int id, std::function<void()> action,
                                 std::function<bool()> enabled) {
  if (!action) {
    UnregisterCommand(id);
    return;
  }
  Command& command = commands_[id];
  command.action = std::move(action);
  command.enabled = std::move(enabled);
  for (QAction* a : MenuActions(id)) UpdateAction(a);
  if (QAction* a = AcceleratorAction(id)) UpdateAction(a);
}

void MainWindow::SetCommandChecked(int id, std::function<bool()> checked) {
  const auto it = commands_.find(id);
  if (it == commands_.end()) return;
  it->second.checked = std::move(checked);
  for (QAction* a : MenuActions(id)) UpdateAction(a);
}

void MainWindow::UnregisterCommand(int id) {
  commands_.erase(id);
  for (QAction* a : MenuActions(id)) UpdateAction(a);
  if (QAction* a = AcceleratorAction(id)) UpdateAction(a);
}

bool MainWindow::CommandRegistered(int id) const {
  return commands_.count(id) != 0;
}

bool MainWindow::CommandEnabled(int id) const {
  const auto it = commands_.find(id);
  if (it == commands_.end()) return false;
  return !it->second.enabled || it->second.enabled();
}

bool MainWindow::DispatchCommand(int id) {
  if (!CommandEnabled(id)) return false;
  // The action may register or unregister commands, so it runs from a copy.
  const std::function<void()> action = commands_[id].action;
  action();
  ArmAlerts();
  if (afterCommand_) afterCommand_();
  return true;
}

std::vector<QAction*> MainWindow::MenuActions(int id) const {
  std::vector<QAction*> actions;
  const auto range = menuActions_.equal_range(id);
  for (auto it = range.first; it != range.second; ++it) actions.push_back(it->second);
  return actions;
}

QMenu* MainWindow::BarMenu(std::string_view title) const {
  const QString wanted = FromWindows1252(title);
  for (QAction* action : menuBar()->actions()) {
    if (action->menu() != nullptr && action->text() == wanted) return action->menu();
  }
  return nullptr;
}

void MainWindow::ReplaceBarMenuTail(std::string_view title, int keep,
                                    const std::vector<MenuEntry>& entries) {
  QMenu* menu = BarMenu(title);
  if (menu == nullptr) return;
  const QList<QAction*> all = menu->actions();
  for (qsizetype i = std::max(keep, 0); i < all.size(); ++i) {
    QAction* action = all[i];
    std::vector<QAction*> gone = {action};
    if (QMenu* sub = action->menu()) CollectActions(sub, gone);
    std::erase_if(menuActions_, [&gone](const auto& entry) {
      return std::find(gone.begin(), gone.end(), entry.second) != gone.end();
    });
    menu->removeAction(action);
    if (QMenu* sub = action->menu()) {
      delete sub;
    } else {
      delete action;
    }
  }
  AddEntries(menu, entries, true);
}

QAction* MainWindow::AcceleratorAction(int id) const {
  const auto it = acceleratorActions_.find(id);
  return it == acceleratorActions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::PopUpMenu(std::string_view resource) {
  const std::string key(resource);
  const auto it = popUps_.find(key);
  if (it != popUps_.end()) return it->second;
  const MenuDef* def = FindPopUpMenu(resource);
  if (def == nullptr) return nullptr;
  QMenu* menu = BuildMenu(*def, false);
  popUps_[key] = menu;
  return menu;
}

int MainWindow::ShowPopUpMenu(std::string_view resource, const QPoint& globalPos, bool dispatch) {
  QMenu* menu = PopUpMenu(resource);
  if (menu == nullptr) return 0;
  std::vector<QAction*> actions;
  CollectActions(menu, actions);
  for (QAction* action : actions) {
    if (action->property(kHeadingProperty).toBool()) continue;
    const int id = ActionId(action);
    action->setEnabled(!dispatch || CommandEnabled(id));
    const auto it = commands_.find(id);
    if (dispatch && it != commands_.end() && it->second.checked) {
      action->setCheckable(true);
      action->setChecked(it->second.checked());
    }
  }
  QAction* chosen = menu->exec(globalPos);
  if (chosen == nullptr || chosen->property(kHeadingProperty).toBool()) return 0;
  const int id = ActionId(chosen);
  if (dispatch && id != 0) DispatchCommand(id);
  return id;
}

void MainWindow::AppendBonusMenu() {
  if (bonusMenu_) return;
  bonusMenu_ = BuildMenu(BonusMenu(), true);
  menuBar()->addMenu(bonusMenu_);
}

void MainWindow::AppendFileFixMenu() {
  if (fileFixMenu_) return;
  fileFixMenu_ = BuildMenu(FileFixMenu(), true);
  menuBar()->addMenu(fileFixMenu_);
}

void MainWindow::RemoveExtraMenus() {
  for (QPointer<QMenu>* extra : {&bonusMenu_, &fileFixMenu_}) {
    QMenu* menu = extra->data();
    if (menu == nullptr) continue;
    std::vector<QAction*> actions;
    CollectActions(menu, actions);
    for (auto it = menuActions_.begin(); it != menuActions_.end();) {
      if (std::find(actions.begin(), actions.end(), it->second) != actions.end()) {
        it = menuActions_.erase(it);
      } else {
        ++it;
      }
    }
    menuBar()->removeAction(menu->menuAction());
    delete menu;
  }
}

void MainWindow::UpdateMenus() {
  for (const auto& [id, action] : menuActions_) UpdateAction(action);
  for (const auto& [id, action] : acceleratorActions_) UpdateAction(action);
}

// --- Messages ---

bool MainWindow::PostMainWindowMessage(int message, int64_t param1, int64_t param2) {
  std::lock_guard<std::mutex> lock(gPostMutex);
  if (gPostTarget == nullptr) return false;
  QCoreApplication::postEvent(gPostTarget, new PostedMessageEvent(message, param1, param2));
  return true;
}

void MainWindow::PostMessage(int message, int64_t param1, int64_t param2) {
  QCoreApplication::postEvent(this, new PostedMessageEvent(message, param1, param2));
}

void MainWindow::SetMessageHandler(int message, MessageHandler handler) {
  if (handler) {
    messageHandlers_[message] = std::move(handler);
  } else {
    messageHandlers_.erase(message);
  }
}

bool MainWindow::DeferMessage(int message) const {
  // A message that comes before its handler is set (a second copy started while this one was
  // still starting up) waits for it.
  const bool handled = messageHandlers_.count(message) != 0;
  if (!handled && !(message == kQuitRequestMessage && quitHandler_)) return true;
  // A long operation polling for Escape lets posted events through; handling a notice then
  // would start work in the middle of it. A quit request also waits for dialogs to close.
  const bool longOperation = modalDepth_ > 0 || (platform_ && platform_->CheckingInput());
  if (message == kQuitRequestMessage) {
    return longOperation || QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
  }
  return longOperation;
}

void MainWindow::DeliverMessage(const PostedMessage& message) {
  if (quitAccepted_) return;
  if (DeferMessage(message.message)) {
    if (deferred_.size() < kMaxWaitingMessages) deferred_.push_back(message);
    return;
  }
  const auto it = messageHandlers_.find(message.message);
  if (it != messageHandlers_.end()) {
    const MessageHandler handler = it->second;
    handler(message.param1, message.param2);
    return;
  }
  if (message.message == kQuitRequestMessage && quitHandler_(false)) CloseWithoutAsking();
}

void MainWindow::DeliverDeferredMessages() {
  if (deferred_.empty()) return;
  std::vector<PostedMessage> waiting;
  waiting.swap(deferred_);
  for (const PostedMessage& message : waiting) DeliverMessage(message);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == kPostedMessageEvent) {
    const auto* posted = static_cast<PostedMessageEvent*>(event);
    DeliverMessage(PostedMessage{posted->message, posted->param1, posted->param2});
    return true;
  }
  return QMainWindow::event(event);
}

// --- Quitting ---

void MainWindow::closeEvent(QCloseEvent* event) {
  if (quitAccepted_) {
    event->accept();
    return;
  }
  if (ModalOperationRunning()) {
    QApplication::beep();
    event->ignore();
    return;
  }
  if (quitHandler_ && !quitHandler_(true)) {
    event->ignore();
    return;
  }
  quitAccepted_ = true;
  StopTimer();
  event->accept();
}

void MainWindow::CloseWithoutAsking() {
  quitAccepted_ = true;
  StopTimer();
  close();
}

// --- Timer and idle step ---

bool MainWindow::StartTimer() {
  timer_->start();
  return timer_->isActive();
}

void MainWindow::StopTimer() {
  timer_->stop();
}

bool MainWindow::TimerRunning() const {
  return timer_->isActive();
}

void MainWindow::OnTimer() {
  DeliverDeferredMessages();
  if (!tickHandler_ || inTick_ || inIdle_ || quitAccepted_) return;
  BusyFlag busy(inTick_);
  tickHandler_();
}

void MainWindow::RunIdleStep() {
  if (!idleHandler_ || inIdle_ || inTick_ || quitAccepted_) return;
  if (platform_ && platform_->CheckingInput()) return;
  BusyFlag busy(inIdle_);
  idleHandler_();
}

void MainWindow::OnAboutToBlock() {
  if (quitAccepted_) return;
  DeliverDeferredMessages();
  if (isActiveWindow() && !isMinimized()) RunIdleStep();
}

void MainWindow::EndModalOperation() {
  if (modalDepth_ > 0) --modalDepth_;
  // What waited goes back into the queue behind the events already there.
  if (modalDepth_ == 0 && !deferred_.empty()) {
    std::vector<PostedMessage> waiting;
    waiting.swap(deferred_);
    for (const PostedMessage& m : waiting) PostMessage(m.message, m.param1, m.param2);
  }
}

// --- Frame ---

void MainWindow::ShowMessageLine(const QString& text, bool temporary) {
  frame_->SetMessageLine(text, temporary);
}

QString MainWindow::MessageLine() const {
  return frame_->MessageLine();
}

void MainWindow::RefreshViewDisplays() {
  frame_->RefreshInfoBar();
}

QString MainWindow::InfoBarText() const {
  return frame_->InfoBarText();
}

void MainWindow::LayOutAndRedraw() {
  frame_->LayOut();
  InvalidateMap();
}

QWidget* MainWindow::MapWidget() const {
  return frame_->MapWidget();
}

int MainWindow::CurrentTool() const {
  return frame_->Palette()->CurrentTool();
}

void MainWindow::SetCurrentTool(int tool) {
  frame_->Palette()->SetCurrentTool(tool);
}

void MainWindow::SetToolHandler(std::function<void(int tool)> handler) {
  frame_->Palette()->SetToolHandler(std::move(handler));
}

void MainWindow::BringToFront() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void MainWindow::SetClickPointFlashHandler(std::function<void(bool markShown)> handler) {
  flashHandler_ = std::move(handler);
}

void MainWindow::SetClockRepaintHandler(std::function<void()> handler) {
  clockHandler_ = std::move(handler);
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) frame_->LayOut();
}

// --- ShellServices ---

ScreenRect MainWindow::DesktopRect() {
  QScreen* screen = this->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return ScreenRect{};
  return ToScreenRect(screen->availableGeometry());
}

ScreenRect MainWindow::WindowRect() {
  return ToScreenRect(frameGeometry());
}

void MainWindow::PlaceWindow(const ScreenRect& rect, bool maximised) {
  // The rectangle is the outer one; the frame's margins are known once the window has a frame,
  // so the rectangle is applied again after showing.
  auto apply = [this, &rect] {
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    setGeometry(rect.left + inner.left() - outer.left(), rect.top + inner.top() - outer.top(),
                std::max(rect.right - rect.left - (outer.width() - inner.width()), 1),
                std::max(rect.bottom - rect.top - (outer.height() - inner.height()), 1));
  };
  apply();
  if (maximised) {
    showMaximized();
  } else {
    showNormal();
    apply();
  }
}

void MainWindow::InvalidateMap() {
  frame_->MapWidget()->update();
}

void MainWindow::CloseBasemapWindows() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget != this && IsBasemapWindowTitle(widget->windowTitle())) widget->close();
  }
}

bool MainWindow::MainWindowActive() {
  return isActiveWindow() && !isMinimized();
}

bool MainWindow::InForeground() {
  return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

bool MainWindow::ModalOperationRunning() {
  return modalDepth_ > 0 || (platform_ && platform_->CheckingInput()) ||
         QApplication::activeModalWidget() != nullptr ||
         QApplication::activePopupWidget() != nullptr;
}

void MainWindow::FlashClickPoint() {
  clickPointMarkShown_ = !clickPointMarkShown_;
  if (flashHandler_) flashHandler_(clickPointMarkShown_);
}

void MainWindow::RepaintClock() {
  if (clockHandler_) clockHandler_();
}

}  // namespace tlv
