// The basemap bridge: the raster basemap under the overlays and the basemap package's tools.
// The package (the "basemaptools" folder in the program folder) renders and looks things up in
// PHP; the program writes small scripts describing the view into the maps folder's exchange
// folder (BasemapFiles/Temp), runs the package's PHP on them as hidden processes and reads the
// files they leave there. Everything read back is outside input and is checked before use.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/world_types.h"

namespace tlv {

class DrawPort;
struct ViewMapping;

// The four basemap buttons, in the order "mapbuttons.txt" holds them.
struct BasemapButtons {
  bool basemap = false;
  bool photo = false;
  bool topo = false;
  bool fourth = false;
  bool operator==(const BasemapButtons&) const = default;
};

// The area of a basemap query: a rectangle, or the circle inscribed in its width.
struct BasemapQueryArea {
  WRect area;
  bool circle = false;
};

// What the bridge needs from the layers above it; each member may be empty.
struct BasemapHooks {
  std::function<void()> redraw;
  // Lets the window paint between the polls of a tool that keeps its window forward.
  std::function<void()> keepForwardStep;
  // Opens one of the package's HTML windows; 0, 5 (access denied) or another error.
  std::function<int32_t(const std::string& path)> openWindow;
  // Closes the package window with the title, when one is open.
  std::function<void(const std::string& title)> closeWindow;
  // Whether a package window with the title is open; brings it forward when it is.
  std::function<bool(const std::string& title)> raiseWindow;
  // Writes the selected objects as interchange text to the path (for the selection tools):
  // 0, -1 when an object is not a polygon, circle or rectangle, other codes on failure.
  std::function<int32_t(const std::string& path)> exportSelectedAreas;
  // Imports an interchange file into the map for new objects.
  std::function<int32_t(const std::string& path)> importInterchange;
  // Asks for one line of text (the address to find); false when cancelled.
  std::function<bool(const std::string& prompt, std::string& text)> askText;
};
void SetBasemapHooks(BasemapHooks hooks);

// The folders the bridge works in: the program folder (holding "basemaptools") and the maps
// folder, each ending in "/". quickTime is the USEQUICKTIME configuration flag.
void SetBasemapFolders(const std::string& programFolder, const std::string& mapsFolder,
                       bool quickTime);
std::string BasemapExchangeFolder();
std::string BasemapToolsFolder();

// The start-up check: 0, or -1 when the program must end (the message was shown).
int32_t StartBasemapBridge();
// Makes the exchange folder when missing and names it (and the maps folder) in the environment
// the package's tools inherit: TOLVANE_EXCHANGE and TOLVANE_MAPS.
void PrepareBasemapExchange();
// Whether the picture service can run (USEQUICKTIME and a PHP with MapScript in the package),
// and, when it cannot, what is missing.
bool BasemapAvailable();
const std::string& BasemapMissing();

const BasemapButtons& CurrentBasemapButtons();
// The data sets the package can download for the view of its last picture ("downloadsavailable.txt"
// read after each render of the program's own view): [0] data set 1, [1] data set 2.
const std::array<bool, 2>& BasemapDownloads();
// Reads "downloadsavailable.txt" again into the flags (both false when it is missing).
const std::array<bool, 2>& ReadBasemapDownloads();
// Takes the buttons "mapbuttons.txt" holds when it is sound (tolvane-cli's drawing commands):
// 0, or -1 with the buttons left alone.
int32_t LoadBasemapButtons();
// Sets the buttons and writes "mapbuttons.txt"; turning the basemap off deletes the picture.
int32_t SetBasemapButtons(const BasemapButtons& buttons);
// "mapbuttons.txt" as the package's windows left it: 0 and the buttons read, -1 when the file is
// missing, short or starts with anything but "0"/"1" (the buttons are then left alone).
int32_t ReadBasemapButtonsFile(BasemapButtons& buttons);

const std::optional<BasemapQueryArea>& BasemapQuery();
void SetBasemapQuery(const BasemapQueryArea& query);
// The clear-query command: redraws when there was something to clear.
void ClearBasemapQuery();
bool BasemapRadiusPending();

// One render: the world rectangle shown, the picture's size and the Click Point.
struct BasemapRenderRequest {
  WRect world;
  int32_t width = 0;
  int32_t height = 0;
  WPoint clickPoint;
  BasemapButtons buttons;
  bool radiusPending = false;
  std::optional<BasemapQueryArea> query;
  bool printing = false;
};

// The five exchange files of a render; circle and rect are empty when not written.
struct BasemapScripts {
  std::string makemap;
  std::string extents;
  std::string clickpoint;
  std::string circle;
  std::string rect;
  bool operator==(const BasemapScripts&) const = default;
};
// The files for the request, the picture to be saved at pngPath.
BasemapScripts BuildBasemapScripts(const BasemapRenderRequest& request, const std::string& pngPath);

// The latitude of true scale of a world rectangle: the middle of its latitudes, in degrees.
double BasemapTrueScaleLatitude(const WRect& world);

struct BasemapRenderResult {
  bool ready = false;
  bool reused = false;  // the files equalled the last good render's: no PHP ran
  std::string pngPath;
  std::vector<std::string> argv;
  double seconds = 0;
  std::string phpError;
};
// Writes and runs the render script and leaves "MapServer.png". The caller's request carries the
// view; the buttons and query come from the bridge's state when withState is true.
BasemapRenderResult RenderBasemap(BasemapRenderRequest request, bool withState = true);
// Drops the remembered render, so the next one runs PHP again.
void ForgetBasemapRender();

// The drawDecorations-style hook of the drawing pass: renders the mapping's world rectangle at
// the mapping's pixel size and draws the picture under the overlays. 0, or an error code.
int32_t DrawBasemap(DrawPort& port, const ViewMapping& mapping);
// Whether the drawing pass should draw the basemap: while the basemap button is on.
bool BasemapShown();

// A tool command as the package's command lines name it, turned into an argument list: "\" is
// "/", "php.exe" is "php" and a ".bat" tool runs with /bin/sh. Arguments are never re-split.
std::vector<std::string> BasemapToolArgv(const std::string& tool,
                                         const std::vector<std::string>& arguments);

enum BasemapToolResult : int32_t {
  kToolDone = 0,
  kToolStartFailed = -1,
  kToolCancelled = -2,
};
struct ToolRunOptions {
  bool wait = true;
  bool keepForward = true;
  // Milliseconds between the request to end and the kill when the user cancels.
  int32_t graceMilliseconds = 4000;
};
// Runs a tool hidden in the program folder: 0, -1 ("CreateProcess failed" shown) or -2 when the
// user pressed Escape while waiting (the tool's process group was ended).
int32_t RunTool(const std::vector<std::string>& argv, const ToolRunOptions& options = {});
// The exit status of the last tool that ended (-1 when none).
int32_t LastToolStatus();
// Opens one of the package's HTML windows when its file exists: 0, or -1 when it is missing or
// no window can be opened.
int32_t OpenBasemapWindow(const std::string& path);

// Asks the package whether the Internet can be reached; on "no" offers the proxy settings and
// retries. message is the string number naming what cannot be done.
bool IsConnected(int32_t message);

// The tool commands. Each returns 0 when the tool ran (its result handled), or an error code.
enum class BasemapTool {
  kDownloadManager,
  kDownloadFeatures,
  kDownload1,
  kDownload2a,
  kDownload2b,
  kBasemapBuilder,
  kWeather,
  kElevation,
  kAddress,
  kFindAddress,
  kCheckUpdates,
  kPopulationRadius,
  kInfoInArea,
  kPopulationInArea,
  kPopulationInSelection,
  kInfoInSelection,
  kImportShapefile,
  kGoto,
  kRedraw,
  kLayersReload,
  kClearQuery,
  kDownloadTiger,
  kDownloadShapefiles,
  kImportToMapFile,
  kQuery,
};
// The tool's name as tolvane-cli spells it; empty for none.
std::string BasemapToolName(BasemapTool tool);
bool BasemapToolFromName(const std::string& name, BasemapTool& tool);

struct BasemapToolInput {
  std::string text;       // find an address: the address
  std::string shapefile;  // import shapefile: the file
};
struct BasemapToolOutcome {
  std::vector<std::string> argv;  // the last tool run
  int32_t status = 0;             // RunTool's result (-1, -2) or the command's error
  bool waited = false;
  std::string result;               // the text shown or read back
  std::vector<std::string> opened;  // package windows opened
};
BasemapToolOutcome RunBasemapTool(BasemapTool tool, const BasemapToolInput& input = {});

// The second-copy command words 9989 to 9999.
void HandleBasemapCommandWord(int32_t code);

// "goto.txt": 1 the rectangle (x1 < x2 …) to show, 2 a point, 0 nothing usable.
int32_t ParseGotoFile(const std::string& bytes, WRect& rect, WPoint& point);
// "address_geocode.txt": true with the point when both lines are numbers inside the world and
// not both 0.
bool ParseGeocodeFile(const std::string& bytes, WPoint& point);
// The query circle's ring: 101 "LON LAT" lines, the last the first again.
std::string QueryCircleRing(const WRect& area);

void ResetBasemapBridgeForTesting();

}  // namespace tlv
