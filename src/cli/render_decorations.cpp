#include "cli/render_decorations.h"

#include <cstdio>
#include <cstring>
#include <ostream>

#include "app/map_decorations.h"
#include "app/preferences.h"
#include "app/reference_views.h"
#include "catalogue/views.h"
#include "cli/json_text.h"
#include "cli/views_command.h"
#include "geometry/geo_settings.h"
#include "render/grid.h"
#include "render/map_view.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QImage>

#include "render/qt/qt_draw_port.h"
#include "render/qt/qt_rendering.h"
#endif

namespace tlv::cli {

namespace {

constexpr const char* kCompassFile = "compass.png";
// Parallels closer than this to the bottom edge are left out (screen and picture pixels).
constexpr int32_t kGridBottomMargin = 30;

std::string Box(const ScreenRect& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

template <typename Item, typename Write>
std::string Array(const std::vector<Item>& items, Write write) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ",";
    out += write(items[i]);
  }
  return out + "]";
}

std::string Step(double step) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", step);
  return text;
}

}  // namespace

int TakeDecorationOption(const std::vector<std::string>& words, size_t& i,
                         RenderDecorationOptions& options, std::ostream& err) {
  const std::string& w = words[i];
  if (w == "--compass") {
    options.compass = true;
    SetPref(Pref::kCompassShown, 1);
    // The settings file is not read here: the compass takes its default place.
    SetPref(Pref::kCompassX, kDecorationUnset);
    SetPref(Pref::kCompassY, kDecorationUnset);
    return 1;
  }
  if (w == "--reference" || w == "--as") {
    if (i + 1 >= words.size()) {
      err << "tolvane-cli: " << w << " needs a value\n";
      return -1;
    }
    const std::string& value = words[++i];
    if (w == "--reference") {
      if (value.empty()) {
        err << "tolvane-cli: --reference needs a view's name\n";
        return -1;
      }
      options.reference = value;
      return 1;
    }
    if (value == "screen") {
      options.kind = DeviceKind::kScreen;
    } else if (value == "picture") {
      options.kind = DeviceKind::kBitmap;
    } else {
      err << "tolvane-cli: --as takes screen or picture\n";
      return -1;
    }
    return 1;
  }
  return 0;
}

int SplitDecorationOptions(const std::vector<std::string>& words, std::vector<std::string>& rest,
                           RenderDecorationOptions& options, std::ostream& err) {
  rest.clear();
  for (size_t i = 0; i < words.size(); ++i) {
    // The surface is the command's own choice (a PDF page, a picture format).
    if (i == 0 || words[i] == "--as") {
      rest.push_back(words[i]);
      continue;
    }
    const int taken = TakeDecorationOption(words, i, options, err);
    if (taken < 0) return -1;
    if (taken == 0) rest.push_back(words[i]);
  }
  return 0;
}

int PrepareRenderDecorations(const RenderDecorationOptions& options,
                             const std::string& programFolder, std::ostream& err) {
#ifdef TOLVANE_CLI_HAS_QT
  if (options.compass) {
    const std::string path = programFolder +
                             (programFolder.empty() || programFolder.back() == '/' ? "" : "/") +
                             kCompassFile;
    PictureImage compass;
    if (!ReadPictureWithQt(path, compass) || compass.width <= 0 || compass.height <= 0) {
      err << "tolvane-cli: cannot read the compass picture " << path << "\n";
      return 1;
    }
    SetCompassPicture(compass);
  }
#else
  (void)programFolder;
#endif
  if (options.reference.empty()) return 0;
  UseViewFolders(false, false);
  const std::string name = Windows1252FromUtf8(options.reference);
  ViewRecord found;
  ForEachViewFile([&](const ViewRecord& view) {
    if (found.scale < 0 && name == std::string(view.name, strnlen(view.name, sizeof view.name))) {
      found = view;
    }
    return 0;
  });
  if (found.scale < 0) {
    err << "tolvane-cli: no saved view is named " << options.reference << "\n";
    return 1;
  }
  SetPref(Pref::kShowReferenceView, 1);
  ChooseReferenceView(found);
  UpdateReferenceView();
  return 0;
}

#ifdef TOLVANE_CLI_HAS_QT
std::string DecorationsJson(QImage& image, DeviceKind kind) {
  const ViewMapping mapping = CurrentViewMapping();
  JsonObject out;
  if (GetPref(Pref::kGridShown) != 0) {
    const GridLayout grid = LayOutGrid(mapping, CurrentGeometrySettings().coordinateFormat,
                                       GetPref(Pref::kGridMinorLines) != 0, kGridBottomMargin);
    const std::string lines = Array(grid.lines, [](const GridLine& line) {
      JsonObject item;
      item.Text("kind", line.meridian ? "meridian" : "parallel")
          .Bool("major", line.major)
          .Number("world", line.world)
          .Number("screen", line.screen);
      if (line.major) item.Text("label", line.label);
      return item.Str();
    });
    out.Raw("grid", JsonObject()
                        .Number("meridianEntry", grid.meridianEntry)
                        .Number("parallelEntry", grid.parallelEntry)
                        .Raw("lines", lines)
                        .Str());
  }
  QtDrawPort port(image, kind);
  const DecorationSettings settings = DecorationSettingsFromPreferences(kind);
  const DecorationLayouts layouts =
      LayOutMapDecorations(port, DecorationFrameFor(mapping, CurrentMapView().scale), settings);
  if ((layouts.shown & kDecorationScaleBar) != 0) {
    const ScaleBarLayout& bar = layouts.scaleBar;
    const std::string bars = Array(bar.bars, [](const ScaleBarLine& line) {
      return JsonObject()
          .Bool("primary", line.primary)
          .Number("unit", line.unit)
          .Raw("step", Step(line.step))
          .Number("steps", line.steps)
          .Number("lineY", line.lineY)
          .Raw("ticks",
               Array(line.ticks,
                     [](const ScaleBarTick& tick) {
                       return JsonObject().Number("x", tick.x).Text("label", tick.label).Str();
                     }))
          .Str();
    });
    JsonObject item;
    item.Raw("box", Box(bar.box)).Raw("bars", bars);
    if (!bar.inchLine.empty()) item.Text("inchLine", bar.inchLine);
    out.Raw("scalebar", item.Str());
  }
  if ((layouts.shown & kDecorationCompass) != 0) {
    out.Raw("compass", JsonObject()
                           .Raw("box", Box(layouts.compass.box))
                           .Raw("picture", Box(layouts.compass.picture))
                           .Str());
  }
  if ((layouts.shown & kDecorationTimeStamp) != 0) {
    const TimeStampLayout& stamp = layouts.timeStamp;
    out.Raw("timestamp",
            JsonObject()
                .Raw("box", Box(stamp.box))
                .Raw("lines",
                     Array(stamp.lines, [](const std::string& line) { return JsonString(line); }))
                .Str());
  }
  ReferenceInsetLayout inset;
  if (ReferenceInsetLayoutFor(kind, port.PixelsPerInchX(), mapping, inset)) {
    const ViewRecord& view = ReferenceViewInUse();
    out.Raw("inset", JsonObject()
                         .Text("view", std::string(view.name, strnlen(view.name, sizeof view.name)))
                         .Raw("box", Box(inset.box))
                         .Raw("marker", Box(inset.marker))
                         .Bool("cross", inset.cross)
                         .Number("lineWidth", inset.lineWidth)
                         .Str());
  }
  return out.Str();
}
#endif

}  // namespace tlv::cli
