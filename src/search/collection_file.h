// Collection files (".msc"): the search collection saved as text, one line per entry
//   "MAP" "OVERLAY" "ID" FLAGS POSITION
// and loaded back to replace the collection, add to it or narrow it. Lines are read with the
// interchange tokenizer; IDs are resolved through one ID index per overlay file per load.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tlv {

constexpr const char* kCollectionFileFilter = "TOLVANE Search Collection (*.msc)|*.msc";
constexpr const char* kCollectionFileDefaultName = "collection.msc";
constexpr const char* kSaveCollectionTitle = "Save Search Collection";
constexpr const char* kLoadCollectionTitle = "Load Search Collection";

// The three ways a file is loaded.
constexpr int32_t kCollectionLoadReplace = 1;  // "replace current collection"
constexpr int32_t kCollectionLoadUnion = 2;    // "add to current collection (union)"
constexpr int32_t kCollectionLoadSubset = 3;   // "subset of current collection (intersection)"

// The longest names a line can hold for a map and an overlay that exist.
constexpr size_t kMaxCollectionMapName = 41;
constexpr size_t kMaxCollectionOverlayName = 31;

// What the file operations ask of the window; each may be empty (then: no file is chosen, no
// progress is shown and nothing is stopped).
struct CollectionFileHooks {
  // The save dialog (title, filters as "label|*.ext", default name) and the open dialog; false
  // on Cancel.
  std::function<bool(const std::string& title, const std::vector<std::string>& filters,
                     const std::string& defaultName, std::string& path)>
      chooseSaveFile;
  std::function<bool(const std::string& title, const std::vector<std::string>& filters,
                     std::string& path)>
      chooseOpenFile;
  // The progress box with its stop button: opened with a title and a text, told the share done,
  // closed. progress answers true when the stop button was pressed since the last call.
  std::function<void(const std::string& title, const std::string& text)> openProgress;
  std::function<bool(int32_t percent)> progress;
  std::function<void()> closeProgress;
};
void SetCollectionFileHooks(CollectionFileHooks hooks);

struct CollectionSaveResult {
  int32_t written = 0;
  int32_t skipped = 0;  // entries whose map or overlay name holds a double quote
  bool stopped = false;
};
// Writes the collection to path, in file order when it holds more than one entry. The lines go to
// a work file beside path that replaces path only when complete, so a failure or a stop leaves
// the old file as it was. 0, or the failure's code (reported).
int32_t WriteCollectionFile(const std::string& path, CollectionSaveResult* result = nullptr);
// The "Save Collection..." command: the save dialog, then the file.
int32_t ExportSearchCollection();

struct CollectionLoadResult {
  int32_t lines = 0;
  int32_t notFound = 0;
  bool stopped = false;
};
// Loads path into the collection in one of the three ways. The collection changes only once the
// file has been read: a token of the wrong type ("Import error." with the line) leaves it as it
// was. Entries whose map, overlay, overlay file or object is not there are skipped and told
// once; the collection is sorted at the end. 0, or the failure's code (reported).
int32_t ReadCollectionFile(const std::string& path, int32_t mode,
                           CollectionLoadResult* result = nullptr);
// The "Load Collection..." command: the choice of the three ways (through the platform's
// question), the open dialog, then the file.
int32_t ImportSearchCollection();

void ResetCollectionFileForTesting();

}  // namespace tlv
