// The folders the catalogues read and write, handed down by start-up (or tolvane-cli) so that
// the catalogue needs nothing of the application layer. A negative ID means "none".
#pragma once

#include <cstdint>

namespace tlv {

struct CatalogueFolders {
  int16_t volume = 0;
  int32_t settings = -1;     // LAYERS2.PLT, GROUPS.PLT, XTRAMAPS.PLT
  int32_t program = -1;      // older copies of the same files
  int32_t overlayMaps = -1;  // the map folders
  int32_t userMap = -1;      // the User's Map
};

const CatalogueFolders& CatalogueFolderIDs();
void SetCatalogueFolders(const CatalogueFolders& folders);

// What the catalogue asks of the Parts above it. Each may be left null; the catalogue then
// does without (no redraw, nothing to forget, the scale of the widest view).
struct CatalogueHooks {
  // The current map scale, for "visible at the current scale".
  int32_t (*currentScale)() = nullptr;
  // Takes the objects of a map or of an overlay out of the selection and the search collection.
  void (*forgetMapObjects)(int32_t mapID) = nullptr;
  void (*forgetLayerObjects)(int32_t layerID) = nullptr;
  void (*redraw)() = nullptr;
  void (*clearUndo)() = nullptr;
};
const CatalogueHooks& CatalogueHooksInUse();
void SetCatalogueHooks(const CatalogueHooks& hooks);

}  // namespace tlv
