// Imports arbitrary bytes as a 1.x export text into a fresh temporary maps folder: the reader
// must stop cleanly at any error, and afterwards every overlay file's object count must match
// its live summary records.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/headless_platform.h"
#include "base/memory.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"
#include "fuzz_files.h"
#include "interchange/import.h"
#include "interchange/old_import.h"
#include "store/directory_table.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  fuzz::PutFile(path, bytes.data(), bytes.size());
}

std::string NameDotMap(const std::string& name) {
  std::string bytes(56, '\0');
  bytes.replace(0, name.size(), name);
  bytes.replace(46, 5, "00000");
  return bytes;
}

const std::string kRoot = "/fuzz/old-import/";

void FreshMapsFolder() {
  ReleaseCatalogue();
  ResetOpenFilesForTesting();
  ResetLifeCycleForTesting();
  ResetImportForTesting();
  ResetDirectoryTableForTesting();
  // Every input starts from an empty disk.
  fuzz::EndOfInput();
  fuzz::MakeFolders(kRoot + "Settings");
  fuzz::MakeFolders(kRoot + "OverlayMaps/UserMap");
  fuzz::MakeFolders(kRoot + "OverlayMaps/Harbour");
  WriteFile(kRoot + "OverlayMaps/UserMap/NAME.MAP", NameDotMap("User's map"));
  WriteFile(kRoot + "OverlayMaps/Harbour/NAME.MAP", NameDotMap("Harbour"));
  CatalogueFolders folders;
  RegisterDirectory(kRoot + "Settings/", true, folders.settings);
  RegisterDirectory(kRoot + "OverlayMaps/", true, folders.overlayMaps);
  RegisterDirectory(kRoot + "OverlayMaps/UserMap/", true, folders.userMap);
  folders.program = folders.settings;
  SetCatalogueFolders(folders);
  LoadLayers();
  LoadMaps();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = [] {
    InstallPlatform(&DefaultHeadlessPlatform());
    InitWindowsHandles();
    return true;
  }();
  (void)started;
  DefaultHeadlessPlatform().Reset();
  FreshMapsFolder();
  // The first byte picks the mode and whether the coordinates are relative; the rest is text.
  const char modes[3] = {kOldImportNew, kOldImportReplace, kOldImportModify};
  const char mode = size > 0 ? modes[data[0] % 3] : kOldImportNew;
  const bool relative = size > 0 && (data[0] & 4) != 0;
  const std::string text =
      size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();
  OldImportSummary summary;
  std::string overlay;
  Handle list = OldImportObjects(&text, "", 0, mode, true, true, relative, 38.5, 77.25, 'E',
                                 UserMapID(), (size > 0 && (data[0] & 8) != 0), &overlay, &summary);
  Check(list != nullptr);
  Check(static_cast<size_t>(summary.created + summary.changed + summary.listedOnly) ==
        summary.ids.size());
  MyDisposeHandle(list);
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    GetMapRecord(m, map);
    for (int32_t f = 0; f < map.overlayFileCount; ++f) {
      OverlayFileRecord entry;
      GetOverlayFileRecord(m, f, entry);
      int32_t live = 0;
      int32_t walkMap = -1;
      int32_t walkFile = -1;
      ForEachSummaryRecord(
          map.mapID, entry.overlayID,
          [&live](const SummaryRecord& record, int32_t) {
            if (SummaryRecordLive(record)) ++live;
            return 0;
          },
          &walkMap, &walkFile);
      GetOverlayFileRecord(m, f, entry);
      Check(entry.objectCount == live);
    }
  }
  CloseBufferedFiles();
  ReleaseCatalogue();
  ResetOpenFilesForTesting();
  ResetLifeCycleForTesting();
  ResetImportForTesting();
  ResetDirectoryTableForTesting();
  DefaultHeadlessPlatform().Reset();
  fuzz::EndOfInput();
  return 0;
}
