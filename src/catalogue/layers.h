// The overlay catalogue: one ordered list of overlays (the drawing and listing order) with their
// display settings, the overlay-ID index, LAYERS2.PLT and the alternate-font list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/memory.h"
#include "store/store_records.h"

namespace tlv {

constexpr int32_t kFirstLayerID = 1000;
constexpr int32_t kAlternateFontNameSize = 32;

// The list Handle (null until loaded) and typed access to it.
Handle LayerList();
int32_t LayerCount();
bool GetLayerRecord(int32_t index, LayerRecord& record);
bool SetLayerRecord(int32_t index, const LayerRecord& record);
std::string LayerName(int32_t index);
// The name of the Temporary Overlay (string 505).
std::string TemporaryLayerName();
bool IsTemporaryLayerName(std::string_view name);

// The record a new overlay of this name gets: the name-based default graphics and the standard
// display settings.
LayerRecord NewLayerRecord(std::string_view name, bool locked, bool deleteAtQuit);
// Loaded records get a new ID, marker 100, field 13 cleared and the locked bit set.
void NormaliseLoadedLayer(LayerRecord& layer);

// Loads LAYERS2.PLT and GROUPS.PLT from the Settings folder, else from the program folder.
int32_t LoadLayers();
// Writes LAYERS2.PLT and, when groups are loaded, GROUPS.PLT into the Settings folder.
int32_t SaveLayers();
// Releases the overlay list, the groups and the alternate fonts (shutdown).
void ReleaseLayers();
bool LayersLoaded();

// Adds an overlay at the front or the end; the name is made unique with " 2" to " 9" and then
// stands in name. Returns 0 or -1 (after its alert).
int32_t AddLayer(std::string& name, bool atFront, bool locked, bool deleteAtQuit,
                 int32_t& position);
// What becomes of the overlay's list record when DeleteLayer deletes its files.
enum class LayerRecordFate { kRemove, kKeep };
// Removes overlay position from list; with deleteFiles its overlay files on the maps of
// mapRange (a map position, or -1 for all) are deleted too, and with LayerRecordFate::kKeep
// only they go: the overlay stays listed (a sibling program empties its overlay on one map).
// Locked maps keep their files, and with tellLockedMaps a caution names them. Removing from the
// live list clears Undo.
int32_t DeleteLayer(Handle list, int32_t position, int32_t mapRange, bool deleteFiles,
                    bool tellLockedMaps = true, LayerRecordFate fate = LayerRecordFate::kRemove);

// Appends the overlays of a map's own Layers2.plt that the catalogue lacks.
int32_t AppendAdditionalLayersFromLayers2PltFile(int16_t volume, int32_t dirID, const char* name);
// Reads a LAYERS2.PLT-format file into records as stored; -3 for a bad size.
int32_t ReadLayers2PltFile(int16_t volume, int32_t dirID, const char* name,
                           std::vector<LayerRecord>& layers);

// Hands out the next overlay ID.
int32_t TakeLayerID();
// Makes the (empty) list Handle when there is none; -1 without memory.
int32_t EnsureLayerList();
// Takes the overlay's file records out of every map's list; the files stay on disk.
void ForgetLayerFiles(int32_t layerID);
// Releases the alternate-font list (shutdown).
void ReleaseAlternateFonts();

void RebuildLayerIDIndex();
int32_t LayerIDToIndex(int32_t layerID);
int32_t LayerNameToIndex(std::string_view name);
int32_t NextLayerIDCounter();

// Whether an overlay is drawn at the scale, by the display rules (LayerShownAtScale).
// LayerVisibleNow uses the current scale.
bool LayerVisibleAtScale(const LayerRecord& layer, int32_t scale);
bool LayerVisibleNow(int32_t index);
// The number of objects of the overlay on all maps (from their ".LYR" headers).
int64_t LayerObjectCount(int32_t layerID);

// Sorted copies of the list; the caller releases the Handle.
int32_t SortLayersByName(Handle& sorted);
int32_t SortLayersByShownPlusName(Handle& sorted, int32_t& shownCount);
int32_t SortLayersByUnlockedPlusName(int32_t exceptLayerID, Handle& sorted, int32_t& unlockedCount);

// Appends a 32-byte font name to the alternate-font list; its position or -1.
int32_t AddAlternateFont(std::string_view fontName);
int32_t AlternateFontCount();
std::string AlternateFontName(int32_t index);

// Installs the catalogue's answers for the overlay walks of the summary layer.
void InstallOverlayCatalogueAccess();

void ResetLayersForTesting();

}  // namespace tlv
