#include "iac/friend_files.h"

#include <algorithm>
#include <cstring>

#include "base/collate.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/strings.h"
#include "iac/friends.h"
#include "iac/iac.h"
#include "iac/sharing_menus.h"
#include "store/directory_table.h"

namespace tlv {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kWorkFileSuffix = ".new";

struct FriendFilesState {
  int16_t volume = 0;
  int32_t folderID = -1;
};
FriendFilesState state;

template <size_t N>
void PutField(char (&field)[N], std::string_view text) {
  const size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  std::memset(field + length, 0, N - length);
}

bool KeepsInName(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != '\0';
}

// Takes the next line ended by CR LF off the text; false when there is no CR LF left.
bool TakeLine(std::string_view& text, std::string_view& line) {
  const size_t end = text.find(kLineEnd);
  if (end == std::string_view::npos) return false;
  line = text.substr(0, end);
  text.remove_prefix(end + 2);
  return true;
}

// The first lines of a friend file, which both kinds share: two signatures and the name.
int32_t ParseHeader(std::string_view& text, int32_t limit, FriendFile& file) {
  if (text.size() >= static_cast<size_t>(limit)) return kErrBadLength;
  if (text.find('\0') != std::string_view::npos) return kErrBadLength;
  std::string_view sign, psig, name;
  if (!TakeLine(text, sign) || !TakeLine(text, psig) || !TakeLine(text, name)) return kErrBadLength;
  // A signature shorter than four characters is no address.
  if (sign.size() < 4 || psig.size() < 4) return kErrBadLength;
  file.applicationSignature = std::string(sign.substr(0, 4));
  file.programSignature = std::string(psig.substr(0, 4));
  file.name = std::string(name.substr(0, kFriendNameRoom));
  return 0;
}

bool HoldsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

int32_t ReadFriendFile(const char* callerName, int16_t volume, int32_t folderID,
                       const std::string& fileName, std::string& bytes) {
  std::string path;
  int32_t err = MakeFullPath(volume, folderID, fileName, path);
  std::string resolved;
  if (err == 0) err = ResolvePath(path, resolved);
  PlatformFile file;
  if (err == 0) err = OpenFile(resolved, FileAccess::kRead, file);
  int32_t length = 0;
  if (err == 0) err = file.GetLength(length);
  if (err != 0) {
    ReportError(callerName, "MyGetFileSize()", err);
    return err;
  }
  bytes.assign(static_cast<size_t>(length), '\0');
  int32_t got = 0;
  err = file.Read(0, length, bytes.data(), got);
  if (err == 0 && got != length) err = kErrEndOfFile;
  if (err != 0) {
    ReportFileContentsError(callerName, err, volume, folderID, fileName.c_str());
    return err;
  }
  return 0;
}

bool HasExtension(const std::string& name, std::string_view extension) {
  return name.size() > extension.size() &&
         CollateEqual(std::string_view(name).substr(name.size() - extension.size()), extension);
}

int32_t ReadParam(const char* envelope, const char* keyword, int32_t limit, bool required,
                  std::string& value) {
  std::string buffer(static_cast<size_t>(limit) + 1, '\0');
  const int32_t err = GetIACParam(envelope, keyword, buffer.data(), limit, required);
  value = buffer.c_str();
  return required ? err : 0;
}

}  // namespace

void SetFriendsFolder(int16_t volume, int32_t folderID) {
  state.volume = volume;
  state.folderID = folderID;
}

int32_t FriendsFolderID() {
  return state.folderID;
}

std::string FriendFileName(std::string_view name, std::string_view extension) {
  const size_t room = static_cast<size_t>(kFriendNameRoom) - (extension.size() + 1);
  std::string fileName(name.substr(0, std::min(name.size(), room)));
  for (char& c : fileName) {
    if (!KeepsInName(static_cast<unsigned char>(c))) c = '_';
  }
  fileName += '.';
  fileName += extension;
  return fileName;
}

int32_t ParseViewerFile(std::string_view bytes, FriendFile& file) {
  std::string_view text = bytes;
  if (const int32_t err = ParseHeader(text, kFriendFileLimit, file); err != 0) return err;
  std::string_view path;
  if (!TakeLine(text, path)) return kErrBadLength;
  file.executablePath = std::string(path.substr(0, kFriendPathRoom));
  // The document is the last line; a file whose last line end was lost still names it.
  std::string_view document;
  if (!TakeLine(text, document)) document = text;
  file.document = std::string(document.substr(0, kFriendPathRoom));
  return 0;
}

int32_t ParseMenuFile(std::string_view bytes, FriendFile& file) {
  std::string_view text = bytes;
  if (const int32_t err = ParseHeader(text, kMenuFileLimit, file); err != 0) return err;
  // The items are one line whose items are separated by CR: only the last CR LF ends it.
  if (text.size() < 2 || text.substr(text.size() - 2) != kLineEnd) return kErrBadLength;
  file.items = SplitMenuItems(text.substr(0, text.size() - 2));
  return 0;
}

std::string ViewerFileText(const FriendFile& file) {
  std::string text;
  for (const std::string* line : {&file.applicationSignature, &file.programSignature, &file.name,
                                  &file.executablePath, &file.document}) {
    text += *line;
    text += kLineEnd;
  }
  return text;
}

std::string MenuFileText(const FriendFile& file, std::string_view itemText) {
  std::string text;
  for (const std::string* line : {&file.applicationSignature, &file.programSignature, &file.name}) {
    text += *line;
    text += kLineEnd;
  }
  text += itemText;
  text += kLineEnd;
  return text;
}

std::vector<std::string> SplitMenuItems(std::string_view items) {
  std::vector<std::string> result;
  std::string current;
  for (const char c : items) {
    if (c == '\n') continue;
    if (c == '\r') {
      result.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) result.push_back(current);
  return result;
}

int32_t WriteFriendFile(int16_t volume, int32_t folderID, const std::string& fileName,
                        const std::string& text) {
  std::string path;
  if (const int32_t err = MakeFullPath(volume, folderID, fileName, path); err != 0) return err;
  const std::string work = path + kWorkFileSuffix;
  DeleteFile(work);
  int32_t err = CreateFile(work);
  if (err != 0) return err;
  {
    PlatformFile file;
    err = OpenFile(work, FileAccess::kReadWrite, file);
    if (err == 0) err = file.Write(0, static_cast<int32_t>(text.size()), text.data());
    if (err == 0) err = file.Sync();
    if (err == 0) err = file.Close();
  }
  // A file that differs from the new name only in case would otherwise stay beside it.
  std::string existing;
  if (err == 0 && ResolvePath(path, existing) == 0 && existing != path) DeleteFile(existing);
  if (err == 0) err = RenameFile(work, path);
  if (err == 0) err = SyncFolder(FolderOfPath(path));
  if (err != 0) DeleteFile(work);
  return err;
}

int32_t AddFriends(int16_t volume, int32_t folderID) {
  std::string folderPath;
  std::vector<FolderEntry> entries;
  int32_t err = DirectoryPath(folderID, folderPath);
  if (err == 0) err = ListFolder(folderPath, entries);
  if (err != 0) {
    ReportError("AddFriends()", "ForEachItemInFolder()", err);
    return err;
  }
  // Viewers first: a menu file joins the friend its viewer file made.
  for (const FolderEntry& entry : entries) {
    if (!entry.isFolder && HasExtension(entry.name, ".VWR")) {
      AddFriendFromVWR(volume, folderID, entry.name);
    }
  }
  for (const FolderEntry& entry : entries) {
    if (!entry.isFolder && HasExtension(entry.name, ".MNU")) {
      AddFriendFromMNU(volume, folderID, entry.name);
    }
  }
  return 0;
}

int32_t AddFriend(const std::string& applicationSignature, const std::string& programSignature,
                  int32_t& index) {
  const int32_t count = FriendCount();
  for (int32_t i = 0; i < count; ++i) {
    FriendRecord record{};
    GetFriend(i, record);
    if (std::strncmp(record.applicationSignature, applicationSignature.c_str(), 8) == 0 &&
        std::strncmp(record.programSignature, programSignature.c_str(), 8) == 0) {
      index = i;
      return 0;
    }
  }
  if (AppendFriend(MakeFriendRecord(applicationSignature, programSignature, "")) != 0) {
    ReportError("AddFriend()", "MySetHandleSize()", kErrMemoryFull);
    return -1;
  }
  index = count;
  return 0;
}

namespace {

// Reads a friend file, parses it with parse and adds (or finds) its friend: index receives the
// friend's place. Failures are reported under the caller's name.
int32_t ReadFriendFileAndAdd(const char* caller, int16_t volume, int32_t folderID,
                             const std::string& fileName,
                             int32_t (*parse)(std::string_view, FriendFile&), FriendFile& file,
                             int32_t& index) {
  std::string bytes;
  if (const int32_t err = ReadFriendFile(caller, volume, folderID, fileName, bytes); err != 0) {
    return err;
  }
  if (const int32_t err = parse(bytes, file); err != 0) {
    ReportFileContentsError(caller, err, volume, folderID, fileName.c_str());
    return err;
  }
  return AddFriend(file.applicationSignature, file.programSignature, index);
}

}  // namespace

int32_t AddFriendFromVWR(int16_t volume, int32_t folderID, const std::string& fileName) {
  FriendFile file;
  int32_t index = -1;
  if (const int32_t err = ReadFriendFileAndAdd("AddFriendFromVWR()", volume, folderID, fileName,
                                               ParseViewerFile, file, index);
      err != 0) {
    return err;
  }
  FriendRecord record{};
  GetFriend(index, record);
  PutField(record.name, file.name);
  PutField(record.executablePath, file.executablePath);
  PutField(record.document, file.document);
  record.friendFileVolume = volume;
  record.friendFileFolder = folderID;
  PutField(record.friendFileName, fileName);
  SetFriend(index, record);
  return 0;
}

int32_t AddFriendFromMNU(int16_t volume, int32_t folderID, const std::string& fileName) {
  FriendFile file;
  int32_t index = -1;
  if (const int32_t err = ReadFriendFileAndAdd("AddFriendFromMNU()", volume, folderID, fileName,
                                               ParseMenuFile, file, index);
      err != 0) {
    return err;
  }
  FriendRecord record{};
  GetFriend(index, record);
  PutField(record.name, file.name);
  SetFriend(index, record);
  return BuildSharingMenu(index, file.name, file.items);
}

int32_t SaveRunningFriendViewer(const char* envelope) {
  FriendFile file;
  if (ReadParam(envelope, "PSIG", 4, true, file.programSignature) != 0 ||
      ReadParam(envelope, "NAME", kFriendNameRoom, true, file.name) != 0 ||
      ReadParam(envelope, "PATH", kFriendPathRoom, true, file.executablePath) != 0) {
    return -1;
  }
  ReadParam(envelope, "DOC ", kFriendPathRoom, false, file.document);
  file.applicationSignature = IACSenderSignature();
  // A line break inside a value would shift the lines after it: a name could plant another
  // executable path, which the program later starts.
  int32_t err = 0;
  for (const std::string* value : {&file.applicationSignature, &file.programSignature, &file.name,
                                   &file.executablePath, &file.document}) {
    if (HoldsLineBreak(*value)) err = kErrBadName;
  }
  const std::string fileName = FriendFileName(file.name, "VWR");
  if (err == 0) err = WriteFriendFile(state.volume, state.folderID, fileName, ViewerFileText(file));
  if (err != 0) {
    ShowAlert(GetIndString(25500, 48), kStopAlert);
    return err;
  }
  AddFriendFromVWR(state.volume, state.folderID, fileName);
  const int32_t index = FindFriendByPSIG(file.programSignature.c_str());
  FriendRecord record{};
  if (index < 0 || !GetFriend(index, record)) {
    ShowAlert(GetIndString(25500, 49), kStopAlert);
    return -1;
  }
  record.greeted = 1;
  SetFriend(index, record);
  return 0;
}

int32_t SaveRunningFriendMenu(const char* envelope) {
  FriendFile file;
  std::string items;
  if (ReadParam(envelope, "PSIG", 4, true, file.programSignature) != 0 ||
      ReadParam(envelope, "NAME", kFriendNameRoom - 1, true, file.name) != 0 ||
      ReadParam(envelope, "ITMS", 1024, true, items) != 0) {
    return -1;
  }
  file.applicationSignature = IACSenderSignature();
  int32_t err = 0;
  for (const std::string* value :
       {&file.applicationSignature, &file.programSignature, &file.name}) {
    if (HoldsLineBreak(*value)) err = kErrBadName;
  }
  const std::string fileName = FriendFileName(file.name, "MNU");
  if (err == 0)
    err = WriteFriendFile(state.volume, state.folderID, fileName, MenuFileText(file, items));
  if (err != 0) {
    ShowAlert(GetIndString(25500, 46), kStopAlert);
    return err;
  }
  return AddFriendFromMNU(state.volume, state.folderID, fileName);
}

void ResetFriendFilesForTesting() {
  state = FriendFilesState();
}

}  // namespace tlv
