#include "cli/view_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "app/folders.h"
#include "app/startup.h"
#include "base/files.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "geometry/wrect.h"
#include "render/map_view.h"
#include "store/summary.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QGuiApplication>
#include <QString>

#include "render/qt/qt_rendering.h"
#include "render/qt/symbol_fonts.h"
#include "render/symbols.h"
#include "store/directory_table.h"
#endif

namespace tlv::cli {
namespace {

constexpr int kMaxSide = 16384;

bool ParseSize(const std::string& text, int& width, int& height) {
  char extra = 0;
  return std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &extra) == 2 && width > 0 &&
         height > 0 && width <= kMaxSide && height <= kMaxSide;
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

}  // namespace

bool ParseOptions(const std::vector<std::string>& words, const std::vector<std::string>& allowed,
                  const std::vector<std::string>& flags,
                  std::map<std::string, std::string>& options, std::ostream& err) {
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool flag = std::find(flags.begin(), flags.end(), word) != flags.end();
    const bool valued = std::find(allowed.begin(), allowed.end(), word) != allowed.end();
    if (!flag && !valued) {
      err << "tolvane-cli: " << words[0] << ": unknown option " << word << "\n";
      return false;
    }
    if (options.count(word) != 0) {
      err << "tolvane-cli: " << words[0] << ": " << word << " given twice\n";
      return false;
    }
    if (flag) {
      options[word] = "1";
      continue;
    }
    if (i + 1 >= words.size()) {
      err << "tolvane-cli: " << words[0] << ": " << word << " needs a value\n";
      return false;
    }
    options[word] = words[++i];
  }
  return true;
}

int ApplyViewOptions(const std::map<std::string, std::string>& options, int& width, int& height,
                     std::ostream& err) {
  auto value = [&options](const char* key) {
    const auto it = options.find(key);
    return it == options.end() ? std::string() : it->second;
  };
  if (!ParseSize(value("--size"), width, height)) {
    err << "tolvane-cli: --size WxH is needed (1 to " << kMaxSide << " pixels a side)\n";
    return kUsageError;
  }
  const std::string view = value("--view"), corner = value("--corner"), fit = value("--fit");
  if ((!view.empty()) + (!corner.empty()) + (!fit.empty()) > 1) {
    err << "tolvane-cli: one of --view, --corner and --fit\n";
    return kUsageError;
  }
  double ppi = 96;
  if (!value("--screen-dpi").empty()) {
    char extra = 0;
    if (std::sscanf(value("--screen-dpi").c_str(), "%lf%c", &ppi, &extra) != 1 ||
        !std::isfinite(ppi) || ppi < 24 || ppi > 600) {
      err << "tolvane-cli: --screen-dpi takes 24 to 600 pixels per inch\n";
      return kUsageError;
    }
  }
  SetScreenPixelsPerInch(ppi);
  // The whole picture is the map area, so the view covers what the window's would at this size.
  SetMapArea({0, 0, width, height});
  if (!view.empty()) {
    double lat = 0, lon = 0, scale = 0;
    if (!ParseTriple(view, lat, lon, scale) || lat < -90 || lat > 90 || lon < -180 || lon > 180) {
      err << "tolvane-cli: --view takes LAT,LON,SCALE in decimal degrees\n";
      return kUsageError;
    }
    CentreViewOn(ClampScale(std::llround(scale)),
                 static_cast<int32_t>(std::llround((lon + 180.0) * 1000000.0)),
                 static_cast<int32_t>(std::llround((lat + 90.0) * 1000000.0)));
  } else if (!corner.empty()) {
    double left = 0, top = 0, scale = 0;
    if (!ParseTriple(corner, left, top, scale) || std::fabs(left) > 1e9 || std::fabs(top) > 1e9) {
      err << "tolvane-cli: --corner takes LEFT,TOP,SCALE in world units\n";
      return kUsageError;
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
  return 0;
}

std::string JsonUtf8(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (code < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

#ifdef TOLVANE_CLI_HAS_QT
std::string DrawingProgramFolder() {
  const char* programOverride = std::getenv("TOLVANE_PROGRAM_FOLDER");
  return programOverride != nullptr && programOverride[0] != '\0' ? std::string(programOverride)
                                                                  : ProgramFolderPath();
}

std::unique_ptr<QGuiApplication> StartQtDrawing(int& argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  auto app = std::make_unique<QGuiApplication>(argc, argv);
  UseProgramNumberFormat();
  const std::string program = DrawingProgramFolder();
  const std::string fonts = WithTrailingSlash(program) + "fonts";
  int32_t registered = 0;
  RegisterSymbolFontFolder(QString::fromStdString(fonts), registered);
  int32_t fontsID = -1;
  if (RegisterDirectory(fonts + "/", true, fontsID) == 0) {
    if (LoadSymbolList(0, fontsID) == 0) SetSymbolKnownTest(SymbolInList);
    LoadSymbolBackgroundRanges(0, fontsID);
  }
  InstallQtDrawing();
  return app;
}
#endif

}  // namespace tlv::cli
