// Where new objects go and which maps may lose objects: the Temporary Overlay, the map chosen for
// a new object, the edit target (the map and overlay of the last new or changed object), the
// application ownership of maps, and the objects that the User's Map drops when the program ends.
#pragma once

#include <cstdint>
#include <string_view>

#include "store/store_records.h"

namespace tlv {

// The position of the Temporary Overlay (string 505) in the overlay list, or -1.
int32_t TemporaryLayerIndex();

// The map for a new object (a list position), or -1 after string 152 when no map in use may be
// edited.
int32_t ChooseEditMap();
// The world rectangle the map view shows, which a map's extent must hold to take new objects;
// the start-up code installs it (the catalogue lies below the map view).
void SetEditViewSource(WRect (*viewRect)());

// The edit target: -1 while none is remembered.
void SetEditTarget(int32_t mapID, int32_t overlayID);
// After an object is added or changed: its map and overlay become the edit target, and the
// map's extent takes in the object.
void NoteObjectAddedOrChanged(int32_t mapID, int32_t overlayID);
int32_t EditTargetMapID();
int32_t EditTargetOverlayID();

// A map counts as owned by an application when its owner code has exactly four characters and
// at least one of them is not a decimal digit.
bool OwnerCodeIsApplication(std::string_view owner);
bool MapOwnedByApplication(const MapRecord& map);

// What MayDeleteOnMap decided.
enum class MapDeleteCheck {
  kAllowed,   // delete here
  kRefused,   // the refusal was shown
  kAskOwner,  // the owning application runs and decides: send it the delete request
};
// The policy check before deleting objectCount objects on the map at mapIndex; refusals show
// their message, singular when one object is involved.
MapDeleteCheck MayDeleteOnMap(int32_t mapIndex, int32_t objectCount);
// Whether the application with this signature runs; installed by the messaging layer. Without
// it no owner counts as running.
void SetOwnerRunningTest(bool (*ownerRunning)(std::string_view owner));

// The live objects of the Temporary Overlay on the User's Map (0 when either is missing or the
// User's Map cannot be changed).
int32_t CountTemporaryObjectsOnUserMap(int32_t& count);
// Deletes every live object of an overlay on the User's Map.
int32_t DeleteLayerObjectsOnUserMap(int32_t overlayID);
int32_t DeleteTemporaryObjectsOnUserMap();
// Shutdown: every overlay other than the Temporary Overlay with delete-at-quit set loses its
// objects on the User's Map. Reports each failure and goes on; returns the first.
int32_t DeleteObjectsAtQuit();

// Start-up with UNLOCKTEMPORARYLAYER: unlocks the Temporary Overlay and recomputes the
// some-overlay-unlocked flag.
void UnlockTemporaryLayer();

// Forgets the edit target, the owner test and the view source.
void ResetEditTargetsForTesting();

}  // namespace tlv
