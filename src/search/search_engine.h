// The search engine: finds objects by name or by their distance from a reference and puts them
// into the search collection, replacing it, adding to it or narrowing it. The Search Criteria
// dialog, tolvane-cli search and the search message all run it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/memory.h"
#include "base/world_types.h"
#include "geometry/proximity.h"
#include "search/collection.h"
#include "store/store_records.h"

namespace tlv {

// What to look for.
enum SearchCriterion : int16_t {
  kSearchAnyName = 1,
  kSearchStartsWith = 2,
  kSearchContains = 3,
  kSearchWithin = 4,
  kSearchNotWithin = 5,
  kSearchTouching = 6,
  kSearchNotTouching = 7,
};
// What the spatial criteria measure from.
enum SearchReference : int16_t {
  kReferenceClickPoint = 1,
  kReferenceMarkedPoint = 2,
  kReferenceSelection = 3,
  kReferenceCollection = 4,
};
// What happens to the previous collection.
enum SearchCollectionMode : int16_t {
  kSearchReplace = 1,
  kSearchAdd = 2,
  kSearchSubsearch = 3,
};
// Which overlays and maps the dialog marks.
enum SearchOverlayChoice : int16_t { kAllOverlays = 1, kMultipleOverlays = 2, kSingleOverlay = 3 };
enum SearchMapChoice : int16_t { kAllMaps = 1, kSelectedMaps = 2 };

constexpr size_t kSearchNameTextMax = 49;
constexpr size_t kSearchDistanceTextMax = 19;

// The criteria, kept while the program runs; the dialog starts from the last values.
struct SearchCriteria {
  int16_t criterion = kSearchAnyName;
  std::string nameText;
  std::string distanceText = "1.0";
  int16_t distanceUnit = 0;  // 0 until chosen: the current distance unit
  int16_t reference = kReferenceClickPoint;
  int16_t collectionMode = kSearchReplace;
  int16_t overlayChoice = kAllOverlays;
  int16_t mapChoice = kAllMaps;
};
const SearchCriteria& CurrentSearchCriteria();
// Texts longer than their fields are cut.
void SetSearchCriteria(const SearchCriteria& criteria);
// The unit a criteria record measures in (its own, else the current distance unit).
int16_t SearchDistanceUnit(const SearchCriteria& criteria);

// --- Search marks of overlays and maps (the flags the dialog fills) ---
void SetOverlaySearchMark(int32_t overlayID, bool marked);
void SetMapSearchMark(int32_t mapID, bool marked);
void MarkAllOverlaysForSearch(bool marked);
void MarkAllMapsForSearch(bool marked);
bool OverlayMarkedForSearch(int32_t overlayID);
bool MapMarkedForSearch(int32_t mapID);
int32_t MarkedOverlayCount();
// Maps in use only.
int32_t MarkedMapCount();
// "(%ld overlays checked)" / "(%ld overlay checked)", and the same for maps.
std::string OverlaysCheckedText(int32_t count);
std::string MapsCheckedText(int32_t count);

// --- Name tests ---
// The text begins with a direction ("N ", "S ", "W ", "E ", "N. ", ..., "NE ", ..., "SW "); keys
// hold no prefix, so the key shortcut cannot be used for it.
bool DirectionPrefixed(std::string_view text);
// The key shortcut of starts-with: the first min(4, text length) characters of the key, by the
// collating comparison. key holds up to four characters, ended early by a NUL.
bool KeyMayStartWith(const char (&key)[4], std::string_view text);
// The name test of criteria 1 to 3 on an object's prefix and name (the full text is the prefix,
// a blank and the name; "untitled" for both when the name is empty).
bool NamePasses(int16_t criterion, std::string_view text, std::string_view prefix,
                std::string_view name);
// Windows-1252 upper case, as "contains" compares.
std::string UpperCase1252(std::string_view text);

// --- Checks and distances ---
// The check before a spatial search: 0, or -1 with the message to show (the dialog stays
// open).
int32_t CheckSearchReference(const SearchCriteria& criteria, std::string& message);
// The distance text as a finite number of 0 or more; false otherwise.
bool ParseSearchDistance(std::string_view text, double& value);

// --- Running ---
// Executes the stored criteria into the search collection and sorts it. 0, or the error code
// (reported) of a failure that stopped it; an Escape sets the stop flag and returns 0.
int32_t RunSearch();
bool SearchStopped();
// Rectangles, circles and polygons count as areas whatever their fill, for the searches that
// follow (the search message's flag, and tolvane-cli search --area).
void SetSearchAreaFlag(bool on);
bool SearchAreaFlag();
// Searches one overlay file by name (criteria 1 to 3): -1 when Escape stopped it, else 0 or an
// error code (reported).
int32_t SearchLayerFile(const OverlayFileRecord& entry);
// Appends every live summary record of the overlay file to the collection in one pass. 0, or
// the read failure's code (reported; the collection is cut back to its size before the call).
int32_t TakeAllSummaryRecs(int32_t mapID, int32_t overlayID);

// The spatial part: the objects of the marked overlay files that are (inside) or are not
// (outside) within reach of the reference. result receives a new list of collection entries
// (owned by the caller) in file order; the stop flag says whether Escape cut it short.
// distance is in the current distance unit (0 for touching).
int32_t SelectInsideOutside(bool inside, int16_t reference, double distance, Handle& result);

// The shape of the object at position of the object file in slot 0, as the spatial tests see
// it. area makes every rectangle, circle and polygon an area whatever its fill. false for an
// alias (no shape).
int32_t ReadSearchShape(BufferedFile& file, int32_t position, const LayerRecord& layer,
                        bool areaFlag, NearShape& shape, bool& hasShape);

// --- The search message ---
struct ExternalSearchRequest {
  std::string nameText;
  std::string distanceText;
  int16_t criterion = kSearchAnyName;
  int16_t distanceUnit = 0;
  int16_t reference = kReferenceClickPoint;
  // Names separated by carriage returns (a line feed after one is skipped).
  std::string overlayNames;
  std::string mapNames;
  // Entries of overlayNames are cut at "(" and trailing blanks are trimmed before comparing.
  bool cutOverlayNames = false;
  // Rectangles, circles and polygons count as areas whatever their fill.
  bool areaFlag = false;
};
// Runs a search for another program without changing what the user sees: the criteria, the
// search marks and the collection are saved and restored. result receives the new collection
// (owned by the caller; empty when no name matched). 0 or the search's error code.
int32_t ExternalSearch(const ExternalSearchRequest& request, Handle& result);
// The entries of a CR-separated list.
std::vector<std::string> SplitSearchNameList(std::string_view list);

void ResetSearchEngineForTesting();

}  // namespace tlv
