#include "convert/shape_convert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "base/endian.h"
#include "convert/rings.h"
#include "interchange/export.h"
#include "interchange/mie_record.h"
#include "store/mie_reader.h"
#include "store/object_record.h"

namespace tlv::convert {

namespace {

constexpr size_t kWindowSize = 1 << 20;
constexpr const char* kWGS84 =
    "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
    "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";

// shapelib reports through a hook without context; the last message is kept for the caller.
std::string& LastHookError() {
  static thread_local std::string message;
  return message;
}

void KeepError(const char* message) {
  LastHookError() = message != nullptr ? message : "";
}

// Numbers in the table are read in the C locale whatever LC_NUMERIC says.
double ReadNumber(const char* text) {
  while (*text == ' ') ++text;
  if (*text == '+') ++text;
  double value = 0;
  std::from_chars(text, text + std::strlen(text), value);
  return value;
}

// ---- Write-back window over a descriptor ------------------------------------------------------

struct WindowFile {
  int fd = -1;
  uint64_t position = 0;
  uint64_t size = 0;         // the file's length including the window
  uint64_t windowStart = 0;  // the window holds bytes windowStart .. windowStart + window.size()
  std::vector<char> window;
  bool failed = false;

  bool FlushWindow() {
    size_t done = 0;
    while (done < window.size()) {
      const ssize_t n = ::pwrite(fd, window.data() + done, window.size() - done,
                                 static_cast<off_t>(windowStart + done));
      if (n <= 0) {
        failed = true;
        return false;
      }
      done += static_cast<size_t>(n);
    }
    window.clear();
    return true;
  }
};

WindowFile* AsWindow(SAFile file) {
  return reinterpret_cast<WindowFile*>(file);
}

SAFile WindowOpen(const char* name, const char* access) {
  const bool write = std::strchr(access, 'w') != nullptr;
  const bool update = std::strchr(access, '+') != nullptr;
  const int flags = write ? O_RDWR | O_CREAT | O_TRUNC : update ? O_RDWR : O_RDONLY;
  const int fd = ::open(name, flags | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  auto file = std::make_unique<WindowFile>();
  file->fd = fd;
  struct stat info {};
  if (::fstat(fd, &info) == 0) file->size = static_cast<uint64_t>(info.st_size);
  file->window.reserve(kWindowSize);
  return reinterpret_cast<SAFile>(file.release());
}

SAOffset WindowRead(void* p, SAOffset size, SAOffset count, SAFile handle) {
  WindowFile* file = AsWindow(handle);
  if (!file->window.empty() && !file->FlushWindow()) return 0;
  const size_t wanted = size * count;
  size_t done = 0;
  while (done < wanted) {
    const ssize_t n = ::pread(file->fd, static_cast<char*>(p) + done, wanted - done,
                              static_cast<off_t>(file->position + done));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  file->position += done;
  return size == 0 ? 0 : done / size;
}

SAOffset WindowWrite(void* p, SAOffset size, SAOffset count, SAFile handle) {
  WindowFile* file = AsWindow(handle);
  const size_t bytes = size * count;
  const auto* data = static_cast<const char*>(p);
  const uint64_t windowEnd = file->windowStart + file->window.size();
  const bool joins = !file->window.empty() && file->position >= file->windowStart &&
                     file->position <= windowEnd &&
                     file->position + bytes - file->windowStart <= kWindowSize;
  if (!joins) {
    if (!file->window.empty() && !file->FlushWindow()) return 0;
    file->windowStart = file->position;
  }
  if (bytes > kWindowSize) {
    size_t done = 0;
    while (done < bytes) {
      const ssize_t n =
          ::pwrite(file->fd, data + done, bytes - done, static_cast<off_t>(file->position + done));
      if (n <= 0) return size == 0 ? 0 : done / size;
      done += static_cast<size_t>(n);
    }
  } else {
    const size_t at = static_cast<size_t>(file->position - file->windowStart);
    if (at + bytes > file->window.size()) file->window.resize(at + bytes);
    std::memcpy(file->window.data() + at, data, bytes);
  }
  file->position += bytes;
  file->size = std::max(file->size, file->position);
  return count;
}

SAOffset WindowSeek(SAFile handle, SAOffset offset, int whence) {
  WindowFile* file = AsWindow(handle);
  if (whence == SEEK_SET) {
    file->position = offset;
  } else if (whence == SEEK_CUR) {
    file->position += offset;
  } else {
    file->position = file->size + offset;
  }
  return 0;
}

SAOffset WindowTell(SAFile handle) {
  return AsWindow(handle)->position;
}

int WindowFlush(SAFile handle) {
  return AsWindow(handle)->FlushWindow() ? 0 : -1;
}

int WindowClose(SAFile handle) {
  std::unique_ptr<WindowFile> file(AsWindow(handle));
  const bool flushed = file->FlushWindow();
  const int closed = ::close(file->fd);
  return flushed && !file->failed && closed == 0 ? 0 : -1;
}

int WindowRemove(const char* name) {
  return ::unlink(name);
}

// ---- Files in memory --------------------------------------------------------------------------

std::map<std::string, std::string>*& MemoryFiles() {
  static thread_local std::map<std::string, std::string>* files = nullptr;
  return files;
}

struct MemoryFile {
  std::string* bytes = nullptr;
  uint64_t position = 0;
  bool writable = false;
};

SAFile MemoryOpen(const char* name, const char* access) {
  auto* files = MemoryFiles();
  if (files == nullptr) return nullptr;
  const bool write = std::strchr(access, 'w') != nullptr;
  auto it = files->find(name);
  if (it == files->end()) {
    if (!write) return nullptr;
    it = files->emplace(name, std::string()).first;
  }
  if (write) it->second.clear();
  auto* file = new MemoryFile{&it->second, 0, write || std::strchr(access, '+') != nullptr};
  return reinterpret_cast<SAFile>(file);
}

SAOffset MemoryRead(void* p, SAOffset size, SAOffset count, SAFile handle) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  if (size == 0 || file->position >= file->bytes->size()) return 0;
  const uint64_t room = file->bytes->size() - file->position;
  const SAOffset whole = std::min<uint64_t>(count, room / size);
  std::memcpy(p, file->bytes->data() + file->position, whole * size);
  file->position += whole * size;
  return whole;
}

SAOffset MemoryWrite(void* p, SAOffset size, SAOffset count, SAFile handle) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  if (!file->writable) return 0;
  const uint64_t end = file->position + size * count;
  if (end > (uint64_t{1} << 31)) return 0;
  if (end > file->bytes->size()) file->bytes->resize(end);
  std::memcpy(file->bytes->data() + file->position, p, size * count);
  file->position = end;
  return count;
}

SAOffset MemorySeek(SAFile handle, SAOffset offset, int whence) {
  auto* file = reinterpret_cast<MemoryFile*>(handle);
  const uint64_t base = whence == SEEK_SET   ? 0
                        : whence == SEEK_CUR ? file->position
                                             : file->bytes->size();
  file->position = base + offset;
  return 0;
}

SAOffset MemoryTell(SAFile handle) {
  return reinterpret_cast<MemoryFile*>(handle)->position;
}

int MemoryFlush(SAFile) {
  return 0;
}

int MemoryClose(SAFile handle) {
  delete reinterpret_cast<MemoryFile*>(handle);
  return 0;
}

int MemoryRemove(const char* name) {
  auto* files = MemoryFiles();
  return files != nullptr && files->erase(name) > 0 ? 0 : -1;
}

// ---- Interchange to shapefile ------------------------------------------------------------------

bool RecordFits(int16_t recordKind, ShapeKind kind) {
  switch (kind) {
    case ShapeKind::kPoint:
      return recordKind == kPointObject;
    case ShapeKind::kPolyline:
      return recordKind == kPolylineObject;
    case ShapeKind::kPolygon:
      return recordKind == kPolygonObject || recordKind == kRectangleObject ||
             recordKind == kCircleObject;
  }
  return false;
}

struct ShapeOutput {
  SHPHandle shp = nullptr;
  DBFHandle dbf = nullptr;
  ~ShapeOutput() {
    if (shp != nullptr) SHPClose(shp);
    if (dbf != nullptr) DBFClose(dbf);
  }
};

struct ShapeInput {
  SHPHandle shp = nullptr;
  DBFHandle dbf = nullptr;
  ~ShapeInput() {
    if (shp != nullptr) SHPClose(shp);
    if (dbf != nullptr) DBFClose(dbf);
  }
};

// A degree value for a record: finite, within the world, six decimals, C locale.
void AppendCoordinate(std::string& out, double value, double limit) {
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, -limit, limit);
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6).ptr;
  out.append(text, end);
}

void AppendQuotedText(std::string& out, const std::string& text, size_t limit) {
  out += '"';
  for (size_t i = 0; i < text.size() && i < limit; ++i) {
    const char c = text[i];
    out += c == '"' ? '\'' : (c == '\r' || c == '\n') ? ' ' : c;
  }
  out += '"';
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

std::string FieldValue(DBFHandle dbf, int record, int field) {
  if (dbf == nullptr || field < 0 || record >= DBFGetRecordCount(dbf)) return "";
  const char* text = DBFReadStringAttribute(dbf, record, field);
  std::string value = text != nullptr ? text : "";
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

}  // namespace

bool ShapeKindFromWord(const std::string& word, ShapeKind& kind) {
  if (word == "POINT") {
    kind = ShapeKind::kPoint;
  } else if (word == "POLYLINE") {
    kind = ShapeKind::kPolyline;
  } else if (word == "POLYGON") {
    kind = ShapeKind::kPolygon;
  } else {
    return false;
  }
  return true;
}

void SetUpWindowHooks(SAHooks& hooks) {
  hooks.FOpen = WindowOpen;
  hooks.FRead = WindowRead;
  hooks.FWrite = WindowWrite;
  hooks.FSeek = WindowSeek;
  hooks.FTell = WindowTell;
  hooks.FFlush = WindowFlush;
  hooks.FClose = WindowClose;
  hooks.Remove = WindowRemove;
  hooks.Error = KeepError;
  hooks.Atof = ReadNumber;
}

void SetUpMemoryHooks(SAHooks& hooks, std::map<std::string, std::string>* files) {
  MemoryFiles() = files;
  hooks.FOpen = MemoryOpen;
  hooks.FRead = MemoryRead;
  hooks.FWrite = MemoryWrite;
  hooks.FSeek = MemorySeek;
  hooks.FTell = MemoryTell;
  hooks.FFlush = MemoryFlush;
  hooks.FClose = MemoryClose;
  hooks.Remove = MemoryRemove;
  hooks.Error = KeepError;
  hooks.Atof = ReadNumber;
}

int32_t MIEToShapefile(const std::string& mieBytes, ShapeKind kind, const std::string& outBase,
                       SAHooks& hooks, ConvertSummary& summary, std::string& error) {
  summary = ConvertSummary();
  const int shapeType = kind == ShapeKind::kPoint      ? SHPT_POINT
                        : kind == ShapeKind::kPolyline ? SHPT_ARC
                                                       : SHPT_POLYGON;
  ShapeOutput output;
  output.shp = SHPCreateLL(outBase.c_str(), shapeType, &hooks);
  output.dbf = DBFCreateLL((outBase + ".dbf").c_str(), "LDID/87", &hooks);
  if (output.shp == nullptr || output.dbf == nullptr) {
    error = "cannot create " + outBase + ".shp: " + LastHookError();
    return 1;
  }
  struct Field {
    const char* name;
    DBFFieldType type;
    int width;
  };
  static const Field kFields[] = {{"NAME", FTString, 109}, {"LAYER", FTString, 31},
                                  {"MAP", FTString, 41},   {"ID", FTString, 16},
                                  {"KIND", FTString, 8},   {"COLOR", FTString, 12},
                                  {"SYMBOL", FTInteger, 3}};
  for (const Field& field : kFields) {
    if (DBFAddField(output.dbf, field.name, field.type, field.width, 0) < 0) {
      error = "cannot add the field " + std::string(field.name);
      return 1;
    }
  }

  MemoryByteSource source(mieBytes.data(), mieBytes.size());
  MIEReader reader(source, false);
  if (reader.Open() != 0) {
    error = "cannot read the interchange text";
    return 1;
  }
  const std::vector<std::string> fieldNames = MIEFieldNames();
  ImportRecord record;
  Rings rings;
  for (;;) {
    MIEToken token;
    int32_t err = reader.Next(token);
    if (err == 0 && token.kind == kTokenEndOfFile) break;
    if (err == 0) {
      reader.PushBack(token);
      err = ReadImportRecord(reader, fieldNames, false, record);
    }
    if (err != 0) {
      error = err == -1 ? reader.ErrorText() : "cannot read the interchange text";
      return 1;
    }
    ++summary.records;
    if (!RecordFits(record.kind, kind)) {
      ++summary.skipped;
      continue;
    }
    SHPObject* shape = nullptr;
    if (kind == ShapeKind::kPoint) {
      const double x = Longitude(record.rect.x1);
      const double y = Latitude(record.rect.y1);
      shape = SHPCreateSimpleObject(SHPT_POINT, 1, &x, &y, nullptr);
    } else {
      rings.Clear();
      if (record.kind == kRectangleObject) {
        RectangleRing(record.rect, rings);
      } else if (record.kind == kCircleObject) {
        EllipseRing(record.rect, rings);
      } else {
        for (size_t i = 0; i < record.points.size(); ++i) {
          const ImportPoint& point = record.points[i];
          if (i == 0 || point.newPiece) {
            if (kind == ShapeKind::kPolygon) rings.Close();
            rings.Start();
          }
          rings.Add(Longitude(point.x), Latitude(point.y));
        }
        if (kind == ShapeKind::kPolygon) rings.Close();
      }
      if (rings.x.empty()) {
        ++summary.skipped;
        continue;
      }
      shape = SHPCreateObject(shapeType, -1, static_cast<int>(rings.starts.size()),
                              rings.starts.data(), nullptr, static_cast<int>(rings.x.size()),
                              rings.x.data(), rings.y.data(), nullptr, nullptr);
      if (shape != nullptr && kind == ShapeKind::kPolygon) SHPRewindObject(output.shp, shape);
    }
    const int id = shape != nullptr ? SHPWriteObject(output.shp, -1, shape) : -1;
    SHPDestroyObject(shape);
    if (id < 0) {
      error = "cannot write shape " + std::to_string(summary.written) + ": " + LastHookError();
      return 1;
    }
    const std::string name =
        record.prefix.empty() ? record.name : record.prefix + " " + record.name;
    const std::string colour =
        ExportColourWord(record.graphics.colour, record.customColour, record.customRGB);
    const bool ok =
        DBFWriteStringAttribute(output.dbf, id, 0, name.c_str()) &&
        DBFWriteStringAttribute(output.dbf, id, 1, record.layerName.c_str()) &&
        DBFWriteStringAttribute(output.dbf, id, 2, record.mapName.c_str()) &&
        DBFWriteStringAttribute(output.dbf, id, 3, record.idText.c_str()) &&
        DBFWriteStringAttribute(output.dbf, id, 4, ObjectKindWord(record.kind)) &&
        DBFWriteStringAttribute(output.dbf, id, 5, colour.c_str()) &&
        DBFWriteIntegerAttribute(output.dbf, id, 6,
                                 record.kind == kPointObject ? record.graphics.symbol : 0);
    if (!ok) {
      error = "cannot write the table row of shape " + std::to_string(id);
      return 1;
    }
    ++summary.written;
  }
  SHPClose(output.shp);
  output.shp = nullptr;
  DBFClose(output.dbf);
  output.dbf = nullptr;
  if (!LastHookError().empty() && summary.written == 0 && summary.records > 0) {
    error = LastHookError();
    return 1;
  }
  SAFile prj = hooks.FOpen((outBase + ".prj").c_str(), "wb");
  if (prj == nullptr) {
    error = "cannot create " + outBase + ".prj";
    return 1;
  }
  const size_t length = std::strlen(kWGS84);
  const bool written =
      hooks.FWrite(const_cast<char*>(kWGS84), 1, length, prj) == static_cast<SAOffset>(length);
  if (hooks.FClose(prj) != 0 || !written) {
    error = "cannot write " + outBase + ".prj";
    return 1;
  }
  return 0;
}

int32_t ShapefileToMIE(const std::string& shpPath, SAHooks& hooks, std::string& mie,
                       ConvertSummary& summary, std::string& error) {
  summary = ConvertSummary();
  ShapeInput input;
  LastHookError().clear();
  input.shp = SHPOpenLL(shpPath.c_str(), "rb", &hooks);
  if (input.shp == nullptr) {
    error = "cannot open " + shpPath + (LastHookError().empty() ? "" : ": " + LastHookError());
    return 1;
  }
  std::string base = shpPath;
  if (base.size() > 4 && base[base.size() - 4] == '.') base.resize(base.size() - 4);
  input.dbf = DBFOpenLL((base + ".dbf").c_str(), "rb", &hooks);
  int nameField = -1;
  int layerField = -1;
  int mapField = -1;
  if (input.dbf != nullptr) {
    nameField = DBFGetFieldIndex(input.dbf, "NAME");
    layerField = DBFGetFieldIndex(input.dbf, "LAYER");
    mapField = DBFGetFieldIndex(input.dbf, "MAP");
  }
  const std::string fileLayer = BaseNameOf(shpPath);
  int entities = 0;
  int shapeType = 0;
  SHPGetInfo(input.shp, &entities, &shapeType, nullptr, nullptr);
  for (int i = 0; i < entities; ++i) {
    ++summary.records;
    SHPObject* shape = SHPReadObject(input.shp, i);
    if (shape == nullptr) {
      ++summary.skipped;
      continue;
    }
    std::unique_ptr<SHPObject, void (*)(SHPObject*)> owned(shape, SHPDestroyObject);
    const int type = shape->nSHPType;
    const bool point = type == SHPT_POINT || type == SHPT_POINTZ || type == SHPT_POINTM ||
                       type == SHPT_MULTIPOINT || type == SHPT_MULTIPOINTZ ||
                       type == SHPT_MULTIPOINTM;
    const bool line = type == SHPT_ARC || type == SHPT_ARCZ || type == SHPT_ARCM;
    const bool area = type == SHPT_POLYGON || type == SHPT_POLYGONZ || type == SHPT_POLYGONM ||
                      type == SHPT_MULTIPATCH;
    if ((!point && !line && !area) || shape->nVertices <= 0 || shape->padfX == nullptr ||
        shape->padfY == nullptr) {
      ++summary.skipped;
      continue;
    }
    std::string layer = layerField >= 0 ? FieldValue(input.dbf, i, layerField) : "";
    if (layer.empty()) layer = fileLayer;
    const std::string map = mapField >= 0 ? FieldValue(input.dbf, i, mapField) : "";
    const std::string name = nameField >= 0 ? FieldValue(input.dbf, i, nameField) : "";
    // A multipoint becomes one point per vertex; other shapes one record each.
    const int records = point ? shape->nVertices : 1;
    for (int r = 0; r < records; ++r) {
      mie += "\"\" \"\" \"\" \"\" 2\r\n\"\" ";
      AppendQuotedText(mie, name, kMaxImportNameLength);
      mie += " 0 ";
      AppendQuotedText(mie, layer, kMaxImportLayerNameLength);
      mie += ' ';
      AppendQuotedText(mie, map, kMaxImportMapNameLength);
      mie += point ? " POINT" : line ? " POLYLINE" : " POLYGON";
      mie += " \"\" 0 \"\" 0 ONLY 0\r\n";
      if (point) {
        mie += "BLACK 1 212 ";
        AppendCoordinate(mie, shape->padfX[r], 180);
        mie += ' ';
        AppendCoordinate(mie, shape->padfY[r], 90);
      } else {
        mie += "BLACK 1 BLACK ";
        mie += "WHITE {";
        int part = 0;
        for (int v = 0; v < shape->nVertices; ++v) {
          bool from = v == 0;
          while (part < shape->nParts && shape->panPartStart != nullptr &&
                 shape->panPartStart[part] <= v) {
            from = from || shape->panPartStart[part] == v;
            ++part;
          }
          mie += from ? " { FROM " : " { TO ";
          AppendCoordinate(mie, shape->padfX[v], 180);
          mie += ' ';
          AppendCoordinate(mie, shape->padfY[v], 90);
          mie += " }";
        }
        mie += " }";
      }
      mie += "\r\n\r\n";
      ++summary.written;
    }
  }
  return 0;
}

}  // namespace tlv::convert
