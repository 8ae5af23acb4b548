// What unlocking an overlay means for the maps it has objects on, for the Unlocking Overlay
// dialog: on which maps its objects could then be changed, and where the map itself (locked,
// indexed, or owned by an application whose policies decide) still says no.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tlv {

struct UnlockMapNote {
  std::string mapName;
  int32_t objectCount = 0;
  bool inUse = true;
  bool locked = false;   // the map folder cannot be written
  bool indexed = false;  // an indexed map or CD map
  std::string owner;     // the owning application's signature; empty for a map nobody owns
  // The owner's add and drag policies (0 not owned, 1 refused, 2 allowed, 3 ask the owner).
  int16_t addPolicy = 0;
  int16_t dragPolicy = 0;
  // Objects of the overlay on this map can be edited once the overlay is unlocked.
  bool editable = false;
};

struct UnlockReport {
  std::string layerName;
  bool locked = false;
  // The overlay belongs to an application (lock state 2 or 3): unlocked, it still takes only the
  // edits its owner allows.
  bool ownedByApplication = false;
  // No application forbids deleting its objects.
  bool deleteAllowed = true;
  std::vector<UnlockMapNote> maps;
  int32_t editableMaps = 0;
};

// Looks at the overlay and every loaded map holding its files. -1 for a bad position.
int32_t CheckUnlockLayer(int32_t index, UnlockReport& report);
// Clears the locked bit (the owned bit stays) and recomputes the some-overlay-unlocked flag.
int32_t UnlockLayer(int32_t index);
// Sets the locked bit again.
int32_t LockLayer(int32_t index);

}  // namespace tlv
