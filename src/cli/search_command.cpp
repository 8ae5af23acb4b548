#include "cli/search_command.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "base/collate.h"
#include "base/object_ids.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/open_files.h"
#include "cli/json_text.h"
#include "edit/selection.h"
#include "geometry/geo_settings.h"
#include "render/map_view.h"
#include "search/collection.h"
#include "search/collection_file.h"
#include "search/search_engine.h"
#include "store/object_record.h"

namespace tlv::cli {
namespace {

constexpr const char* kUsage =
    "tolvane-cli: search (--any | --starts T | --contains T | --within D UNIT | --not-within D "
    "UNIT | --touching | --not-touching) [--of click:LAT,LON|marked:LAT,LON|"
    "selected:MAP/OVERLAY/POS,...|collection:F.msc] [--mode replace|add|sub --collection F.msc] "
    "[--overlays A,B] [--maps X,Y] [--area] [--save OUT.msc]\n";

struct UnitName {
  const char* name;
  const char* abbreviation;
  int16_t unit;
};
constexpr UnitName kUnits[] = {
    {"feet", "ft", kUnitFeet},    {"yards", "yds", kUnitYards},
    {"meters", "m", kUnitMeters}, {"kilometers", "km", kUnitKilometers},
    {"miles", "mi", kUnitMiles},  {"nautical-miles", "nm", kUnitNauticalMiles},
};

int16_t UnitFromText(const std::string& text) {
  for (const UnitName& u : kUnits) {
    if (text == u.name || text == u.abbreviation) return u.unit;
  }
  return 0;
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t comma = text.find(',', at);
    parts.push_back(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return parts;
}

bool LatLon(const std::string& text, WPoint& p) {
  double lat = 0, lon = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%lf,%lf%c", &lat, &lon, &extra) != 2 || !std::isfinite(lat) ||
      !std::isfinite(lon) || lat < -90 || lat > 90 || lon < -180 || lon > 180) {
    return false;
  }
  p = {static_cast<int32_t>(std::llround((lon + 180.0) * 1000000.0)),
       static_cast<int32_t>(std::llround((lat + 90.0) * 1000000.0))};
  return true;
}

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

// MAP/OVERLAY/POS, read from the right so that a map name may hold "/".
bool SelectObjectText(const std::string& text, std::string& problem) {
  const size_t last = text.rfind('/');
  const size_t middle =
      last == std::string::npos || last == 0 ? std::string::npos : text.rfind('/', last - 1);
  if (middle == std::string::npos) {
    problem = "selected: takes MAP/OVERLAY/POS, not " + text;
    return false;
  }
  const std::string mapName = Windows1252FromUtf8(text.substr(0, middle));
  const std::string overlayName = Windows1252FromUtf8(text.substr(middle + 1, last - middle - 1));
  long position = -1;
  char extra = 0;
  if (std::sscanf(text.c_str() + last + 1, "%ld%c", &position, &extra) != 1 || position < 0 ||
      position > INT32_MAX) {
    problem = "no object position in " + text;
    return false;
  }
  MapRecord map;
  int32_t mapID = 0;
  for (int32_t i = 0; GetMapRecord(i, map); ++i) {
    if (CollateEqual(FieldText(map.name, sizeof map.name), mapName)) mapID = map.mapID;
  }
  LayerRecord layer;
  if (mapID == 0 || !GetLayerRecord(LayerNameToIndex(overlayName), layer)) {
    problem = "no map or overlay for " + text;
    return false;
  }
  if (AddSelectedObject(mapID, layer.layerID, static_cast<int32_t>(position)) < 0) {
    problem = "cannot select " + text;
    return false;
  }
  return true;
}

}  // namespace

bool IsSearchCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "search";
}

int RunSearchCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  SearchCriteria criteria;
  int criteriaGiven = 0;
  std::string of, mode = "replace", collection, overlays, maps, save;
  bool area = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    const bool more = i + 1 < words.size();
    if (w == "--any" || w == "--touching" || w == "--not-touching") {
      criteria.criterion = w == "--any"        ? kSearchAnyName
                           : w == "--touching" ? kSearchTouching
                                               : kSearchNotTouching;
      ++criteriaGiven;
    } else if ((w == "--starts" || w == "--contains") && more) {
      criteria.criterion = w == "--starts" ? kSearchStartsWith : kSearchContains;
      criteria.nameText = Windows1252FromUtf8(words[++i]);
      ++criteriaGiven;
    } else if ((w == "--within" || w == "--not-within") && i + 2 < words.size()) {
      criteria.criterion = w == "--within" ? kSearchWithin : kSearchNotWithin;
      criteria.distanceText = words[++i];
      criteria.distanceUnit = UnitFromText(words[++i]);
      if (criteria.distanceUnit == 0) {
        err << "tolvane-cli: the unit is one of feet, yards, meters, kilometers, miles, "
               "nautical-miles (or ft, yds, m, km, mi, nm)\n";
        return 1;
      }
      ++criteriaGiven;
    } else if (w == "--area") {
      area = true;
    } else {
      std::string* into = w == "--of"           ? &of
                          : w == "--mode"       ? &mode
                          : w == "--collection" ? &collection
                          : w == "--overlays"   ? &overlays
                          : w == "--maps"       ? &maps
                          : w == "--save"       ? &save
                                                : nullptr;
      if (into == nullptr || !more) {
        err << kUsage;
        return 1;
      }
      *into = words[++i];
    }
  }
  if (criteriaGiven != 1) {
    err << kUsage;
    return 1;
  }
  criteria.collectionMode = mode == "replace" ? kSearchReplace
                            : mode == "add"   ? kSearchAdd
                            : mode == "sub"   ? kSearchSubsearch
                                              : 0;
  if (criteria.collectionMode == 0) {
    err << "tolvane-cli: --mode takes replace, add or sub\n";
    return 1;
  }
  if (criteria.nameText.size() > kSearchNameTextMax) {
    err << "tolvane-cli: the name text has at most " << kSearchNameTextMax << " characters\n";
    return 1;
  }
  double distance = 0;
  if ((criteria.criterion == kSearchWithin || criteria.criterion == kSearchNotWithin) &&
      (criteria.distanceText.size() > kSearchDistanceTextMax ||
       !ParseSearchDistance(criteria.distanceText, distance))) {
    err << "tolvane-cli: the distance is a number of 0 or more\n";
    return 1;
  }
  const bool spatial = criteria.criterion >= kSearchWithin;

  // The previous collection.
  std::string previous = collection;
  if (of.rfind("collection:", 0) == 0) {
    if (!collection.empty()) {
      err << "tolvane-cli: give the previous collection once (--collection or --of collection:)\n";
      return 1;
    }
    previous = of.substr(11);
  }
  if (!previous.empty() && ReadCollectionFile(previous, kCollectionLoadReplace, nullptr) != 0) {
    err << "tolvane-cli: " << previous << " could not be loaded\n";
    return 1;
  }

  // The reference.
  if (spatial) {
    std::string problem;
    WPoint p;
    if (of.rfind("click:", 0) == 0 && LatLon(of.substr(6), p)) {
      criteria.reference = kReferenceClickPoint;
      SetClickPoint(p);
    } else if (of.rfind("marked:", 0) == 0 && LatLon(of.substr(7), p)) {
      criteria.reference = kReferenceMarkedPoint;
      SetMarkedPoint(p);
    } else if (of.rfind("selected:", 0) == 0) {
      criteria.reference = kReferenceSelection;
      for (const std::string& one : SplitCommas(of.substr(9))) {
        if (!SelectObjectText(one, problem)) {
          err << "tolvane-cli: " << problem << "\n";
          return 1;
        }
      }
    } else if (of.rfind("collection:", 0) == 0) {
      criteria.reference = kReferenceCollection;
    } else {
      err << "tolvane-cli: a distance search needs --of click:LAT,LON, marked:LAT,LON, "
             "selected:MAP/OVERLAY/POS,... or collection:F.msc\n";
      return 1;
    }
    std::string message;
    if (CheckSearchReference(criteria, message) != 0) {
      err << "tolvane-cli: " << message << "\n";
      return 1;
    }
  }

  // The overlays and maps to search.
  MarkAllOverlaysForSearch(overlays.empty());
  if (!overlays.empty()) {
    for (const std::string& name : SplitCommas(overlays)) {
      LayerRecord layer;
      if (!GetLayerRecord(LayerNameToIndex(Windows1252FromUtf8(name)), layer)) {
        err << "tolvane-cli: no overlay named " << name << "\n";
        return 1;
      }
      SetOverlaySearchMark(layer.layerID, true);
    }
  }
  MarkAllMapsForSearch(maps.empty());
  if (!maps.empty()) {
    for (const std::string& wanted : SplitCommas(maps)) {
      const std::string name = Windows1252FromUtf8(wanted);
      bool found = false;
      MapRecord map;
      for (int32_t i = 0; GetMapRecord(i, map); ++i) {
        if (CollateEqual(FieldText(map.name, sizeof map.name), name) ||
            CollateEqual(FieldText(map.owner, sizeof map.owner), name)) {
          SetMapSearchMark(map.mapID, true);
          found = true;
        }
      }
      if (!found) {
        err << "tolvane-cli: no map named " << wanted << "\n";
        return 1;
      }
    }
  }

  SetSearchCriteria(criteria);
  SetSearchAreaFlag(area);
  if (RunSearch() != 0) {
    err << "tolvane-cli: the search failed\n";
    return 1;
  }
  // Every run of equal keys is settled, as the window settles the runs it shows.
  for (int32_t i = 0; i < CollectedObjectCount();) {
    int32_t first = i, last = i;
    if (CompleteLocalSCSort(i, &first, &last) != 0) break;
    i = last + 1;
  }
  if (!save.empty() && WriteCollectionFile(save) != 0) {
    err << "tolvane-cli: " << save << " could not be written\n";
    return 1;
  }
  int32_t aliases = 0;
  CollectionEntry e;
  for (int32_t i = 0; GetCollectedObject(i, e); ++i) {
    MapRecord map;
    GetMapRecord(MapIDToIndex(e.mapID), map);
    int32_t mapIndex = -1, fileIndex = -1;
    int32_t readErr = AllocateSpaceForFile(e.mapID, e.overlayID, kObjectFileKind, kSmallWindowSize,
                                           &mapIndex, &fileIndex);
    ObjectID id;
    std::string prefix, name;
    if (readErr == 0) readErr = FSGetObjectID(CurrentObjectFile(), e.position, id.high, id.low);
    if (readErr == 0) readErr = FSGetObjectName(CurrentObjectFile(), e.position, prefix, name);
    if (readErr != 0) {
      err << "tolvane-cli: the object at " << e.position << " could not be read\n";
      return 1;
    }
    if ((e.flags & kCollectionAlias) != 0) ++aliases;
    out << JsonObject()
               .Text("map", FieldText(map.name, sizeof map.name))
               .Text("overlay", LayerName(LayerIDToIndex(e.overlayID)))
               .Number("position", e.position)
               .Text("id", ObjectIDText(id))
               .Text("prefix", prefix)
               .Text("name", name)
               .Text("key", std::string_view(e.key, strnlen(e.key, 4)))
               .Number("flags", e.flags)
               .Str()
        << "\n";
  }
  out << JsonObject()
             .Number("count", CollectedObjectCount())
             .Number("aliases", aliases)
             .Bool("stopped", SearchStopped())
             .Str()
      << "\n";
  CloseBufferedFiles();
  return 0;
}

}  // namespace tlv::cli
