#include "cli/render_command.h"
#include "app/draw_request.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "app/folders.h"
#include "app/preferences.h"
#include "app/startup.h"
#include "base/files.h"
#include "base/headless_platform.h"
#include "base/platform.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "geometry/geo_settings.h"
#include "geometry/wrect.h"
#include "render/map_view.h"
#include "render/scale_bar.h"
#include "store/summary.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include "render/qt/qt_rendering.h"
#include "render/qt/symbol_fonts.h"
#include "render/symbols.h"
#include "store/directory_table.h"
#include "store/object_record.h"
#endif

namespace tlv::cli {
namespace {

constexpr int kMaxImageSide = 16384;

bool ParseSize(const std::string& text, int& width, int& height) {
  char extra = 0;
  return std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &extra) == 2 && width > 0 &&
         height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

bool ParseTriple(const std::string& text, double& a, double& b, double& c) {
  char extra = 0;
  return std::sscanf(text.c_str(), "%lf,%lf,%lf%c", &a, &b, &c, &extra) == 3 && std::isfinite(a) &&
         std::isfinite(b) && std::isfinite(c);
}

// The map's extent, or the union of its overlay files' rectangles when it has none.
bool MapBounds(int32_t mapIndex, WRect& bounds) {
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return false;
  if (WRectPlaced(map.extent) && map.extent.x1 < map.extent.x2) {
    bounds = map.extent;
    return true;
  }
  bounds = kUnionStartRect;
  for (int32_t i = 0; i < map.overlayFileCount; ++i) {
    OverlayFileRecord entry;
    if (GetOverlayFileRecord(mapIndex, i, entry) && WRectPlaced(entry.bounds)) {
      UnionWRect(bounds, entry.bounds);
    }
  }
  return bounds.x1 < bounds.x2 && bounds.y1 < bounds.y2;
}

#ifdef TOLVANE_CLI_HAS_QT
// Passes everything on to the platform in use and counts the alerts shown meanwhile, so that a
// drawing pass that reported a fault does not end as a success.
class AlertWatch : public PlatformServices {
 public:
  AlertWatch() : inner_(Platform()) { InstallPlatform(this); }
  ~AlertWatch() override { InstallPlatform(&inner_); }
  AlertWatch(const AlertWatch&) = delete;
  AlertWatch& operator=(const AlertWatch&) = delete;

  int Count() const { return count_; }

  void ShowAlertBox(std::string_view text, int kind) override {
    ++count_;
    inner_.ShowAlertBox(text, kind);
  }
  int Ask(const Question& question) override { return inner_.Ask(question); }
  void Beep() override { inner_.Beep(); }
  void SetMessageLine(std::string_view text) override { inner_.SetMessageLine(text); }
  void SetTemporaryMessageLine(std::string_view text) override {
    inner_.SetTemporaryMessageLine(text);
  }
  void SetWaitCursor(bool on) override { inner_.SetWaitCursor(on); }
  bool EscapePressed() override { return inner_.EscapePressed(); }
  uint32_t TickCount() override { return inner_.TickCount(); }
  int64_t SecondsSince1970() override { return inner_.SecondsSince1970(); }
  LocalTime CurrentLocalTime() override { return inner_.CurrentLocalTime(); }
  bool SetClipboardText(std::string_view text) override { return inner_.SetClipboardText(text); }
  bool SetClipboardImage(int32_t width, int32_t height,
                         const std::vector<uint32_t>& argb) override {
    return inner_.SetClipboardImage(width, height, argb);
  }

 private:
  PlatformServices& inner_;
  int count_ = 0;
};
#endif

}  // namespace

bool IsRenderCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "render";
}

int RenderView(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
               std::ostream& err) {
  std::string view, corner, fit, size, file;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    // The latitude/longitude grid, under the overlays (the default) or over them.
    if (w == "--grid" || w == "--grid=under" || w == "--grid=over") {
      SetPref(Pref::kGridShown, 1);
      SetPref(Pref::kGridOverOverlays, w == "--grid=over" ? 1 : 0);
      continue;
    }
    if (w == "--scalebar" || w.rfind("--scalebar=", 0) == 0) {
      const std::string which = w.size() > 11 ? w.substr(11) + "," : "";
      SetPref(Pref::kScaleBarShown, 1);
      SetPref(Pref::kScaleBarBothUnits, which.find("both,") != std::string::npos ? 1 : 0);
      SetPref(Pref::kScaleBarInchLine, which.find("inch,") != std::string::npos ? 1 : 0);
      // The settings file is not read here: the bar takes its default place.
      SetPref(Pref::kScaleBarX, -32000);
      SetPref(Pref::kScaleBarY, -32000);
      continue;
    }
    if (w == "--timestamp") {
      SetPref(Pref::kTimeStampShown, 1);
      SetPref(Pref::kTimeStampDateKind, 1);
      SetPref(Pref::kTimeStampTimeKind, 1);
      SetPref(Pref::kTimeStampX, -32000);
      SetPref(Pref::kTimeStampY, -32000);
      continue;
    }
    if (w == "--clock" && i + 1 < words.size()) {
      // A fixed local time for the stamp, so pictures can be compared: YYYY-MM-DDTHH:MM.
      LocalTime t;
      if (std::sscanf(words[++i].c_str(), "%d-%d-%dT%d:%d", &t.year, &t.month, &t.day, &t.hour,
                      &t.minute) != 5 ||
          t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 || t.hour > 23 ||
          t.minute < 0 || t.minute > 59) {
        err << "tolvane-cli: --clock takes YYYY-MM-DDTHH:MM\n";
        return 1;
      }
      HeadlessPlatform& headless = DefaultHeadlessPlatform();
      headless.fixedClock = true;
      headless.fixedLocalTime = t;
      continue;
    }
    if (w == "--grid-minor") {
      SetPref(Pref::kGridMinorLines, 1);
      continue;
    }
    std::string* into = w == "--view"     ? &view
                        : w == "--corner" ? &corner
                        : w == "--fit"    ? &fit
                        : w == "--size"   ? &size
                        : w == "--out"    ? &file
                                          : nullptr;
    if (into == nullptr || i + 1 >= words.size()) {
      err << "tolvane-cli: render [--view LAT,LON,SCALE | --corner LEFT,TOP,SCALE | --fit MAPNAME]"
             " --size WxH --out FILE.png [--grid[=under|over]] [--grid-minor]\n"
             "  [--scalebar[=both,inch]] [--timestamp [--clock YYYY-MM-DDTHH:MM]]\n";
      return 1;
    }
    *into = words[++i];
  }
  int width = 0, height = 0;
  if (!ParseSize(size, width, height)) {
    err << "tolvane-cli: render needs --size WxH (1 to " << kMaxImageSide << " pixels a side)\n";
    return 1;
  }
  if (file.empty()) {
    err << "tolvane-cli: render needs --out FILE.png\n";
    return 1;
  }
  if ((!view.empty()) + (!corner.empty()) + (!fit.empty()) > 1) {
    err << "tolvane-cli: render takes one of --view, --corner and --fit\n";
    return 1;
  }
  // The whole image is the map area, so the view covers what the window's would at this size.
  SetMapArea({0, 0, width, height});
  if (!view.empty()) {
    double lat = 0, lon = 0, scale = 0;
    if (!ParseTriple(view, lat, lon, scale) || lat < -90 || lat > 90 || lon < -180 || lon > 180) {
      err << "tolvane-cli: --view takes LAT,LON,SCALE in decimal degrees\n";
      return 1;
    }
    CentreViewOn(ClampScale(std::llround(scale)),
                 static_cast<int32_t>(std::llround((lon + 180.0) * 1000000.0)),
                 static_cast<int32_t>(std::llround((lat + 90.0) * 1000000.0)));
  } else if (!corner.empty()) {
    double left = 0, top = 0, scale = 0;
    if (!ParseTriple(corner, left, top, scale) || std::fabs(left) > 1e9 || std::fabs(top) > 1e9) {
      err << "tolvane-cli: --corner takes LEFT,TOP,SCALE in world units\n";
      return 1;
    }
    SetView(ClampScale(std::llround(scale)), static_cast<int32_t>(left), static_cast<int32_t>(top));
  } else if (!fit.empty()) {
    const int32_t index = MapNameToIndex(fit);
    WRect bounds;
    if (index < 0 || !MapBounds(index, bounds)) {
      err << "tolvane-cli: no map with objects named " << fit << "\n";
      return 1;
    }
    FitWorldRect(bounds);
  }
#ifdef TOLVANE_CLI_HAS_QT
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  UseProgramNumberFormat();
  // The symbol fonts and list of the program folder, as the program loads them.
  const char* programOverride = std::getenv("TOLVANE_PROGRAM_FOLDER");
  const std::string program = programOverride != nullptr && programOverride[0] != '\0'
                                  ? std::string(programOverride)
                                  : ProgramFolderPath();
  const std::string fonts = WithTrailingSlash(program) + "fonts";
  int32_t registered = 0;
  RegisterSymbolFontFolder(QString::fromStdString(fonts), registered);
  int32_t fontsID = -1;
  if (RegisterDirectory(fonts + "/", true, fontsID) == 0) {
    if (LoadSymbolList(0, fontsID) == 0) SetSymbolKnownTest(SymbolInList);
    LoadSymbolBackgroundRanges(0, fontsID);
  }
  InstallQtDrawing();
  QImage image(width, height, QImage::Format_RGB32);
  DrawMapRequest request = StandardDrawRequest();
  request.interrupted = [] { return false; };
  int alerts = 0;
  {
    AlertWatch watch;
    RenderViewToImage(image, CurrentMapView(), request);
    alerts = watch.Count();
  }
  if (!image.save(QString::fromLocal8Bit(file.c_str()))) {
    err << "tolvane-cli: cannot write " << file << "\n";
    return 1;
  }
  // The picture is kept for a look at what did draw; the alert texts went to standard error as
  // they were shown.
  if (alerts > 0) {
    err << "tolvane-cli: the drawing pass raised " << alerts << (alerts == 1 ? " alert" : " alerts")
        << "; " << file << " may be incomplete\n";
    return 1;
  }
  const MapView& shown = CurrentMapView();
  out << "{\"file\":\"" << file << "\",\"scale\":" << shown.scale << ",\"left\":" << shown.left
      << ",\"top\":" << shown.top << ",\"width\":" << width << ",\"height\":" << height << "}\n";
  return 0;
#else
  (void)argc;
  (void)argv;
  (void)out;
  err << "tolvane-cli: this build draws no pictures (it was built without the Qt layer)\n";
  return 1;
#endif
}

}  // namespace tlv::cli
