// tolvane-cli: the program's core without a window, for scripts, batch work and end-to-end tests.
//   tolvane-cli [--maps DIR] COMMAND
// Without --maps the maps folder is found as the program finds it.

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/folders.h"
#include "app/startup.h"
#include "app/wiring.h"
#include "base/files.h"
#include "base/headless_platform.h"
#include "base/memory.h"
#include "catalogue/maps.h"
#include "cli/basemap_command.h"
#include "cli/catalogue_commands.h"
#include "cli/collection_command.h"
#include "cli/compact_command.h"
#include "cli/copy_command.h"
#include "cli/export_command.h"
#include "cli/friends_command.h"
#include "cli/georef_command.h"
#include "cli/import_command.h"
#include "cli/messages_command.h"
#include "cli/objects_command.h"
#include "cli/polygon_command.h"
#include "cli/print_command.h"
#include "cli/render_command.h"
#include "cli/search_command.h"
#include "cli/select_command.h"
#include "cli/verify_command.h"
#include "cli/vertex_command.h"
#include "cli/views_command.h"
#include "cli/zepha_command.h"
#include "edit/compaction.h"
#include "store/compaction_files.h"
#include "store/directory_table.h"

namespace {

constexpr int kExitUsage = 64;
constexpr int kExitBadFolder = 66;
constexpr int kExitFailed = 1;

void PrintUsage(std::ostream& out) {
  out << "usage: tolvane-cli [--maps DIR] COMMAND\n"
         "commands:\n"
         "  maps      one JSON object per map of the catalogue\n"
         "  overlays  one JSON object per overlay, in list order\n"
         "  groups    one JSON object per overlay group\n"
         "  legend    what the legend shows: kind, switch, picture, entries\n"
         "  objects MAP OVERLAY [--deleted]\n"
         "            one JSON object per object of the overlay on the map\n"
         "  import FILE [--mode update|skip|duplicate] [--ids]\n"
         "            imports an interchange file; prints objects created, updated, skipped\n"
         "  import-old FILE [--map NAME | --new-map] [--mode N|R|M] [--select] [--list]\n"
         "         [--owned] [--relative LAT,LON --unit E|K|M|Y]\n"
         "            imports a 1.x export file; prints one JSON line of what it did\n"
         "  render [--view LAT,LON,SCALE | --corner LEFT,TOP,SCALE | --fit MAPNAME]\n"
         "         --size WxH --out FILE.png [--grid[=under|over]] [--grid-minor]\n"
         "            draws the view as the map window does and saves it as PNG\n"
         "  print --pdf OUT.pdf [--paper A4|Letter] [--landscape]\n"
         "        [--fit-page | --pages AxD | --image W,H,in|cm | --scale N] [--title T]\n"
         "        [--dpi N] VIEW\n"
         "            prints the view into a PDF file on one page or many\n"
         "  picture --format bmp|wmf|emf|png --out FILE VIEW\n"
         "            saves the view as a picture file\n"
         "            (VIEW: [--view LAT,LON,SCALE | --corner LEFT,TOP,SCALE | --fit MAPNAME]\n"
         "             --size WxH [--screen-dpi N])\n"
         "  verify [MAP] [--unique-ids]\n"
         "            checks the overlay files of one map or of all; one JSON object per\n"
         "            finding, exit status 0 only when no problem was found\n"
         "  polygon (union|intersection|difference|join|connect|envelope DIST UNIT) MAP OVERLAY\n"
         "          POSITION... [--create]\n"
         "            makes a new area or line from the objects as Make New Polygon does\n"
         "  select (--click LAT,LON | --rect S,W,N,E | --circle LAT,LON,MILES)\n"
         "         --view LAT,LON,SCALE --size WxH [--overlays A,B]\n"
         "            selects as the select tools do; prints the selection\n"
         "  collection load FILE.msc [--mode replace|union|subset --base B.msc]\n"
         "             [--save OUT.msc]\n"
         "            loads a search collection file; prints the collection\n"
         "  search (--any | --starts T | --contains T | --within D UNIT | --not-within D UNIT\n"
         "         | --touching | --not-touching) [--of click:LAT,LON | marked:LAT,LON |\n"
         "         selected:MAP/OVERLAY/POS,... | collection:F.msc] [--mode replace|add|sub\n"
         "         --collection F.msc] [--overlays A,B] [--maps X,Y] [--area] [--save OUT.msc]\n"
         "            searches as the Search Criteria dialog does; prints the collection\n"
         "  export --format mie|text|bna|shapefile --out FILE\n"
         "         (--overlay MAP OVERLAY | --ids MAP OVERLAY ID,...) [--fields ...] [--kind ...]\n"
         "  export --mie-text MAP OVERLAY ID\n"
         "            exports objects as the Export command does; prints one JSON line\n"
         "  copy (click LAT,LON | marked LAT,LON | object MAP OVERLAY POSITION\n"
         "       name|latlong|record [--fields ...]) [--format dd|dm|dms]\n"
         "       [--clipboard [--hold SECONDS]]\n"
         "            what the pop-ups' copy commands put on the clipboard, as one JSON line\n"
         "  georef (--picture FILE | --size WxH) --p1 COL,ROW,LAT,LON\n"
         "         (--p2 COL,ROW,LAT,LON | --p2 COL,ROW --distance D [--unit ft|yd|m|km|mi|nm])\n"
         "         [--insert MAP OVERLAY]\n"
         "            the world rectangle of a picture from two control points; with --insert\n"
         "            the picture is put on the map as a picture object\n"
         "  friends   one JSON object per friend file, with the sharing menu it builds\n"
         "  zepha labels PAS | zepha name NAME --pas PAS | zepha kml [--zepha-folder DIR]\n"
         "            ZEPHA's zone texts, the name a zone takes, the KML export; one JSON line\n"
         "  views | views save NAME VIEW [--home]\n"
         "            the saved views, one JSON object per view file; save stores the\n"
         "            view with its thumbnail as Save Current View does\n"
         "  compact [--map M] [--overlay O] [--progress] | compact --finish\n"
         "            compacts overlay files, or finishes cut-off compactions\n"
         "  recover OVERLAY [--scale N]\n"
         "            brings the deleted objects of an overlay back\n"
         "  messages FILE|- [--then maps|overlays|legend]\n"
         "            handles sibling programs' envelopes (JSON lines); prints answers, alerts,\n"
         "            results, then the catalogue or legend when asked\n"
         "  filefix lyr|sum|obj FILE [--rebuild]\n"
         "            writes Lyr.TXT, Sum.TXT or Obj.TXT beside FILE\n"
         "  basemap render --view LAT,LON,SCALE --size WxH --out F.png [--buttons 1000]\n"
         "         [--query circle|rect W,S,E,N]\n"
         "  basemap tool NAME [--click LAT,LON] [--area W,S,E,N] [--text T]\n"
         "            runs the basemap package as the program does; prints one JSON line\n"
         "  vertex mark|move|insert|delete MAP OVERLAY POSITION --click LAT,LON\n"
         "         [--marked LAT,LON] --view LAT,LON,SCALE --size WxH [--undo N] [--unlock]\n"
         "            edits one point of a polyline or polygon as the Vertex menu does\n";
}

std::string ProgramFolder(const char* argv0) {
  std::error_code ignored;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ignored);
  if (exe.empty()) exe = std::filesystem::absolute(argv0, ignored);
  return exe.parent_path().string();
}

int Run(int argc, char** argv) {
  tlv::UseProgramNumberFormat();
  std::string mapsFolder;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // After the word search, --maps is the search's own list of maps (search --maps X,Y).
    if (!words.empty() && words[0] == "search" && arg.rfind("--maps", 0) == 0) {
      words.push_back(arg);
    } else if (arg == "--maps") {
      if (i + 1 >= argc) {
        std::cerr << "tolvane-cli: --maps needs a folder\n";
        return kExitUsage;
      }
      mapsFolder = argv[++i];
    } else if (arg.rfind("--maps=", 0) == 0) {
      mapsFolder = arg.substr(7);
    } else if (arg == "--help" || arg == "-h") {
      PrintUsage(std::cout);
      return 0;
    } else {
      words.push_back(arg);
    }
  }
  const bool objects = tlv::cli::IsObjectsCommand(words);
  const bool import = tlv::cli::IsImportCommand(words);
  const bool render = tlv::cli::IsRenderCommand(words);
  const bool verify = tlv::cli::IsVerifyCommand(words);
  const bool select = tlv::cli::IsSelectCommand(words);
  const bool collection = tlv::cli::IsCollectionCommand(words);
  const bool exporting = tlv::cli::IsExportCommand(words);
  const bool copy = tlv::cli::IsCopyCommand(words);
  const bool georef = tlv::cli::IsGeoRefCommand(words);
  const bool friends = tlv::cli::IsFriendsCommand(words);
  const bool compacting = tlv::cli::IsCompactCommand(words);
  const bool printing = tlv::cli::IsPrintCommand(words);
  const bool picture = tlv::cli::IsPictureCommand(words);
  const bool search = tlv::cli::IsSearchCommand(words);
  const bool views = tlv::cli::IsViewsCommand(words);
  const bool messages = tlv::cli::IsMessagesCommand(words);
  const bool basemap = tlv::cli::IsBasemapCommand(words);
  const bool polygon = tlv::cli::IsPolygonCommand(words);
  const bool vertex = tlv::cli::IsVertexCommand(words);
  const bool zepha = tlv::cli::IsZephaCommand(words);
  if (!zepha && !messages && !basemap && !polygon && !vertex && !objects && !import && !render &&
      !verify && !select && !collection && !exporting && !copy && !georef && !friends &&
      !compacting && !printing && !picture && !search && !views &&
      (words.size() != 1 || (words[0] != "maps" && words[0] != "overlays" && words[0] != "groups" &&
                             words[0] != "legend"))) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }

  tlv::HeadlessPlatform& platform = tlv::DefaultHeadlessPlatform();
  platform.echoToStderr = true;
  tlv::InstallPlatform(&platform);
  tlv::WireCore();
  if (tlv::InitWindowsHandles() != 0 || tlv::InitDirectoryTable() != 0) {
    std::cerr << "tolvane-cli: out of memory\n";
    return kExitFailed;
  }
  if (tlv::SetProgramFolder(ProgramFolder(argv[0])) != 0) {
    std::cerr << "tolvane-cli: the program folder cannot be used\n";
    return kExitFailed;
  }
  int32_t mapsID = -1;
  if (!mapsFolder.empty()) {
    std::string resolved;
    if (tlv::ResolvePath(std::filesystem::absolute(mapsFolder).string(), resolved) != 0 ||
        !tlv::IsFolder(resolved)) {
      std::cerr << "tolvane-cli: no such maps folder: " << mapsFolder << "\n";
      return kExitBadFolder;
    }
    if (tlv::RegisterDirectory(tlv::WithTrailingSlash(resolved), true, mapsID) != 0) {
      std::cerr << "tolvane-cli: the maps folder path is too long: " << mapsFolder << "\n";
      return kExitBadFolder;
    }
  } else {
    int16_t volume = 0;
    if (tlv::LocateMapsFolder(volume, mapsID) != 0) {
      std::cerr << "tolvane-cli: no maps folder found; name one with --maps DIR\n";
      return kExitBadFolder;
    }
  }
  // The checker reads the files as they are: a cut-off compaction is a finding, not something
  // to finish on the way.
  if (verify) tlv::SetFinishCompactionOnLoad(false);
  std::string error;
  if (tlv::cli::OpenMapsFolder(mapsID, error) != 0) {
    std::cerr << "tolvane-cli: " << error << "\n";
    return kExitBadFolder;
  }
  // Another process's compaction leaves the maps this one reads alone.
  tlv::HoldLocksOfMapsInUse();
  tlv::cli::PrepareBasemap(ProgramFolder(argv[0]), mapsID);
  int result = 0;
  if (zepha) {
    result = tlv::cli::RunZephaCommand(words, std::cout, std::cerr);
  } else if (messages) {
    result = tlv::cli::RunMessagesCommand(words, std::cin, std::cout, std::cerr);
  } else if (basemap) {
    result = tlv::cli::RunBasemapCommand(words, std::cout, std::cerr);
  } else if (compacting) {
    result = tlv::cli::RunCompactCommand(words, std::cout, std::cerr);
  } else if (objects) {
    result = tlv::cli::PrintObjects(words, std::cout, std::cerr);
  } else if (import) {
    result = tlv::cli::RunImportCommand(words, std::cout, std::cerr);
  } else if (exporting) {
    result = tlv::cli::RunExportCommand(words, mapsID, std::cout, std::cerr);
  } else if (georef) {
    result = tlv::cli::RunGeoRefCommand(words, std::cout, std::cerr);
  } else if (copy) {
    result = tlv::cli::RunCopyCommand(words, argc, argv, std::cout, std::cerr);
  } else if (render) {
    result = tlv::cli::RenderView(words, argc, argv, std::cout, std::cerr);
  } else if (printing) {
    result = tlv::cli::RunPrintCommand(words, argc, argv, std::cout, std::cerr);
  } else if (picture) {
    result = tlv::cli::RunPictureCommand(words, argc, argv, std::cout, std::cerr);
  } else if (verify) {
    result = tlv::cli::RunVerifyCommand(words, std::cout, std::cerr);
  } else if (collection) {
    result = tlv::cli::RunCollectionCommand(words, std::cout, std::cerr);
  } else if (search) {
    result = tlv::cli::RunSearchCommand(words, std::cout, std::cerr);
  } else if (views) {
    result = tlv::cli::RunViewsCommand(words, argc, argv, std::cout, std::cerr);
  } else if (polygon) {
    result = tlv::cli::RunPolygonCommand(words, std::cout, std::cerr);
  } else if (select) {
    result = tlv::cli::RunSelectCommand(words, std::cout, std::cerr);
  } else if (vertex) {
    result = tlv::cli::RunVertexCommand(words, std::cout, std::cerr);
  } else if (friends) {
    result = tlv::cli::RunFriendsCommand(mapsID, std::cout, std::cerr);
  } else if (words[0] == "maps") {
    tlv::cli::PrintMaps(std::cout);
  } else if (words[0] == "overlays") {
    tlv::cli::PrintOverlays(std::cout);
  } else if (words[0] == "legend") {
    tlv::cli::PrintLegend(std::cout);
  } else {
    tlv::cli::PrintGroups(std::cout);
  }
  tlv::ReleaseCatalogue();
  if (result == kExitUsage) return kExitUsage;
  if (result != 0) return kExitFailed;
  return std::cout.good() ? 0 : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  return Run(argc, argv);
}
