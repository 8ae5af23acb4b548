#include "cli/catalogue_commands.h"

#include <ostream>

#include "app/folders.h"
#include "app/preferences.h"
#include "base/collate.h"
#include "base/files.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/groups.h"
#include "catalogue/layers.h"
#include "catalogue/legend.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "cli/json_text.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv::cli {

namespace {

// The directory ID of the named folder inside parentID, or -1.
int32_t FindFolder(int32_t parentID, const std::string& name) {
  int32_t found = -1;
  ForEachItemInFolder(0, parentID, std::string(),
                      [&](int16_t, int32_t dirID, const std::string& fullPath, bool isFolder) {
                        if (!isFolder) return 0;
                        std::string item = fullPath;
                        while (!item.empty() && item.back() == '/') item.pop_back();
                        item = item.substr(item.rfind('/') + 1);
                        if (found < 0 && CollateEqual(item, name)) found = dirID;
                        return 0;
                      });
  return found;
}

std::vector<int64_t> RectNumbers(const WRect& r) {
  return {r.x1, r.y1, r.x2, r.y2};
}

std::string UniversalText(char mark) {
  return mark == 0 ? std::string() : std::string(1, mark);
}

}  // namespace

int32_t OpenMapsFolder(int32_t mapsDirID, std::string& error) {
  CatalogueFolders folders;
  folders.volume = 0;
  folders.program = ProgramFolderID();
  folders.settings = FindFolder(mapsDirID, MessageText(551));
  folders.overlayMaps = FindFolder(mapsDirID, MessageText(560));
  std::string mapsPath;
  DirectoryPath(mapsDirID, mapsPath);
  if (folders.overlayMaps < 0) {
    error = "not a maps folder (it has no OverlayMaps folder): " + mapsPath;
    return -1;
  }
  folders.userMap = FindFolder(folders.overlayMaps, MessageText(554));
  std::string overlayMapsPath;
  DirectoryPath(folders.overlayMaps, overlayMapsPath);
  if (folders.userMap < 0 && IsWritable(overlayMapsPath)) {
    // The program makes the User's Map's folder when it starts; without it an import naming the
    // User's Map would make an ordinary map of that name, which would then hide the real one.
    // A folder that cannot take it (read-only media) is read as it is.
    FolderTable& table = MutableFolders();
    table.volume = folders.volume;
    table.overlayMaps = folders.overlayMaps;
    int32_t made = -1;
    if (AddUserMapFolderIfMissing(made) == 0) folders.userMap = made;
  }
  SetCatalogueFolders(folders);
  if (LoadLayers() != 0 || LoadMaps() != 0) {
    error = "the catalogue of " + mapsPath + " could not be loaded";
    return -1;
  }
  CloseBufferedFiles();
  return 0;
}

void PrintMaps(std::ostream& out) {
  for (int32_t i = 0; i < MapCount(); ++i) {
    MapRecord map;
    GetMapRecord(i, map);
    std::string files = "[";
    const HandleArray<OverlayFileRecord> records(map.overlayFiles);
    for (int32_t f = 0; f < records.Count(); ++f) {
      const OverlayFileRecord file = records.Get(f);
      if (f > 0) files += ",";
      files += JsonObject()
                   .Text("baseName", FieldText(file.baseName))
                   .Text("overlay", LayerName(LayerIDToIndex(file.overlayID)))
                   .Number("objectCount", file.objectCount)
                   .Numbers("bounds", RectNumbers(file.bounds))
                   .Str();
    }
    files += "]";
    out << JsonObject()
               .Text("name", FieldText(map.name))
               .Number("id", map.mapID)
               .Text("owner", FieldText(map.owner))
               .Bool("inUse", map.inUse != 0)
               .Bool("locked", map.locked != 0)
               .Text("universal", UniversalText(map.universalMark))
               .Text("folder", MapFolderPath(map))
               .Numbers("policies", std::vector<int64_t>(map.policies, map.policies + 5))
               .Bool("indexed", map.indexed != 0)
               .Raw("files", files)
               .Str()
        << "\n";
  }
}

void PrintOverlays(std::ostream& out) {
  for (int32_t i = 0; i < LayerCount(); ++i) {
    LayerRecord layer;
    GetLayerRecord(i, layer);
    JsonObject object;
    object.Text("name", FieldText(layer.name))
        .Number("id", layer.layerID)
        .Number("displayMode", layer.displayMode)
        .Numbers("scales", {layer.scales[0], layer.scales[1], layer.scales[2], layer.scales[3]})
        .Number("flags", layer.flags)
        .Number("lockState", layer.lockState)
        .Bool("deleteAtQuit", layer.deleteAtQuit != 0)
        .Numbers("defaultGraphics", std::vector<int64_t>(layer.graphics, layer.graphics + 8))
        .Number("graphicsOverride", layer.graphicsOverride)
        .Numbers("thematic", {layer.thematic[0], layer.thematic[1], layer.thematic[2]});
    GroupRecord group;
    if (GetGroupRecord(GroupOfLayer(i), group)) {
      object.Text("group", FieldText(group.name));
    } else {
      object.Null("group");
    }
    out << object.Str() << "\n";
  }
}

void PrintLegend(std::ostream& out) {
  const LegendContents& legend = CurrentLegend();
  std::string entries = "[";
  for (size_t e = 0; e < legend.entries.size(); ++e) {
    const LayerRecord& entry = legend.entries[e];
    if (e > 0) entries += ",";
    entries += JsonObject()
                   .Text("name", FieldText(entry.name))
                   .Number("marker", entry.marker)
                   .Number("symbol", entry.graphics[0])
                   .Number("colour", entry.graphics[1])
                   .Number("variant", entry.graphics[2])
                   .Number("lineType", entry.graphics[3])
                   .Number("pattern", entry.graphics[4])
                   .Numbers("thematic", {entry.thematic[0], entry.thematic[1], entry.thematic[2]})
                   .Number("flags", entry.flags)
                   .Number("displayMode", entry.displayMode)
                   .Str();
  }
  entries += "]";
  out << JsonObject()
             .Number("kind", legend.kind)
             .Bool("shown", GetPref(Pref::kLegendShown) != 0)
             .Text("picture", legend.picturePath)
             .Raw("entries", entries)
             .Str()
      << "\n";
}

void PrintGroups(std::ostream& out) {
  for (int32_t g = 0; g < GroupCount(); ++g) {
    GroupRecord group;
    GetGroupRecord(g, group);
    out << JsonObject()
               .Text("name", FieldText(group.name))
               .Text("first", FieldText(group.first))
               .Text("last", FieldText(group.last))
               .Bool("collapsed", group.collapsed != 0)
               .Str()
        << "\n";
  }
}

}  // namespace tlv::cli
