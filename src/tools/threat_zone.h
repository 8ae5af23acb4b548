// The threat-zone bridge to the dispersion-model program ZEPHA. ZEPHA sends the footprints of
// its threat zones as objects on the overlay "ZEPHA" of the User's Map, named after ZEPHA itself;
// its footprint file "zep_ftp.pas" (in ZEPHA's program folder) tells which level-of-concern text
// belongs to the red, orange and yellow zone, so the objects can be named after their colour
// when they arrive. The same file gives the model-run summary that goes with the KML export of
// the zones, which the basemap package's zep2kml.php converts from an interchange file.
//
// "zep_ftp.pas" is another program's file: every line of it is outside input.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/object_ids.h"

namespace tlv {

// The longest level-of-concern text kept; longer ones are cut.
constexpr size_t kMaxThreatZoneLabelLength = 99;
constexpr const char* kThreatZoneOverlay = "ZEPHA";
constexpr const char* kThreatZoneFootprintFile = "zep_ftp.pas";
constexpr const char* kThreatZoneSummaryFile = "zep_ftp.txt";
constexpr const char* kThreatZoneMieFile = "zepha.mie";
constexpr const char* kThreatZonePolygonsFile = "zepha_polygons.kml";
constexpr const char* kThreatZonePointsFile = "zepha_points.kml";
constexpr const char* kThreatZoneWindowFile = "zepha_kml.hta";

struct ThreatZoneLabels {
  std::string yellow;
  std::string orange;
  std::string red;
  bool operator==(const ThreatZoneLabels&) const = default;
};

// What the bridge asks of the layers beside and above it; each may be empty.
struct ThreatZoneHooks {
  // The program registered for ZEPHA's signature (the friends, then its known install places);
  // empty when there is none.
  std::function<std::string()> zephaProgram;
  // Writes the objects, in order, as interchange text to path: 0 or an error code.
  std::function<int32_t(const std::vector<ObjectRef>& objects, const std::string& path)>
      exportInterchange;
};
void SetThreatZoneHooks(ThreatZoneHooks hooks);

// "zep_ftp.pas" beside ZEPHA's program (its name matched without regard to case); empty when
// ZEPHA or the file is missing. A folder given here takes ZEPHA's place (tolvane-cli, tests).
std::string ThreatZoneFootprintPath();
void SetThreatZoneFolderOverride(const std::string& folder);

// The level-of-concern texts of the footprint lines of a "zep_ftp.pas" text.
ThreatZoneLabels ParseThreatZoneLabels(std::string_view text);
// Clears the texts, then reads them from "zep_ftp.pas" (or from pasPath when given). A missing
// file leaves them empty and is no failure: the zones then keep ZEPHA's names. Always 0.
int32_t ReadThreatZoneLabels(const std::string& pasPath = {});
// After ZEPHA's import: the texts belong to that run only.
void ForgetThreatZoneLabels();
const ThreatZoneLabels& CurrentThreatZoneLabels();

// Renames "ZEPHA Threat Zone T" and "ZEPHA Confidence Lines T" after the colour whose text is
// T ("Red Threat Zone T"); any other name is left as it is.
void NameThreatZoneObject(std::string& name);

// The run summary ("zep_ftp.txt") made from a "zep_ftp.pas" text: HTML lines, the key lines
// first, an empty line, then the other summary lines.
std::string ThreatZoneSummaryText(std::string_view pasText);
// Deletes "zep_ftp.txt" in the exchange folder and writes it again from "zep_ftp.pas" (through
// a work file renamed when complete). 0 written, 1 when there is no "zep_ftp.pas", or an error.
int32_t WriteThreatZoneSummary();

// One object of the export and what its order depends on.
struct ThreatZoneObject {
  ObjectRef ref;
  std::string name;
  std::string idText;
};
// Confidence lines first, then threat zones, then the rest; each kind by ID text; stable.
void SortThreatZoneObjects(std::vector<ThreatZoneObject>& objects);

// What one KML export did.
struct ThreatZoneExport {
  int64_t objects = 0;   // objects of the overlay "ZEPHA" on all maps
  int32_t exported = 0;  // the User's Map's objects written to "zepha.mie"
  bool summary = false;  // "zep_ftp.txt" written
  bool converted = false;
  std::string mie;
  std::string polygons;  // the KML files made (empty when missing)
  std::string points;
  std::vector<std::string> argv;  // the converter's command line
  int32_t message = 0;            // the string of list 25600 shown (74, 75), 0 for none
};
// The command "Export ZEPHA Objects to KML": 0 when the KML files were made or there was nothing
// to export, -1 after string 675 or 674 was shown.
int32_t ExportThreatZoneKml(ThreatZoneExport* result = nullptr);

void ResetThreatZoneForTesting();

}  // namespace tlv
