// Bringing deleted objects back: until an overlay file is compacted, the records of deleted
// objects are still in its object file. Recovery copies the newest deleted version of each
// object into a recovery overlay named after the chosen one, where the user keeps what they
// want and deletes the rest.
#pragma once

#include <cstdint>
#include <string>

#include "store/store_records.h"

namespace tlv {

constexpr const char* kRecoverySuffix = " (undeleted)";
constexpr int32_t kRecoveryNameCut = 19;

// The recovery overlay's name for an overlay: the name cut to 19 characters plus " (undeleted)".
std::string RecoveryOverlayName(const std::string& layerName);

struct RecoverOutcome {
  std::string recoveryOverlay;  // empty when recovery was refused before it started
  int32_t recovered = 0;
  int32_t skipped = 0;  // deleted objects whose ID is live on the map
  std::string message;  // the note shown
};

// Copies the newest deleted record of each ID of one overlay file into the recovery overlay on
// the same map, unless the ID's newest record is live or the ID is live anywhere on the map.
int32_t RecoverDeletedObjectsInLayerFile(const OverlayFileRecord& entry, int32_t recoveryOverlayID,
                                         int32_t& recovered, int32_t& skipped);

// Recovers from the overlay at layerIndex into its recovery overlay (made when missing, removed
// again when nothing came back) and shows the outcome as a note.
int32_t RecoverDeletedObjectsFromLayer(int32_t layerIndex, RecoverOutcome& outcome);

// The menu command: the user chooses an overlay (answered through the platform's questions).
int32_t RecoverDeletedObjects();

}  // namespace tlv
