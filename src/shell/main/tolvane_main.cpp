// The program's entry: one running copy per user, the start-up sequence around the main window,
// the event loop, and the orderly end.
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <string>

#include "app/messaging.h"
#include "app/reference_views.h"
#include "app/startup.h"
#include "app/window_position.h"
#include "app/wiring.h"
#include "base/errors.h"
#include "base/memory.h"
#include "base/strings.h"
#include "catalogue/open_files.h"
#include "edit/compaction.h"
#include "iac/iac.h"
#include "iac/library_transport.h"
#include "platform/qt/qt_platform.h"
#include "render/map_view.h"
#include "render/qt/symbol_fonts.h"
#include "render/symbols.h"
#include "shell/basemap_commands.h"
#include "shell/bonus_commands.h"
#include "shell/collection_window.h"
#include "shell/compact_commands.h"
#include "shell/copy_commands.h"
#include "shell/decoration_commands.h"
#include "shell/edit_commands.h"
#include "shell/export_command.h"
#include "shell/georef_dialog.h"
#include "shell/import_command.h"
#include "shell/latlong_entry.h"
#include "shell/legend_commands.h"
#include "shell/main_window.h"
#include "shell/map_area.h"
#include "shell/map_list_dialog.h"
#include "shell/object_settings_dialog.h"
#include "shell/overlay_manager.h"
#include "shell/polygon_menu_commands.h"
#include "shell/preferences_dialog.h"
#include "shell/print_commands.h"
#include "shell/search_dialog.h"
#include "shell/set_scale_dialog.h"
#include "shell/sharing_commands.h"
#include "shell/single_instance.h"
#include "shell/vertex_commands.h"
#include "shell/views_dialogs.h"
#include "store/directory_table.h"
#include "store/object_record.h"

namespace tlv {
namespace {

// A termination signal asks for the same orderly quit as a sibling program's quit request, but
// answers the questions of quitting itself (param1 of the quit request says which it is).
int signalPipe[2] = {-1, -1};
constexpr int64_t kQuitBySignal = 1;
// How long a copy that lost the race to become the running copy waits for the winner to listen.
constexpr int kRunningCopyWaitMs = 10000;

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// TOLVANE_EVENT_LOG names a file that receives one line per notice the running copy handles;
// scripts and end-to-end tests read it to see what a second copy handed over.
void LogEvent(const std::string& line) {
  const char* path = std::getenv("TOLVANE_EVENT_LOG");
  if (path == nullptr || path[0] == '\0') return;
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

// With TOLVANE_UNATTENDED set (scripts, end-to-end tests), alerts are logged instead of waiting
// for a person to press a button, and questions take their default button.
class UnattendedPlatform : public QtPlatform {
 public:
  void ShowAlertBox(std::string_view text, int kind) override {
    LogEvent("alert " + std::to_string(kind) + " " + std::string(text));
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  int Ask(const Question& question) override {
    LogEvent("question " + question.text);
    return question.defaultButton;
  }
};

bool Unattended() {
  const char* value = std::getenv("TOLVANE_UNATTENDED");
  return value != nullptr && value[0] != '\0' && value[0] != '0';
}

// Hands the code to the copy that won the race once it listens; false when none came up.
bool ForwardOnceListening(SingleInstance& instance, int32_t code) {
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < kRunningCopyWaitMs) {
    if (instance.ForwardToRunningCopy(code)) return true;
    QThread::msleep(100);
  }
  return false;
}

std::string CommandLineOf(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

// Registers the symbol fonts and reads the symbol list and background ranges shipped in the
// program's fonts folder; answers whether each of the two families the start-up check names is
// now installed.
void LoadSymbolFonts(const QString& folder, bool& first, bool& second) {
  int32_t registered = 0;
  RegisterSymbolFontFolder(folder, registered);
  first = FirstSymbolFontInstalled();
  second = SecondSymbolFontInstalled();
  int32_t fontsID = -1;
  if (RegisterDirectory(folder.toStdString() + "/", true, fontsID) == 0) {
    if (LoadSymbolList(0, fontsID) == 0) SetSymbolKnownTest(SymbolInList);
    LoadSymbolBackgroundRanges(0, fontsID);
  }
}

void RegisterCommands(MainWindow& window) {
  window.RegisterCommand(111, [&window] { window.close(); });
  window.RegisterCommand(309, [] { CentreOnClickPoint(); });
  window.RegisterCommand(316, [] {
    const ScreenRect a = MapArea();
    ZoomAtClick({(a.left + a.right) / 2, (a.top + a.bottom) / 2}, ZoomDirection::kIn);
  });
  window.RegisterCommand(317, [] {
    const ScreenRect a = MapArea();
    ZoomAtClick({(a.left + a.right) / 2, (a.top + a.bottom) / 2}, ZoomDirection::kOut);
  });
  window.RegisterCommand(550, [] { ScrollHalfWindow(ScrollDirection::kLeft); });
  window.RegisterCommand(551, [] { ScrollHalfWindow(ScrollDirection::kRight); });
  window.RegisterCommand(552, [] { ScrollHalfWindow(ScrollDirection::kUp); });
  window.RegisterCommand(553, [] { ScrollHalfWindow(ScrollDirection::kDown); });
}

int Run(int argc, char** argv) {
  const std::string commandLine = CommandLineOf(argc, argv);
  const int32_t code = CommandWordCode(commandLine);

  QApplication app(argc, argv);
  UseProgramNumberFormat();
  QApplication::setApplicationName("TOLVANE");
  const char* instanceName = std::getenv("TOLVANE_INSTANCE");
  SingleInstance instance(instanceName != nullptr && instanceName[0] != '\0'
                              ? QString::fromUtf8(instanceName)
                              : SingleInstanceName());
  // A running copy takes the word (or, without one, just comes to the front); this copy ends.
  if (instance.ForwardToRunningCopy(code)) return 0;
  // Words that only make sense to a running copy do not start the program.
  if (code != 0 && !CommandWordStartsProgram(code)) return 0;

  QtPlatform attended;
  UnattendedPlatform unattended;
  QtPlatform& platform = Unattended() ? unattended : attended;
  InstallPlatform(&platform);
  MainWindow window;
  InstallShell(&window);
  window.AttachPlatform(platform);
  if (!instance.StartListening([&window](int32_t forwarded) {
        window.PostMessage(forwarded == 0 ? kComeForwardMessage : kNoticeMessage, forwarded, 0);
      }) &&
      !instance.HoldsLock()) {
    // Another copy started at the same moment became the running copy: it takes the word as if
    // this copy had found it running, and this one ends before it touches a file.
    const bool forwarded = ForwardOnceListening(instance, code);
    if (!forwarded && code == 0) ShowAlert(MessageText(137), kStopAlert);
    InstallShell(nullptr);
    InstallPlatform(nullptr);
    return 0;
  }
  SetRunningCopyHeld(instance.HoldsLock());
  // The message library posts its notices from its own thread, through the window's queue.
  InstallMainWindowPoster(&MainWindow::PostMainWindowMessage);
  LibraryTransport messageLibrary;
  SetIacTransport(&messageLibrary);

  if (InitWindowsHandles() != 0) {
    ReportError("WinMain()", "InitWindowsHandles()", -1);
    return 0;
  }
  if (InitDirectoryTable() != 0) {
    ReportError("WinMain()", "InitDirectoryTable()", -1);
    ReleaseStartupResources();
    return 0;
  }
  const char* folderOverride = std::getenv("TOLVANE_PROGRAM_FOLDER");
  const QString programFolder = folderOverride != nullptr && folderOverride[0] != '\0'
                                    ? QString::fromUtf8(folderOverride)
                                    : QCoreApplication::applicationDirPath();
  QDir::setCurrent(programFolder);
  SetProgramFolderPath(programFolder.toStdString());

  auto failedStartup = [&]() {
    SetIacTransport(nullptr);
    SetMapViewHooks({});
    InstallShell(nullptr);
    InstallPlatform(nullptr);
    ReleaseMemoryReserve();
    ReleaseStartupResources();
    return 0;
  };
  FrontEndHooks frontEnd;
  frontEnd.chooseCustomColour = [&window](uint32_t& rgb) {
    const QColor colour = QColorDialog::getColor(Qt::black, &window);
    if (!colour.isValid()) return false;
    rgb = static_cast<uint32_t>(colour.red() << 16 | colour.green() << 8 | colour.blue());
    return true;
  };
  frontEnd.bringOwnWindowForward = [&window] { window.BringToFront(); };
  frontEnd.bringWindowForward = BringOtherWindowForward;
  frontEnd.sharingMenusChanged = [&window] {
    RebuildSharingMenus(window);
    LogEvent("sharingmenus " + DescribeSharingMenus(window));
  };
  FillBasemapFrontEnd(window, frontEnd);
  WireCore(frontEnd);
  MapViewHooks viewHooks;
  viewHooks.refreshViewDisplays = [&window] { window.RefreshViewDisplays(); };
  viewHooks.updateReferenceView = UpdateReferenceView;
  viewHooks.layoutAndRedraw = [&window] { window.LayOutAndRedraw(); };
  SetMapViewHooks(viewHooks);
  if (CommonInit() != 0) return failedStartup();
  WindowPosition(false);
  if (CommonInit2() != 0 || FinishStartup() != 0) return failedStartup();

  bool firstFont = false, secondFont = false;
  LoadSymbolFonts(programFolder + "/fonts", firstFont, secondFont);
  CompleteStartup(firstFont, secondFont);

  RegisterCommands(window);
  RegisterEditCommands(window);
  RegisterObjectSettingsCommands(window);
  RegisterBonusCommands(window);
  RegisterCompactCommands(window);
  // Another process's compaction leaves the maps this one shows alone.
  HoldLocksOfMapsInUse();
  RegisterImportCommand(window);
  RegisterCollectionCommands(window);
  RegisterExportCommands(window);
  RegisterSharingCommands(window);
  RegisterPrintCommands(window);
  RegisterSearchCommands(window);
  RegisterPolygonMenuCommands(window);
  // The map area: the drawing pass paints the window's map image; viewing tools and commands.
  MapPane* pane = InstallMapArea(window, LogEvent);
  RegisterVertexCommands(window, *pane);
  RegisterCopyCommands(window);
  RegisterDecorationCommands(window);
  RegisterGoToLatLongCommand(window);
  RegisterInsertPictureCommand(window);
  RegisterViewCommands(window);
  RegisterOverlayManagerCommands(window);
  RegisterSetScaleCommands(window);
  RegisterPreferencesCommand(window);
  RegisterOverlayMapsCommand(window);
  RegisterLegendCommands(window);
  RegisterBasemapCommands(window);
  window.SetAfterCommandHook([] {
    CloseBufferedFiles();
    EndReadOnlyFiles(nullptr);
  });
  window.SetIdleHandler([] { IdleStep(); });
  window.SetTimerHandler([] { TimerTick(); });
  window.SetMessageHandler(kComeForwardMessage, [&window](int64_t, int64_t) {
    LogEvent("notice 0");
    window.BringToFront();
  });
  window.SetMessageHandler(kNoticeMessage, [&window](int64_t param1, int64_t) {
    LogEvent("notice " + std::to_string(param1));
    if (IsCommandWordNotice(param1)) window.BringToFront();
    HandleNotice(param1);
  });
  auto quit = [](bool ask, bool terminationSignal) {
    if (!ConfirmQuit(ask, terminationSignal)) return false;
    SetQuitting();
    ShutDown();
    ReleasePrinterSetup();
    WindowPosition(true);
    LogEvent("shutdown");
    return true;
  };
  window.SetQuitHandler([quit](bool ask) { return quit(ask, false); });
  window.SetMessageHandler(kQuitRequestMessage, [&window, quit](int64_t param1, int64_t) {
    if (quit(false, param1 == kQuitBySignal)) window.CloseWithoutAsking();
  });

  if (::pipe(signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
      char byte;
      [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
      window.PostMessage(kQuitRequestMessage, kQuitBySignal, 0);
    });
    std::signal(SIGTERM, OnTerminationSignal);
    std::signal(SIGINT, OnTerminationSignal);
  }

  ProcessStartupMessages();
  if (!window.StartTimer()) ShowAlert(MessageText(138), kNoteAlert);
  window.InvalidateMap();
  LogEvent("ready");
  // TOLVANE_SNAPSHOT=FILE.png saves a picture of the whole window once it has painted, for
  // scripts and end-to-end tests that look at what a person would see.
  if (const char* snapshot = std::getenv("TOLVANE_SNAPSHOT"); snapshot != nullptr && snapshot[0]) {
    const QString file = QString::fromUtf8(snapshot);
    QTimer::singleShot(300, &window, [&window, file] {
      if (window.grab().save(file, "PNG")) LogEvent("snapshot " + file.toStdString());
    });
  }

  const int result = app.exec();
  SetIacTransport(nullptr);
  SetMapViewHooks({});
  InstallShell(nullptr);
  InstallPlatform(nullptr);
  ReleaseStartupResources();
  return result;
}

}  // namespace
}  // namespace tlv

int main(int argc, char** argv) {
  return tlv::Run(argc, argv);
}
