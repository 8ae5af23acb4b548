// The map checker: what must always hold in the overlay files of a map, checked from the bytes
// on disk. Every live summary record names a readable object record of its kind with the same ID
// and rectangle; the ".LYR" header counts the live records and its bounds cover them; each entry
// of the ".SM2" index covers the live records of its block; no two live objects of one overlay
// file share an ID; every live alias stands for a live object of its overlay file. A user runs
// it after a crash, and the tests run it after every change they make.
//
// The checker reads the files itself through a bounds-checked cursor and never through the
// record accessors, so a damaged file gives a finding instead of an alert or a stop.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tlv {

// The names of the checks, as findings carry them.
namespace check {
// A file of the set is missing or cannot be read, or the ".LYR" header has the wrong size.
constexpr const char* kFiles = "files";
// An overlay file set in the map's folder that the catalogue did not take in.
constexpr const char* kUnlisted = "unlisted";
// The summary file ends in a fragment of a record (the walks ignore it; the next new object
// overwrites it).
constexpr const char* kSummaryFile = "summaryFile";
// A live summary record names a place outside the object file, or a record that runs past it.
constexpr const char* kRecordPlace = "recordPlace";
// Two live records overlap in the object file.
constexpr const char* kRecordOverlap = "recordOverlap";
// Two summary records name the same object record.
constexpr const char* kSharedRecord = "sharedRecord";
// The record is marked as not readable by this version.
constexpr const char* kRecordVersion = "recordVersion";
// The record's type byte names no kind of object.
constexpr const char* kRecordKind = "recordKind";
// The record's name, text or segments do not fit inside it.
constexpr const char* kRecordLayout = "recordLayout";
// The record's ID differs from its summary record's.
constexpr const char* kRecordID = "recordID";
// The summary record's rectangle differs from the record's (all zero for an alias).
constexpr const char* kRecordRect = "recordRect";
// The ".LYR" object count differs from the number of live summary records.
constexpr const char* kObjectCount = "objectCount";
// The ".LYR" bounds do not cover a live, placed object.
constexpr const char* kBounds = "bounds";
// The ".SM2" file is not a whole number of entries.
constexpr const char* kIndexFile = "indexFile";
// An ".SM2" entry does not cover a live, placed record of its block.
constexpr const char* kIndexBlock = "indexBlock";
// Live objects of one overlay file share an ID.
constexpr const char* kSharedID = "sharedID";
// A live alias stands for an ID that no live object of its overlay file has.
constexpr const char* kAliasTarget = "aliasTarget";
// The catalogue's entry for the overlay file holds another count or bounds than its ".LYR"
// header on disk (the in-memory list and the files went apart).
constexpr const char* kListEntry = "listEntry";
// A map folder in OverlayMaps that the catalogue did not take in.
constexpr const char* kUnlistedMap = "unlistedMap";
// A map of the catalogue whose folder was not found.
constexpr const char* kMapFolder = "mapFolder";
// Work files of a compaction that was cut off: the next load (or tolvane-cli compact --finish)
// finishes or undoes it.
constexpr const char* kCompactionPending = "compactionPending";
}  // namespace check

enum class CheckSeverity : int8_t {
  kProblem,  // something that must hold does not
  kNote,     // worth knowing, harmless to the program
};

struct CheckFinding {
  std::string mapName;
  std::string overlayName;  // the overlay's name ("" when not known)
  std::string baseName;     // the overlay file's base name ("" for a map-wide finding)
  int32_t position = -1;    // the object record's position, -1 for the file as a whole
  const char* check = "";   // one of the names above
  std::string message;
  CheckSeverity severity = CheckSeverity::kProblem;
};

struct CheckOptions {
  // Live objects of one overlay file that share an ID are problems instead of notes. A
  // Duplicate-mode import makes such objects on purpose, and nothing in the files tells them
  // from objects a fault duplicated, so by default they are only listed.
  bool sharedIDsAreProblems = false;
};

// The bytes of one overlay file set; a file that is missing is left empty (nullopt).
struct OverlayFileImages {
  std::optional<std::string> header;   // ".LYR"
  std::optional<std::string> objects;  // ".OBJ"
  std::optional<std::string> summary;  // ".SUM"
  std::optional<std::string> index;    // ".SM2", missing when the set has no index
};

// Checks one overlay file set. The findings get the check, message, position and severity; the
// caller fills in the map, overlay and base name.
void CheckOverlayFileImages(const OverlayFileImages& images, const CheckOptions& options,
                            std::vector<CheckFinding>& findings);

// Checks every overlay file of the map at mapIndex in the map list, or of every map when
// mapIndex is -1, as they are on disk: dirty windows are written back first. Overlay file sets
// in a map's folder that the catalogue left out are checked too, and with mapIndex -1 so are the
// map folders of OverlayMaps that it left out. 0, or the code of a write-back that failed
// (reported).
int32_t CheckMaps(int32_t mapIndex, const CheckOptions& options,
                  std::vector<CheckFinding>& findings);

// The number of findings that are problems (not notes).
int32_t ProblemCount(const std::vector<CheckFinding>& findings);

}  // namespace tlv
