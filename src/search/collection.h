// The search collection and the intersected objects: program-wide lists of 16-byte entries
// naming objects by (map, overlay, position) with a name key and flags, kept in Handles that
// grow and shrink by whole entries and are never absent once made. Also the collection order
// (name keys, then the lazy full-name sort of equal keys), the lists' invalidation when maps or
// overlays change, and the show-only-collection option.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/memory.h"
#include "base/object_ids.h"
#include "store/buffered_file.h"

namespace tlv {

// Entry flags.
constexpr int16_t kCollectionSorted = 1;      // settled among its equal keys by the name sort
constexpr int16_t kCollectionAlias = 2;       // an alias object
constexpr int16_t kCollectionHasAliases = 4;  // the object has aliases
constexpr int16_t kCollectionMark = 8;        // named by the file of a subset load

struct CollectionEntry {
  int32_t mapID = 0;
  int16_t overlayID = 0;
  int16_t flags = 0;
  int32_t position = 0;
  char key[4] = {0, 0, 0, 0};  // the first four name characters, not terminated
};
static_assert(sizeof(CollectionEntry) == 16, "a collection entry is 16 bytes");

// The overlay IDs the 16-bit field can hold.
bool CollectableOverlayID(int32_t overlayID);

// --- The search collection ---
// The list Handle (made when first needed; null only when memory is short).
Handle SearchCollection();
int32_t CollectedObjectCount();
bool GetCollectedObject(int32_t index, CollectionEntry& entry);

// Outside an adding phase an object already collected is not added again. key (up to four
// characters, ended early by a NUL) may be null (no key). 1, or 0 after reporting a failure
// (memory, or an overlay ID the entry cannot hold).
int32_t AddCollectedObject(int32_t mapID, int32_t overlayID, int32_t position, const char* key,
                           int16_t flags);
// A search's bulk add: inside the bracket duplicates are not checked; the end sorts the
// collection into file order and keeps the first of each run of equal entries.
void BeginCollecting();
int32_t EndCollecting();
bool Collecting();
// Removes the matching entry, giving its key when keyOut (4 bytes) is given. 0, or -1 when there
// is none or memory is short.
int32_t RemoveCollectedObject(int32_t mapID, int32_t overlayID, int32_t position,
                              char* keyOut = nullptr);
// -1 for an index past the end.
int32_t RemoveCollectedObjectI(int32_t index);
// Drops the entries with any field -1.
void RemoveInvalidCollectedObjects();
// The mark of a subset load: sets or clears flag 8 on every entry, on one entry, and keeps only
// the marked entries (clearing their mark).
void MarkAllCollectedObjects(bool marked);
bool MarkCollectedObject(int32_t index);
void RemoveUnmarkedCollectedObjects();
// A search's bulk changes: the collection becomes exactly these entries, or gains them at its
// end (no duplicate check). 0, or the memory failure's code (reported; the collection is left
// as it was).
int32_t ReplaceSearchCollection(const std::vector<CollectionEntry>& entries);
int32_t AppendCollectedEntries(const std::vector<CollectionEntry>& entries);
// Replaces the collection with an empty list. 0, or the memory failure's code (reported).
int32_t ClearSearchCollection();
// The index of the entry, or -1; the second form searches any list of collection entries.
int32_t FindCollectedObject(int32_t mapID, int32_t overlayID, int32_t position);
int32_t FindCollectionEntry(Handle list, int32_t mapID, int32_t overlayID, int32_t position);

using CollectedObjectVisit =
    std::function<int32_t(int32_t mapID, int32_t overlayID, int32_t position, const char (&key)[4],
                          int32_t index, int16_t flags)>;
// Calls visit for each entry until it returns non-zero (which is returned). The second form
// walks any list of collection entries and skips alias entries.
int32_t ForEachCollectedObject(const CollectedObjectVisit& visit);
int32_t ForEachCollectionEntry(Handle list, const CollectedObjectVisit& visit);

// The object moved: the collection, the intersected objects and the shown object follow it.
void RenameCollectedObject(const ObjectRef& from, const ObjectRef& to);
// Takes the objects of a map (mapID) or of an overlay (overlayID) out of the collection and the
// intersected objects (0 matches nothing).
void ForgetCollectedObjects(int32_t mapID, int32_t overlayID);

// After maps or overlays change: drops the collection entries (and intersected objects) whose
// map or overlay no longer resolves or whose map is not in use, and the selected objects whose
// map or overlay no longer resolves, whose map is not in use, whose overlay is hidden or (with
// show-only-collection on) that an overlay holding collection entries does not show.
void ValidateObjectLists();
// Clears the undo record, the selection, the collection and the intersected objects.
void ClearAllObjectLists();

// The key and flags an object enters the collection with: flag 2 for an alias, 4 when it has
// aliases, the key from its name. Reads the object file in slot 0.
int32_t ReadCollectionFacts(BufferedFile& file, int32_t position, char (&key)[4], int16_t& flags);
// Adds an object with the key and flags read from its record (the Copy to Search Collection
// command, the copy of an alias). 1, or 0 after a failure.
int32_t CollectObject(const ObjectRef& object);

// --- The intersected objects ---
Handle IntersectedObjects();
int32_t IntersectedObjectCount();
bool GetIntersectedObject(int32_t index, CollectionEntry& entry);
int32_t AddIntersectedObject(int32_t mapID, int32_t overlayID, int32_t position, const char* key,
                             int16_t flags);
int32_t RemoveIntersectedObject(int32_t mapID, int32_t overlayID, int32_t position);
void RemoveInvalidIntersectedObjects();
int32_t ClearIntersectedObjects();

// --- Order ---
// File order: map ID, then the 32-bit word (flags << 16) | overlay as a signed value, then
// position. Negative, 0 or positive.
int CompareCollectionFileOrder(const CollectionEntry& a, const CollectionEntry& b);
// Sorts a list of collection entries into file order.
void SortCollectionFileOrder(Handle list);
// The collection order of two name keys: keys first (an empty key last), codes 1 to 9 among
// themselves by their first three bytes, otherwise four characters by the collating comparison
// with a code standing for its word.
int CompareNameKeys(const char (&a)[4], const char (&b)[4]);
// The four-letter word that stands for key code 1 to 9 in the order (until one is set a code
// compares as its own bytes).
void SetNameKeyCodeWord(int code, const char (&word)[4]);
// The finish of a search or a load: clears every sorted flag and sorts by name key (with
// "Sorting search collection (%ld objects)." shown for more than one entry).
int32_t SortCollection();
// The lazy full-name sort of the run of equal keys holding index: reads each entry's name (cut
// before " {", 24 characters) and prefix (5 characters), sorts by name, prefix and position
// (full texts where the cut ones tie) and marks the run sorted. Runs of more than 300 entries
// check for Escape every 100 entries. 0; kSortStopped when stopped (the run stays unsorted); or
// a memory failure's code (reported, run unsorted). first and last (when given) receive the
// run's bounds.
constexpr int32_t kSortStopped = 1;
int32_t CompleteLocalSCSort(int32_t index, int32_t* first = nullptr, int32_t* last = nullptr);
// The collection window's count line: the number of entries that are not aliases, then
// "        { plus 1 alias }" or "        { plus %ld aliases }" when there are aliases.
std::string CollectionCountLine();
// Whether a search or a sort was stopped, for the collection window's note.
bool CollectionStopped();
void SetCollectionStopped(bool stopped);

// The first collection entry of an overlay (any map), or -1; the answer is cached until the
// collection changes.
int32_t FirstCollectedEntryOfOverlay(int32_t overlayID);

// --- The show-only-collection option ---
// Turning it on deselects the selected objects an overlay with collection entries hides.
void SetShowOnlyCollection(bool on);
bool ShowOnlyCollection();
// Answered from a set of positions per (map, overlay), rebuilt when the collection changes.
bool OverlayInCollection(int32_t mapID, int32_t overlayID);
bool ObjectInCollection(int32_t mapID, int32_t overlayID, int32_t position);

// Told after every change of the collection (the collection window listens).
void SetCollectionChangedHook(std::function<void()> changed);
// Counts the changes, so a listener can tell whether it is up to date.
uint32_t CollectionGeneration();

void ResetCollectionForTesting();

}  // namespace tlv
