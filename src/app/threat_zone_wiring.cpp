#include "app/threat_zone_wiring.h"

#include <string>
#include <utility>
#include <vector>

#include "iac/friends.h"
#include "interchange/export.h"
#include "interchange/import.h"
#include "tools/threat_zone.h"

namespace tlv {

void WireThreatZones() {
  ThreatZoneHooks hooks;
  hooks.zephaProgram = [] {
    std::string path;
    std::string document;
    LocateApplication("ZPHA", path, document);
    return path;
  };
  hooks.exportInterchange = [](const std::vector<ObjectRef>& objects, const std::string& path) {
    // Every kind goes to the converter, whatever the Export command's filter was left at.
    ExportSettings& settings = MutableExportSettings();
    const int32_t filter = settings.kindFilter;
    settings.kindFilter = kExportAllKinds;
    const int32_t err = ExportObjects(objects, kExportMIE, path);
    settings.kindFilter = filter;
    return err;
  };
  SetThreatZoneHooks(std::move(hooks));
  // The import dialogs of the window may already be installed: only the naming is added.
  ImportHooks import = CurrentImportHooks();
  import.threatZoneName = NameThreatZoneObject;
  SetImportHooks(std::move(import));
}

}  // namespace tlv
