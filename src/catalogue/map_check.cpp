#include "catalogue/map_check.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <set>
#include <utility>

#include "base/collate.h"
#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "base/object_ids.h"
#include "base/strings.h"
#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/layers.h"
#include "catalogue/map_list.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "store/compaction_files.h"
#include "store/directory_table.h"
#include "store/object_record.h"
#include "store/summary.h"

namespace tlv {

namespace {

constexpr int32_t kSM2EntryBytes = 16;
// The smallest record: the fixed head up to and including the name-room byte.
constexpr int64_t kSmallestRecord = kObjFixedHeadSize;

std::string RectText(const WRect& r) {
  return FormatText("[%ld, %ld, %ld, %ld]", static_cast<long>(r.x1), static_cast<long>(r.y1),
                    static_cast<long>(r.x2), static_cast<long>(r.y2));
}

std::string IDText(int32_t high, int32_t low) {
  return ObjectIDText({high, low});
}

WRect DecodeRectAt(const unsigned char* p) {
  return {GetBig32(p), GetBig32(p + 4), GetBig32(p + 8), GetBig32(p + 12)};
}

// One summary record with its index in the file.
struct Summary {
  SummaryRecord record;
  int32_t index = 0;
};

// What the checker learnt of a live record that could be read.
struct ReadRecord {
  int16_t type = 0;
  WRect rect;  // the record's own rectangle (an alias's first corner holds the ID it stands for)
};

class FileChecker {
 public:
  FileChecker(const OverlayFileImages& images, const CheckOptions& options,
              std::vector<CheckFinding>& findings)
      : images_(images), options_(options), findings_(findings) {}

  void Run() {
    if (!FilesPresent()) return;
    ReadSummaries();
    CheckRecords();
    CheckOverlaps();
    CheckHeader();
    CheckIndex();
    CheckSharedIDs();
    CheckAliases();
  }

 private:
  void Add(const char* name, int32_t position, std::string message,
           CheckSeverity severity = CheckSeverity::kProblem) {
    CheckFinding finding;
    finding.check = name;
    finding.position = position;
    finding.message = std::move(message);
    finding.severity = severity;
    findings_.push_back(std::move(finding));
  }

  bool FilesPresent() {
    bool whole = true;
    const std::pair<const std::optional<std::string>*, const char*> needed[] = {
        {&images_.header, ".LYR"}, {&images_.objects, ".OBJ"}, {&images_.summary, ".SUM"}};
    for (const auto& [image, extension] : needed) {
      if (!image->has_value()) {
        Add(check::kFiles, -1, std::string("the ") + extension + " file is missing or unreadable");
        whole = false;
      }
    }
    if (images_.header.has_value() &&
        images_.header->size() != static_cast<size_t>(kLayerFileHeaderSize)) {
      Add(check::kFiles, -1,
          FormatText("the .LYR header holds %lu bytes instead of %ld",
                     static_cast<unsigned long>(images_.header->size()),
                     static_cast<long>(kLayerFileHeaderSize)));
      // A longer header still holds its fields; a shorter one does not.
      if (images_.header->size() < static_cast<size_t>(kLayerFileHeaderSize)) whole = false;
    }
    return whole;
  }

  const unsigned char* ObjectBytes() const {
    return reinterpret_cast<const unsigned char*>(images_.objects->data());
  }
  int64_t ObjectSize() const { return static_cast<int64_t>(images_.objects->size()); }

  void ReadSummaries() {
    const std::string& bytes = *images_.summary;
    const size_t count = bytes.size() / kSummaryRecordSize;
    if (bytes.size() % kSummaryRecordSize != 0) {
      Add(check::kSummaryFile, -1,
          FormatText("the .SUM file ends in %lu bytes that are not a whole summary record",
                     static_cast<unsigned long>(bytes.size() % kSummaryRecordSize)),
          CheckSeverity::kNote);
    }
    summaries_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      Summary s;
      buffered_detail::DecodeSummary(bytes.data() + i * kSummaryRecordSize, s.record);
      s.index = static_cast<int32_t>(i);
      summaries_.push_back(s);
      if (SummaryRecordLive(s.record)) {
        ++liveCount_;
        liveIDs_[{s.record.idHigh, s.record.idLow}].push_back(s.record.position);
      }
      const int32_t at = SummaryRecordLive(s.record) ? s.record.position : ~s.record.position;
      namedBy_[at].push_back(s.index);
    }
    for (const auto& [at, indexes] : namedBy_) {
      if (indexes.size() < 2) continue;
      std::string list;
      for (const int32_t index : indexes) {
        if (!list.empty()) list += ", ";
        list += std::to_string(index);
      }
      Add(check::kSharedRecord, at,
          "summary records " + list + " all name the object record at " + std::to_string(at));
    }
  }

  // Reads the live record at position as far as needed to trust it; false after a finding.
  bool ReadLiveRecord(const Summary& s, ReadRecord& read) {
    const int32_t position = s.record.position;
    const unsigned char* bytes = ObjectBytes();
    const int64_t size = ObjectSize();
    if (int64_t{position} + 4 > size) {
      Add(check::kRecordPlace, position,
          FormatText("summary record %ld names position %ld, beyond the end of the .OBJ file (%lld "
                     "bytes)",
                     static_cast<long>(s.index), static_cast<long>(position),
                     static_cast<long long>(size)));
      return false;
    }
    const int32_t length = GetBig32(bytes + position);
    const int64_t end = int64_t{position} + 4 + length;
    if (int64_t{length} + 4 < kSmallestRecord) {
      Add(check::kRecordPlace, position,
          FormatText("the record's length %ld is too short for an object record",
                     static_cast<long>(length)));
      return false;
    }
    if (end > size) {
      Add(check::kRecordPlace, position,
          FormatText("the record of %lld bytes runs past the end of the .OBJ file (%lld bytes)",
                     static_cast<long long>(length) + 4, static_cast<long long>(size)));
      return false;
    }
    extents_.push_back({position, end});
    const unsigned char* r = bytes + position;
    const int32_t versionFlags = GetBig32(r + kObjVersionFlagsOffset);
    if ((versionFlags & kVersionReadable) == 0) {
      Add(check::kRecordVersion, position,
          FormatText("the record is marked as not readable by this version (version flags %ld)",
                     static_cast<long>(versionFlags)));
      return false;
    }
    read.type = static_cast<int16_t>(r[kObjTypeOffset] & 0x7F);
    if (read.type < kRectangleObject || read.type > kAliasObject) {
      Add(check::kRecordKind, position,
          FormatText("the record's type %d names no kind of object", read.type));
      return false;
    }
    const int32_t idHigh = GetBig32(r + kObjIDOffset);
    const int32_t idLow = GetBig32(r + kObjIDOffset + 4);
    if (idHigh != s.record.idHigh || idLow != s.record.idLow) {
      Add(check::kRecordID, position,
          "the record holds the ID " + IDText(idHigh, idLow) + ", its summary record " +
              IDText(s.record.idHigh, s.record.idLow));
    }
    read.rect = DecodeRectAt(r + kObjWorldRectOffset);
    if (!LayoutFits(position, r, end - position, read.type)) return false;
    if (read.type == kAliasObject) {
      // The walks that look for an object's aliases take only records without a place.
      if (WRectPlaced(s.record.worldRect)) {
        Add(check::kRecordRect, position,
            "the alias's summary rectangle " + RectText(s.record.worldRect) +
                " is not empty, so the walks over aliases pass it over");
      }
    } else if (!(s.record.worldRect == read.rect)) {
      Add(check::kRecordRect, position,
          "the summary rectangle " + RectText(s.record.worldRect) + " differs from the record's " +
              RectText(read.rect));
    }
    return true;
  }

  // Whether the name parts and the part after the name fit the record of recordSize bytes.
  bool LayoutFits(int32_t position, const unsigned char* r, int64_t recordSize, int16_t type) {
    auto refuse = [&](const std::string& what) {
      Add(check::kRecordLayout, position,
          FormatText("%s does not fit the record of %lld bytes (%s)", what.c_str(),
                     static_cast<long long>(recordSize), ObjectKindWord(type)));
      return false;
    };
    const int64_t prefixLength = r[kObjPrefixLengthOffset];
    if (kObjPrefixOffset + prefixLength + 1 > recordSize) return refuse("the prefix");
    const int64_t nameRoom = r[kObjPrefixOffset + prefixLength];
    const int64_t afterName = kObjFixedHeadSize + prefixLength + nameRoom;
    if (afterName > recordSize) return refuse("the name");
    switch (type) {
      case kRectangleObject:
      case kCircleObject:
      case kPointObject:
        if (afterName + 2 > recordSize) return refuse("the graphics");
        return true;
      case kPolylineObject:
      case kPolygonObject: {
        if (afterName + 6 > recordSize) return refuse("the segment count");
        const int32_t count = GetBig32(r + afterName + 2);
        if (count < 0) {
          return refuse(FormatText("a segment count of %ld", static_cast<long>(count)));
        }
        int64_t offset = afterName + 6;
        for (int32_t i = 0; i < count; ++i) {
          if (offset + kPlainSegmentSize > recordSize) {
            return refuse(FormatText("segment %ld of %ld", static_cast<long>(i) + 1,
                                     static_cast<long>(count)));
          }
          const uint16_t mask = GetBigU16(r + offset + 8);
          offset += kPlainSegmentSize +
                    4 * std::popcount(static_cast<unsigned>(mask & kAllAttributesMask));
        }
        if (offset > recordSize) {
          return refuse(FormatText("the attributes of segment %ld", static_cast<long>(count)));
        }
        return true;
      }
      case kTextObject: {
        if (afterName + 6 > recordSize) return refuse("the text graphics");
        const int16_t room = GetBig16(r + afterName + 4);
        if (room < 0 || afterName + 6 + room > recordSize) {
          return refuse(FormatText("a text room of %d bytes", room));
        }
        return true;
      }
      case kPictureObject:
        if (afterName + 1 + kPictFileNameSize > recordSize) return refuse("the picture file name");
        return true;
      default:
        return true;
    }
  }

  void CheckRecords() {
    for (const Summary& s : summaries_) {
      if (!SummaryRecordLive(s.record)) continue;
      ReadRecord read;
      if (ReadLiveRecord(s, read)) {
        if (read.type == kAliasObject) aliases_.push_back({s.record.position, read.rect});
      }
    }
  }

  void CheckOverlaps() {
    std::sort(extents_.begin(), extents_.end());
    for (size_t i = 1; i < extents_.size(); ++i) {
      const auto& [before, beforeEnd] = extents_[i - 1];
      const auto& [at, atEnd] = extents_[i];
      (void)atEnd;
      // Two summary records naming one record are reported once, as a shared record.
      if (at != before && beforeEnd > at) {
        Add(check::kRecordOverlap, at,
            FormatText("the record overlaps the live record at %ld, which ends at %lld",
                       static_cast<long>(before), static_cast<long long>(beforeEnd)));
      }
    }
  }

  void CheckHeader() {
    LayerFileHeader header;
    if (DecodeLayerFileHeader(images_.header->data(), static_cast<int32_t>(images_.header->size()),
                              header) != 0) {
      return;
    }
    if (header.objectCount != liveCount_) {
      Add(check::kObjectCount, -1,
          FormatText("the .LYR header counts %ld objects, the summary file holds %ld live ones",
                     static_cast<long>(header.objectCount), static_cast<long>(liveCount_)));
    }
    int32_t outside = 0;
    int32_t first = -1;
    WRect firstRect;
    for (const Summary& s : summaries_) {
      if (!SummaryRecordLive(s.record) || !WRectPlaced(s.record.worldRect)) continue;
      if (WRectInside(s.record.worldRect, header.bounds)) continue;
      if (outside++ == 0) {
        first = s.record.position;
        firstRect = s.record.worldRect;
      }
    }
    if (outside > 0) {
      Add(check::kBounds, first,
          FormatText("the .LYR bounds %s leave out %ld live objects, the first at %ld with %s",
                     RectText(header.bounds).c_str(), static_cast<long>(outside),
                     static_cast<long>(first), RectText(firstRect).c_str()));
    }
  }

  void CheckIndex() {
    if (!images_.index.has_value()) return;
    const std::string& bytes = *images_.index;
    if (bytes.size() % kSM2EntryBytes != 0) {
      Add(check::kIndexFile, -1,
          FormatText("the .SM2 file holds %lu bytes, not a whole number of 16-byte entries",
                     static_cast<unsigned long>(bytes.size())));
    }
    const size_t entries = bytes.size() / kSM2EntryBytes;
    // The walks use an entry only for a complete block of the summary file.
    const size_t blocks = std::min(entries, summaries_.size() / kSM2BlockRecords);
    for (size_t k = 0; k < blocks; ++k) {
      const WRect entry =
          DecodeRectAt(reinterpret_cast<const unsigned char*>(bytes.data()) + k * kSM2EntryBytes);
      int32_t outside = 0;
      int32_t first = -1;
      for (size_t i = k * kSM2BlockRecords; i < (k + 1) * kSM2BlockRecords; ++i) {
        const SummaryRecord& r = summaries_[i].record;
        if (!SummaryRecordLive(r) || !WRectPlaced(r.worldRect)) continue;
        if (WRectInside(r.worldRect, entry)) continue;
        if (outside++ == 0) first = r.position;
      }
      if (outside > 0) {
        Add(check::kIndexBlock, first,
            FormatText("index entry %lu %s leaves out %ld live objects of its block (records %lu "
                       "to %lu), so a walk with a search rectangle can miss them",
                       static_cast<unsigned long>(k), RectText(entry).c_str(),
                       static_cast<long>(outside), static_cast<unsigned long>(k * kSM2BlockRecords),
                       static_cast<unsigned long>((k + 1) * kSM2BlockRecords - 1)));
      }
    }
  }

  void CheckSharedIDs() {
    for (const auto& [id, positions] : liveIDs_) {
      if (positions.size() < 2) continue;
      std::string list;
      for (const int32_t at : positions) {
        if (!list.empty()) list += ", ";
        list += std::to_string(at);
      }
      Add(check::kSharedID, positions.back(),
          FormatText("%lu live objects share the ID %s (positions %s)",
                     static_cast<unsigned long>(positions.size()),
                     IDText(id.first, id.second).c_str(), list.c_str()),
          options_.sharedIDsAreProblems ? CheckSeverity::kProblem : CheckSeverity::kNote);
    }
  }

  void CheckAliases() {
    for (const auto& [position, rect] : aliases_) {
      if (liveIDs_.count({rect.x1, rect.y1}) != 0) continue;
      Add(check::kAliasTarget, position,
          "the alias stands for the ID " + IDText(rect.x1, rect.y1) +
              ", which no live object of this overlay file has");
    }
  }

  const OverlayFileImages& images_;
  const CheckOptions& options_;
  std::vector<CheckFinding>& findings_;
  std::vector<Summary> summaries_;
  int32_t liveCount_ = 0;
  std::map<std::pair<int32_t, int32_t>, std::vector<int32_t>> liveIDs_;
  std::map<int32_t, std::vector<int32_t>> namedBy_;   // record position -> summary indexes
  std::vector<std::pair<int64_t, int64_t>> extents_;  // live records: start, end
  std::vector<std::pair<int32_t, WRect>> aliases_;    // live aliases: position, rectangle
};

// ---- Files on disk ---------------------------------------------------------------------------

// The whole file, also found under its name with ";1" appended (or by the collating comparison);
// nullopt when it is missing or cannot be read.
std::optional<std::string> ReadWhole(const std::string& path) {
  std::string resolved;
  if (ResolvePath(path, resolved) != 0 && ResolvePath(path + ";1", resolved) != 0) {
    return std::nullopt;
  }
  if (IsFolder(resolved)) return std::nullopt;
  FileByteSource source(resolved);
  std::vector<unsigned char> bytes;
  if (source.OpenResult() != 0 || source.ReadAll(bytes) != 0) return std::nullopt;
  return std::string(bytes.begin(), bytes.end());
}

OverlayFileImages ReadImages(const std::string& folder, const std::string& baseName) {
  OverlayFileImages images;
  images.header = ReadWhole(folder + baseName + ".LYR");
  images.objects = ReadWhole(folder + baseName + ".OBJ");
  images.summary = ReadWhole(folder + baseName + ".SUM");
  images.index = ReadWhole(folder + baseName + ".SM2");
  return images;
}

// The overlay name a header holds, "" when it cannot be read.
std::string HeaderName(const OverlayFileImages& images) {
  LayerFileHeader header;
  if (!images.header.has_value() ||
      DecodeLayerFileHeader(images.header->data(), static_cast<int32_t>(images.header->size()),
                            header) != 0) {
    return std::string();
  }
  return header.name;
}

void Label(std::vector<CheckFinding>& findings, size_t first, const std::string& mapName,
           const std::string& overlayName, const std::string& baseName) {
  for (size_t i = first; i < findings.size(); ++i) {
    findings[i].mapName = mapName;
    findings[i].overlayName = overlayName;
    findings[i].baseName = baseName;
  }
}

CheckFinding Finding(const char* name, std::string message,
                     CheckSeverity severity = CheckSeverity::kProblem) {
  CheckFinding finding;
  finding.check = name;
  finding.message = std::move(message);
  finding.severity = severity;
  return finding;
}

void AddPendingCompaction(const std::string& folder, const std::string& baseName,
                          std::vector<CheckFinding>& findings) {
  if (!CompactionPending(folder, baseName)) return;
  findings.push_back(Finding(check::kCompactionPending,
                             "a compaction of this overlay file was cut off and its work files "
                             "are still there; loading the map or \"tolvane-cli compact "
                             "--finish\" finishes or undoes it"));
}

void CheckListedFile(const MapRecord& map, const OverlayFileRecord& entry,
                     const CheckOptions& options, std::vector<CheckFinding>& findings) {
  const size_t first = findings.size();
  const std::string baseName = FieldText(entry.baseName);
  std::string folder;
  MakeFullPath(entry.volume, entry.dirID, "", folder);
  const OverlayFileImages images = ReadImages(folder, baseName);
  CheckOverlayFileImages(images, options, findings);
  AddPendingCompaction(folder, baseName, findings);
  LayerFileHeader header;
  if (images.header.has_value() &&
      DecodeLayerFileHeader(images.header->data(), static_cast<int32_t>(images.header->size()),
                            header) == 0 &&
      (header.objectCount != entry.objectCount || !(header.bounds == entry.bounds))) {
    findings.push_back(Finding(
        check::kListEntry,
        FormatText("the catalogue holds %ld objects in %s, the .LYR header %ld in %s",
                   static_cast<long>(entry.objectCount), RectText(entry.bounds).c_str(),
                   static_cast<long>(header.objectCount), RectText(header.bounds).c_str())));
  }
  Label(findings, first, FieldText(map.name), LayerName(LayerIDToIndex(entry.overlayID)), baseName);
}

// The base names of the overlay file sets in a folder (each named by its ".LYR" file).
std::vector<std::string> OverlayFileSetsIn(const std::string& folder) {
  std::vector<std::string> sets;
  std::vector<FolderEntry> items;
  if (folder.empty() || ListFolder(folder, items) != 0) return sets;
  for (const FolderEntry& item : items) {
    // The catalogue passes over hidden items as well.
    if (item.isFolder || item.name.empty() || item.name[0] == '.') continue;
    std::string name = item.name;
    if (name.size() > 2 && name.compare(name.size() - 2, 2, ";1") == 0)
      name.resize(name.size() - 2);
    if (name.size() < 5 || !CollateEqual(name.substr(name.size() - 4), ".LYR")) continue;
    sets.push_back(name.substr(0, name.size() - 4));
  }
  return sets;
}

// Checks the sets of a folder that listed does not hold, each with a finding that the catalogue
// left it out when the map itself was taken in.
void CheckUnlistedSets(const std::string& folder, const std::string& mapName,
                       const std::vector<std::string>& listed, bool mapListed,
                       const CheckOptions& options, std::vector<CheckFinding>& findings) {
  for (const std::string& baseName : OverlayFileSetsIn(folder)) {
    const bool known = std::any_of(listed.begin(), listed.end(),
                                   [&](const std::string& b) { return CollateEqual(b, baseName); });
    if (known) continue;
    const size_t first = findings.size();
    const OverlayFileImages images = ReadImages(folder, baseName);
    if (mapListed) {
      findings.push_back(
          Finding(check::kUnlisted,
                  "the catalogue left this overlay file out (its files are damaged or missing, or "
                  "another overlay file of the map holds the same overlay), so its objects are not "
                  "shown"));
    }
    CheckOverlayFileImages(images, options, findings);
    AddPendingCompaction(folder, baseName, findings);
    Label(findings, first, mapName, HeaderName(images), baseName);
  }
}

// Map folders in OverlayMaps that the catalogue did not take in: one damaged overlay file keeps
// a whole map out, so the user would otherwise only see the map gone.
void CheckUnlistedMaps(const CheckOptions& options, std::vector<CheckFinding>& findings) {
  std::string overlayMaps;
  if (CatalogueFolderIDs().overlayMaps < 0 ||
      DirectoryPath(CatalogueFolderIDs().overlayMaps, overlayMaps) != 0) {
    return;
  }
  std::vector<std::string> loaded;
  for (int32_t m = 0; m < MapCount(); ++m) {
    MapRecord map;
    if (GetMapRecord(m, map) && map.mapID != 0) loaded.push_back(MapFolderPath(map));
  }
  std::vector<FolderEntry> items;
  if (ListFolder(overlayMaps, items) != 0) return;
  for (const FolderEntry& item : items) {
    if (!item.isFolder || item.name.empty() || item.name[0] == '.') continue;
    const std::string folder = WithTrailingSlash(overlayMaps + item.name);
    const bool known = std::any_of(loaded.begin(), loaded.end(), [&](const std::string& path) {
      return CollateEqual(path, folder);
    });
    const std::optional<std::string> nameDotMap = ReadWhole(folder + kNameDotMapName);
    if (known || !nameDotMap.has_value()) continue;
    NameDotMap record;
    std::string mapName = item.name;
    if (DecodeNameDotMap(nameDotMap->data(), static_cast<int32_t>(nameDotMap->size()), record) ==
        0) {
      mapName = record.name;
    }
    const size_t first = findings.size();
    findings.push_back(Finding(check::kUnlistedMap,
                               "the catalogue left this map out (its NAME.MAP or one of its "
                               "overlay files could not be read), so none of its objects are "
                               "shown; folder " +
                                   folder));
    Label(findings, first, mapName, "", "");
    CheckUnlistedSets(folder, mapName, {}, false, options, findings);
  }
}

}  // namespace

void CheckOverlayFileImages(const OverlayFileImages& images, const CheckOptions& options,
                            std::vector<CheckFinding>& findings) {
  FileChecker(images, options, findings).Run();
}

int32_t CheckMaps(int32_t mapIndex, const CheckOptions& options,
                  std::vector<CheckFinding>& findings) {
  // The files must say what the program holds in its windows.
  const int32_t flushed = FlushBufferedFiles();
  if (flushed != 0) return flushed;
  for (int32_t m = 0; m < MapCount(); ++m) {
    if (mapIndex >= 0 && m != mapIndex) continue;
    MapRecord map;
    if (!GetMapRecord(m, map) || !map.inUse) continue;
    if (map.mapID == 0) {
      findings.push_back(
          Finding(check::kMapFolder,
                  "the map's folder was not found, so its overlay files were not checked",
                  CheckSeverity::kNote));
      findings.back().mapName = FieldText(map.name);
      continue;
    }
    const HandleArray<OverlayFileRecord> files(map.overlayFiles);
    std::vector<std::string> listed;
    for (int32_t f = 0; f < files.Count(); ++f) {
      const OverlayFileRecord entry = files.Get(f);
      CheckListedFile(map, entry, options, findings);
      listed.push_back(FieldText(entry.baseName));
    }
    CheckUnlistedSets(MapFolderPath(map), FieldText(map.name), listed, true, options, findings);
  }
  if (mapIndex < 0) CheckUnlistedMaps(options, findings);
  return 0;
}

int32_t ProblemCount(const std::vector<CheckFinding>& findings) {
  return static_cast<int32_t>(std::count_if(
      findings.begin(), findings.end(),
      [](const CheckFinding& finding) { return finding.severity == CheckSeverity::kProblem; }));
}

}  // namespace tlv
