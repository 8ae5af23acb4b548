#include "cli/copy_command.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/startup.h"
#include "base/headless_platform.h"
#include "base/platform.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "cli/json_text.h"
#include "edit/selection.h"
#include "geometry/geo_settings.h"
#include "interchange/copy_text.h"
#include "interchange/export.h"
#include "render/map_view.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include "platform/qt/text_codec.h"
#endif

namespace tlv::cli {

namespace {

constexpr const char* kUsage =
    "usage: tolvane-cli copy (click LAT,LON | marked LAT,LON | object MAP OVERLAY POSITION "
    "name|latlong|record [--fields name,overlay,map,symbol,color,id]) [--format dd|dm|dms] "
    "[--clipboard [--hold SECONDS]]\n";

bool ParsePoint(const std::string& text, WPoint& p) {
  double latitude = 0;
  double longitude = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%lf,%lf%c", &latitude, &longitude, &extra) != 2 ||
      !std::isfinite(latitude) || !std::isfinite(longitude) || latitude < -90 || latitude > 90 ||
      longitude < -180 || longitude > 180) {
    return false;
  }
  p = {static_cast<int32_t>(std::llround((longitude + 180.0) * 1000000.0)),
       static_cast<int32_t>(std::llround((latitude + 90.0) * 1000000.0))};
  return true;
}

std::string Hex(const std::string& bytes) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string hex;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

#ifdef TOLVANE_CLI_HAS_QT
// The headless platform with the system clipboard of a QGuiApplication.
class SystemClipboard : public HeadlessPlatform {
 public:
  bool SetClipboardText(std::string_view text) override {
    QGuiApplication::clipboard()->setText(FromWindows1252(text));
    return HeadlessPlatform::SetClipboardText(text);
  }
};
#endif

}  // namespace

bool IsCopyCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "copy";
}

int RunCopyCommand(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
                   std::ostream& err) {
  int32_t menu = 0;
  int32_t item = 0;
  WPoint point;
  ObjectRef object;
  bool clipboard = false;
  double hold = 0;
  size_t i = 1;
  const std::string what = words.size() > 1 ? words[1] : "";
  if ((what == "click" || what == "marked") && words.size() > 2 && ParsePoint(words[2], point)) {
    menu = what == "click" ? kClickPointMenu : kMarkedPointMenu;
    item = what == "click" ? kCopyClickPointItem : kCopyMarkedPointItem;
    i = 3;
  } else if (what == "object" && words.size() > 5) {
    const int32_t mapIndex = MapNameToIndex(Windows1252FromUtf8(words[2]));
    MapRecord map;
    if (!GetMapRecord(mapIndex, map)) {
      err << "tolvane-cli: no map named " << words[2] << "\n";
      return 1;
    }
    LayerRecord layer;
    if (!GetLayerRecord(LayerNameToIndex(Windows1252FromUtf8(words[3])), layer)) {
      err << "tolvane-cli: no overlay named " << words[3] << "\n";
      return 1;
    }
    char* end = nullptr;
    const long position = std::strtol(words[4].c_str(), &end, 10);
    if (end == words[4].c_str() || *end != '\0' || position < 0) {
      err << kUsage;
      return 1;
    }
    object = {map.mapID, layer.layerID, static_cast<int32_t>(position)};
    menu = kObjectMenu;
    if (words[5] == "name") {
      item = kCopyObjectNameItem;
    } else if (words[5] == "latlong") {
      item = kCopyObjectLatLongItem;
    } else if (words[5] == "record") {
      item = kCopyObjectRecordItem;
    } else {
      err << kUsage;
      return 1;
    }
    i = 6;
  } else {
    err << kUsage;
    return 1;
  }
  for (; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool hasValue = i + 1 < words.size();
    if (word == "--format" && hasValue) {
      const std::string& format = words[++i];
      if (format == "dd") {
        SetCoordinateFormatSetting(kFormatDecimalDegrees);
      } else if (format == "dm") {
        SetCoordinateFormatSetting(kFormatDegMin);
      } else if (format == "dms") {
        SetCoordinateFormatSetting(kFormatDegMinSec);
      } else {
        err << kUsage;
        return 1;
      }
    } else if (word == "--fields" && hasValue && menu == kObjectMenu) {
      static const char* const kWords[kExportFieldCount] = {"name",   "overlay", "map",
                                                            "symbol", "color",   "id"};
      ExportSettings& settings = MutableExportSettings();
      for (bool& on : settings.fields) on = false;
      const std::string list = words[++i] + ",";
      size_t at = 0;
      for (size_t comma = list.find(','); comma != std::string::npos;
           at = comma + 1, comma = list.find(',', at)) {
        const std::string field = list.substr(at, comma - at);
        bool known = false;
        for (int f = 0; f < kExportFieldCount; ++f) {
          if (field == kWords[f]) settings.fields[f] = known = true;
        }
        if (!known) {
          err << "tolvane-cli: --fields takes name, overlay, map, symbol, color and id\n";
          return 1;
        }
      }
    } else if (word == "--clipboard") {
      clipboard = true;
    } else if (word == "--hold" && hasValue) {
      char* end = nullptr;
      hold = std::strtod(words[++i].c_str(), &end);
      if (*end != '\0' || !std::isfinite(hold) || hold < 0 || hold > 3600) {
        err << kUsage;
        return 1;
      }
    } else {
      err << kUsage;
      return 1;
    }
  }

  if (menu == kClickPointMenu) SetClickPoint(point);
  if (menu == kMarkedPointMenu) SetMarkedPoint(point);
  if (menu == kObjectMenu) {
    RemoveAllSelectedObjects();
    AddSelectedObject(object.mapID, object.overlayID, object.position);
    if (SelectedObjectCount() != 1) {
      err << "tolvane-cli: no object at " << object.position << " of that overlay and map\n";
      return 1;
    }
  }

  HeadlessPlatform& headless = DefaultHeadlessPlatform();
#ifdef TOLVANE_CLI_HAS_QT
  std::unique_ptr<QGuiApplication> app;
  SystemClipboard system;
  if (clipboard) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    app = std::make_unique<QGuiApplication>(argc, argv);
    UseProgramNumberFormat();
    system.echoToStderr = true;
    InstallPlatform(&system);
  }
  HeadlessPlatform& platform = clipboard ? system : headless;
#else
  (void)argc;
  (void)argv;
  if (clipboard) {
    err << "tolvane-cli: this build has no system clipboard (it was built without the Qt layer)\n";
    return 1;
  }
  HeadlessPlatform& platform = headless;
#endif
  const size_t alertsBefore = platform.alerts.size();
  std::string text;
  int32_t result = CopyCommandText(menu, item, text);
  const int setsBefore = platform.clipboardSets;
  if (result == 0) result = PopInfoCopyText(menu, item);
  const bool copied = platform.clipboardSets > setsBefore;
  const bool reported = platform.alerts.size() > alertsBefore;
  out << JsonObject()
             .Number("menu", menu)
             .Number("item", item)
             .Text("text", text)
             .Text("cp1252", Hex(text))
             .Number("length", static_cast<int64_t>(text.size()))
             .Bool("copied", copied)
             .Str()
      << std::endl;  // before the clipboard is held: a reader may be waiting for this line
#ifdef TOLVANE_CLI_HAS_QT
  if (clipboard && copied && hold > 0) {
    // The clipboard belongs to this process: it stays readable while the program runs.
    QTimer::singleShot(static_cast<int>(hold * 1000), app.get(), &QCoreApplication::quit);
    app->exec();
  }
  if (clipboard) InstallPlatform(&headless);
#endif
  if (text.empty() && result == 0) {
    err << "tolvane-cli: nothing to copy\n";
    return 1;
  }
  return result != 0 || reported ? 1 : 0;
}

}  // namespace tlv::cli
