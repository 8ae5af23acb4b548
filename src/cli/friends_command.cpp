#include "cli/friends_command.h"

#include <cstring>

#include "base/files.h"
#include "base/headless_platform.h"
#include "base/platform.h"
#include "base/strings.h"
#include "cli/json_text.h"
#include "iac/friend_files.h"
#include "iac/friends.h"
#include "iac/sharing_menus.h"
#include "store/directory_table.h"

namespace tlv::cli {

namespace {

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

std::string ItemsJson(const SharingMenu& menu) {
  std::string json = "[";
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const SharingItem& item = menu.items[i];
    if (i > 0) json += ",";
    if (item.separator) {
      json += JsonObject().Bool("separator", true).Str();
      continue;
    }
    JsonObject entry;
    entry.Text("text", item.text).Number("command", item.command);
    if (item.shortcut != 0) {
      entry.Text("shortcut", std::string(1, item.shortcut));
    } else {
      entry.Null("shortcut");
    }
    json += entry.Str();
  }
  return json + "]";
}

}  // namespace

bool IsFriendsCommand(const std::vector<std::string>& words) {
  return words.size() == 1 && words[0] == "friends";
}

int RunFriendsCommand(int32_t mapsDirID, std::ostream& out, std::ostream& err) {
  std::string mapsPath;
  if (DirectoryPath(mapsDirID, mapsPath) != 0) return 1;
  std::string folder;
  const std::string wanted = mapsPath + MessageText(551) + "/" + MessageText(555) + "/";
  // A maps folder without a Friends folder has no friends.
  if (ResolvePath(wanted, folder) != 0 || !IsFolder(folder)) return 0;
  int32_t folderID = -1;
  if (RegisterDirectory(WithTrailingSlash(folder), true, folderID) != 0 ||
      CreateFriendList() != 0) {
    err << "tolvane-cli: the Friends folder cannot be read\n";
    return 1;
  }
  const size_t alertsBefore = DefaultHeadlessPlatform().alerts.size();
  SetFriendsFolder(0, folderID);
  const int32_t listed = AddFriends(0, folderID);
  for (int32_t i = 0; i < FriendCount(); ++i) {
    FriendRecord record{};
    GetFriend(i, record);
    JsonObject line;
    line.Text("file", FieldText(record.friendFileName, sizeof record.friendFileName))
        .Text("sign", FieldText(record.applicationSignature, sizeof record.applicationSignature))
        .Text("psig", FieldText(record.programSignature, sizeof record.programSignature))
        .Text("name", FieldText(record.name, sizeof record.name))
        .Text("path", FieldText(record.executablePath, sizeof record.executablePath))
        .Text("doc", FieldText(record.document, sizeof record.document));
    const SharingMenu* menu = nullptr;
    for (const SharingMenu& candidate : SharingMenus()) {
      if (record.menuBase != 0 && candidate.base == record.menuBase) menu = &candidate;
    }
    if (menu != nullptr) {
      line.Text("menu", menu->title).Number("base", menu->base).Raw("items", ItemsJson(*menu));
    } else {
      line.Null("menu");
    }
    out << line.Str() << "\n";
  }
  ReleaseFriendList();
  const bool reported = DefaultHeadlessPlatform().alerts.size() != alertsBefore;
  return listed != 0 || reported ? 1 : 0;
}

}  // namespace tlv::cli
