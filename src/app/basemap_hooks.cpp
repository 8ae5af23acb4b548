#include "app/basemap_hooks.h"

#include <vector>

#include "base/files.h"
#include "base/object_ids.h"
#include "catalogue/open_files.h"
#include "edit/object_access.h"
#include "edit/selection.h"
#include "interchange/export.h"
#include "interchange/import.h"
#include "store/directory_table.h"
#include "store/object_record.h"
#include "tools/basemap_bridge.h"

namespace tlv {

namespace {

// 0 with the file written; -1 when nothing is selected or an object is not an area.
int32_t ExportSelectedAreas(const std::string& path) {
  std::vector<ObjectRef> objects;
  bool onlyAreas = true;
  ForEachSelectedObject(
      [&](int32_t mapID, int32_t overlayID, int32_t position) -> int32_t {
        int16_t type = 0;
        if (UseObjectFile(mapID, overlayID) != 0 ||
            FSGetObjectType(CurrentObjectFile(), position, type) != 0 ||
            (type != kRectangleObject && type != kCircleObject && type != kPolygonObject)) {
          onlyAreas = false;
          return 1;
        }
        objects.push_back({mapID, overlayID, position});
        return 0;
      },
      true);
  CloseBufferedFiles();
  if (!onlyAreas || objects.empty()) return -1;
  return ExportObjects(objects, kExportMIE, path);
}

int32_t ImportInterchange(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  int32_t folderID = -1;
  if (folder.empty() || RegisterDirectory(folder, true, folderID) != 0) return -1;
  return Import2(0, folderID, path.substr(folder.size()), false, true);
}

}  // namespace

void FillBasemapCoreHooks(BasemapHooks& hooks) {
  hooks.exportSelectedAreas = ExportSelectedAreas;
  hooks.importInterchange = ImportInterchange;
}

int32_t ImportShapefileThroughBasemap(const std::string& path) {
  BasemapToolInput input;
  input.shapefile = path;
  const BasemapToolOutcome outcome = RunBasemapTool(BasemapTool::kImportShapefile, input);
  return outcome.status;
}

}  // namespace tlv
