// Saved views: a named world rectangle and scale, one 134-byte big-endian ".VEW" file per view
// with a ".BTS" thumbnail (a packed bitmap) beside it. Views are read from two folders: the
// user's (Settings/Views, where new views are saved) and the program's "Views" folder, which is
// only read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/world_types.h"

namespace tlv {

constexpr int32_t kViewFileSize = 134;
constexpr int32_t kViewNameRoom = 31;
// The longest name of a view file before its digit and ".VEW".
constexpr int32_t kViewFileBaseRoom = 26;

// A saved view in memory: a world rectangle and a scale, with its name and where its file is.
struct ViewRecord {
  char name[32] = {};
  char mapName[42] = {};
  WRect rect = {0, 0, 0, 0};
  // -1 marks an empty record; 0 in the Home view means "the last view of the previous run".
  int32_t scale = -1;
  int32_t flagA = 0;
  int32_t flagB = 0;
  char fileName[32] = {};
  int16_t volume = 0;
  int32_t folderID = -1;
};

// The 134-byte image of a view, as in a ".VEW" file and in the older settings.
ViewRecord DecodeSavedViewImage(const char* bytes);
void EncodeSavedViewImage(const ViewRecord& view, char* bytes);

// Two records are the same view when rectangles and scales are equal and, by name, their names
// are, or, by file, their files are.
bool SameViewByName(const ViewRecord& a, const ViewRecord& b);
bool SameViewByFile(const ViewRecord& a, const ViewRecord& b);

// The two view folders (-1: none); the start-up code installs them.
void SetViewFolders(int16_t volume, int32_t savedViews, int32_t programViews);
int32_t SavedViewsFolderID();

// The function called per view file; a non-zero result stops the walk and is returned.
using ViewFunction = std::function<int32_t(const ViewRecord& view)>;
// Reads one view file and hands its record to function: the name, volume and folder come from
// where the file was found. A file that cannot be read or is not of 134 bytes is reported once
// ("ProcessView()") and skipped.
int32_t ProcessView(int16_t volume, int32_t folderID, const std::string& fileName,
                    const ViewFunction& function);
// Every ".VEW" file of the saved views folder, then of the program's, in name order per folder.
int32_t ForEachViewFile(const ViewFunction& function);

// The name of a new view file in a folder: the view name's first 26 characters ("/" and a
// leading "." made "_") plus ".VEW", else with "2" to "9" before ".VEW" (names compared without
// case); "" after "There are too many files with the same name.".
std::string ChooseViewFileName(int16_t volume, int32_t folderID, std::string_view viewName);

// Saves a view (its name, map name, rectangle and scale) into the saved views folder: a name
// already used on the same map is refused ("There is already a view with that name on this
// map."); the file gets its own name; the ".VEW" and the thumbnail (a packed bitmap) are each
// written through a work file, and the ".VEW" is removed again when the thumbnail fails. saved
// receives the record as stored. 0, or -1 after the message.
int32_t SaveView(const ViewRecord& view, std::string_view thumbnail, ViewRecord& saved);

// Edit Views' OK: every view file of the saved views folder with no equal (by file) in the
// edited list is deleted with its thumbnail; every one the list holds is rewritten from the list's
// record when it differs (a rename). The program's own views are never changed. deleted receives
// the records whose files were deleted. 0, or the first failure (reported, the rest still done).
int32_t ApplyViewList(const std::vector<ViewRecord>& list, std::vector<ViewRecord>& deleted);

// Every view, sorted by name (then by file), as the views dialogs list them.
std::vector<ViewRecord> SortedViews();

// Reads a view's thumbnail (its ".BTS" file): 0 with the packed bitmap, or the read's code.
int32_t ReadViewThumbnail(const ViewRecord& view, std::string& packedBitmap);

void ResetViewsForTesting();

}  // namespace tlv
