#include "iac/sharing_menus.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <map>
#include <utility>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/layers.h"
#include "edit/selection.h"
#include "iac/friends.h"
#include "iac/iac.h"

namespace tlv {

namespace {

constexpr const char* kCannotFind =
    "TOLVANE can't find %s.\n\nPlease start %s and then try the menu item again.";
constexpr const char* kNoObjectsSelected = "No objects were selected.";
constexpr const char* kZephaOverlay = "ZEPHA";
constexpr const char* kZephaKmlText = "Export ZEPHA Objects to KML";

struct Sibling {
  const char* programSignature;
  const char* applicationSignature;
  const char* name;
};
constexpr Sibling kZepha{"ZPHA", "ZPH5", "ZEPHA"};
constexpr Sibling kDorve{"DVFM", "DVFM", "DORVE"};

struct WaitingCommand {
  int32_t command = 0;
  int16_t value = 0;
  std::string applicationSignature;
};

struct SharingState {
  std::vector<SharingMenu> menus;
  std::vector<SharingShortcut> shortcuts;
  int32_t nextBase = kFirstSharingMenuBase;
  std::map<int32_t, int32_t> mapped;  // built-in command -> sharing item
  WaitingCommand waiting;
  SharingHooks hooks;
};
SharingState state;

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}
bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// Notes which built-in command an item of ZEPHA's or DORVE's menu stands for; the first item
// that fits a command keeps it.
void MapBuiltIn(const std::string& psig, const SharingItem& item) {
  const std::string& t = item.text;
  auto note = [&](int32_t builtIn, bool fits) {
    if (fits && state.mapped.count(builtIn) == 0) state.mapped[builtIn] = item.command;
  };
  if (psig == kZepha.programSignature) {
    note(kZephaSetSource, StartsWith(t, "Set &Source"));
    note(kZephaSetThreat, StartsWith(t, "Set &Conc") || StartsWith(t, "Set &Threat"));
    note(kZephaDelete, Contains(t, "Delete"));
    note(kZephaExportKml, Contains(t, "KML"));
    note(kZephaGoTo, Contains(t, "Go") && Contains(t, "ZEPHA"));
  } else if (psig == kDorve.programSignature) {
    note(kDorveGetInfo, StartsWith(t, "Get &Info"));
    note(kDorveLink, Contains(t, "Link"));
    note(kDorveUnlink, Contains(t, "Unlink"));
    note(kDorveGoTo, Contains(t, "Go") && Contains(t, "DORVE"));
  }
}

void ForgetBuiltIns(const std::string& psig) {
  const int32_t range = psig == kZepha.programSignature   ? 208
                        : psig == kDorve.programSignature ? 209
                                                          : 0;
  for (auto it = state.mapped.begin(); it != state.mapped.end();) {
    it = it->first / 100 == range ? state.mapped.erase(it) : std::next(it);
  }
}

void MenusChanged() {
  if (state.hooks.menusChanged) state.hooks.menusChanged();
}

bool ZephaOverlayHoldsObjects() {
  const int32_t index = LayerNameToIndex(kZephaOverlay);
  LayerRecord record;
  return index >= 0 && GetLayerRecord(index, record) && LayerObjectCount(record.layerID) > 0;
}

bool IsMappedTo(int32_t command, std::initializer_list<int32_t> builtIns) {
  for (const int32_t builtIn : builtIns) {
    if (command == builtIn || command == MappedSharingItem(builtIn)) return true;
  }
  return false;
}

int32_t FriendOfBase(int32_t base) {
  for (int32_t i = 0; i < FriendCount(); ++i) {
    FriendRecord record{};
    if (GetFriend(i, record) && record.menuBase == base) return i;
  }
  return -1;
}

std::string FriendName(const FriendRecord& record) {
  std::string name = FieldText(record.name, sizeof record.name);
  if (name.empty()) name = ApplicationDisplayName(record.programSignature);
  return name;
}

}  // namespace

void SetSharingHooks(SharingHooks hooks) {
  state.hooks = std::move(hooks);
}

const std::vector<SharingMenu>& SharingMenus() {
  return state.menus;
}

const std::vector<SharingShortcut>& SharingShortcuts() {
  return state.shortcuts;
}

int32_t MappedSharingItem(int32_t builtInCommand) {
  const auto it = state.mapped.find(builtInCommand);
  return it == state.mapped.end() ? 0 : it->second;
}

int32_t BuildSharingMenu(int32_t friendIndex, const std::string& name,
                         const std::vector<std::string>& items) {
  FriendRecord record{};
  if (!GetFriend(friendIndex, record)) return -1;
  const std::string sign = FieldText(record.applicationSignature, 4);
  const std::string psig = FieldText(record.programSignature, 4);

  std::erase_if(state.shortcuts, [&](const SharingShortcut& s) {
    return s.applicationSignature == sign && s.programSignature == psig;
  });

  const std::string title = "&" + name;
  size_t place = state.menus.size();
  SharingMenu* menu = nullptr;
  for (size_t i = 0; i < state.menus.size(); ++i) {
    const int order = state.menus[i].title.compare(title);
    if (order == 0) {
      menu = &state.menus[i];
      break;
    }
    if (order > 0) {
      place = i;
      break;
    }
  }
  if (menu == nullptr) {
    if (static_cast<int32_t>(state.menus.size()) >= kMaxSharingMenus) {
      ShowAlert(GetIndString(25000, 64), kStopAlert);
      return -1;
    }
    SharingMenu fresh;
    fresh.title = title;
    fresh.base = state.nextBase;
    state.nextBase += kSharingMenuStep;
    menu = &*state.menus.insert(state.menus.begin() + static_cast<std::ptrdiff_t>(place), fresh);
  }
  menu->items.clear();
  ForgetBuiltIns(psig);

  const size_t count = std::min(items.size(), static_cast<size_t>(kMaxSharingItems));
  for (size_t i = 0; i < count; ++i) {
    const std::string& text = items[i];
    SharingItem item;
    item.command = menu->base + static_cast<int32_t>(i);
    if (!text.empty() && (text[0] == '(' || text[0] == '-')) {
      item.separator = true;
      item.text = text;
      menu->items.push_back(item);
      continue;
    }
    item.text = text;
    if (text.size() > 2 && text[text.size() - 2] == '/') {
      item.shortcut = text.back();
      item.text = text.substr(0, text.size() - 2);
      if (static_cast<int32_t>(state.shortcuts.size()) < kMaxSharingShortcuts) {
        state.shortcuts.push_back({item.shortcut, item.command, sign, psig});
      }
    }
    MapBuiltIn(psig, item);
    menu->items.push_back(item);
  }
  if (psig == kZepha.programSignature && MappedSharingItem(kZephaExportKml) == 0) {
    SharingItem separator;
    separator.separator = true;
    menu->items.push_back(separator);
    SharingItem kml;
    kml.text = kZephaKmlText;
    kml.command = kZephaExportKml;
    menu->items.push_back(kml);
  }
  record.menuBase = menu->base;
  SetFriend(friendIndex, record);
  MenusChanged();
  return 0;
}

bool IsSharingCommand(int32_t command) {
  return command >= kFirstSharingMenuBase &&
         command < kFirstSharingMenuBase + kMaxSharingMenus * kSharingMenuStep;
}

const SharingItem* FindSharingItem(int32_t command) {
  for (const SharingMenu& menu : state.menus) {
    for (const SharingItem& item : menu.items) {
      if (!item.separator && item.command == command) return &item;
    }
  }
  return nullptr;
}

int32_t ChooseSharingItem(int32_t command, int16_t value) {
  const int32_t base = command / kSharingMenuStep * kSharingMenuStep;
  const int32_t index = FriendOfBase(base);
  FriendRecord record{};
  if (index < 0 || !GetFriend(index, record)) {
    ShowAlert(GetIndString(25500, 47), kStopAlert);
    return -1;
  }
  const std::string name = FriendName(record);
  if (IsAppRunning(record.applicationSignature) != 0) {
    const SharingItem* item = FindSharingItem(command);
    const std::string text = item != nullptr ? item->text : "";
    const std::string psig = FieldText(record.programSignature, 4);
    const std::string number =
        FormatText("%hd", static_cast<short>(command % kSharingMenuStep + 1));
    const IACParam params[] = {
        {"YRPS", kIACTextKind, psig.c_str(), 0},
        {"ITEM", kIACTextKind, number.c_str(), 0},
        {"TEXT", kIACTextKind, text.c_str(), 0},
        {"", 0, nullptr, 0},
    };
    SetIACReplyContext("");
    return SendIACMessage("MHIT", params, record.applicationSignature, true, kOwnSignature,
                          kOwnProgramSignature);
  }
  std::string path;
  std::string document;
  LocateApplication(record.programSignature, path, document);
  // LaunchFriend tells the user that the program cannot be found.
  if (path.empty()) return LaunchFriend(index);
  Platform().SetMessageLine(FormatTextV(GetIndString(10000, 20).c_str(), name.c_str()));
  const int32_t launched = LaunchFriend(index);
  if (launched == 0) {
    // The hit goes out once the friend greets (or is found running after a message).
    GetFriend(index, record);
    record.pendingMenuItem = static_cast<uint16_t>(command);
    record.pendingMenuValue = value;
    SetFriend(index, record);
    return 0;
  }
  Platform().SetMessageLine("");
  if (launched != 1) {
    ShowAlert(FormatTextV(GetIndString(10000, 23).c_str(), name.c_str()), kStopAlert);
  }
  return launched;
}

bool IsSiblingCommand(int32_t command) {
  return command / 100 == 208 || command / 100 == 209 || command == kRightClickDorveInfo ||
         command == kDragDorveInfo;
}

int32_t RunSiblingCommand(int32_t command, int16_t value) {
  if (command == kRightClickDorveInfo || command == kDragDorveInfo) {
    if (SelectedObjectCount() == 0) {
      ShowAlert(kNoObjectsSelected, kNoteAlert);
      return -1;
    }
    command = kDorveGetInfo;
  }
  const Sibling& sibling = command / 100 == 208 ? kZepha : kDorve;
  std::string path;
  std::string document;
  LocateApplication(sibling.programSignature, path, document);
  if (path.empty()) {
    ShowAlert(FormatText(kCannotFind, sibling.name, sibling.name), kNoteAlert);
    return 1;
  }
  const int32_t index = FindFriendByPSIG(sibling.programSignature);
  FriendRecord record{};
  if (index >= 0 && GetFriend(index, record) && IsAppRunning(record.applicationSignature) != 0) {
    const int32_t mapped = MappedSharingItem(command);
    if (mapped != 0) return ChooseSharingItem(mapped, value);
    if (command == kZephaExportKml && state.hooks.exportKml) return state.hooks.exportKml();
    // The sibling's menu has no item for this command.
    Platform().Beep();
    return -1;
  }
  state.waiting = {command, value, sibling.applicationSignature};
  Platform().SetMessageLine(FormatTextV(GetIndString(10000, 20).c_str(), sibling.name));
  if (StartApplication(path, document) != 0) {
    state.waiting = WaitingCommand();
    Platform().SetMessageLine("");
    ShowAlert(FormatTextV(GetIndString(10000, 23).c_str(), sibling.name), kStopAlert);
    return -1;
  }
  return 0;
}

bool SharingCommandEnabled(int32_t command) {
  if (IsMappedTo(command, {kZephaDelete, kZephaExportKml})) return ZephaOverlayHoldsObjects();
  if (IsMappedTo(command, {kDorveGetInfo, kDorveLink, kDorveUnlink, kRightClickDorveInfo})) {
    return SelectedObjectCount() > 0;
  }
  return true;
}

void RunWaitingSiblingCommand(const char* applicationSignature) {
  if (state.waiting.command == 0 || applicationSignature == nullptr ||
      state.waiting.applicationSignature != applicationSignature) {
    return;
  }
  const WaitingCommand waiting = state.waiting;
  state.waiting = WaitingCommand();
  RunSiblingCommand(waiting.command, waiting.value);
  Platform().SetMessageLine("");
}

void ResetSharingMenusForTesting() {
  state = SharingState();
}

}  // namespace tlv
