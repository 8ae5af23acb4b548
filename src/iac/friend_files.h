// The friend files of the "Friends" folder: a ".VWR" file per sibling program that ever greeted
// this one (signatures, name, executable, document) and a ".MNU" file per sharing menu it handed
// over. They rebuild the friend list and the sharing menus at every start.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tlv {

// A ".VWR" file of this size or more is not a friend file and is passed over.
constexpr int32_t kFriendFileLimit = 1000;
// A ".MNU" file holds up to 1,024 characters of items behind its three header lines, which passes
// the ".VWR" limit: a menu just written must still read back.
constexpr int32_t kMenuFileLimit = 2048;
constexpr int32_t kFriendNameRoom = 31;
constexpr int32_t kFriendPathRoom = 255;

// What a friend file holds, as read or to be written.
struct FriendFile {
  std::string applicationSignature;
  std::string programSignature;
  std::string name;
  std::string executablePath;      // ".VWR" only
  std::string document;            // ".VWR" only
  std::vector<std::string> items;  // ".MNU" only, in order, as received
};

// The folder the friend files live in; start-up sets it (the folder table's "Friends").
void SetFriendsFolder(int16_t volume, int32_t folderID);
int32_t FriendsFolderID();

// The file name for a friend's name: cut to 31 - (extension + 1) characters, every character
// other than a letter, a digit or ! # $ % & ' ( ) - @ ^ _ ` { } ~ replaced by "_", then "." and
// the extension. No name can reach another folder.
std::string FriendFileName(std::string_view name, std::string_view extension);

// The file's bytes as the two kinds, or kErrBadLength for a file that is short (a line missing),
// holds a NUL, or passes its size limit.
int32_t ParseViewerFile(std::string_view bytes, FriendFile& file);
int32_t ParseMenuFile(std::string_view bytes, FriendFile& file);
// The text of each kind, lines ended CR LF; a menu file keeps its items as "ITMS" carried them.
std::string ViewerFileText(const FriendFile& file);
std::string MenuFileText(const FriendFile& file, std::string_view itemText);
// The item texts of an "ITMS" value or a ".MNU" file: separated by CR, LF skipped; nothing after
// the last CR is an item only when it is not empty.
std::vector<std::string> SplitMenuItems(std::string_view items);

// Replaces the file whole through a work file beside it, so a reader never sees half of one.
int32_t WriteFriendFile(int16_t volume, int32_t folderID, const std::string& fileName,
                        const std::string& text);

// Reads every ".VWR" file of the folder, then every ".MNU" file; a file that cannot be read is
// reported and the next one read. Non-zero only when the folder cannot be listed (reported as
// "AddFriends()", "ForEachItemInFolder()").
int32_t AddFriends(int16_t volume, int32_t folderID);
// Reads one file into the friend of its two signatures, appending a new friend when there is
// none. 0, or the error after its report.
int32_t AddFriendFromVWR(int16_t volume, int32_t folderID, const std::string& fileName);
int32_t AddFriendFromMNU(int16_t volume, int32_t folderID, const std::string& fileName);
// The index of the friend with both signatures; a new empty friend when there is none.
int32_t AddFriend(const std::string& applicationSignature, const std::string& programSignature,
                  int32_t& index);

// The greeting's record of its sender ("HOLA", "OKHI", "MENU"): writes its ".VWR" file, reads it
// back into the friend list and marks the friend greeted. 0, or the error after its report.
int32_t SaveRunningFriendViewer(const char* envelope);
// The sharing menu of "MENU", after the greeting's record: writes the ".MNU" file and builds the
// menu from it.
int32_t SaveRunningFriendMenu(const char* envelope);

void ResetFriendFilesForTesting();

}  // namespace tlv
