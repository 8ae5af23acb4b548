// The messages by which a sibling program uses the map as its display: showing, searching,
// describing, deleting, importing and renaming objects, zones around an object, and the view.
// Objects travel as ID texts and as list lines of ID, overlay and map.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/memory.h"
#include "base/object_ids.h"
#include "base/world_types.h"

namespace tlv {

constexpr size_t kObjectIDTextLength = 16;
constexpr size_t kListOverlayLimit = 31;
constexpr size_t kListMapLimit = 41;
// A list of at least this many lines may be looked up overlay by overlay.
constexpr size_t kBatchLookupMinLines = 9;
// ... when this many lines name an existing map and overlay, and at least a tenth of them do.
constexpr size_t kBatchLookupMinKnown = 100;
// A run of more records than this on one overlay is worth one scan of its summary records.
constexpr size_t kBatchScanMinRun = 4;
// The length of every line after the first of an RGB-controlled list, its CR included.
constexpr size_t kRgbLineLength = 28;

// An import of objects in the old text format for "IMPT".
struct OldImportRequest {
  const std::string* text = nullptr;  // the objects themselves, or null to read fileName
  std::string fileName;
  char mode = 'N';
  bool select = true;
  bool relative = false;  // coordinates are offsets in unit from the centre (west positive)
  double centreLatitude = 0;
  double centreLongitude = 0;
  char unit = 'M';
  int32_t mapID = 0;
  bool applicationOwned = false;
};

// What the map and object messages ask of the layers above; each may be left empty.
struct ObjectMessageHooks {
  std::function<void()> bringOwnWindowForward;
  std::function<void()> redraw;
  // Whether the user (or a message) has set a view since start-up; a show zooms when not.
  std::function<bool()> viewIsSet;
  // Whether the program is in the foreground (a deferred search waits for the next activation
  // otherwise).
  std::function<bool()> inForeground;
  // The configuration flag WRITELST2TOFILE.
  std::function<bool()> writeListToFile;
  // The configuration's TDOCUTOFF: the most objects a thematic list keeps in memory.
  std::function<int32_t()> thematicCutoff;
  // The user's folder (with a trailing "/"), where a written list goes.
  std::function<std::string()> userFolder;
  // The envelope polygon around a polyline or polygon at distance (current unit): the points of
  // its outline, the piece bit on every piece start as stored. Installed by the wiring.
  std::function<int32_t(int32_t mapID, int32_t overlayID, int32_t position, double distance,
                        std::vector<WPoint>& outline)>
      envelopePolygon;
  // The threat-zone footprint information of the threat-zone program: read before one of its
  // imports, forgotten after. Empty while that bridge is not part of the program.
  std::function<int32_t()> readThreatZoneFootprints;
  std::function<void()> forgetThreatZoneLabels;
  // The interchange side, which sits beside messaging: an object's interchange record; an
  // old-format import; an interchange import (mode: the ID collision mode) answering 0, 1 when
  // cancelled, or a failure's code.
  std::function<int32_t(const ObjectRef& object, std::string& record)> interchangeRecord;
  std::function<int32_t(const OldImportRequest& request, std::vector<std::string>& ids)>
      importOldObjects;
  std::function<int32_t(const std::string& path, bool passFile, bool showProgress, int32_t mode)>
      importInterchange;
};
void SetObjectMessageHooks(ObjectMessageHooks hooks);
const ObjectMessageHooks& CurrentObjectMessageHooks();

// Redraws the map (through the hook), unless drawing is held by "DRW+".
void RedrawAfterMessage();
// The "DRW+" hold: how many holds are in force.
int32_t DrawHoldCount();
// Degrees of messages to world units and back: latitude = (y - 90000000) / 1000000, longitude =
// (x - 180000000) / 1000000.
WPoint WorldPointFromDegrees(double latitude, double longitude);
double LatitudeOfWorldY(int32_t y);
double LongitudeOfWorldX(int32_t x);
// The rectangle of two corners in degrees, put in order whichever way they were given.
WRect WRectFromDegrees(double latitude1, double longitude1, double latitude2, double longitude2);

// --- Object ID texts and list lines ---

// The ID of an ID text: cut at its first blank, left-padded with "0" to 16 characters, the first
// 8 digits the high value, the last 8 the low value. False for a longer text or one that is not
// hexadecimal.
bool ReadObjectIDText(std::string_view text, ObjectID& id);

// Every LF not after a CR becomes CR, the other LFs go, and the text ends with exactly one CR
// (an empty text stays empty).
std::string NormaliseListLineEnds(std::string_view text);
// The lines of a normalised list, without their CRs.
std::vector<std::string_view> ListLines(std::string_view normalised);

// One list line: ID, overlay, map. An overlay or map that does not exist leaves its ID 0 (and a
// named map that is missing sets mapMissing).
struct ListLine {
  std::string idText;
  ObjectID id;
  std::string overlayName;
  std::string mapName;
  int32_t overlayID = 0;
  int32_t mapID = 0;
  bool mapMissing = false;
};
// False for a line the list skips: an ID field that is not exactly 16 characters (or not an ID),
// or a field longer than its limit.
bool ParseListLine(std::string_view line, ListLine& parsed);
// The map a list names: by name, else, for digits only, by the maps' owner code. -1 when none.
int32_t ListMapIndex(std::string_view name);

// The optional columns of answer lines, chosen by the words of OPTN.
struct AnswerColumns {
  bool type = false;
  bool name = false;
  bool latLong = false;
  bool interchange = false;  // "MIE": each object's interchange record instead of a line
};
AnswerColumns AnswerColumnsFromOptions(std::string_view options);
// Appends the object's answer line (ID TAB overlay TAB map, the columns, CR LF), or its
// interchange record. 0, or the read failure's code.
int32_t AppendAnswerLine(const ObjectRef& object, const AnswerColumns& columns, std::string& out);

// Where a list line's object is looked for after its own map and overlay.
struct LookupWidening {
  bool anyMap = false;
  bool userMap = false;  // "ANYUMAP": the maps an application owns (the lookup's map filter 1)
  bool anyOverlay = false;
};
LookupWidening LookupWideningFromOptions(std::string_view options);
// The object a list line names. 0 with found set or clear, or a read failure's code.
int32_t FindListedObject(const ListLine& line, const LookupWidening& widening, ObjectRef& object,
                         bool& found);

// --- Lists with a colour per object ---
struct ColouredEntry {
  std::string idText;
  char code = 0;
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};
// Checks an RGB-controlled list (normalised) and reads its entries after the first line. 0, or
// the 1-based number of the failed check (fewer than two lines; the second line's TAB or CR
// out of place; a length that is not the first line plus 28 per further line).
int32_t ReadColouredList(std::string_view normalised, ListLine& first,
                         std::vector<ColouredEntry>& entries);

// --- How the last show went (tests and tolvane-cli report it) ---
enum class ShowPath { kNone, kUniform, kBatch, kLineByLine };
struct ShowReport {
  ShowPath path = ShowPath::kNone;
  int32_t lines = 0;
  int32_t found = 0;
  int32_t overlayScans = 0;  // summary-record passes over one overlay file
  int32_t lookups = 0;       // objects looked up by ID one at a time
  int32_t selected = 0;
};
const ShowReport& LastShowReport();

// --- Handlers ---
int32_t HandleSHOW(const char* envelope);
int32_t HandleSRCH(const char* envelope);
int32_t HandleMYOD(const char* envelope);
int32_t HandleDELO(const char* envelope);
int32_t HandleIMPT(const char* envelope);
int32_t HandleIMP2(const char* envelope);
int32_t HandleNAME(const char* envelope);
int32_t HandleNBHQuery(const char* envelope);
// The view and the Click Point.
int32_t HandleCPTQuery(const char* envelope);
int32_t HandleGOTO(const char* envelope);
int32_t HandleVIEW(const char* envelope);
int32_t HandleVEWQuery(const char* envelope);
int32_t HandleDRWPlus(const char* envelope);
int32_t HandleDRWMinus(const char* envelope);

// A search asked for with SHOWINCOLLECTION while the program was in the background runs when
// the window is next activated.
void RunDeferredSearch();

void ResetObjectMessagesForTesting();
void ResetViewMessagesForTesting();

}  // namespace tlv
