#include "cli/compact_command.h"

#include <cstdlib>
#include <cstring>
#include <ostream>

#include "base/files.h"
#include "base/strings.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/walks.h"
#include "cli/json_text.h"
#include "edit/compaction.h"
#include "edit/file_fix.h"
#include "edit/recovery.h"
#include "store/compaction_files.h"
#include "store/directory_table.h"
#include "store/summary.h"

namespace tlv::cli {

namespace {

int32_t chosenScale = -1;
int32_t ChosenScale() {
  return chosenScale;
}

std::string JsonTexts(const std::vector<std::string>& texts) {
  std::string json = "[";
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) json += ",";
    json += JsonString(texts[i]);
  }
  return json + "]";
}

std::string Field(const char* text, size_t size) {
  return std::string(text, strnlen(text, size));
}

// The flag's value, or empty; i is moved past it.
bool TakeValue(const std::vector<std::string>& words, size_t& i, std::string& value) {
  if (i + 1 >= words.size()) return false;
  value = words[++i];
  return true;
}

int RunCompact(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::string mapName, overlayName;
  bool progress = false, finish = false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "--map" && TakeValue(words, i, mapName)) continue;
    if (words[i] == "--overlay" && TakeValue(words, i, overlayName)) continue;
    if (words[i] == "--progress") {
      progress = true;
    } else if (words[i] == "--finish") {
      finish = true;
    } else {
      err << "tolvane-cli: compact [--map M] [--overlay O] [--progress] | compact --finish\n";
      return 64;
    }
  }
  mapName = Windows1252FromUtf8(mapName);
  overlayName = Windows1252FromUtf8(overlayName);
  int32_t mapID = 0, overlayID = 0;
  if (!mapName.empty()) {
    const int32_t m = MapNameToIndex(mapName);
    MapRecord map;
    if (m < 0 || !GetMapRecord(m, map)) {
      err << "tolvane-cli: no such map: " << mapName << "\n";
      return 1;
    }
    mapID = map.mapID;
  }
  if (!overlayName.empty()) {
    const int32_t l = LayerNameToIndex(overlayName);
    LayerRecord layer;
    if (l < 0 || !GetLayerRecord(l, layer)) {
      err << "tolvane-cli: no such overlay: " << overlayName << "\n";
      return 1;
    }
    overlayID = layer.layerID;
  }

  if (finish) {
    // The load ran the recovery of every overlay file; this tells what it found and checks the
    // index of what is there now.
    int failed = 0;
    ForEachMap(
        [&](const MapRecord& map) -> int32_t {
          if (mapID != 0 && map.mapID != mapID) return 0;
          std::string folder;
          DirectoryPath(map.dirID, folder);
          const int32_t m = MapIDToIndex(map.mapID);
          for (int32_t f = 0; f < map.overlayFileCount; ++f) {
            OverlayFileRecord entry;
            if (!GetOverlayFileRecord(m, f, entry)) continue;
            if (overlayID != 0 && entry.overlayID != overlayID) continue;
            const std::string base = Field(entry.baseName, sizeof entry.baseName);
            int32_t live = 0, deleted = 0, total = 0;
            SM2Builder builder;
            ForEachSummaryRecord(
                m, f,
                [&](const SummaryRecord& r, int32_t index) -> int32_t {
                  ++(SummaryRecordLive(r) ? live : deleted);
                  ++total;
                  return UpdateSM2Bounds(builder, r, index);
                },
                nullptr, nullptr);
            const ScopedHandle owner(builder.entries);
            ReleaseSM2Cache(m, f);
            Handle cached = nullptr;
            const int32_t loadErr = LoadSM2Cache(m, f, cached);
            const HandleArray<WRect> expected(builder.entries);
            const HandleArray<WRect> present(cached);
            std::string index = "ok";
            if (loadErr != 0 || (cached == nullptr && expected.Count() > 0)) {
              index = "missing";
            } else if (cached != nullptr) {
              if (present.Count() != expected.Count()) index = "stale";
              for (int32_t k = 0; index == "ok" && k < expected.Count(); ++k) {
                const WRect want = expected.Get(k);
                if (WRectPlaced(want) && want.x1 <= want.x2 && !WRectInside(want, present.Get(k))) {
                  index = "stale";
                }
              }
            }
            const CompactionRecovery recovery = LastCompactionRecovery(folder, base);
            if (recovery == CompactionRecovery::kBlocked) ++failed;
            out << JsonObject()
                       .Text("baseName", base)
                       .Text("recovery", CompactionRecoveryWord(recovery))
                       .Number("live", live)
                       .Number("deleted", deleted)
                       .Text("index", index)
                       .Str()
                << "\n";
          }
          // A blocked overlay file was left out of the map by the load.
          std::vector<FolderEntry> items;
          if (ListFolder(folder, items) == 0) {
            for (const FolderEntry& item : items) {
              const std::string& name = item.name;
              if (name.size() < 5 || name.compare(name.size() - 4, 4, ".CMX") != 0) continue;
              const std::string base = name.substr(0, name.size() - 4);
              if (LastCompactionRecovery(folder, base) != CompactionRecovery::kBlocked) continue;
              ++failed;
              out << JsonObject()
                         .Text("baseName", base)
                         .Text("recovery", "blocked")
                         .Null("live")
                         .Null("deleted")
                         .Null("index")
                         .Str()
                  << "\n";
            }
          }
          return 0;
        },
        true);
    return failed == 0 ? 0 : 1;
  }

  CompactProgress callbacks;
  if (progress) {
    callbacks.status = [&err](const std::string& text) {
      err << JsonObject().Text("status", text).Str() << "\n";
    };
    callbacks.progress = [&err](int32_t percent) {
      err << JsonObject().Number("progress", percent).Str() << "\n";
      return false;
    };
  }
  std::vector<CompactReport> reports;
  CompactMapFiles(false, callbacks, &reports, [&](int32_t map, int32_t overlay) {
    return (mapID == 0 || map == mapID) && (overlayID == 0 || overlay == overlayID);
  });
  int bad = 0;
  for (const CompactReport& r : reports) {
    if (r.result == CompactResult::kFailed || r.result == CompactResult::kCancelled) ++bad;
    out << JsonObject()
               .Text("map", r.mapName)
               .Text("overlay", r.overlayName)
               .Text("baseName", r.baseName)
               .Text("result", CompactResultWord(r.result))
               .Number("live", r.live)
               .Number("dropped", r.dropped)
               .Numbers("objBytes", {r.objBytesBefore, r.objBytesAfter})
               .Numbers("sumBytes", {r.sumBytesBefore, r.sumBytesAfter})
               .Raw("picturesDeleted", JsonTexts(r.picturesDeleted))
               .Number("ms", r.milliseconds)
               .Str()
        << "\n";
  }
  return bad == 0 ? 0 : 1;
}

int RunRecover(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  std::string overlay;
  std::string scale;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "--scale" && TakeValue(words, i, scale)) continue;
    if (overlay.empty() && words[i].rfind("--", 0) != 0) {
      overlay = words[i];
      continue;
    }
    err << "tolvane-cli: recover OVERLAY [--scale N]\n";
    return 64;
  }
  if (overlay.empty()) {
    err << "tolvane-cli: recover OVERLAY [--scale N]\n";
    return 64;
  }
  const int32_t index = LayerNameToIndex(Windows1252FromUtf8(overlay));
  if (index < 0) {
    err << "tolvane-cli: no such overlay: " << overlay << "\n";
    return 1;
  }
  CatalogueHooks hooks = CatalogueHooksInUse();
  if (!scale.empty()) {
    chosenScale = static_cast<int32_t>(std::strtol(scale.c_str(), nullptr, 10));
    hooks.currentScale = ChosenScale;
    SetCatalogueHooks(hooks);
  }
  RecoverOutcome outcome;
  const int32_t result = RecoverDeletedObjectsFromLayer(index, outcome);
  if (result == 0 && outcome.recovered > 0) {
    SaveLayers();
  }
  out << JsonObject()
             .Text("recoveryOverlay", outcome.recoveryOverlay)
             .Number("recovered", outcome.recovered)
             .Number("skipped", outcome.skipped)
             .Text("message", outcome.message)
             .Str()
      << "\n";
  return result == 0 ? 0 : 1;
}

int RunFileFix(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  if (words.size() < 3 || words.size() > 4 ||
      (words.size() == 4 && (words[3] != "--rebuild" || words[1] != "obj"))) {
    err << "tolvane-cli: filefix lyr|sum|obj FILE [--rebuild]\n";
    return 64;
  }
  std::string path;
  if (ResolvePath(std::string(words[2][0] == '/' ? "" : "./") + words[2], path) != 0) {
    err << "tolvane-cli: no such file: " << words[2] << "\n";
    return 1;
  }
  FileFixOutcome outcome;
  int32_t result = 0;
  if (words[1] == "lyr") {
    result = LyrFileToText(path, outcome);
  } else if (words[1] == "sum") {
    result = SumFileToText(path, outcome);
  } else if (words[1] == "obj") {
    result = ObjFileToText(path, words.size() == 4, outcome);
  } else {
    err << "tolvane-cli: filefix lyr|sum|obj FILE [--rebuild]\n";
    return 64;
  }
  if (result != 0) {
    err << "tolvane-cli: " << path << ": " << outcome.error << "\n";
    return 1;
  }
  JsonObject json;
  json.Text("wrote", outcome.wrote).Number("records", outcome.records);
  if (outcome.stoppedAt >= 0) {
    json.Number("stoppedAt", outcome.stoppedAt);
  } else {
    json.Null("stoppedAt");
  }
  out << json.Bool("rebuilt", outcome.rebuilt).Str() << "\n";
  return 0;
}

}  // namespace

bool IsCompactCommand(const std::vector<std::string>& words) {
  return !words.empty() &&
         (words[0] == "compact" || words[0] == "recover" || words[0] == "filefix");
}

int RunCompactCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  if (const char* step = std::getenv("TOLVANE_COMPACT_KILL_STEP")) {
    SetCompactionKillStep(static_cast<int32_t>(std::strtol(step, nullptr, 10)));
  }
  if (words[0] == "compact") return RunCompact(words, out, err);
  if (words[0] == "recover") return RunRecover(words, out, err);
  return RunFileFix(words, out, err);
}

}  // namespace tlv::cli
