#include "tools/basemap_bridge.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <utility>

#include "base/errors.h"
#include "base/platform.h"
#include "base/strings.h"
#include "render/draw_object.h"
#include "render/draw_port.h"
#include "render/map_view.h"

namespace tlv {

namespace {

constexpr double kEarthRadius = 6378137.0;
constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kPollMilliseconds = 100;
constexpr int32_t kExitCheckMilliseconds = 5;
// Texts the tools leave are read up to this size; anything longer is cut.
constexpr size_t kMaxResultBytes = 32 * 1024;
constexpr int32_t kCircleSteps = 100;
constexpr int32_t kMaxRenderSide = 4096;

struct RememberedRender {
  BasemapScripts scripts;
  std::string pngPath;
  PictureImage picture;
  bool pictureLoaded = false;
};

struct BridgeState {
  BasemapHooks hooks;
  std::string programFolder = "./";
  std::string mapsFolder = "./";
  bool quickTime = true;
  bool checked = false;
  bool available = false;
  std::string missing;
  BasemapButtons buttons;
  std::array<bool, 2> downloads{};
  std::optional<BasemapQueryArea> query;
  bool radiusPending = false;
  std::optional<RememberedRender> last;
  int32_t lastToolStatus = -1;
  // Tools started without waiting run on; they are collected when they end.
  std::vector<std::unique_ptr<platform::Process>> running;
};

BridgeState& S() {
  static BridgeState state;
  return state;
}

// ---- numbers and texts ----------------------------------------------------------------------

// printf's "%.Nf" in the C locale whatever LC_NUMERIC says.
std::string Fixed(double value, int precision) {
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, precision);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer.data(), result.ptr);
}

std::string F6(double value) {
  return Fixed(value, 6);
}

double Longitude(int32_t x) {
  return (static_cast<double>(x) - 180000000.0) / 1000000.0;
}
double Latitude(int32_t y) {
  return (static_cast<double>(y) - 90000000.0) / 1000000.0;
}
int32_t WorldX(double longitude) {
  return static_cast<int32_t>(std::lround(longitude * 1000000.0 + 180000000.0));
}
int32_t WorldY(double latitude) {
  return static_cast<int32_t>(std::lround(latitude * 1000000.0 + 90000000.0));
}

// A path inside a PHP double-quoted literal: "\", '"' and "$" would end or change it.
std::string PhpQuoted(const std::string& path) {
  std::string out = "\"";
  for (const char c : path) {
    if (c == '\\' || c == '"' || c == '$') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool ReadText(const std::string& path, std::string& text, size_t limit = kMaxResultBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(limit, '\0');
  in.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<size_t>(in.gcount()));
  return true;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return !out.fail();
}

void Remove(const std::string& path) {
  std::remove(path.c_str());
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The lines of a text, each cut to maxLength, without their line ends.
std::vector<std::string> Lines(const std::string& text, size_t maxLength) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
      if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (i < text.size() || !line.empty()) lines.push_back(line.substr(0, maxLength));
      line.clear();
    } else {
      line += text[i];
    }
  }
  return lines;
}

// A whole decimal number and nothing else (blanks around it allowed).
bool ParseNumber(const std::string& text, double& value) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return false;
  size_t end = text.find_last_not_of(" \t") + 1;
  const char* first = text.data() + begin;
  const char* last = text.data() + end;
  if (*first == '+') ++first;
  const auto result = std::from_chars(first, last, value);
  return result.ec == std::errc() && result.ptr == last && std::isfinite(value);
}

bool InsideWorld(double longitude, double latitude) {
  return longitude >= -180.0 && longitude <= 180.0 && latitude >= -90.0 && latitude <= 90.0;
}

void ShowTitled(const std::string& title, const std::string& text) {
  Question box;
  box.title = title;
  box.text = text;
  box.buttons = {"OK"};
  Platform().Ask(box);
}

void Redraw() {
  if (S().hooks.redraw) S().hooks.redraw();
}

std::string Exchange(const std::string& name) {
  return BasemapExchangeFolder() + name;
}

std::string ButtonsText(const BasemapButtons& b) {
  std::string text;
  text += b.basemap ? '1' : '0';
  text += b.photo ? '1' : '0';
  text += b.topo ? '1' : '0';
  text += b.fourth ? '1' : '0';
  return text + "   ";
}

int32_t WriteButtonsFile() {
  const std::string path = Exchange("mapbuttons.txt");
  if (WriteText(path, ButtonsText(S().buttons))) return 0;
  std::string note = MessageText(121);
  const size_t at = note.find("%s");
  if (at != std::string::npos) note.replace(at, 2, path);
  ShowAlert(note, kNoteAlert);
  return -1;
}

// Opens a package window the tool left, when it exists.
void OpenIfPresent(const std::string& name, BasemapToolOutcome& outcome) {
  const std::string path = Exchange(name);
  if (!Exists(path)) return;
  outcome.opened.push_back(path);
  if (S().hooks.openWindow) S().hooks.openWindow(path);
}

// Waits for a tool: its end is noticed within a few milliseconds (a render is on the redraw's
// path), while Escape and the window's painting are looked at every kPollMilliseconds. 0 when
// it ended, -2 when the user cancelled and the tool's group was ended.
int32_t WaitForTool(platform::Process& process, int32_t graceMilliseconds,
                    const std::function<void()>& between) {
  const auto pollEvery = std::chrono::milliseconds(kPollMilliseconds);
  auto nextPoll = std::chrono::steady_clock::now() + pollEvery;
  while (process.Running()) {
    if (std::chrono::steady_clock::now() >= nextPoll) {
      if (Platform().EscapePressed()) {
        return process.WaitForExit(
            1, [] { return true; }, graceMilliseconds);
      }
      if (between) between();
      nextPoll += pollEvery;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kExitCheckMilliseconds));
  }
  return 0;
}

void CollectEndedTools() {
  auto& running = S().running;
  for (size_t i = 0; i < running.size();) {
    if (!running[i]->Running()) {
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

// Whether the package's PHP runs and (with probe) has MapScript; what is missing when not.
// Without the probe a missing MapScript shows as the first render's error line instead.
void CheckPackage(bool probe) {
  BridgeState& s = S();
  s.checked = true;
  s.available = false;
  if (!s.quickTime) {
    s.missing = "USEQUICKTIME is 0 in the configuration";
    return;
  }
  const std::string php = BasemapToolsFolder() + "php/php";
  if (::access(php.c_str(), X_OK) != 0) {
    s.missing = php + " cannot be run";
    return;
  }
  if (!probe) {
    s.available = true;
    s.missing.clear();
    return;
  }
  platform::Process check;
  platform::ProcessOptions options;
  options.argv = {php, "-r", "exit(extension_loaded('mapscript') ? 0 : 3);"};
  options.workingFolder = s.programFolder;
  if (check.Start(options) != 0) {
    s.missing = check.StartError();
    return;
  }
  check.WaitForExit(
      kExitCheckMilliseconds, [] { return false; }, 0);
  if (check.ExitStatus() == 3) {
    s.missing = "the PHP MapScript extension (Debian's php-mapscript-ng) is not installed";
  } else if (check.ExitStatus() != 0) {
    s.missing = "PHP (Debian's php-cli) does not run: " + php;
  } else {
    s.available = true;
    s.missing.clear();
  }
}

}  // namespace

// ---- folders and state -------------------------------------------------------------------------

void SetBasemapHooks(BasemapHooks hooks) {
  S().hooks = std::move(hooks);
}

void SetBasemapFolders(const std::string& programFolder, const std::string& mapsFolder,
                       bool quickTime) {
  BridgeState& s = S();
  s.programFolder = WithTrailingSlash(programFolder.empty() ? "." : programFolder);
  s.mapsFolder = WithTrailingSlash(mapsFolder.empty() ? "." : mapsFolder);
  s.quickTime = quickTime;
  s.checked = false;
  s.last.reset();
}

std::string BasemapExchangeFolder() {
  return S().mapsFolder + "BasemapFiles/Temp/";
}

std::string BasemapToolsFolder() {
  return S().programFolder + "basemaptools/";
}

bool BasemapAvailable() {
  if (!S().checked) CheckPackage(false);
  return S().available;
}

const std::string& BasemapMissing() {
  BasemapAvailable();
  return S().missing;
}

int32_t StartBasemapBridge() {
  BridgeState& s = S();
  if (!Exists(s.mapsFolder + "BasemapFiles/Settings/global.map")) {
    ShowTitled("Error", "Cannot find global.map");
    return -1;
  }
  PrepareBasemapExchange();
  Remove(Exchange("dont_ask.txt"));
  if (Exists(Exchange("log.txt"))) {
    const int32_t opened =
        s.hooks.openWindow ? s.hooks.openWindow(s.programFolder + "cntr.hta") : 0;
    if (opened == 5) {
      Remove(Exchange("log.txt"));
      return -1;
    }
  }
  CheckPackage(true);
  // The buttons the last run or the package's windows left stand when the file is sound.
  BasemapButtons saved;
  const bool anySaved = ReadBasemapButtonsFile(saved) == 0 && !(saved == BasemapButtons{});
  if (!s.available) {
    s.buttons = BasemapButtons{};
    // Only buttons that were on are turned off; a maps folder that never used the basemap
    // starts without a word.
    if (anySaved) {
      std::string note = MessageText(667);
      if (!s.missing.empty()) note += "\n\n(" + s.missing + ")";
      ShowAlert(note, kNoteAlert);
    }
  } else if (anySaved) {
    s.buttons = saved;
  }
  WriteButtonsFile();
  Remove(Exchange("getinfolist.txt"));
  return 0;
}

void PrepareBasemapExchange() {
  // The exchange folder is made when missing, so a copied maps folder works at once.
  ::mkdir((S().mapsFolder + "BasemapFiles/Temp").c_str(), 0755);
  // Both the package's scripts and runtool find the exchange folder through these.
  ::setenv("TOLVANE_MAPS", S().mapsFolder.c_str(), 1);
  ::setenv("TOLVANE_EXCHANGE", BasemapExchangeFolder().c_str(), 1);
}

const BasemapButtons& CurrentBasemapButtons() {
  return S().buttons;
}

int32_t LoadBasemapButtons() {
  BasemapButtons read;
  if (ReadBasemapButtonsFile(read) != 0) return -1;
  S().buttons = read;
  return 0;
}

int32_t SetBasemapButtons(const BasemapButtons& buttons) {
  BridgeState& s = S();
  const bool turnedOn = buttons.basemap && !s.buttons.basemap;
  s.buttons = buttons;
  if (!buttons.basemap) Remove(Exchange("MapServer.png"));
  if (turnedOn) s.last.reset();
  return WriteButtonsFile();
}

int32_t ReadBasemapButtonsFile(BasemapButtons& buttons) {
  std::string text;
  if (!ReadText(Exchange("mapbuttons.txt"), text, 64) || text.size() < 4) return -1;
  for (size_t i = 0; i < 4; ++i) {
    if (text[i] != '0' && text[i] != '1') return -1;
  }
  buttons.basemap = text[0] == '1';
  buttons.photo = text[1] == '1';
  buttons.topo = text[2] == '1';
  buttons.fourth = text[3] == '1';
  return 0;
}

const std::optional<BasemapQueryArea>& BasemapQuery() {
  return S().query;
}

void SetBasemapQuery(const BasemapQueryArea& query) {
  if (query.area.x1 < query.area.x2) {
    S().query = query;
  } else {
    S().query.reset();
  }
}

void ClearBasemapQuery() {
  BridgeState& s = S();
  const bool had = s.query.has_value() || s.radiusPending;
  s.query.reset();
  s.radiusPending = false;
  s.last.reset();
  if (had) Redraw();
}

bool BasemapRadiusPending() {
  return S().radiusPending;
}

// ---- rendering ---------------------------------------------------------------------------------

double BasemapTrueScaleLatitude(const WRect& world) {
  const double middle = (Latitude(world.y1) + Latitude(world.y2)) / 2.0;
  return std::fmax(-90.0, std::fmin(90.0, middle));
}

std::string QueryCircleRing(const WRect& area) {
  const double west = Longitude(area.x1);
  const double east = Longitude(area.x2);
  const double south = Latitude(area.y1);
  const double north = Latitude(area.y2);
  const double centreX = (west + east) / 2.0;
  const double centreY = (south + north) / 2.0;
  const double radius = (east - west) / 2.0;
  const double squeeze = std::cos(north * kPi / 180.0);
  std::string ring;
  std::string first;
  for (int32_t i = 0; i < kCircleSteps; ++i) {
    const double a = 2.0 * kPi * i / kCircleSteps;
    std::string line = F6(centreX + radius * std::cos(a)) + " " +
                       F6(centreY + radius * std::sin(a) * squeeze) + " \n";
    if (i == 0) first = line;
    ring += line;
  }
  return ring + first;
}

BasemapScripts BuildBasemapScripts(const BasemapRenderRequest& request,
                                   const std::string& pngPath) {
  const WRect& w = request.world;
  const double west = Longitude(w.x1);
  const double east = Longitude(w.x2);
  const double south = Latitude(w.y1);
  const double north = Latitude(w.y2);
  const double trueScale = BasemapTrueScaleLatitude(w);
  const double radians = kPi / 180.0;
  const double squeeze = std::cos(trueScale * radians);
  const std::string minX = F6(kEarthRadius * (west * radians) * squeeze);
  const std::string minY = Fixed(kEarthRadius * (south * radians), 16);
  const std::string maxX = F6(kEarthRadius * (east * radians) * squeeze);
  const std::string maxY = Fixed(kEarthRadius * (north * radians), 16);
  const std::string size = std::to_string(request.width) + ", " + std::to_string(request.height);

  BasemapScripts files;
  std::string& m = files.makemap;
  m = "<?php\n";
  m += "include(\"basemaptools/include1.php\");\n";
  m += "setLayerDrawOrder();\n";
  m += "$old_error_handler = set_error_handler(\"myErrorHandler\");\n";
  m += "$oMap->setsize(" + size + ");\n";
  m += "$oMap->setExtent(" + minX + "," + minY + "," + maxX + "," + maxY + ");\n";

  files.extents = "<?php\n$oMap->setsize(" + size + ");\n$oMap->setExtent(" + F6(west) + "," +
                  F6(south) + "," + F6(east) + "," + F6(north) + ");\n?>\n";
  files.clickpoint = "<?php\n$clickPoint = ms_newPointObj();\n$clickPoint->setXY(" +
                     F6(Longitude(request.clickPoint.x)) + "," +
                     F6(Latitude(request.clickPoint.y)) + ");\n?>\n";

  if (request.buttons.photo) m += "$photoOn = 1;\n";
  if (request.buttons.topo) m += "$topoOn = 1;\n";
  if (request.buttons.basemap) m += "$basemapOn = 1;\n";
  m += "include(\"basemaptools/include2.php\");\n";
  if (request.radiusPending) {
    m += "$oLayer = $oMap->getLayerByName(\"query_circle\");\n";
    m += "$oLayer->set(\"status\", MS_ON);\n";
  }
  if (request.query && request.query->area.x1 < request.query->area.x2) {
    const WRect& q = request.query->area;
    const std::string qWest = F6(Longitude(q.x1));
    const std::string qSouth = F6(Latitude(q.y1));
    const std::string qEast = F6(Longitude(q.x2));
    const std::string qNorth = F6(Latitude(q.y2));
    if (request.query->circle) {
      files.circle = QueryCircleRing(q);
      m += "$oLayer = $oMap->getLayerByName(\"query_circle\");\n";
      m += "$oLayer->set(\"status\", MS_ON);\n";
      m += "$circle = TRUE;\n";
      m += "$oRect = ms_newRectObj();\n";
    } else {
      m += "$oRect = ms_newRectObj();\n";
      m += "$oRect->set(\"minx\"," + qWest + ");\n";
      m += "$oRect->set(\"miny\"," + qSouth + ");\n";
      m += "$oRect->set(\"maxx\"," + qEast + ");\n";
      m += "$oRect->set(\"maxy\"," + qNorth + ");\n";
      m += "$circle = FALSE;\n";
      files.rect = qWest + " " + qNorth + "\r\n" + qEast + " " + qNorth + "\r\n" + qEast + " " +
                   qSouth + "\r\n" + qWest + " " + qSouth + "\r\n" + qWest + " " + qNorth + "\r\n";
      m += "$oLayer = $oMap->getLayerByName(\"query_rect\");\n";
      m += "$oLayer->set(\"status\", MS_ON);\n";
    }
  }
  m += "$oMap->setProjection(\"proj=eqc,lat_ts=" + F6(trueScale) +
       ",lon_0=0,x_0=0,y_0=0,ellps=WGS84,datum=NAD83,units=m,no_defs\",MS_TRUE);\n";
  m += "$oImage = $oMap->draw();\n";
  m += "$oImage->saveImage(" + PhpQuoted(pngPath) + ");\n";
  m += "?>\n";
  return files;
}

void ForgetBasemapRender() {
  S().last.reset();
}

BasemapRenderResult RenderBasemap(BasemapRenderRequest request, bool withState) {
  BridgeState& s = S();
  BasemapRenderResult result;
  if (!BasemapAvailable()) {
    ShowAlert(MessageText(667), kNoteAlert);
    return result;
  }
  if (withState) {
    request.buttons = s.buttons;
    request.radiusPending = s.radiusPending;
    request.query = s.query;
  }
  result.pngPath = Exchange("MapServer.png");
  const BasemapScripts files = BuildBasemapScripts(request, result.pngPath);
  // A redraw of the same view (a selection changed, a window moved over the map) keeps the
  // picture it has: no PHP runs.
  if (s.last && s.last->scripts == files && Exists(result.pngPath)) {
    result.ready = true;
    result.reused = true;
    return result;
  }
  s.last.reset();
  Remove(result.pngPath);
  if (!request.printing) Platform().SetMessageLine(GetIndString(25600, 57));
  const std::string makemap = Exchange("makemap.php");
  bool written = WriteText(makemap, files.makemap) &&
                 WriteText(Exchange("extents.php"), files.extents) &&
                 WriteText(Exchange("clickpoint.php"), files.clickpoint);
  if (written && !files.circle.empty()) written = WriteText(Exchange("circle.map"), files.circle);
  if (written && !files.rect.empty()) written = WriteText(Exchange("rect.map"), files.rect);
  if (!written) {
    std::string note = MessageText(121);
    const size_t at = note.find("%s");
    if (at != std::string::npos) note.replace(at, 2, makemap);
    ShowAlert(note, kNoteAlert);
    if (!request.printing) Platform().SetMessageLine("");
    return result;
  }
  Remove(Exchange("php_error.txt"));
  Remove(Exchange("mapserver_selections.mie"));
  result.argv = {BasemapToolsFolder() + "php/php", makemap};
  const auto started = std::chrono::steady_clock::now();
  ToolRunOptions options;
  options.keepForward = false;
  const int32_t ran = RunTool(result.argv, options);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (!request.printing) Platform().SetMessageLine("");
  if (ran == 0) {
    std::string error;
    if (ReadText(Exchange("php_error.txt"), error, 4096)) {
      const std::vector<std::string> lines = Lines(error, 499);
      if (!lines.empty() && !lines[0].empty()) {
        result.phpError = lines[0];
        ShowTitled("Error calling MapServer", result.phpError);
        if (result.phpError.rfind("[MapServer Error]: msQuery", 0) == 0) {
          s.query.reset();
          s.radiusPending = false;
          Redraw();
        }
      }
    }
  }
  if (ran != 0 || !result.phpError.empty() || !Exists(result.pngPath)) {
    Remove(result.pngPath);
    return result;
  }
  result.ready = true;
  s.last = RememberedRender{files, result.pngPath, {}, false};
  if (withState) ReadBasemapDownloads();
  return result;
}

const std::array<bool, 2>& ReadBasemapDownloads() {
  BridgeState& s = S();
  // The package says with each picture which data sets it could fetch for the view shown.
  std::string flags;
  ReadText(Exchange("downloadsavailable.txt"), flags, 2);
  s.downloads = {flags.size() >= 1 && flags[0] == '1', flags.size() >= 2 && flags[1] == '1'};
  return s.downloads;
}

const std::array<bool, 2>& BasemapDownloads() {
  return S().downloads;
}

bool BasemapShown() {
  // The photo and topographic layers lie on the basemap's picture; without the basemap button
  // the package would paint its water colour over the whole map.
  return S().buttons.basemap;
}

int32_t DrawBasemap(DrawPort& port, const ViewMapping& mapping) {
  BasemapRenderRequest request;
  request.world = mapping.world;
  request.width = mapping.screen.right - mapping.screen.left;
  request.height = mapping.screen.bottom - mapping.screen.top;
  request.clickPoint = ClickPoint();
  request.printing = port.Kind() == DeviceKind::kPrinter;
  if (request.width <= 0 || request.height <= 0) return 0;
  // A printer page at full resolution would make a picture of tens of millions of pixels; the
  // package renders at most kMaxRenderSide a side and the port scales the picture up.
  const int32_t longest = std::max(request.width, request.height);
  if (longest > kMaxRenderSide) {
    request.width =
        std::max(1, static_cast<int32_t>(int64_t{request.width} * kMaxRenderSide / longest));
    request.height =
        std::max(1, static_cast<int32_t>(int64_t{request.height} * kMaxRenderSide / longest));
  }
  const BasemapRenderResult render = RenderBasemap(request);
  if (!render.ready) return kErrGeneral;
  BridgeState& s = S();
  if (!s.last) return kErrGeneral;
  if (!s.last->pictureLoaded) {
    const PictureReader& reader = CurrentPictureReader();
    PictureImage image;
    if (!reader || !reader(render.pngPath, image) || image.width <= 0 || image.height <= 0 ||
        image.pixels.size() !=
            static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
      // A picture that cannot be decoded is dropped, as a missing one is.
      Remove(render.pngPath);
      s.last.reset();
      return -43;
    }
    s.last->picture = std::move(image);
    s.last->pictureLoaded = true;
  }
  const PictureImage& picture = s.last->picture;
  port.DrawPixels(mapping.screen, picture.width, picture.height, picture.pixels.data());
  return 0;
}

// ---- tools -------------------------------------------------------------------------------------

std::vector<std::string> BasemapToolArgv(const std::string& tool,
                                         const std::vector<std::string>& arguments) {
  std::string path = tool;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  const auto endsWith = [&path](const std::string& tail) {
    return path.size() >= tail.size() &&
           path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
  };
  std::vector<std::string> argv;
  if (endsWith("php.exe")) path.resize(path.size() - 4);
  if (endsWith(".bat")) {
    argv = {"/bin/sh", path};
  } else {
    argv = {path};
  }
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

int32_t OpenBasemapWindow(const std::string& path) {
  if (!Exists(path) || !S().hooks.openWindow) return -1;
  return S().hooks.openWindow(path) == 0 ? 0 : -1;
}

int32_t LastToolStatus() {
  return S().lastToolStatus;
}

int32_t RunTool(const std::vector<std::string>& argv, const ToolRunOptions& options) {
  BridgeState& s = S();
  CollectEndedTools();
  s.lastToolStatus = -1;
  // The launcher (a shell or the package's PHP) would start even when its script is missing;
  // that is a tool that cannot be started, as a missing program is.
  bool scriptMissing = false;
  if (argv.size() >= 2) {
    const std::string& launcher = argv[0];
    const bool scripted =
        launcher == "/bin/sh" ||
        (launcher.size() >= 8 && launcher.compare(launcher.size() - 8, 8, "/php/php") == 0);
    if (scripted && argv[1].rfind('-', 0) != 0) {
      const std::string script = argv[1][0] == '/' ? argv[1] : s.programFolder + argv[1];
      scriptMissing = !Exists(script);
    }
  }
  auto process = std::make_unique<platform::Process>();
  platform::ProcessOptions start;
  start.argv = argv;
  start.workingFolder = s.programFolder;
  start.outputPath = Exchange("tools.log");
  if (scriptMissing || process->Start(start) != 0) {
    ShowAlert("CreateProcess failed", kStopAlert);
    return kToolStartFailed;
  }
  if (!options.wait) {
    s.running.push_back(std::move(process));
    return kToolDone;
  }
  std::function<void()> between;
  if (options.keepForward && s.hooks.keepForwardStep) between = s.hooks.keepForwardStep;
  if (WaitForTool(*process, options.graceMilliseconds, between) != 0) return kToolCancelled;
  s.lastToolStatus = process->ExitStatus();
  return kToolDone;
}

bool IsConnected(int32_t message) {
  for (;;) {
    Remove(Exchange("connected.txt"));
    if (RunTool(BasemapToolArgv("basemaptools\\php\\php.exe", {"basemaptools/connected.php"})) !=
        0) {
      return false;
    }
    std::string text;
    if (ReadText(Exchange("connected.txt"), text, 3) && !text.empty() && text[0] == '1') {
      return true;
    }
    Question dialog;
    dialog.title = "TOLVANE";
    dialog.text = MessageText(message) +
                  "\n\nIf you connect to the Internet through a proxy server, enter your proxy "
                  "settings.";
    dialog.buttons = {"OK", "Proxy Settings"};
    dialog.defaultButton = 0;
    dialog.cancelButton = 0;
    if (Platform().Ask(dialog) != 1) return false;
    if (RunTool(BasemapToolArgv("basemaptools\\get_proxy_info.bat", {})) != 0) return false;
  }
}

int32_t ParseGotoFile(const std::string& bytes, WRect& rect, WPoint& point) {
  if (bytes.size() < 48) return 0;
  const std::vector<std::string> lines = Lines(bytes, 19);
  if (lines.size() < 4) return 0;
  std::array<double, 4> v{};
  for (size_t i = 0; i < 4; ++i) {
    if (!ParseNumber(lines[i], v[i])) return 0;
  }
  if (!InsideWorld(v[0], v[1]) || !InsideWorld(v[2], v[3])) return 0;
  if (v[0] != v[2] || v[1] != v[3]) {
    rect = {WorldX(std::fmin(v[0], v[2])), WorldY(std::fmin(v[1], v[3])),
            WorldX(std::fmax(v[0], v[2])), WorldY(std::fmax(v[1], v[3]))};
    return 1;
  }
  point = {WorldX(v[0]), WorldY(v[1])};
  return 2;
}

bool ParseGeocodeFile(const std::string& bytes, WPoint& point) {
  const std::vector<std::string> lines = Lines(bytes, 99);
  double latitude = 91;
  double longitude = 181;
  if (lines.size() < 2 || !ParseNumber(lines[0], latitude) || !ParseNumber(lines[1], longitude)) {
    return false;
  }
  if (!InsideWorld(longitude, latitude) || (latitude == 0 && longitude == 0)) return false;
  point = {WorldX(longitude), WorldY(latitude)};
  return true;
}

namespace {

struct ToolSpec {
  BasemapTool tool;
  const char* name;
};

constexpr ToolSpec kTools[] = {
    {BasemapTool::kDownloadManager, "download_manager"},
    {BasemapTool::kDownloadFeatures, "download_features"},
    {BasemapTool::kDownload1, "download1"},
    {BasemapTool::kDownload2a, "download2a"},
    {BasemapTool::kDownload2b, "download2b"},
    {BasemapTool::kBasemapBuilder, "basemap_builder"},
    {BasemapTool::kWeather, "weather"},
    {BasemapTool::kElevation, "elevation"},
    {BasemapTool::kAddress, "address"},
    {BasemapTool::kFindAddress, "find_address"},
    {BasemapTool::kCheckUpdates, "check_for_updates"},
    {BasemapTool::kPopulationRadius, "population_in_radius"},
    {BasemapTool::kInfoInArea, "info_in_area"},
    {BasemapTool::kPopulationInArea, "population_in_area"},
    {BasemapTool::kPopulationInSelection, "population_in_selection"},
    {BasemapTool::kInfoInSelection, "info_in_selection"},
    {BasemapTool::kImportShapefile, "import_shapefile"},
    {BasemapTool::kGoto, "goto"},
    {BasemapTool::kRedraw, "redraw"},
    {BasemapTool::kLayersReload, "layers_reload"},
    {BasemapTool::kClearQuery, "clear_query"},
    {BasemapTool::kDownloadTiger, "download_tiger"},
    {BasemapTool::kDownloadShapefiles, "download_shapefiles"},
    {BasemapTool::kImportToMapFile, "import2mapfile"},
    {BasemapTool::kQuery, "getinfo_by_query"},
};

std::string PhpTool() {
  return "basemaptools\\php\\php.exe";
}

// Runs a tool and keeps what the outcome reports.
int32_t Run(BasemapToolOutcome& outcome, const std::vector<std::string>& argv,
            const ToolRunOptions& options = {}) {
  outcome.argv = argv;
  outcome.waited = options.wait;
  outcome.status = RunTool(argv, options);
  return outcome.status;
}

// Elevation, address and weather: a text file shown whole in a titled box.
void ShowResultFile(BasemapToolOutcome& outcome, const std::string& file,
                    const std::string& title) {
  std::string text;
  ReadText(Exchange(file), text);
  std::string joined;
  for (const std::string& line : Lines(text, 98)) {
    if (!joined.empty()) joined += "\n";
    joined += line;
  }
  if (joined.empty()) joined = GetIndString(10000, 37);
  outcome.result = joined;
  ShowTitled(title, joined);
}

std::string ClickPointScript() {
  BasemapRenderRequest request;
  request.clickPoint = ClickPoint();
  return BuildBasemapScripts(request, "").clickpoint;
}

std::vector<std::string> ClickArguments() {
  const WPoint click = ClickPoint();
  return {F6(Latitude(click.y)), F6(Longitude(click.x))};
}

std::vector<std::string> AreaArguments(const BasemapQueryArea& query) {
  return {F6(Longitude(query.area.x1)), F6(Latitude(query.area.y1)), F6(Longitude(query.area.x2)),
          F6(Latitude(query.area.y2)), query.circle ? "1" : "0"};
}

void GoToPoint(WPoint point) {
  SetClickPoint(point);
  CentreOnClickPoint();
  Redraw();
}

int32_t HandleGoto(BasemapToolOutcome& outcome) {
  std::string bytes;
  if (!ReadText(Exchange("goto.txt"), bytes, 4096)) return kErrGeneral;
  outcome.result = bytes;
  WRect rect;
  WPoint point;
  const int32_t kind = ParseGotoFile(bytes, rect, point);
  if (kind == 1) {
    FitWorldRect(rect);
    Remove(Exchange("goto.txt"));
    Redraw();
  } else if (kind == 2) {
    GoToPoint(point);
  } else {
    return kErrGeneral;
  }
  return 0;
}

int32_t HandleRedrawWord() {
  BasemapButtons read;
  if (ReadBasemapButtonsFile(read) != 0) return kErrGeneral;
  ForgetBasemapRender();
  if (!(read == S().buttons)) {
    S().buttons = read;
    if (!read.basemap) Remove(Exchange("MapServer.png"));
  }
  Redraw();
  return 0;
}

int32_t SelectionTool(BasemapToolOutcome& outcome, bool population) {
  BridgeState& s = S();
  const std::string mie = Exchange("mapserver.mie");
  Remove(mie);
  const int32_t exported = s.hooks.exportSelectedAreas ? s.hooks.exportSelectedAreas(mie) : -2;
  if (exported == -1) {
    ShowAlert(MessageText(population ? 684 : 683), kNoteAlert);
    return exported;
  }
  if (exported != 0) {
    ShowAlert(MessageText(671), kNoteAlert);
    return exported;
  }
  if (population) {
    if (Run(outcome, BasemapToolArgv("basemaptools\\population_in_mie.bat", {})) != 0) {
      return outcome.status;
    }
    OpenIfPresent("population.hta", outcome);
  } else {
    if (s.hooks.closeWindow) {
      s.hooks.closeWindow("TOLVANE - Information About Selected Basemap Layers");
    }
    if (Run(outcome, BasemapToolArgv("basemaptools\\getinfo_in_mie.bat", {})) != 0) {
      return outcome.status;
    }
    OpenIfPresent("MapServerData.hta", outcome);
  }
  return 0;
}

int32_t FindAddress(BasemapToolOutcome& outcome, const BasemapToolInput& input) {
  std::string text = input.text;
  if (text.empty() && S().hooks.askText && !S().hooks.askText("Find an address:", text)) {
    return kErrGeneral;
  }
  Remove(Exchange("address_geocode.txt"));
  if (Run(outcome, BasemapToolArgv("basemaptools\\address_geocode.bat", {text})) != 0) {
    return outcome.status;
  }
  std::string bytes;
  if (!ReadText(Exchange("address_geocode.txt"), bytes, 4096)) return kErrGeneral;
  outcome.result = bytes;
  WPoint point;
  if (ParseGeocodeFile(bytes, point)) {
    GoToPoint(point);
    return 0;
  }
  // The package says why it found nothing on a third line.
  const std::vector<std::string> lines = Lines(bytes, 200);
  if (lines.size() >= 3 && !lines[2].empty()) ShowAlert(lines[2], kNoteAlert);
  return 0;
}

}  // namespace

std::string BasemapToolName(BasemapTool tool) {
  for (const ToolSpec& spec : kTools) {
    if (spec.tool == tool) return spec.name;
  }
  return {};
}

bool BasemapToolFromName(const std::string& name, BasemapTool& tool) {
  for (const ToolSpec& spec : kTools) {
    if (name == spec.name) {
      tool = spec.tool;
      return true;
    }
  }
  return false;
}

BasemapToolOutcome RunBasemapTool(BasemapTool tool, const BasemapToolInput& input) {
  BridgeState& s = S();
  BasemapToolOutcome outcome;
  const auto php = [](const std::string& script, std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), "basemaptools/" + script);
    return BasemapToolArgv(PhpTool(), arguments);
  };
  const auto shell = [](const std::string& script, std::vector<std::string> arguments = {}) {
    return BasemapToolArgv("basemaptools\\" + script, arguments);
  };
  ToolRunOptions noWait;
  noWait.wait = false;
  switch (tool) {
    case BasemapTool::kDownloadManager:
      if (s.hooks.closeWindow) s.hooks.closeWindow("TOLVANE - Download Manager");
      Remove(Exchange("download_manager.hta"));
      if (Run(outcome, php("download_manager.php")) == 0) {
        OpenIfPresent("download_manager.hta", outcome);
      }
      break;
    case BasemapTool::kDownloadFeatures: {
      const std::array<bool, 2> available = ReadBasemapDownloads();
      const bool first = available[0];
      const bool second = available[1];
      if (!first && !second) {
        outcome.result = "00";
        break;
      }
      if (!IsConnected(668)) {
        outcome.status = kErrGeneral;
        break;
      }
      if (Run(outcome, php(first ? "download1a.php" : "download2a.php")) == 0) Redraw();
      break;
    }
    case BasemapTool::kDownload1:
      Run(outcome, php("download1a.php"));
      break;
    case BasemapTool::kDownload2a:
      Run(outcome, php("download2a.php"));
      break;
    case BasemapTool::kDownload2b:
      Run(outcome, php("download2b.php"));
      break;
    case BasemapTool::kBasemapBuilder:
      if (s.hooks.raiseWindow && s.hooks.raiseWindow("TOLVANE - Basemap Builder")) break;
      Remove(Exchange("layers.hta"));
      if (Run(outcome, php("layers.php")) == 0) OpenIfPresent("layers.hta", outcome);
      break;
    case BasemapTool::kWeather:
      if (!IsConnected(672)) {
        outcome.status = kErrGeneral;
        break;
      }
      WriteText(Exchange("clickpoint.php"), ClickPointScript());
      Remove(Exchange("weather.txt"));
      // The tool cannot raise a window of its own here, so its answer is waited for and shown.
      if (Run(outcome, php("get_weather.php")) == 0) {
        ShowResultFile(outcome, "weather.txt", "Weather");
      }
      break;
    case BasemapTool::kElevation:
      if (!IsConnected(673)) {
        outcome.status = kErrGeneral;
        break;
      }
      Remove(Exchange("elevation.txt"));
      if (Run(outcome, php("get_elevation.php", ClickArguments())) == 0) {
        ShowResultFile(outcome, "elevation.txt", "Elevation");
      }
      break;
    case BasemapTool::kAddress:
      if (!IsConnected(673)) {
        outcome.status = kErrGeneral;
        break;
      }
      Remove(Exchange("reverse_geocode.txt"));
      if (Run(outcome, php("reverse_geocode.php", ClickArguments())) == 0) {
        ShowResultFile(outcome, "reverse_geocode.txt", "Address");
      }
      break;
    case BasemapTool::kFindAddress:
      if (!IsConnected(669)) {
        outcome.status = kErrGeneral;
        break;
      }
      if (const int32_t err = FindAddress(outcome, input); err != 0 && outcome.status == 0) {
        outcome.status = err;
      }
      break;
    case BasemapTool::kCheckUpdates:
      if (!IsConnected(670)) {
        outcome.status = kErrGeneral;
        break;
      }
      if (Run(outcome, shell("check_for_updates.bat")) == 0) {
        ReadText(Exchange("updates.txt"), outcome.result);
        if (!outcome.result.empty()) ShowAlert(outcome.result, kNoteAlert);
      }
      break;
    case BasemapTool::kPopulationRadius:
      if (Run(outcome, shell("population_in_radius.bat", ClickArguments())) == 0) {
        s.radiusPending = true;
        ForgetBasemapRender();
        OpenIfPresent("population.hta", outcome);
        Redraw();
      }
      break;
    case BasemapTool::kInfoInArea:
      if (!s.query) {
        outcome.status = kErrGeneral;
        break;
      }
      if (s.hooks.closeWindow) {
        s.hooks.closeWindow("TOLVANE - Information About Selected Basemap Layers");
      }
      Remove(Exchange("MapServerData.hta"));
      if (Run(outcome, shell("getinfo_in_area.bat", AreaArguments(*s.query))) == 0) {
        OpenIfPresent("MapServerData.hta", outcome);
      }
      break;
    case BasemapTool::kPopulationInArea:
      if (!s.query) {
        outcome.status = kErrGeneral;
        break;
      }
      Remove(Exchange("population.hta"));
      if (Run(outcome, shell("population_in_area.bat", AreaArguments(*s.query))) == 0) {
        OpenIfPresent("population.hta", outcome);
      }
      break;
    case BasemapTool::kPopulationInSelection:
    case BasemapTool::kInfoInSelection:
      if (const int32_t err = SelectionTool(outcome, tool == BasemapTool::kPopulationInSelection);
          err != 0 && outcome.status == 0) {
        outcome.status = err;
      }
      break;
    case BasemapTool::kImportShapefile: {
      const std::string mie = Exchange("shapefile_import.mie");
      Remove(mie);
      if (Run(outcome, shell("shp2mie.bat", {input.shapefile})) == 0 && Exists(mie)) {
        outcome.result = mie;
        if (s.hooks.importInterchange) outcome.status = s.hooks.importInterchange(mie);
      }
      break;
    }
    case BasemapTool::kGoto:
      outcome.status = HandleGoto(outcome);
      break;
    case BasemapTool::kRedraw:
      outcome.status = HandleRedrawWord();
      break;
    case BasemapTool::kLayersReload:
      ForgetBasemapRender();
      Redraw();
      break;
    case BasemapTool::kClearQuery:
      ClearBasemapQuery();
      break;
    case BasemapTool::kDownloadTiger:
      if (Run(outcome, shell("download_tiger3.bat")) == 0) Redraw();
      break;
    case BasemapTool::kDownloadShapefiles:
      if (Run(outcome, shell("download_shapefiles3.bat")) == 0) Redraw();
      break;
    case BasemapTool::kImportToMapFile:
      if (Run(outcome, shell("import2mapfile.bat")) == 0) Redraw();
      break;
    case BasemapTool::kQuery:
      Run(outcome, shell("getinfo_by_query.bat"), noWait);
      break;
  }
  return outcome;
}

void HandleBasemapCommandWord(int32_t code) {
  static constexpr std::pair<int32_t, BasemapTool> kWords[] = {
      {9999, BasemapTool::kGoto},
      {9998, BasemapTool::kRedraw},
      {9997, BasemapTool::kLayersReload},
      {9996, BasemapTool::kDownloadManager},
      {9995, BasemapTool::kDownload1},
      {9994, BasemapTool::kDownload2a},
      {9993, BasemapTool::kDownload2b},
      {9992, BasemapTool::kDownloadTiger},
      {9991, BasemapTool::kDownloadShapefiles},
      {9990, BasemapTool::kImportToMapFile},
      {9989, BasemapTool::kQuery},
  };
  for (const auto& [word, tool] : kWords) {
    if (word == code) {
      RunBasemapTool(tool);
      return;
    }
  }
}

void ResetBasemapBridgeForTesting() {
  S() = BridgeState{};
}

}  // namespace tlv
