// The shapefile path of export: the objects go to the exchange folder as interchange text with
// one kind, the basemap package's mie2shp tool converts them, and the four files it leaves are
// copied beside the name the user chose.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <utility>

#include "base/errors.h"
#include "base/files.h"
#include "base/platform.h"
#include "base/strings.h"
#include "catalogue/open_files.h"
#include "interchange/export.h"
#include "interchange/export_internal.h"
#include "store/object_record.h"

namespace tlv {

namespace {

constexpr int kExportProblemMessage = 671;
constexpr int32_t kToolPollMilliseconds = 100;
constexpr int32_t kToolGraceMilliseconds = 4000;
constexpr int32_t kCopyChunk = 1 << 20;
const char* const kShapefileParts[4] = {"shp", "shx", "dbf", "prj"};

std::string ObjectsLabel(const char* kind, int32_t count) {
  if (count == 1) return std::string(kind) + " (1 object)";
  return FormatText("%s (%ld objects)", kind, static_cast<long>(count));
}

const char* KindWord(int32_t kind) {
  switch (kind) {
    case kExportPolylines:
      return "POLYLINE";
    case kExportPolygonLike:
      return "POLYGON";
    default:
      return "POINT";
  }
}

// The chosen name without a ".shp" ending (in any case): the four files take their own.
std::string ShapefileBase(const std::string& path) {
  if (path.size() >= 4) {
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == ".shp") return path.substr(0, path.size() - 4);
  }
  return path;
}

int32_t CopyWholeFile(const std::string& from, const std::string& to, int64_t& bytes) {
  PlatformFile source;
  int32_t err = OpenFile(from, FileAccess::kRead, source);
  int32_t length = 0;
  if (err == 0) err = source.GetLength(length);
  if (err != 0) return err;
  DeleteFile(to);
  err = CreateFile(to);
  PlatformFile target;
  if (err == 0) err = OpenFile(to, FileAccess::kReadWrite, target);
  std::string chunk(static_cast<size_t>(std::min(length, kCopyChunk)), '\0');
  for (int64_t at = 0; err == 0 && at < length;) {
    int32_t got = 0;
    err = source.Read(at, static_cast<int32_t>(chunk.size()), chunk.data(), got);
    if (err == 0 && got <= 0) err = kErrIO;
    if (err == 0) err = target.Write(at, got, chunk.data());
    at += got;
  }
  const int32_t closed = target.Close();
  if (err == 0) err = closed;
  if (err == 0) bytes += length;
  return err;
}

// Counts the objects of each shapefile kind.
int32_t CountKinds(const std::vector<ObjectRef>& objects, int32_t& points, int32_t& polylines,
                   int32_t& polygons) {
  points = polylines = polygons = 0;
  BeginReadOnlyFiles();
  int32_t err = 0;
  for (const ObjectRef& ref : objects) {
    int32_t mapIndex = -1;
    int32_t fileIndex = -1;
    err = AllocateSpaceForFile(ref.mapID, ref.overlayID, kObjectFileKind, kSmallWindowSize,
                               &mapIndex, &fileIndex);
    int16_t type = 0;
    if (err == 0) err = FSGetObjectType(CurrentObjectFile(), ref.position, type);
    if (err != 0) break;
    if (type == kPointObject) ++points;
    if (type == kPolylineObject) ++polylines;
    if (type == kRectangleObject || type == kCircleObject || type == kPolygonObject) ++polygons;
  }
  EndReadOnlyFiles(CloseBufferedFiles);
  return err;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int32_t DefaultShapefileKind(int32_t points, int32_t polylines, int32_t polygons,
                             int32_t previous) {
  const auto count = [&](int32_t kind) {
    return kind == kExportPoints ? points : kind == kExportPolylines ? polylines : polygons;
  };
  if ((previous == kExportPoints || previous == kExportPolylines ||
       previous == kExportPolygonLike) &&
      count(previous) > 0) {
    return previous;
  }
  if (points > 0) return kExportPoints;
  if (polylines > 0) return kExportPolylines;
  if (polygons > 0) return kExportPolygonLike;
  return 0;
}

int32_t ExportShapefile(const std::vector<ObjectRef>& objects, const std::string& path,
                        int32_t kind, ExportResult* result) {
  ExportResult local;
  ExportResult& out = result != nullptr ? *result : local;
  ExportSettings& settings = MutableExportSettings();
  const ExportHooks& hooks = CurrentExportHooks();
  if (kind == 0) {
    int32_t points = 0;
    int32_t polylines = 0;
    int32_t polygons = 0;
    const int32_t err = CountKinds(objects, points, polylines, polygons);
    if (err != 0) return err;
    const auto total = static_cast<int32_t>(objects.size());
    if (total > 0 && points == total) {
      kind = kExportPoints;
    } else if (total > 0 && polylines == total) {
      kind = kExportPolylines;
    } else if (total > 0 && polygons == total) {
      kind = kExportPolygonLike;
    } else if (points + polylines + polygons == 0) {
      ShowAlert(
          "Shapefiles can only contain points, polylines or polygons, and none of these "
          "objects is one.",
          kStopAlert);
      return -1;
    } else {
      const int32_t kinds[3] = {kExportPoints, kExportPolylines, kExportPolygonLike};
      Question question;
      question.title = "Choose Type of Object";
      question.text = "Shapefiles can only contain one type of object.";
      question.buttons = {ObjectsLabel("Points", points), ObjectsLabel("Polylines", polylines),
                          ObjectsLabel("Polygons", polygons), "Cancel"};
      question.enabled = {points > 0, polylines > 0, polygons > 0, true};
      const int32_t preferred =
          DefaultShapefileKind(points, polylines, polygons, settings.shapefileKind);
      question.defaultButton = static_cast<int>(std::find(kinds, kinds + 3, preferred) - kinds);
      question.cancelButton = 3;
      const int answer = Platform().Ask(question);
      if (answer < 0 || answer > 2 || !question.enabled[static_cast<size_t>(answer)]) return -1;
      kind = kinds[answer];
    }
  }
  settings.shapefileKind = kind;

  std::string target = path;
  if (target.empty() && !ChooseExportFile(ExportDefaultName(kExportShapefile),
                                          ExportFileKind(kExportShapefile), target)) {
    return -1;
  }
  const std::string programFolder = hooks.programFolder ? hooks.programFolder() : "";
  const std::string exchange = hooks.exchangeFolder ? hooks.exchangeFolder() : "";
  if (programFolder.empty() || exchange.empty()) {
    ShowMessageAlert(kExportProblemMessage, kStopAlert);
    return kErrGeneral;
  }
  // The exchange folder and any missing folder above it (a maps folder without the package's
  // BasemapFiles yet).
  for (size_t slash = exchange.find('/', 1); slash != std::string::npos;
       slash = exchange.find('/', slash + 1)) {
    const std::string folder = exchange.substr(0, slash);
    if (!IsFolder(folder)) MakeFolder(folder);
  }

  // The interchange work file, holding only the chosen kind.
  const std::string work = exchange + "shapefileExport.mie";
  const int32_t filter = settings.kindFilter;
  settings.kindFilter = kind;
  ExportResult written;
  int32_t err = ExportObjects(objects, kExportMIE, work, &written);
  settings.kindFilter = filter;
  out.path = target;
  out.objects = written.objects;
  out.written = written.written;
  out.passedOver = written.passedOver;
  out.writeSeconds = written.writeSeconds;
  if (err != 0) return err;

  const auto convertStart = std::chrono::steady_clock::now();
  const std::string made = exchange + "mie.";
  for (const char* part : kShapefileParts) DeleteFile(made + part);
  platform::ProcessOptions options;
  options.argv = {"basemaptools/php/php", "basemaptools/mie2shp.php", work, KindWord(kind)};
  options.workingFolder = programFolder;
  options.outputPath = exchange + "tools.log";
  platform::Process tool;
  if (tool.Start(options) != 0) {
    Platform().SetMessageLine(tool.StartError());
    ShowMessageAlert(kExportProblemMessage, kStopAlert);
    return kErrGeneral;
  }
  const int32_t waited = tool.WaitForExit(
      kToolPollMilliseconds, [] { return Platform().EscapePressed(); }, kToolGraceMilliseconds,
      hooks.keepForward);
  if (waited == -2) return -1;
  if (tool.ExitStatus() != 0 || !FileExists(made + "shp")) {
    ShowMessageAlert(kExportProblemMessage, kStopAlert);
    return kErrGeneral;
  }

  // Each part is copied beside the target as a work file and all take their names at the end,
  // so a failure keeps an older set whole.
  const std::string base = ShapefileBase(target);
  std::vector<std::pair<std::string, std::string>> copies;
  int64_t bytes = 0;
  for (const char* part : kShapefileParts) {
    if (!FileExists(made + part)) continue;
    const std::string final = base + "." + part;
    err = CopyWholeFile(made + part, final + ".work", bytes);
    copies.emplace_back(final + ".work", final);
    if (err != 0) break;
  }
  for (size_t i = 0; err == 0 && i < copies.size(); ++i) {
    err = RenameFile(copies[i].first, copies[i].second);
  }
  if (err != 0) {
    for (const auto& copy : copies) DeleteFile(copy.first);
    ReportError("ExportShapefile()", "FSWriteBuf()", err);
    return err;
  }
  for (const auto& copy : copies) out.files.push_back(copy.second);
  out.bytes = bytes;
  out.convertSeconds = SecondsSince(convertStart);
  return 0;
}

}  // namespace tlv
