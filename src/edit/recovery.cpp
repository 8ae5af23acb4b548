#include "edit/recovery.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "base/errors.h"
#include "base/platform.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "catalogue/walks.h"
#include "edit/life_cycle.h"
#include "store/object_id_index.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr const char* kCannotRecoverText =
    "You cannot recover deleted objects from the \"%s\" layer.";
constexpr const char* kMustDeleteText =
    "You must delete the objects on the \"%s\" layer before you can recover deleted objects "
    "from the \"%s\" layer.";
constexpr const char* kNoneRecoveredText = "No objects were recovered.";
constexpr const char* kRecoveredText =
    "%ld objects were recovered.%s%sRecovered objects are on the%s\"%s\" layer.%sMove the "
    "objects you wish to keep and delete those you do not wish to keep.";

// A summary record with the position of its object, deleted or not.
struct Version {
  int32_t idHigh = 0;
  int32_t idLow = 0;
  int32_t position = 0;
  bool deleted = false;
};

std::unordered_set<uint64_t> LiveIDsOfMap(int32_t mapIndex) {
  std::unordered_set<uint64_t> ids;
  MapRecord map;
  if (!GetMapRecord(mapIndex, map)) return ids;
  for (int32_t f = 0; f < map.overlayFileCount; ++f) {
    ForEachSummaryRecord(
        mapIndex, f,
        [&](const SummaryRecord& record, int32_t) -> int32_t {
          if (SummaryRecordLive(record)) ids.insert(ObjectIDKey({record.idHigh, record.idLow}));
          return 0;
        },
        nullptr, nullptr);
  }
  return ids;
}

// The rooms a copy needs: the name, the text and the segments of the record as they are.
int32_t CopyDeletedObject(const ObjectRef& source, int32_t recoveryOverlayID) {
  int32_t mapIndex = -1, fileIndex = -1;
  int32_t err = AllocateSpaceForFile(source.mapID, source.overlayID, kObjectFileKind,
                                     kSmallWindowSize, &mapIndex, &fileIndex);
  if (err != 0) return err;
  BufferedFile& file = CurrentObjectFile();
  int16_t type = 0;
  std::string prefix, name, text;
  int32_t segmentCount = 0, firstOffset = 0, recordEnd = 0;
  err = FSGetObjectType(file, source.position, type);
  if (err == 0) err = FSGetObjectName(file, source.position, prefix, name);
  if (err == 0 && type == kTextObject) err = FSGetObjectText(file, source.position, text);
  const bool poly = type == kPolylineObject || type == kPolygonObject;
  if (err == 0 && poly) err = FSGetObjectNumSegs(file, source.position, segmentCount);
  if (err == 0 && poly)
    err = FSGetObjectSegmentRange(file, source.position, firstOffset, recordEnd);
  if (err != 0) return err;
  int32_t newPosition = -1;
  return FSCopyObject(source, source.mapID, recoveryOverlayID,
                      static_cast<int32_t>(prefix.size() + name.size()),
                      static_cast<int32_t>(text.size()), segmentCount,
                      poly ? recordEnd - firstOffset : 0, newPosition, false);
}

}  // namespace

std::string RecoveryOverlayName(const std::string& layerName) {
  return layerName.substr(0, std::min<size_t>(layerName.size(), kRecoveryNameCut)) +
         kRecoverySuffix;
}

int32_t RecoverDeletedObjectsInLayerFile(const OverlayFileRecord& entry, int32_t recoveryOverlayID,
                                         int32_t& recovered, int32_t& skipped) {
  const int32_t mapIndex = MapIDToIndex(entry.mapID);
  const int32_t fileIndex = mapIndex < 0 ? -1 : OverlayFileIndexForID(mapIndex, entry.overlayID);
  if (fileIndex < 0) return kErrGeneral;
  std::vector<Version> versions;
  int32_t err = ForEachSummaryRecord(
      mapIndex, fileIndex,
      [&](const SummaryRecord& record, int32_t) -> int32_t {
        Version v;
        v.idHigh = record.idHigh;
        v.idLow = record.idLow;
        // A stored position below zero marks a deleted record, also the one of the object at
        // offset 0, whose complement is -1.
        v.deleted = record.position < 0;
        v.position = v.deleted ? ~record.position : record.position;
        versions.push_back(v);
        return 0;
      },
      nullptr, nullptr);
  if (err != 0) return err;
  // Records of one ID come together, oldest (lowest position: records are only appended) first.
  std::stable_sort(versions.begin(), versions.end(), [](const Version& a, const Version& b) {
    if (a.idHigh != b.idHigh) return a.idHigh < b.idHigh;
    if (a.idLow != b.idLow) return a.idLow < b.idLow;
    return a.position < b.position;
  });
  const std::unordered_set<uint64_t> live = LiveIDsOfMap(mapIndex);
  for (size_t i = 0; i < versions.size(); ++i) {
    const Version& v = versions[i];
    const bool newest = i + 1 == versions.size() || versions[i + 1].idHigh != v.idHigh ||
                        versions[i + 1].idLow != v.idLow;
    if (!newest || !v.deleted) continue;
    if (live.count(ObjectIDKey({v.idHigh, v.idLow})) != 0) {
      // Moved elsewhere on the map: bringing this back would make a second live object.
      ++skipped;
      continue;
    }
    err = CopyDeletedObject({entry.mapID, entry.overlayID, v.position}, recoveryOverlayID);
    if (err != 0) return err;
    ++recovered;
  }
  return 0;
}

int32_t RecoverDeletedObjectsFromLayer(int32_t layerIndex, RecoverOutcome& outcome) {
  outcome = RecoverOutcome();
  if (layerIndex < 0 || layerIndex >= LayerCount()) return kErrGeneral;
  const std::string chosen = LayerName(layerIndex);
  const int32_t chosenID = [&] {
    LayerRecord layer;
    GetLayerRecord(layerIndex, layer);
    return layer.layerID;
  }();
  if (chosen.find(kRecoverySuffix) != std::string::npos) {
    outcome.message = FormatText(kCannotRecoverText, chosen.c_str());
    ShowAlert(outcome.message, kNoteAlert);
    return 0;
  }
  std::string recoveryName = RecoveryOverlayName(chosen);
  int32_t recoveryIndex = LayerNameToIndex(recoveryName);
  if (recoveryIndex >= 0) {
    LayerRecord layer;
    GetLayerRecord(recoveryIndex, layer);
    if (LayerObjectCount(layer.layerID) > 0) {
      outcome.message = FormatText(kMustDeleteText, recoveryName.c_str(), chosen.c_str());
      ShowAlert(outcome.message, kNoteAlert);
      return 0;
    }
  } else {
    const int32_t err = AddLayer(recoveryName, false, false, false, recoveryIndex);
    if (err != 0) return err;
  }
  LayerRecord recoveryLayer;
  GetLayerRecord(recoveryIndex, recoveryLayer);
  outcome.recoveryOverlay = recoveryName;
  int32_t err = ForEachOverlayFile(
      [&](OverlayFileRecord& entry) -> int32_t {
        if (entry.overlayID != chosenID) return 0;
        return RecoverDeletedObjectsInLayerFile(entry, recoveryLayer.layerID, outcome.recovered,
                                                outcome.skipped);
      },
      kWalkForwards, true, true, true);
  if (outcome.recovered == 0) {
    const int32_t at = LayerIDToIndex(recoveryLayer.layerID);
    if (at >= 0) DeleteLayer(LayerList(), at, -1, true, false);
    outcome.message = kNoneRecoveredText;
  } else {
    outcome.message = FormatText(kRecoveredText, static_cast<long>(outcome.recovered), "\r\n",
                                 "\r\n", "\r\n", recoveryName.c_str(), "\r\n");
  }
  if (outcome.skipped > 0) {
    outcome.message += FormatText(
        "\r\n%ld deleted objects were not recovered because an object "
        "with the same ID is on the map.",
        static_cast<long>(outcome.skipped));
  }
  ShowAlert(outcome.message, kNoteAlert);
  return err;
}

int32_t RecoverDeletedObjects() {
  Question question;
  question.title = "Recover Deleted Objects";
  question.text = "Choose the overlay whose deleted objects are to be recovered.";
  for (int32_t i = 0; i < LayerCount(); ++i) question.buttons.push_back(LayerName(i));
  question.buttons.emplace_back("Cancel");
  question.cancelButton = static_cast<int>(question.buttons.size()) - 1;
  const int answer = Platform().Ask(question);
  if (answer < 0 || answer >= LayerCount()) return 0;
  RecoverOutcome outcome;
  return RecoverDeletedObjectsFromLayer(answer, outcome);
}

}  // namespace tlv
