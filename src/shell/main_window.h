// The main window: its frame (information bar, status line, tool palette, map area), the whole
// menu bar and the accelerators, the command dispatcher, the messages posted to the window, the
// 250 ms timer and the idle step, and the close request.
#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/shell_services.h"

class QAction;
class QMenu;
class QTimer;

namespace tlv {

class MainFrame;
class QtPlatform;
struct MenuDef;
struct MenuEntry;

// The messages other parts of the program post to the main window.
constexpr int kQuitRequestMessage = 1024;  // WM_USER: a sibling program asks the program to quit
constexpr int kNoticeMessage = 1025;       // WM_USER+1: a command word or a message notice
constexpr int kComeForwardMessage = 1026;  // a second copy without a command word was started
constexpr int kTimerIntervalMs = 250;

class MainWindow : public QMainWindow, public ShellServices {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // Connects the platform services to this window: message boxes are owned by it and the
  // message line shows in its status line.
  void AttachPlatform(QtPlatform& platform);

  // --- Commands ---
  // A command does something only once its action is registered; until then its menu items
  // and accelerators are disabled. enabled (optional) is asked whenever the menus are updated;
  // checked (optional) makes its menu items show a check mark.
  void RegisterCommand(int id, std::function<void()> action, std::function<bool()> enabled = {});
  void SetCommandChecked(int id, std::function<bool()> checked);
  void UnregisterCommand(int id);
  bool CommandRegistered(int id) const;
  bool CommandEnabled(int id) const;
  // Runs the command if it is enabled, then arms the alerts and runs the after-command hook.
  // False when the command is disabled.
  bool DispatchCommand(int id);
  // Run after every command (the buffered-file clean-up).
  void SetAfterCommandHook(std::function<void()> hook) { afterCommand_ = std::move(hook); }

  // The menu-bar actions of a command (a command may appear in more than one menu), and the
  // top-level menu of a title such as "&File".
  std::vector<QAction*> MenuActions(int id) const;
  QMenu* BarMenu(std::string_view title) const;
  // The window's accelerator action of a command; null when the command has none.
  QAction* AcceleratorAction(int id) const;
  // Replaces the entries of a bar menu after its first keep entries (menus that change while the
  // program runs, such as the sharing sub-menus); the new items act as bar items do.
  void ReplaceBarMenuTail(std::string_view title, int keep, const std::vector<MenuEntry>& entries);

  // A pop-up menu by its resource name or number ("20000", "20600", "MOVES", "173"); null
  // when there is none. With dispatch, ShowPopUpMenu enables the items from the registered
  // commands and runs the chosen one; without it (the dialogs' own pop-ups) it only answers
  // the chosen id. Answers 0 when nothing was chosen.
  QMenu* PopUpMenu(std::string_view resource);
  int ShowPopUpMenu(std::string_view resource, const QPoint& globalPos, bool dispatch = true);

  // --- Messages posted to the window ---
  // Posts (message, param1, param2) to the window; callable from any thread. The message is
  // delivered on the window's thread to the handler set for it. False when no main window
  // exists.
  static bool PostMainWindowMessage(int message, int64_t param1, int64_t param2);
  void PostMessage(int message, int64_t param1, int64_t param2);
  // WM_USER+1 notices and any other message go to their handler; a WM_USER quit request
  // without a handler of its own runs the quit handler with ask false and closes the window
  // when it says yes. A message without a handler waits until one is set.
  using MessageHandler = std::function<void(int64_t param1, int64_t param2)>;
  void SetMessageHandler(int message, MessageHandler handler);

  // --- The quitting path ---
  // Asked on every close request (ask true) and quit request (ask false): whether to go on.
  void SetQuitHandler(std::function<bool(bool ask)> handler) { quitHandler_ = std::move(handler); }
  // Closes the window without asking again (after the quit handler said yes elsewhere).
  void CloseWithoutAsking();
  bool QuitAccepted() const { return quitAccepted_; }

  // --- Timer and idle step ---
  void SetTimerHandler(std::function<void()> tick) { tickHandler_ = std::move(tick); }
  void SetIdleHandler(std::function<void()> idle) { idleHandler_ = std::move(idle); }
  // Starts the 250 ms timer; false when it cannot run.
  bool StartTimer();
  void StopTimer();
  bool TimerRunning() const;
  // Runs the idle handler unless it or the timer handler is already running.
  void RunIdleStep();

  // A long operation running outside any dialog marks itself so that close requests only beep
  // and posted notices wait until it ends.
  void BeginModalOperation() { ++modalDepth_; }
  void EndModalOperation();

  // --- Frame ---
  void ShowMessageLine(const QString& text, bool temporary);
  QString MessageLine() const;
  // Shows the current scale in the information bar.
  void RefreshViewDisplays();
  QString InfoBarText() const;
  // Lays the bars out again and repaints the map area (the map view's after-change step).
  void LayOutAndRedraw();
  QWidget* MapWidget() const;
  MainFrame* Frame() const { return frame_; }
  int CurrentTool() const;
  void SetCurrentTool(int tool);
  void SetToolHandler(std::function<void(int tool)> handler);
  // Restores a minimised window and brings it to the front (a second copy was started).
  void BringToFront();
  // Called by FlashClickPoint after it toggles the mark, and by RepaintClock; the drawing code
  // sets them.
  void SetClickPointFlashHandler(std::function<void(bool markShown)> handler);
  void SetClockRepaintHandler(std::function<void()> handler);
  bool ClickPointMarkShown() const { return clickPointMarkShown_; }

  // --- ShellServices ---
  void AppendBonusMenu() override;
  void AppendFileFixMenu() override;
  void RemoveExtraMenus() override;
  ScreenRect DesktopRect() override;
  ScreenRect WindowRect() override;
  void PlaceWindow(const ScreenRect& rect, bool maximised) override;
  void InvalidateMap() override;
  void UpdateMenus() override;
  void CloseBasemapWindows() override;
  bool MainWindowActive() override;
  bool InForeground() override;
  bool ModalOperationRunning() override;
  void FlashClickPoint() override;
  void RepaintClock() override;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Command {
    std::function<void()> action;
    std::function<bool()> enabled;
    std::function<bool()> checked;
  };
  struct PostedMessage {
    int message;
    int64_t param1;
    int64_t param2;
  };

  QMenu* BuildMenu(const MenuDef& def, bool barMenu);
  void AddEntries(QMenu* menu, const std::vector<MenuEntry>& entries, bool barMenu);
  void BuildAccelerators();
  void UpdateAction(QAction* action);
  void DeliverMessage(const PostedMessage& message);
  void DeliverDeferredMessages();
  bool DeferMessage(int message) const;
  void OnTimer();
  void OnAboutToBlock();

  MainFrame* frame_;
  QTimer* timer_;
  QPointer<QtPlatform> platform_;
  std::map<int, Command> commands_;
  std::multimap<int, QAction*> menuActions_;
  std::map<int, QAction*> acceleratorActions_;
  std::map<std::string, QMenu*> popUps_;
  QPointer<QMenu> bonusMenu_;
  QPointer<QMenu> fileFixMenu_;
  std::map<int, MessageHandler> messageHandlers_;
  std::vector<PostedMessage> deferred_;
  std::function<void()> afterCommand_;
  std::function<bool(bool)> quitHandler_;
  std::function<void()> tickHandler_;
  std::function<void()> idleHandler_;
  std::function<void(bool)> flashHandler_;
  std::function<void()> clockHandler_;
  bool quitAccepted_ = false;
  bool inIdle_ = false;
  bool inTick_ = false;
  bool clickPointMarkShown_ = false;
  int modalDepth_ = 0;
};

}  // namespace tlv
