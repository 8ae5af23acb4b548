// What an overlay's display settings mean: whether its objects appear at a scale, when their
// names and dots are drawn, locks, the graphics override, the Overlay Scale Ranges checks and the
// default settings that DEFAULTS.PLT and registered index files can restore.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/store_records.h"

namespace tlv {

constexpr const char* kDefaultsFileName = "DEFAULTS.PLT";
constexpr int32_t kLnxNameSize = 256;
constexpr int32_t kLnxDescriptionSize = 256;

// ApplyDefaultsFile results beside 0 and the file layer's codes.
constexpr int32_t kDefaultsBadFormat = -1;
constexpr int32_t kDefaultsNoFile = -2;

// The rules on a record, at scale s (a scale denominator).
// Shown: not hidden and, in range mode, strictly between the zoomed-in and zoomed-out scales.
bool LayerShownAtScale(const LayerRecord& layer, int32_t scale);
// Names of a shown overlay: always in mode 3, else while the names scale is at least s.
bool LayerNamesShownAtScale(const LayerRecord& layer, int32_t scale);
// Symbols of a shown overlay are drawn as dots from the dots scale outwards.
bool LayerDotsAtScale(const LayerRecord& layer, int32_t scale);

// The same for the overlay at a list position (false for a bad position). IsLayerShown uses the
// current scale from the catalogue's hook; without one (scale -1) the range is not tested.
bool IsLayerShown(int32_t index);
bool AreNamesShown(int32_t index, int32_t scale);
bool AreSymbolsDots(int32_t index, int32_t scale);

// Makes the overlay visible: when it is not shown at the current scale its mode becomes "show"
// and the map is redrawn (through the catalogue's redraw hook) and the View menu told.
void ShowLayer(int32_t index);
// Called after ShowLayer changed a mode, so the shell can refresh the View menu's check marks.
void SetShowLayerMenuHook(void (*refreshViewMenu)());

// Recomputes the program-wide some-overlay-unlocked flag (an overlay with lock state exactly 0)
// and returns it.
bool AnyLayerUnlocked();
// The flag as last recomputed.
bool SomeLayerUnlocked();
// Sets or clears the locked bit of an overlay (the owned bit stays) and recomputes the flag.
// -1 for a bad position.
int32_t SetLayerLocked(int32_t index, bool locked);
// Before an object is added: with no unlocked overlay, shows string 151 and answers false.
bool CheckUnlockedLayerForAdd();

// After an object's own graphics changed: when its overlay draws with the overlay's default
// graphics, shows the note (string 566) and answers true.
bool NoteGraphicsOverride(int32_t layerIndex);

// The Overlay Scale Ranges dialog's confirmation: compares the values shown when it opened with
// the new ones, cautions (strings 606 to 608) where a change cannot show in the overlay's mode,
// and stores the new values. -1 (nothing stored) for a bad position or a scale not above 0.
int32_t ConfirmScaleRanges(int32_t index, const int32_t (&oldScales)[4],
                           const int32_t (&newScales)[4]);

// The index-file defaults list: 518-byte entries (file name, volume, directory ID, description).
struct LnxFileEntry {
  char fileName[kLnxNameSize];
  char volume[2];  // machine order
  char dirID[4];   // machine order
  char description[kLnxDescriptionSize];
};
static_assert(sizeof(LnxFileEntry) == 518);

struct LnxFile {
  std::string fileName;
  int16_t volume = 0;
  int32_t dirID = -1;
  std::string description;
};

// Registers an index file as a defaults source: an entry of the same file or an empty entry is
// overwritten, else the entry is appended. -1 without memory.
int32_t AddLnxFile(int16_t volume, int32_t dirID, std::string_view fileName,
                   std::string_view description);
int32_t LnxFileCount();
bool GetLnxFile(int32_t index, LnxFile& entry);
// Removes the entries whose file no longer exists, moving the rest up.
void RemoveMissingLnxFiles();

// Whether a defaults source exists: DEFAULTS.PLT of a size that is a multiple of 88 in the
// Settings or the program folder, or a registered index file that still exists.
bool HasLayerDefaults();
// Applies the registered index files (stopping at the first missing one), then the program
// folder's DEFAULTS.PLT, then the Settings folder's; a later source overrides an earlier one.
// Reports read failures; returns the first of them or 0.
int32_t ApplyLayerDefaults();
// Applies one defaults file: 0, -1 for a size that is not a multiple of 88 or a bad record (the
// records before it stay applied; a bad record shows the format alert), -2 when the file does
// not exist, or the read failure's code.
int32_t ApplyDefaultsFile(int16_t volume, int32_t dirID, const char* fileName);

// Forgets the flag, the index-file list and the menu hook.
void ResetDisplaySettingsForTesting();

}  // namespace tlv
