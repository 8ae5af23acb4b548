// Import of the first version's text export (the "1.x export" format), which also carries the
// objects of the IMPT message: a number, "*" overlay definition lines, then per object a record
// line, a name line and, for polylines and polygons, a point count and its pairs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/memory.h"

namespace tlv {

// Collision modes of the old import.
constexpr char kOldImportNew = 'N';      // every object gets a new ID
constexpr char kOldImportReplace = 'R';  // an object whose ID is on the overlay changes in place
constexpr char kOldImportModify = 'M';   // as R, but an ID that is missing is only listed

// Units of relative offsets: metres, kilometres, miles, yards.
constexpr char kOldUnitMetres = 'E';
constexpr char kOldUnitKilometres = 'K';
constexpr char kOldUnitMiles = 'M';
constexpr char kOldUnitYards = 'Y';

// Longer ID texts are read failures: no ID of the format is that long.
constexpr size_t kMaxOldIDLength = 31;
constexpr size_t kMaxOldNameLength = 31;

// What one old import did, for callers that report it (the command line, tests).
struct OldImportSummary {
  int32_t created = 0;
  int32_t changed = 0;
  int32_t listedOnly = 0;
  int32_t overlaysCreated = 0;
  bool readError = false;
  std::vector<std::string> ids;  // the ID text of each handled object, in order
};

// Imports old-format objects from text (when not null) or from the file fileName onto the map
// (a map ID; -1 does nothing). volume is accepted for the callers' sake; fileName is a path.
// With select the selection is emptied and the imported objects selected. relative takes the
// coordinates as offsets in unit from the centre (longitudes west positive). New overlays get
// lock state 3 when applicationOwned, else 1. Returns, when wantList, a new block with one line
// per handled object (its ID text and CR) ending with NUL, else nullptr.
Handle OldImportObjects(const std::string* text, const std::string& fileName, int16_t volume,
                        char mode, bool select, bool wantList, bool relative, double centreLatitude,
                        double centreLongitude, char unit, int32_t map, bool applicationOwned,
                        std::string* overlayNameOut, OldImportSummary* summary = nullptr);

// The map named after an import file (its name without folder and extension), made in the maps
// folder when no map has that name yet; position receives its place in the map list.
int32_t MapNamedAfterFile(const std::string& path, int32_t& position);

}  // namespace tlv
