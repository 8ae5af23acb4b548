#include "cli/render_command.h"

#include <cstdio>
#include <map>
#include <ostream>
#include <utility>

#include "app/draw_request.h"
#include "app/preferences.h"
#include "base/headless_platform.h"
#include "base/platform.h"
#include "cli/render_decorations.h"
#include "cli/view_options.h"
#include "render/map_view.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include "render/qt/qt_rendering.h"
#endif

namespace tlv::cli {
namespace {

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
  RenderDecorationOptions decorations;
  for (size_t i = 1; i < words.size(); ++i) {
    const int taken = TakeDecorationOption(words, i, decorations, err);
    if (taken < 0) return 1;
    if (taken > 0) continue;
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
    // The legend of the shown overlays, at the picture's top left.
    if (w == "--legend") {
      SetPref(Pref::kLegendShown, 1);
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
             "  [--scalebar[=both,inch]] [--legend] [--timestamp [--clock YYYY-MM-DDTHH:MM]]\n"
             "  [--compass] [--reference VIEWNAME] [--as screen|picture]\n";
      return 1;
    }
    *into = words[++i];
  }
  std::map<std::string, std::string> viewOptions;
  for (const auto& [key, value] : {std::pair{"--view", &view}, std::pair{"--corner", &corner},
                                   std::pair{"--fit", &fit}, std::pair{"--size", &size}}) {
    if (!value->empty()) viewOptions[key] = *value;
  }
  int width = 0, height = 0;
  if (ApplyViewOptions(viewOptions, width, height, err) != 0) return 1;
  if (file.empty()) {
    err << "tolvane-cli: render needs --out FILE.png\n";
    return 1;
  }
#ifdef TOLVANE_CLI_HAS_QT
  const auto app = StartQtDrawing(argc, argv);
  if (PrepareRenderDecorations(decorations, DrawingProgramFolder(), err) != 0) return 1;
  QImage image(width, height, QImage::Format_RGB32);
  DrawMapRequest request = StandardDrawRequest();
  request.interrupted = [] { return false; };
  int alerts = 0;
  {
    AlertWatch watch;
    RenderViewToImage(image, CurrentMapView(), request, decorations.kind);
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
      << ",\"top\":" << shown.top << ",\"width\":" << width << ",\"height\":" << height
      << ",\"decorations\":" << DecorationsJson(image, decorations.kind) << "}\n";
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
