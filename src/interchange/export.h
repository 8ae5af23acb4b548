// Export of the selected objects (or the search collection) to a text file: the interchange
// format, one line of simple text per object, or BNA coordinate records; shapefiles are written
// as interchange text and converted by a tool of the basemap package. The same object writer
// gives the one-object interchange text of the messages that describe objects.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/object_ids.h"

namespace tlv {

// Sources.
constexpr int32_t kExportSelection = 5;
constexpr int32_t kExportCollection = 6;
// Formats.
constexpr int32_t kExportMIE = 7;
constexpr int32_t kExportShapefile = 8;
constexpr int32_t kExportSimpleText = 9;
constexpr int32_t kExportBNA = 5000;
// Object-kind filters of a run.
constexpr int32_t kExportAllKinds = 0;
constexpr int32_t kExportPolygonLike = 1;  // rectangles, circles, polygons
constexpr int32_t kExportPolylines = 2;
constexpr int32_t kExportPoints = 3;

// The simple-text fields, in the order they are written.
enum ExportField : int32_t {
  kFieldName = 0,
  kFieldOverlay,
  kFieldMap,
  kFieldSymbol,
  kFieldColour,
  kFieldID,
  kExportFieldCount
};

// The settings of the Export command, kept while the program runs.
struct ExportSettings {
  int32_t source = kExportSelection;
  int32_t format = kExportMIE;
  bool fields[kExportFieldCount] = {true, true, true, true, true, true};
  int32_t shapefileKind = kExportPoints;  // kExportPoints, kExportPolylines or kExportPolygonLike
  int32_t kindFilter = kExportAllKinds;
  // The configuration flag EXPORTRGB: an active custom colour is written as its RGB word in
  // interchange records too (simple text always writes it).
  bool exportRGB = true;
};
ExportSettings& MutableExportSettings();
const ExportSettings& CurrentExportSettings();

// What export asks of the Parts above it. Each may be left empty.
struct ExportHooks {
  // The save dialog: title, default name and file kind (".MIE"); false on Cancel.
  std::function<bool(const std::string& title, const std::string& defaultName,
                     const std::string& fileKind, std::string& path)>
      chooseSaveFile;
  // The progress box: opened with its text, told the share written (true: the user cancelled),
  // closed.
  std::function<void(const std::string& text)> openProgress;
  std::function<bool(int32_t percent)> progress;
  std::function<void()> closeProgress;
  // The objects of the search collection, in order; false while there is no collection.
  std::function<bool(std::vector<ObjectRef>& objects)> collectionObjects;
  // The program folder (which holds the basemap package's "basemaptools" folder) and the maps
  // folder's exchange folder with the package ("…/BasemapFiles/Temp/"), both ending in "/".
  std::function<std::string()> programFolder;
  std::function<std::string()> exchangeFolder;
  // Runs between the polls of a running conversion tool, so a window can paint.
  std::function<void()> keepForward;
};
void SetExportHooks(ExportHooks hooks);

// WriteObjectRecord results besides 0 (written) and the error codes.
constexpr int32_t kExportPassedOver = 1;  // another kind than the format or the filter takes
constexpr int32_t kExportRefused = 2;     // a BNA object with more than one FROM point

// Appends the object's record in the format (kExportMIE, kExportSimpleText or kExportBNA) to
// sink, byte for byte as the file gets it. The running settings give the simple-text fields,
// the kind filter and EXPORTRGB.
int32_t WriteObjectRecord(int32_t format, const ObjectRef& object, std::string& sink);

// What one export did.
struct ExportResult {
  std::string path;
  int32_t objects = 0;     // objects of the source
  int32_t written = 0;     // records written
  int32_t passedOver = 0;  // objects of kinds the format or the filter does not take
  int64_t bytes = 0;
  std::vector<std::string> files;  // the files made (a shapefile set has four)
  double writeSeconds = 0;
  double convertSeconds = 0;
};

// Writes every object of the source in the running format to path (empty: asks with the save
// dialog, offering defaultName). The file is written beside as a work file and takes the name
// only when complete, so a failure or cancel keeps an old file of that name. 0; -1 when
// cancelled, for the shapefile format or for an empty source; an error after its report.
int32_t Export(const std::string& defaultName, const std::string& fileKind, const std::string& path,
               ExportResult* result = nullptr);

// Export with the objects given instead of the source (the BNA and shapefile paths and
// tolvane-cli use it; the source's order is kept).
int32_t ExportObjects(const std::vector<ObjectRef>& objects, int32_t format,
                      const std::string& path, ExportResult* result = nullptr);

// The default file name and kind of a format ("export.MIE" and ".MIE").
std::string ExportDefaultName(int32_t format);
std::string ExportFileKind(int32_t format);

// The objects of the running source; false (after saying why) when it cannot be had.
bool ExportSourceObjects(int32_t source, std::vector<ObjectRef>& objects);

// The Export command after its dialog: runs the chosen format on the chosen source.
int32_t RunExportCommand(ExportResult* result = nullptr);

// The BNA command (803): the selection sorted for BNA (numbered names first, then larger
// rectangles before the ones they hold), exported, and its order put back. path empty: asks.
int32_t ExportSelectionAsBNA(const std::string& path, ExportResult* result = nullptr);

// The sort key order of the BNA command over plain values, for testing its ordering: a name
// beginning with "#" and its number, the rectangle's area, map ID and position.
struct BNASortKey {
  bool numbered = false;
  int64_t number = 0;
  int64_t area = 0;
  int32_t mapID = 0;
  int32_t position = 0;
};
bool BNASortsBefore(const BNASortKey& a, const BNASortKey& b);
// The key of a name and rectangle.
BNASortKey MakeBNASortKey(const std::string& name, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          int32_t mapID, int32_t position);

// The shapefile path: kind choice (kind 0: by the objects' kinds, asking when they are mixed),
// save dialog (path empty), the interchange work file with the kind filter, the conversion by
// the package's mie2shp tool and its results copied beside path under its base name. The
// program and exchange folders come from the hooks. 0; -1 when cancelled; an error after its
// report (message 671 when the conversion fails).
int32_t ExportShapefile(const std::vector<ObjectRef>& objects, const std::string& path,
                        int32_t kind = 0, ExportResult* result = nullptr);

// The shapefile kind for objects counted by kind (points, polylines, polygon-like): the only
// kind present, else the previous choice when it has objects, else points, polylines, polygons
// in that order; 0 when none has objects.
int32_t DefaultShapefileKind(int32_t points, int32_t polylines, int32_t polygons, int32_t previous);

// The colour as export writes it: the custom colour word "R%hdG%hdB%hd" when customActive,
// else the colour menu's word for the stored colour ("BLACK" for any other value).
std::string ExportColourWord(int16_t storedColour, bool customActive, uint32_t rgb);

// One object as interchange text for messages: the record with blanks for its line breaks and
// without the empty line that ends it in a file.
int32_t ObjectMIEText(const ObjectRef& object, std::string& text);

void ResetExportForTesting();

}  // namespace tlv
