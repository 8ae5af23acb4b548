#include "app/folders.h"

#include <cstdlib>
#include <cstring>

#include "base/collate.h"
#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

FolderTable folders;
int32_t programFolderID = -1;
std::string programFolderPath;

constexpr const char* kMapsFolderName = "TolvaneMaps";
constexpr int32_t kUserFolderFileLimit = 260;
constexpr int32_t kNameDotMapSize = 56;
constexpr int kViewsFolderName = 552;

std::string ParentFolder(const std::string& folderPath) {
  std::string path = folderPath;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

// A folder counts as a maps folder when it holds BasemapFiles/Settings/global.map.
bool HoldsGlobalMap(const std::string& folderPath) {
  std::string resolved;
  return ResolvePath(WithTrailingSlash(folderPath) + "BasemapFiles/Settings/global.map",
                     resolved) == 0 &&
         FileExists(resolved);
}

// The first line of userfolder.txt, or empty when there is none.
std::string UserFolderCandidate() {
  char buffer[kUserFolderFileLimit + 1];
  int32_t length = kUserFolderFileLimit + 1;
  if (ReadFileContents(0, programFolderID, "userfolder.txt", buffer, length, nullptr, true) != 0) {
    return std::string();
  }
  std::string line(buffer, static_cast<size_t>(length));
  const size_t end = line.find("\r\n");
  if (end != std::string::npos) line.resize(end);
  // A bare line feed ends the line too when the file was written on this platform by hand.
  const size_t lf = line.find('\n');
  if (lf != std::string::npos) line.resize(lf);
  return line;
}

int32_t WriteUserFolderFile(const std::string& chosenPath) {
  const auto length = static_cast<int32_t>(chosenPath.size());
  if (WriteFileContents(0, programFolderID, "userfolder.txt", FourCharCode("TLV1"),
                        FourCharCode("TEXT"), length, chosenPath.c_str()) == 0) {
    return 0;
  }
  const std::string fallback = WithTrailingSlash(ApplicationDataFolder()) + "TOLVANE/";
  if (!IsFolder(fallback)) {
    const std::string base = WithTrailingSlash(ApplicationDataFolder());
    if (!IsFolder(base)) {
      std::string partial;
      for (size_t i = 1; i < base.size(); ++i) {
        if (base[i] == '/') {
          partial = base.substr(0, i);
          if (!IsFolder(partial)) MakeFolder(partial);
        }
      }
    }
    MakeFolder(fallback);
  }
  int32_t fallbackID = -1;
  if (RegisterDirectory(fallback, true, fallbackID) != 0) return -1;
  return WriteFileContents(0, fallbackID, "userfolder.txt", FourCharCode("TLV1"),
                           FourCharCode("TEXT"), length, chosenPath.c_str());
}

}  // namespace

const FolderTable& Folders() {
  return folders;
}
FolderTable& MutableFolders() {
  return folders;
}
void ClearFolderTable() {
  folders = FolderTable();
}

int32_t ProgramFolderID() {
  return programFolderID;
}
const std::string& ProgramFolderPath() {
  return programFolderPath;
}

int32_t ProgramViewsFolderID() {
  if (programFolderPath.empty()) return -1;
  const std::string views = programFolderPath + MessageText(kViewsFolderName) + "/";
  int32_t dirID = -1;
  if (!IsFolder(views) || RegisterDirectory(views, true, dirID) != 0) return -1;
  return dirID;
}

int32_t SetProgramFolder(const std::string& path) {
  programFolderPath = WithTrailingSlash(path);
  return RegisterDirectory(programFolderPath, true, programFolderID);
}

std::string ApplicationDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] != '\0') {
    return xdg;
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share";
}

int32_t LocateMapsFolder(int16_t& volume, int32_t& dirID) {
  volume = 0;
  dirID = -1;
  const std::string candidates[] = {
      programFolderPath + kMapsFolderName + "/",
      ParentFolder(programFolderPath) + kMapsFolderName + "/",
      programFolderPath,
      UserFolderCandidate(),
  };
  int32_t counted = 0;
  int32_t chosenID = -1;
  std::string chosenPath;
  for (int i = 0; i < 4; ++i) {
    const std::string& candidate = candidates[i];
    if (candidate.empty() || !HoldsGlobalMap(candidate)) continue;
    std::string resolved;
    if (ResolvePath(candidate, resolved) != 0) continue;
    int32_t id = -1;
    if (RegisterDirectory(WithTrailingSlash(resolved), true, id) != 0) continue;
    // userfolder.txt naming a folder already found is not a second maps folder.
    if (i == 3 && counted > 0 && id == chosenID) continue;
    if (counted == 0) {
      chosenID = id;
      DirectoryPath(id, chosenPath);
    }
    ++counted;
  }
  if (counted == 0) {
    ShowAlert(GetIndString(10000, 31), kStopAlert);
    return -1;
  }
  if (counted > 1) {
    ShowAlert(FormatTextV(GetIndString(10000, 30).c_str(), chosenPath.c_str()), kNoteAlert);
  }
  if (WriteUserFolderFile(chosenPath) != 0) {
    ShowAlert("Unable to write userfolder.txt file", kStopAlert);
    return -1;
  }
  volume = 0;
  dirID = chosenID;
  return 0;
}

int32_t AddFolderIfMissing(int16_t volume, int32_t parentID, const char* name, int32_t& dirID) {
  std::string parent;
  int32_t err = DirectoryPath(parentID, parent);
  if (err == 0) {
    std::string path = parent + name + "/";
    std::string resolved;
    if (ResolvePath(path, resolved) == 0 && IsFolder(resolved)) {
      path = WithTrailingSlash(resolved);
    } else {
      err = MakeFolder(path);
    }
    if (err == 0) err = RegisterDirectory(path, true, dirID);
  }
  (void)volume;
  if (err != 0) ReportError("AddFolderIfMissing()", "MakeFolder()", err);
  return err;
}

int32_t AddUserMapFolderIfMissing(int32_t& dirID) {
  int32_t err =
      AddFolderIfMissing(folders.volume, folders.overlayMaps, MessageText(554).c_str(), dirID);
  if (err != 0) return err;
  return AddUserMapNameDotMapIfMissing(dirID);
}

int32_t AddUserMapNameDotMapIfMissing(int32_t dirID) {
  std::string folder;
  int32_t err = DirectoryPath(dirID, folder);
  if (err != 0) return err;
  // Any spelling of the name counts, and so does a CD file system's "NAME.MAP;1".
  std::string existing;
  if (ResolvePath(folder + "NAME.MAP", existing) == 0 ||
      ResolvePath(folder + "NAME.MAP;1", existing) == 0) {
    return 0;
  }
  char nameDotMap[kNameDotMapSize] = {};
  const std::string mapName = MessageText(500) + MessageText(501);
  std::strncpy(nameDotMap, mapName.c_str(), 41);
  std::memcpy(nameDotMap + 46, "00000", 5);
  err = WriteFileContents(folders.volume, dirID, "NAME.MAP", FourCharCode("TLV1"),
                          FourCharCode(".MAP"), kNameDotMapSize, nameDotMap);
  if (err != 0) ReportError("AddUserMapFolderIfMissing()", "WriteFileContents()", err);
  return err;
}

int32_t ScanAndCreateFolders() {
  struct Wanted {
    int32_t FolderTable::*slot;
    int message;
  };
  auto scan = [](int32_t parentID, std::initializer_list<Wanted> wanted) -> int32_t {
    const int32_t err = ForEachItemInFolder(
        folders.volume, parentID, std::string(),
        [&wanted](int16_t, int32_t dirID, const std::string& fullPath, bool isFolder) -> int32_t {
          if (!isFolder) return 0;
          std::string name = fullPath;
          while (!name.empty() && name.back() == '/') name.pop_back();
          name = name.substr(name.rfind('/') + 1);
          for (const Wanted& w : wanted) {
            if (CollateEqual(name, MessageText(w.message))) folders.*w.slot = dirID;
          }
          return 0;
        });
    if (err != 0) ReportError("CommonInit2()", "ForEachItemInFolder()", err);
    return err;
  };
  auto create = [](int32_t parentID, int32_t FolderTable::*slot, int message) -> int32_t {
    if (folders.*slot >= 0) return 0;
    return AddFolderIfMissing(folders.volume, parentID, MessageText(message).c_str(),
                              folders.*slot);
  };
  int32_t err =
      scan(folders.maps, {{&FolderTable::settings, 551}, {&FolderTable::overlayMaps, 560}});
  if (err == 0) err = create(folders.maps, &FolderTable::settings, 551);
  if (err == 0) err = create(folders.maps, &FolderTable::overlayMaps, 560);
  if (err == 0) {
    err = scan(
        folders.settings,
        {{&FolderTable::views, 552}, {&FolderTable::searches, 553}, {&FolderTable::friends, 555}});
  }
  if (err == 0) err = create(folders.settings, &FolderTable::views, 552);
  if (err == 0) err = create(folders.settings, &FolderTable::searches, 553);
  if (err == 0) err = create(folders.settings, &FolderTable::friends, 555);
  if (err == 0) err = scan(folders.overlayMaps, {{&FolderTable::userMap, 554}});
  if (err == 0 && folders.userMap < 0) {
    err = AddUserMapFolderIfMissing(folders.userMap);
  } else if (err == 0) {
    // A UserMap folder without its NAME.MAP is no map at all: without this every later start
    // would run without a User's Map.
    err = AddUserMapNameDotMapIfMissing(folders.userMap);
  }
  return err;
}

}  // namespace tlv
