#include "app/startup.h"

#include <clocale>
#include <cstring>
#include <vector>

#include "app/config.h"
#include "app/folders.h"
#include "app/idle.h"
#include "app/messaging.h"
#include "app/preferences.h"
#include "app/shell_services.h"
#include "base/errors.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/display_settings.h"
#include "catalogue/groups.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/views.h"
#include "edit/edit_targets.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "geometry/geo_settings.h"
#include "geometry/wrect.h"
#include "iac/connection_messages.h"
#include "iac/iac.h"
#include "iac/thematic_lists.h"
#include "interchange/import.h"
#include "render/map_view.h"
#include "store/directory_table.h"
#include "tools/basemap_bridge.h"

namespace tlv {

namespace {

constexpr CommandWord kCommandWords[] = {
    {"goto", 9999},
    {"redraw", 9998},
    {"layers_reload", 9997},
    {"download_manager", 9996},
    {"download1", 9995},
    {"download2a", 9994},
    {"download2b", 9993},
    {"download_tiger", 9992},
    {"download_shapefiles", 9991},
    {"import2mapfile", 9990},
    {"getinfo_by_query", 9989},
};

struct StartupState {
  std::string programFolder;
  bool finished = false;
  bool quitting = false;
  bool settingsLoaded = false;
  bool commonInitDone = false;
  bool firstSymbolFont = true;
  bool secondSymbolFont = true;
  char compassLetters[4] = {'N', 'S', 'W', 'E'};
  char decimalPoint = '.';
  uint32_t lastFlashTicks = 0;
  int lastClockMinute = -1;
  bool inIdleStep = false;
};

StartupState state;

void LoadCompassLetters() {
  for (int i = 0; i < 4; ++i) {
    const std::string letter = MessageText(639 + i);
    if (!letter.empty()) state.compassLetters[i] = letter[0];
  }
}

void LoadSettingsAndApply() {
  state.settingsLoaded = LoadSettings(Folders().volume, Folders().settings, ProgramFolderID());
  SetDistanceUnitSetting(static_cast<int16_t>(GetPref(Pref::kDistanceUnit)));
  SetCoordinateFormatSetting(static_cast<int16_t>(GetPref(Pref::kCoordinateFormat)));
  SetScaleDisplayModeSetting(static_cast<int16_t>(GetPref(Pref::kScaleDisplayMode)));
}

}  // namespace

int32_t CommandWordCode(std::string_view commandLine) {
  for (const CommandWord& w : kCommandWords) {
    if (w.code == 9991) {
      // Tools append arguments to this word, so only its beginning is compared.
      if (commandLine.substr(0, 19) == w.word) return w.code;
    } else if (commandLine == w.word) {
      return w.code;
    }
  }
  return 0;
}

bool CommandWordStartsProgram(int32_t code) {
  return code != 0 && code <= 9992;
}

void HandleCommandNotice(int32_t code) {
  switch (code) {
    case 9998:
    case 9992:
    case 9991:
      HandleBasemapCommandWord(code);
      ClearQueuedChanges();
      Shell().InvalidateMap();
      break;
    default:
      HandleBasemapCommandWord(code);
      break;
  }
}

void UseProgramNumberFormat() {
  std::setlocale(LC_NUMERIC, "C");
}

void SetProgramFolderPath(const std::string& path) {
  state.programFolder = path;
}

int32_t CommonInit() {
  ClearFolderTable();
  LoadCompassLetters();
  const std::string decimal = GetIndString(1200, 1);
  state.decimalPoint = decimal.empty() ? '.' : decimal[0];

  if (AllocateMemoryReserve() != 0) return -1;

  std::string folder = state.programFolder;
  if (folder.empty()) folder = "./";
  if (folder == "/") {
    // The top of the tree is no place for the program's files.
    ShowAlert(MessageText(43), kStopAlert);
    return -1;
  }
  int32_t err = SetProgramFolder(folder);
  if (err != 0) {
    ReportError("CommonInit()", "hgetvol()", err);
    return err;
  }

  int16_t volume = 0;
  int32_t mapsID = -1;
  err = LocateMapsFolder(volume, mapsID);
  if (err != 0) return err;
  MutableFolders().volume = volume;
  MutableFolders().maps = mapsID;

  LoadSettingsAndApply();
  state.commonInitDone = true;
  return 0;
}

int32_t CommonInit2() {
  const int16_t volume = Folders().volume;
  ReadConfigFile(volume, ProgramFolderID(), "MPCONFIG.TXT");

  int32_t err = ScanAndCreateFolders();
  if (err != 0) return err;

  ReadConfigFile(volume, ProgramFolderID(), "MPCONFIG.TXT");
  ReadConfigFile(volume, Folders().settings, "MPCONFIG.TXT");

  // The import reads the flag from here on; tolvane-cli, which reads no configuration, keeps the
  // recognition on.
  SetImportCharacterSetRecognition(Config().useAutomaticCharacterSetRecognition != 0);

  if (Config().useBonusMenu) Shell().AppendBonusMenu();
  if (Config().fileFixMenu) Shell().AppendFileFixMenu();

  LoadSettingsAndApply();
  return StartMessaging();
}

int32_t FinishStartup() {
  Platform().SetWaitCursor(true);
  const FolderTable& folders = Folders();
  // Siblings are greeted before the overlays load, so their answers wait in the queue meanwhile.
  if (GreetAtStartup(folders.volume, folders.friends) != 0) return -1;
  SetCatalogueFolders(
      {folders.volume, folders.settings, ProgramFolderID(), folders.overlayMaps, folders.userMap});
  SetViewFolders(folders.volume, folders.views, ProgramViewsFolderID());
  if (LoadLayers() != 0 || LoadMaps() != 0) return -1;
  if (Config().dlgz) {
    int32_t deleted = 0;
    DeleteEmptyLayersAndGroups(deleted);
  }
  Platform().SetMessageLine("");
  Platform().SetWaitCursor(true);
  // Without a saved settings file the defaults stand, and they hold the default Home view.
  if (Config().unlockTemporaryLayer) UnlockTemporaryLayer();
  AnyLayerUnlocked();
  std::string mapsPath;
  DirectoryPath(folders.maps, mapsPath);
  SetBasemapFolders(ProgramFolderPath(), mapsPath, Config().useQuickTime != 0);
  return StartBasemapBridge();
}

void CompleteStartup(bool firstSymbolFontInstalled, bool secondSymbolFontInstalled) {
  state.finished = true;
  state.firstSymbolFont = firstSymbolFontInstalled;
  state.secondSymbolFont = secondSymbolFontInstalled;
  if (!firstSymbolFontInstalled) ShowAlert(MessageText(135), kCautionAlert);
  if (!secondSymbolFontInstalled) ShowAlert(MessageText(134), kCautionAlert);
  if (!state.settingsLoaded) FitHomeViewToMaps();
  GoToHomeView();
  Platform().SetWaitCursor(false);
}

void FitHomeViewToMaps() {
  WRect all = kUnionStartRect;
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    if (!GetMapRecord(m, map) || !map.inUse) continue;
    for (int32_t f = 0; f < map.overlayFileCount; ++f) {
      OverlayFileRecord file;
      if (!GetOverlayFileRecord(m, f, file) || file.objectCount <= 0) continue;
      if (file.bounds.x1 > file.bounds.x2 || file.bounds.y1 > file.bounds.y2) continue;
      UnionWRect(all, file.bounds);
    }
  }
  if (all.x1 >= all.x2 || all.y1 >= all.y2) return;
  if (FitWorldRect(all) != 0) return;
  ViewRecord home = HomeView();
  home.rect = all;
  home.scale = CurrentMapView().scale;
  SetHomeView(home);
}

void GoToHomeView() {
  const ViewRecord home = HomeView();
  const WRect& r = home.rect;
  if (r.x1 >= r.x2 || r.y1 >= r.y2) return;
  if (home.scale > 0) {
    CentreViewOn(home.scale, static_cast<int32_t>((int64_t{r.x1} + r.x2) / 2),
                 static_cast<int32_t>((int64_t{r.y1} + r.y2) / 2));
  } else {
    FitWorldRect(r);
  }
}

void IdleStep() {
  if (state.inIdleStep) return;
  state.inIdleStep = true;
  // Files stay open only for the length of a command or a read-only pass.
  if (ReadOnlyNesting() == 0) CloseBufferedFiles();
  RunIdleWork(Shell().InForeground());
  Platform().SetWaitCursor(QueuedChangeCount() > 0);
  Shell().UpdateMenus();
  state.inIdleStep = false;
}

void TimerTick() {
  if (state.quitting || Shell().ModalOperationRunning()) return;
  MessagingTimerStep();
  if (!Shell().MainWindowActive()) return;
  IdleStep();
  const uint32_t ticks = Platform().TickCount();
  if (ticks - state.lastFlashTicks > 60) {
    state.lastFlashTicks = ticks;
    if (GetPref(Pref::kFlashClickPoint)) Shell().FlashClickPoint();
  }
  const int minute = Platform().CurrentLocalTime().minute;
  if (minute != state.lastClockMinute) {
    state.lastClockMinute = minute;
    Shell().RepaintClock();
  }
}

bool ConfirmQuit(bool ask, bool terminationSignal) {
  // A termination signal comes from the system or the session ending: nobody is there to answer,
  // and a modal question would hold the program until it is killed. It takes "Save", which
  // loses nothing.
  if (terminationSignal) return true;
  int32_t temporaryObjects = 0;
  CountTemporaryObjectsOnUserMap(temporaryObjects);
  if (temporaryObjects > 0) {
    Question saveQuestion;
    saveQuestion.title = "Save Temporary Objects?";
    saveQuestion.text =
        "There are objects on the Temporary Overlay.\r\n\r\nDo you want to save these objects?";
    saveQuestion.buttons = {"Save", "Delete", "Cancel"};
    saveQuestion.defaultButton = 0;
    saveQuestion.cancelButton = 2;
    const int answer = Platform().Ask(saveQuestion);
    if (answer == 1) DeleteTemporaryObjectsOnUserMap();
    return answer == 0 || answer == 1;
  }
  if (!ask) return true;
  Question exitQuestion;
  exitQuestion.title = "Exit?";
  exitQuestion.text = "This will end your TOLVANE session.";
  exitQuestion.buttons = {"OK", "Cancel"};
  exitQuestion.defaultButton = 0;
  exitQuestion.cancelButton = 1;
  return Platform().Ask(exitQuestion) == 0;
}

void ShutDown() {
  state.quitting = true;
  DeleteObjectsAtQuit();
  if (HomeView().scale == 0) {
    // A Home view of scale 0 means "start where the last run ended".
    ViewRecord home = HomeView();
    home.rect = ViewWorldRect();
    SetHomeView(home);
  }
  if (state.commonInitDone && Folders().settings >= 0) {
    FlushBufferedFiles();
    SaveSettings(Folders().volume, Folders().settings);
    if (LayersLoaded()) SaveLayers();
  }
  Platform().SetWaitCursor(false);
  CloseBufferedFiles();
  ReleaseCatalogue();
  Shell().RemoveExtraMenus();
  Shell().CloseBasemapWindows();
  // The lists siblings set end with the run; their files go with them.
  DropThematicListsOf(-1);
  FarewellAtShutdown();
}

void ReleaseStartupResources() {
  ReleaseDirectoryTable();
  ReleaseWindowsHandles();
}

bool StartupFinished() {
  return state.finished;
}
bool Quitting() {
  return state.quitting;
}
void SetQuitting() {
  state.quitting = true;
}

void ResetStartupForTesting() {
  state = StartupState();
  ReleaseCatalogue();
  ResetConfigForTesting();
  ResetIdleWorkForTesting();
  ClearFolderTable();
  SetDefaultPreferences();
}

}  // namespace tlv
