#include "cli/views_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <ostream>

#include "app/folders.h"
#include "app/preferences.h"
#include "base/dib_file.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/views.h"
#include "cli/json_text.h"
#include "cli/view_options.h"
#include "render/map_view.h"
#include "store/directory_table.h"

#ifdef TOLVANE_CLI_HAS_QT
#include <QGuiApplication>
#include <QImage>

#include "app/draw_request.h"
#include "render/qt/picture_file.h"
#include "render/qt/qt_rendering.h"
#endif

namespace tlv::cli {

namespace {

constexpr int kViewsFolderName = 552;
constexpr int kThumbnailSide = 150;

std::string Degrees(int32_t world, int32_t offsetDegrees) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", world / 1000000.0 - offsetDegrees);
  return text;
}

int32_t Little32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<int32_t>(uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) |
                              (uint32_t{b[3]} << 24));
}

// [width, height, bits] from a packed bitmap's information header, or null.
std::string ThumbnailJson(const ViewRecord& view) {
  std::string packed;
  if (ReadViewThumbnail(view, packed) != 0 || packed.size() < kDibInfoHeaderSize) return "null";
  const char* p = packed.data();
  if (Little32(p) < kDibInfoHeaderSize) return "null";
  const int32_t width = Little32(p + 4);
  const int32_t height = Little32(p + 8);
  const int32_t bits = Little32(p + 14) & 0xFFFF;
  return "[" + std::to_string(width) + "," + std::to_string(std::abs(height)) + "," +
         std::to_string(bits) + "]";
}

// A NUL-terminated field of a record, as the Windows-1252 bytes JSON output takes.
std::string Text(const char* field, size_t room) {
  return {field, strnlen(field, room)};
}

bool SameView(const ViewRecord& a, const ViewRecord& b) {
  return b.scale >= 0 && SameViewByFile(a, b);
}

int ListViews(std::ostream& out) {
  const ViewRecord home = HomeView();
  const ViewRecord reference = ReferenceView();
  const int32_t saved = SavedViewsFolderID();
  ForEachViewFile([&](const ViewRecord& view) {
    const WRect& r = view.rect;
    out << JsonObject()
               .Text("name", Text(view.name, sizeof view.name))
               .Text("map", Text(view.mapName, sizeof view.mapName))
               .Text("file", Text(view.fileName, sizeof view.fileName))
               .Number("folder", view.folderID == saved ? 1 : 2)
               .Numbers("rect", {r.x1, r.y1, r.x2, r.y2})
               .Raw("degrees",
                    "{\"west\":" + Degrees(r.x1, 180) + ",\"south\":" + Degrees(r.y1, 90) +
                        ",\"east\":" + Degrees(r.x2, 180) + ",\"north\":" + Degrees(r.y2, 90) + "}")
               .Number("scale", view.scale)
               .Number("flagA", view.flagA)
               .Number("flagB", view.flagB)
               .Raw("thumbnail", ThumbnailJson(view))
               .Bool("home", SameView(view, home))
               .Bool("reference", SameView(view, reference))
               .Str()
        << "\n";
    return 0;
  });
  return 0;
}

}  // namespace

void UseViewFolders(bool saving, bool loadSettings) {
  const CatalogueFolders& catalogue = CatalogueFolderIDs();
  // The saved views live in Settings/Views; the program's own are only read.
  int32_t savedViews = -1;
  if (catalogue.settings >= 0) {
    if (saving) {
      AddFolderIfMissing(catalogue.volume, catalogue.settings,
                         MessageText(kViewsFolderName).c_str(), savedViews);
    } else {
      std::string path;
      if (MakeFullPath(catalogue.volume, catalogue.settings, MessageText(kViewsFolderName), path) ==
              0 &&
          IsFolder(path)) {
        RegisterDirectory(path + "/", true, savedViews);
      }
    }
    if (loadSettings) LoadSettings(catalogue.volume, catalogue.settings, ProgramFolderID());
  }
  SetViewFolders(catalogue.volume, savedViews, ProgramViewsFolderID());
}

bool IsViewsCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "views";
}

int RunViewsCommand(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
                    std::ostream& err) {
  const bool saving = words.size() >= 2 && words[1] == "save";
  UseViewFolders(saving, true);
  if (words.size() == 1) return ListViews(out);
  if (!saving || words.size() < 3) {
    err << "usage: tolvane-cli views | views save NAME VIEW [--home]\n";
    return kUsageError;
  }
  const std::string name = Windows1252FromUtf8(words[2]);
  if (name.empty()) {
    err << "tolvane-cli: a view needs a name\n";
    return kUsageError;
  }
  std::map<std::string, std::string> options;
  std::vector<std::string> optionWords{"views save"};
  optionWords.insert(optionWords.end(), words.begin() + 3, words.end());
  if (!ParseOptions(optionWords, {"--view", "--corner", "--fit", "--size", "--screen-dpi"},
                    {"--home"}, options, err)) {
    return kUsageError;
  }
  const bool home = options.erase("--home") > 0;
  int width = 0, height = 0;
  const int applied = ApplyViewOptions(options, width, height, err);
  if (applied != 0) return applied;
#ifdef TOLVANE_CLI_HAS_QT
  const auto app = StartQtDrawing(argc, argv);
  QImage image(width, height, QImage::Format_RGB32);
  DrawMapRequest request = StandardDrawRequest();
  request.interrupted = [] { return false; };
  RenderViewToImage(image, CurrentMapView(), request);
  // The thumbnail keeps the view's shape within 150 x 150.
  std::string packed;
  if (!EncodeViewThumbnail(image, double(width) / height, kThumbnailSide, packed)) {
    err << "tolvane-cli: Not enough memory to save a view.\n";
    return 1;
  }
  ViewRecord view;
  std::strncpy(view.name, name.c_str(), kViewNameRoom);
  view.rect = ViewWorldRect();
  view.scale = CurrentMapView().scale;
  ViewRecord saved;
  if (SaveView(view, packed, saved) != 0) return 1;
  if (home) {
    SetHomeView(saved);
    const CatalogueFolders& catalogue = CatalogueFolderIDs();
    if (SaveSettings(catalogue.volume, catalogue.settings) != 0) return 1;
  }
  ListViews(out);
  return 0;
#else
  (void)argc;
  (void)argv;
  (void)home;
  err << "tolvane-cli: this build draws no pictures (it was built without the Qt layer)\n";
  return 1;
#endif
}

}  // namespace tlv::cli
