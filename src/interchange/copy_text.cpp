#include "interchange/copy_text.h"

#include <locale.h>

#include <charconv>
#include <cstring>

#include "base/errors.h"
#include "base/platform.h"
#include "catalogue/open_files.h"
#include "edit/selection.h"
#include "geometry/coordinates.h"
#include "interchange/export.h"
#include "render/map_view.h"
#include "store/object_record.h"

namespace tlv {

namespace {

// "%*.6f" without the locale: the program may run under a locale whose decimal mark is a comma,
// and the text is meant for other programs to read.
std::string FixedSix(double value, size_t width) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// Appends bytes to a Handle's block, growing it; false when memory is short.
bool AppendToHandle(Handle text, const std::string& bytes) {
  const int32_t size = MyGetHandleSize(text);
  MySetHandleSize(text, size + static_cast<int32_t>(bytes.size()));
  if (MyMemError() != 0) return false;
  std::memcpy(*text + size, bytes.data(), bytes.size());
  return true;
}

// Numbers written while it lives use the C locale's decimal point on this thread.
class CNumbers {
 public:
  CNumbers() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr))) {
    if (c_ != static_cast<locale_t>(nullptr)) previous_ = uselocale(c_);
  }
  ~CNumbers() {
    if (c_ == static_cast<locale_t>(nullptr)) return;
    uselocale(previous_);
    freelocale(c_);
  }
  CNumbers(const CNumbers&) = delete;
  CNumbers& operator=(const CNumbers&) = delete;

 private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

// The current format's latitude, one blank, and longitude; both texts keep their padding.
std::string PointText(WPoint p) {
  const CNumbers numbers;
  std::string latitude;
  std::string longitude;
  FormatLatLong(p, latitude, longitude);
  return latitude + " " + longitude;
}

// The first selected object, when there is one.
bool FirstSelected(ObjectRef& object) {
  return SelectedObjectCount() > 0 && GetSelectedObject(0, object);
}

int32_t ObjectFile(const ObjectRef& object, BufferedFile*& file) {
  int32_t mapIndex = -1;
  int32_t fileIndex = -1;
  const int32_t err = AllocateSpaceForFile(object.mapID, object.overlayID, kObjectFileKind,
                                           kSmallWindowSize, &mapIndex, &fileIndex);
  if (err != 0) return err;
  file = &CurrentObjectFile();
  return 0;
}

}  // namespace

int32_t AddCoordToText(int32_t x, int32_t y, bool withLineEnd, Handle text) {
  const double longitude = (static_cast<double>(x) - 180000000.0) / 1000000.0;
  const double latitude = (static_cast<double>(y) - 90000000.0) / 1000000.0;
  std::string line = FixedSix(longitude, 11) + "\t" + FixedSix(latitude, 10);
  if (line.size() != kCoordinateTextLength) {
    ReportError("AddCoordToText()", "strlen()", static_cast<int32_t>(line.size()));
    return kErrGeneral;
  }
  if (withLineEnd) line += "\r\n";
  if (!AppendToHandle(text, line)) {
    ReportError("AddCoordToText()", "MySetHandleSize()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  return 0;
}

int32_t PopInfoCopyCoordinates(const ObjectRef& object, Handle& text) {
  text = nullptr;
  BufferedFile* file = nullptr;
  int32_t err = ObjectFile(object, file);
  if (err != 0) return err;
  int16_t type = 0;
  err = FSGetObjectType(*file, object.position, type);
  if (err != 0) return err;
  if (type == kAliasObject) return 0;
  WRect rect;
  err = FSGetObjectWorldRect(*file, object.position, rect);
  if (err != 0) return err;
  Handle list = MyNewHandle(0);
  if (list == nullptr) {
    ReportError("PopInfoCopyCoordinates()", "MyNewHandle()", kErrMemoryFull);
    return kErrMemoryFull;
  }
  if (type == kPointObject) {
    err = AddCoordToText(rect.x1, rect.y2, false, list);
  } else if (type == kPolylineObject || type == kPolygonObject) {
    int32_t count = 0;
    int32_t offset = 0;
    int32_t end = 0;
    err = FSGetObjectNumSegs(*file, object.position, count);
    if (err == 0) err = FSGetObjectSegmentRange(*file, object.position, offset, end);
    for (int32_t i = 0; err == 0 && i < count && offset < end; ++i) {
      int32_t x = 0;
      int32_t y = 0;
      bool newPiece = false;
      err = FSGetObjectSeg(*file, object.position, offset, x, y, newPiece);
      if (err != 0) break;
      if (newPiece && i > 0 && !AppendToHandle(list, "\r\n")) err = kErrMemoryFull;
      if (err == 0) err = AddCoordToText(x, y, true, list);
    }
  } else {
    const WPoint corners[4] = {
        {rect.x1, rect.y1}, {rect.x1, rect.y2}, {rect.x2, rect.y2}, {rect.x2, rect.y1}};
    for (const WPoint& corner : corners) {
      err = AddCoordToText(corner.x, corner.y, true, list);
      if (err != 0) break;
    }
  }
  if (err != 0) {
    MyDisposeHandle(list);
    return err;
  }
  text = list;
  return 0;
}

int32_t CopyCommandText(int32_t menu, int32_t item, std::string& text) {
  text.clear();
  if (menu == kClickPointMenu && item == kCopyClickPointItem) {
    text = PointText(ClickPoint());
    return 0;
  }
  if (menu == kMarkedPointMenu && item == kCopyMarkedPointItem) {
    if (MarkedPointSet()) text = PointText(MarkedPoint());
    return 0;
  }
  if (menu != kObjectMenu) return 0;
  ObjectRef object;
  if (!FirstSelected(object)) return 0;
  if (item == kCopyObjectNameItem) {
    BufferedFile* file = nullptr;
    int32_t err = ObjectFile(object, file);
    if (err == 0) err = GetObjectDisplayName(*file, object.position, text);
    if (err != 0) text.clear();
    return err;
  }
  if (item == kCopyObjectLatLongItem) {
    Handle list = nullptr;
    const int32_t err = PopInfoCopyCoordinates(object, list);
    if (list != nullptr) {
      text.assign(*list, static_cast<size_t>(MyGetHandleSize(list)));
      MyDisposeHandle(list);
    }
    return err;
  }
  if (item == kCopyObjectRecordItem) {
    // The field switches apply, the kind filter of the Export dialog does not.
    ExportSettings& settings = MutableExportSettings();
    const int32_t kindFilter = settings.kindFilter;
    settings.kindFilter = kExportAllKinds;
    int32_t err = 0;
    {
      const CNumbers numbers;
      err = WriteObjectRecord(kExportSimpleText, object, text);
    }
    settings.kindFilter = kindFilter;
    if (err < 0) {
      text.clear();
      return err;
    }
    if (err != 0) text.clear();  // passed over: an alias has no record
    if (text.size() > kMaxCopiedRecordLength) text.resize(kMaxCopiedRecordLength);
    return 0;
  }
  return 0;
}

int32_t PopInfoCopyText(int32_t menu, int32_t item) {
  std::string text;
  const int32_t err = CopyCommandText(menu, item, text);
  if (err != 0) return err;
  if (text.empty()) return 0;
  if (!Platform().SetClipboardText(text)) {
    ReportError("PopInfoCopyText()", "OpenClipboard()", 0);
    return kErrGeneral;
  }
  return 0;
}

}  // namespace tlv
