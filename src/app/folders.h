// The folder table: the user's maps folder and the folders inside it, found or made at start-up
// and read-only afterwards.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

struct FolderTable {
  int16_t volume = 0;
  int32_t maps = -1;
  int32_t settings = -1;
  int32_t overlayMaps = -1;
  int32_t views = -1;
  int32_t searches = -1;
  int32_t userMap = -1;
  int32_t friends = -1;
};

const FolderTable& Folders();
FolderTable& MutableFolders();
void ClearFolderTable();

// The program folder: where the executable, MPCONFIG.TXT and userfolder.txt live.
int32_t ProgramFolderID();
const std::string& ProgramFolderPath();
// The program folder's "Views" folder, whose views are read but never written; -1 when absent.
int32_t ProgramViewsFolderID();
// Registers the folder path (a trailing "/" is added) as the program folder.
int32_t SetProgramFolder(const std::string& path);

// The folder for userfolder.txt when the program folder cannot take it: TOLVANE under the
// user's application-data folder ($XDG_DATA_HOME, else ~/.local/share).
std::string ApplicationDataFolder();

// Finds the maps folder among the four candidates; 0 or -1 (after its alert).
int32_t LocateMapsFolder(int16_t& volume, int32_t& dirID);
// The directory ID of the named folder inside parentID, creating it when missing.
int32_t AddFolderIfMissing(int16_t volume, int32_t parentID, const char* name, int32_t& dirID);
// Creates UserMap in OverlayMaps with its NAME.MAP.
int32_t AddUserMapFolderIfMissing(int32_t& dirID);
// Writes the User's Map's NAME.MAP into the UserMap folder when it has none.
int32_t AddUserMapNameDotMapIfMissing(int32_t dirID);
// Scans the maps folder, Settings and OverlayMaps and creates what is missing.
int32_t ScanAndCreateFolders();

}  // namespace tlv
