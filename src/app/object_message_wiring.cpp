#include "app/object_message_wiring.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/config.h"
#include "app/folders.h"
#include "app/shell_services.h"
#include "edit/polygon_commands.h"
#include "geometry/geo_settings.h"
#include "iac/object_messages.h"
#include "interchange/export.h"
#include "interchange/import.h"
#include "interchange/old_import.h"
#include "store/directory_table.h"
#include "tools/threat_zone.h"

namespace tlv {

namespace {

int32_t ImportOldObjects(const OldImportRequest& request, std::vector<std::string>& ids) {
  OldImportSummary summary;
  std::string overlay;
  Handle list =
      OldImportObjects(request.text, request.fileName, 0, request.mode, request.select, false,
                       request.relative, request.centreLatitude, request.centreLongitude,
                       request.unit, request.mapID, request.applicationOwned, &overlay, &summary);
  MyDisposeHandle(list);
  if (summary.readError) return -1;
  ids = summary.ids;
  return 0;
}

int32_t ImportInterchange(const std::string& path, bool passFile, bool showProgress, int32_t mode) {
  const std::filesystem::path file(path);
  int32_t dirID = -1;
  if (const int32_t err = RegisterDirectory(file.parent_path().string() + "/", true, dirID);
      err != 0) {
    return err;
  }
  SetImportMode(mode);
  return Import2(0, dirID, file.filename().string(), passFile, showProgress);
}

}  // namespace

void WireObjectMessages(const FrontEndHooks& frontEnd) {
  ObjectMessageHooks hooks;
  hooks.bringOwnWindowForward = frontEnd.bringOwnWindowForward;
  hooks.redraw = [] { Shell().InvalidateMap(); };
  hooks.inForeground = [] { return Shell().InForeground(); };
  hooks.writeListToFile = [] { return Config().writeLST2ToFile != 0; };
  hooks.thematicCutoff = [] { return Config().tdoCutoff; };
  hooks.userFolder = [] {
    std::string folder;
    if (Folders().maps < 0 || DirectoryPath(Folders().maps, folder) != 0) return std::string();
    return folder;
  };
  hooks.interchangeRecord = [](const ObjectRef& object, std::string& record) {
    return WriteObjectRecord(kExportMIE, object, record);
  };
  hooks.envelopePolygon = [](int32_t mapID, int32_t overlayID, int32_t position, double distance,
                             std::vector<WPoint>& outline) {
    PolygonPoints zone;
    PolygonRefusal refusal = PolygonRefusal::kNone;
    const int32_t err =
        ComputeEnvelopePoints({ObjectRef{mapID, overlayID, position}}, distance,
                              CurrentGeometrySettings().distanceUnit, zone, refusal);
    if (err != 0) return err;
    outline = std::move(zone.points);
    return int32_t{0};
  };
  hooks.importOldObjects = ImportOldObjects;
  hooks.importInterchange = ImportInterchange;
  // ZEPHA's imports name their zones after the level-of-concern texts of its footprint file.
  hooks.readThreatZoneFootprints = [] { return ReadThreatZoneLabels(); };
  hooks.forgetThreatZoneLabels = ForgetThreatZoneLabels;
  SetObjectMessageHooks(std::move(hooks));
}

}  // namespace tlv
