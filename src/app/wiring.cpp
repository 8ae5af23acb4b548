#include "app/wiring.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>
#include <vector>

#include "app/basemap_hooks.h"
#include "app/config.h"
#include "app/idle.h"
#include "app/map_decorations.h"
#include "app/messaging.h"
#include "app/object_message_wiring.h"
#include "app/overlay_message_wiring.h"
#include "app/preferences.h"
#include "app/reference_views.h"
#include "app/shell_services.h"
#include "app/startup.h"
#include "app/threat_zone_wiring.h"
#include "base/memory.h"
#include "base/platform.h"
#include "base/stop_check.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/display_settings.h"
#include "catalogue/groups.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/views.h"
#include "catalogue/walks.h"
#include "edit/compaction.h"
#include "edit/edit_targets.h"
#include "edit/life_cycle.h"
#include "edit/modify.h"
#include "edit/record_sort.h"
#include "edit/selection.h"
#include "edit/undo.h"
#include "edit/vertex_edit.h"
#include "geometry/geo_settings.h"
#include "iac/connection_messages.h"
#include "iac/delete_selected.h"
#include "iac/iac.h"
#include "iac/object_messages.h"
#include "iac/overlay_messages.h"
#include "iac/sharing_menus.h"
#include "iac/thematic_lists.h"
#include "interchange/export.h"
#include "interchange/import.h"
#include "render/draw_map.h"
#include "render/draw_object.h"
#include "render/graphics_tables.h"
#include "render/grid.h"
#include "render/legend.h"
#include "render/map_view.h"
#include "render/scale_bar.h"
#include "render/symbols.h"
#include "render/time_stamp.h"
#include "search/collection.h"
#include "search/collection_file.h"
#include "search/pick.h"
#include "search/show_on_map.h"
#include "store/compaction_files.h"
#include "store/directory_table.h"
#include "store/map_lock.h"
#include "store/object_record.h"
#include "tools/basemap_bridge.h"
#include "tools/threat_zone.h"

namespace tlv {
namespace {

// The front end's hooks live as long as the run; the catalogue's are plain function pointers.
std::shared_ptr<FrontEndHooks> frontEndHooks;

void RedrawMap() {
  Shell().InvalidateMap();
}

// After a compaction the collection follows its objects to their new positions (moves sorted by
// old position). New positions may equal old ones of other objects, so every entry first goes to
// a place no object has, then to its new one.
void FollowCompactedObjects(int32_t mapID, int32_t overlayID,
                            const std::vector<std::pair<int32_t, int32_t>>& moves) {
  std::vector<int32_t> positions;
  ForEachCollectedObject([&](int32_t entryMap, int32_t entryOverlay, int32_t position,
                             const char(&)[4], int32_t, int16_t) -> int32_t {
    if (entryMap == mapID && entryOverlay == overlayID) positions.push_back(position);
    return 0;
  });
  std::vector<std::pair<int32_t, int32_t>> parked;
  int32_t nextParking = INT32_MIN;
  for (int32_t position : positions) {
    const auto found =
        std::lower_bound(moves.begin(), moves.end(), std::make_pair(position, INT32_MIN));
    if (found == moves.end() || found->first != position) {
      RemoveCollectedObject(mapID, overlayID, position);
      continue;
    }
    RenameCollectedObject({mapID, overlayID, position}, {mapID, overlayID, nextParking});
    parked.emplace_back(nextParking++, found->second);
  }
  for (const auto& [parking, position] : parked) {
    RenameCollectedObject({mapID, overlayID, parking}, {mapID, overlayID, position});
  }
}

// Takes the objects of a map (mapID) or of an overlay (overlayID) out of the selection, the
// search collection and the intersected objects when the catalogue lets go of them, and checks
// the lists against the catalogue.
void ForgetSelectedObjects(int32_t mapID, int32_t overlayID) {
  std::vector<ObjectRef> doomed;
  ForEachSelectedObject(
      [&](int32_t objectMap, int32_t objectOverlay, int32_t position) -> int32_t {
        if ((mapID != 0 && objectMap == mapID) || (overlayID != 0 && objectOverlay == overlayID)) {
          doomed.push_back({objectMap, objectOverlay, position});
        }
        return 0;
      },
      true);
  for (const ObjectRef& object : doomed) {
    RemoveSelectedObject(object.mapID, object.overlayID, object.position, false);
  }
  ForgetCollectedObjects(mapID, overlayID);
  ValidateObjectLists();
}

}  // namespace

void WireCore(const FrontEndHooks& frontEnd) {
  frontEndHooks = std::make_shared<FrontEndHooks>(frontEnd);

  LifeCycleHooks lifeCycle;
  lifeCycle.redrawArea = [](const WRect& changed) {
    if (!ChangeMeetsView(changed)) return;
    AddQueuedChanges(1);
    SetRedrawCountdown(kRedrawCountdownSteps);
  };
  lifeCycle.removeFromSelections = SelectionObjectRemoved;
  lifeCycle.addToSelection = SelectionObjectAdded;
  lifeCycle.objectMoved = SelectionObjectMoved;
  lifeCycle.aliasCopied = RenameCollectedObject;
  lifeCycle.textRect = MeasureTextObjectRect;
  SetLifeCycleHooks(std::move(lifeCycle));

  CatalogueHooks catalogue;
  catalogue.currentScale = []() -> int32_t { return CurrentMapView().scale; };
  catalogue.forgetMapObjects = [](int32_t mapID) { ForgetSelectedObjects(mapID, 0); };
  catalogue.forgetLayerObjects = [](int32_t layerID) { ForgetSelectedObjects(0, layerID); };
  catalogue.redraw = RedrawMap;
  catalogue.clearUndo = [] { SetUndoNothing(); };
  SetCatalogueHooks(catalogue);

  ModifyHooks modify;
  modify.chooseCustomColour = [](uint32_t& rgb) {
    return frontEndHooks && frontEndHooks->chooseCustomColour &&
           frontEndHooks->chooseCustomColour(rgb);
  };
  modify.redrawMap = RedrawMap;
  SetModifyHooks(std::move(modify));

  SelectionHooks selection;
  selection.removeCollected = [](const ObjectRef& object) {
    RemoveCollectedObject(object.mapID, object.overlayID, object.position);
    RemoveIntersectedObject(object.mapID, object.overlayID, object.position);
  };
  selection.renameCollected = RenameCollectedObject;
  SetSelectionHooks(std::move(selection));

  // The show-only-collection option's questions, answered from the collection's position sets.
  DrawMapHooks draw;
  draw.basemapOn = BasemapShown;
  draw.drawBasemap = DrawBasemap;
  draw.showOnlyCollection = ShowOnlyCollection;
  draw.overlayInCollection = OverlayInCollection;
  draw.objectInCollection = ObjectInCollection;
  // The latitude/longitude grid as the preferences have it.
  draw.gridOn = [] { return GetPref(Pref::kGridShown) != 0; };
  draw.gridUnderOverlays = [] { return GetPref(Pref::kGridOverOverlays) == 0; };
  draw.drawGrid = [](DrawPort& port, const ViewMapping& mapping) {
    const auto rgb = [](int32_t packed) {
      return RGBColour{static_cast<uint8_t>((packed >> 16) & 0xFF),
                       static_cast<uint8_t>((packed >> 8) & 0xFF),
                       static_cast<uint8_t>(packed & 0xFF)};
    };
    GridStyle style;
    style.major = ColourOfIndex(static_cast<int16_t>(GetPref(Pref::kGridMajorColor)),
                                rgb(GetPref(Pref::kGridMajorCustomColor)));
    style.minor = ColourOfIndex(static_cast<int16_t>(GetPref(Pref::kGridMinorColor)),
                                rgb(GetPref(Pref::kGridMinorCustomColor)));
    style.minorLines = GetPref(Pref::kGridMinorLines) != 0;
    style.format = CurrentGeometrySettings().coordinateFormat;
    DrawLatLongGrid(port, mapping, style);
  };
  draw.drawDecorations = DrawShownDecorations;
  // Thematic lists that sibling programs set.
  draw.thematicNumber = ThematicNumberForDrawing;
  draw.thematicFolder = [](int32_t) { return ThematicFolderPath(); };
  SetDrawMapHooks(std::move(draw));

  BasemapHooks basemap;
  basemap.redraw = RedrawMap;
  basemap.keepForwardStep = frontEnd.paintWhileToolRuns;
  basemap.openWindow = frontEnd.openBasemapWindow;
  basemap.closeWindow = frontEnd.closeBasemapWindow;
  basemap.raiseWindow = frontEnd.raiseBasemapWindow;
  basemap.askText = frontEnd.askText;
  FillBasemapCoreHooks(basemap);
  SetBasemapHooks(std::move(basemap));

  CompactionHooks compaction;
  compaction.positionsMoved = FollowCompactedObjects;
  compaction.redraw = RedrawMap;
  SetCompactionHooks(std::move(compaction));

  SM2CommandHooks index;
  index.clearSelection = RemoveAllSelectedObjects;
  index.redraw = RedrawMap;
  SetSM2CommandHooks(index);

  SetEditViewSource(ViewWorldRect);
  SetOwnerRunningTest(OwnerApplicationRunning);

  // The vertex commands search around the Click Point of the shown view and mark points there.
  VertexEditHooks vertex;
  vertex.clickPoint = ClickPoint;
  vertex.viewMapping = CurrentViewMapping;
  vertex.markedPoint = [](WPoint& marked) {
    if (!MarkedPointSet()) return false;
    marked = MarkedPoint();
    return true;
  };
  vertex.setMarkedPoint = SetMarkedPoint;
  SetVertexEditHooks(std::move(vertex));

  IacHooks messaging;
  messaging.inForeground = [] { return Shell().InForeground(); };
  // A pass stopped for messages draws everything again, not only up to where it stopped.
  messaging.redoInterrupted = [] {
    ClearDrawStopPoint();
    RedrawMap();
  };
  SetIacHooks(std::move(messaging));
  SetMessageStopCheck(IACStopCheck);

  ConnectionHooks connection;
  connection.dropThematicLists = [](int32_t owner) {
    DropThematicListsOf(owner);
    RedrawMap();
  };
  connection.bringOwnWindowForward = frontEnd.bringOwnWindowForward;
  connection.bringWindowForward = frontEnd.bringWindowForward;
  SetConnectionHooks(std::move(connection));
  SharingHooks sharing;
  sharing.menusChanged = frontEnd.sharingMenusChanged;
  sharing.exportKml = [] { return ExportThreatZoneKml(); };
  SetSharingHooks(std::move(sharing));
  WireObjectMessages(frontEnd);
  WireThreatZones();
  WireOverlayMessages();
}

void ResetAllForTesting() {
  frontEndHooks.reset();
  ResetStartupForTesting();
  ResetIacForTesting();
  ResetObjectMessagesForTesting();
  ResetOverlayMessagesForTesting();
  ResetViewMessagesForTesting();
  ResetThematicListsForTesting();
  SetMessageStopCheck(nullptr);
  SetRunningCopyHeld(true);
  ResetConfigForTesting();
  ResetIdleWorkForTesting();
  ResetImportForTesting();
  ResetExportForTesting();
  ResetDrawMapForTesting();
  ResetBasemapBridgeForTesting();
  ResetThreatZoneForTesting();
  ResetSymbolsForTesting();
  SetPictureReader({});
  SetMapViewHooks({});
  ResetMapView();
  ResetSelectionForTesting();
  ResetCollectionForTesting();
  ResetCollectionFileForTesting();
  ResetPickForTesting();
  ResetShowOnMapForTesting();
  ResetUndoForTesting();
  ResetVertexEditForTesting();
  ResetModifyForTesting();
  ResetEditTargetsForTesting();
  ResetLifeCycleForTesting();
  SetLifeCycleHooks({});
  ResetCompactionForTesting();
  ResetRecordSortForTesting();
  ResetCompactionFilesForTesting();
  ResetMapLocksForTesting();
  ResetDisplaySettingsForTesting();
  ResetLayersForTesting();
  ReleaseGroups();
  ResetOpenFilesForTesting();
  ResetWalksForTesting();
  ResetLegendForTesting();
  ClearMapList();
  SetCatalogueHooks(CatalogueHooks());
  SetCatalogueFolders(CatalogueFolders());
  ResetViewsForTesting();
  ResetReferenceViewsForTesting();
  ResetMapDecorationsForTesting();
  ResetObjectRecordForTesting();
  ResetDirectoryTableForTesting();
  ResetGeometrySettings();
  ResetMemoryFailuresForTesting();
}

}  // namespace tlv
