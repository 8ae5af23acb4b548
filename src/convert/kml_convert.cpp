#include "convert/kml_convert.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

#include "convert/rings.h"
#include "interchange/export.h"
#include "interchange/mie_record.h"
#include "store/mie_reader.h"
#include "store/object_record.h"

namespace tlv::convert {

namespace {

constexpr const char* kKmlNamespace = "http://www.opengis.net/kml/2.2";

struct Position {
  double x = 0;
  double y = 0;
  bool operator==(const Position&) const = default;
};
using Ring = std::vector<Position>;  // open: the closing position is added when written

// The four styles: the zones' colours and one for everything else. Colours are aabbggrr.
struct KmlStyle {
  const char* id;
  const char* line;
  const char* fill;
};
constexpr KmlStyle kStyles[] = {
    {"red", "ff0000ff", "660000ff"},
    {"orange", "ff0099ff", "660099ff"},
    {"yellow", "ff00ffff", "6600ffff"},
    {"other", "ff808080", "66808080"},
};

// Unicode of the Windows-1252 codes 0x80 to 0x9F; 0 for the five the code page leaves out.
constexpr char16_t kHighCodes[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString FromWindows1252(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    const auto code = static_cast<unsigned char>(c);
    char16_t unicode = code;
    if (code >= 0x80 && code < 0xA0) unicode = kHighCodes[code - 0x80];
    // XML 1.0 holds no control characters but tab, line feed and carriage return.
    if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || unicode == 0) {
      unicode = 0xFFFD;
    }
    text.append(QChar(unicode));
  }
  return text;
}

int CountDistinct(Ring ring) {
  std::sort(ring.begin(), ring.end(), [](const Position& a, const Position& b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  });
  return static_cast<int>(std::unique(ring.begin(), ring.end()) - ring.begin());
}

// The positions of a piece without repeats in a row and without a closing repeat.
Ring CleanRing(Ring ring) {
  ring.erase(std::unique(ring.begin(), ring.end()), ring.end());
  while (ring.size() > 1 && ring.back() == ring.front()) ring.pop_back();
  return ring;
}

double TwiceArea(const Ring& ring) {
  double sum = 0;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    sum += (ring[j].x * ring[i].y) - (ring[i].x * ring[j].y);
  }
  return sum;
}

// Even-odd: whether the position lies inside the ring.
bool Inside(const Ring& ring, const Position& p) {
  bool inside = false;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const Position& a = ring[i];
    const Position& b = ring[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

// Turns the ring the other way round from the same first position.
void Reverse(Ring& ring) {
  std::reverse(ring.begin() + 1, ring.end());
}

// One polygon of the KML: an outer ring and the holes in it.
struct KmlPolygon {
  Ring outer;
  std::vector<Ring> holes;
};

// The rings as drawn with alternate fill: a ring inside an odd number of others is a hole of the
// ring that holds it directly, any other ring bounds an area of its own.
std::vector<KmlPolygon> NestRings(std::vector<Ring> rings) {
  const size_t n = rings.size();
  std::vector<std::vector<bool>> holds(n, std::vector<bool>(n, false));
  std::vector<int> depth(n, 0);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      if (i != j && Inside(rings[j], rings[i].front())) {
        holds[j][i] = true;
        ++depth[i];
      }
    }
  }
  std::vector<KmlPolygon> polygons;
  std::vector<int> polygonOf(n, -1);
  for (size_t i = 0; i < n; ++i) {
    if (depth[i] % 2 != 0) continue;
    if (TwiceArea(rings[i]) < 0) Reverse(rings[i]);
    polygonOf[i] = static_cast<int>(polygons.size());
    polygons.push_back({rings[i], {}});
  }
  for (size_t i = 0; i < n; ++i) {
    if (depth[i] % 2 == 0) continue;
    size_t parent = n;
    for (size_t j = 0; j < n; ++j) {
      if (holds[j][i] && depth[j] == depth[i] - 1) parent = j;
    }
    if (TwiceArea(rings[i]) > 0) Reverse(rings[i]);
    if (parent < n && polygonOf[parent] >= 0) {
      polygons[static_cast<size_t>(polygonOf[parent])].holes.push_back(std::move(rings[i]));
    }
  }
  return polygons;
}

void AppendNumber(std::string& out, double value) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (ec == std::errc()) out.append(buffer, end);
}

QString Coordinates(const Ring& ring, bool close) {
  std::string text;
  text.reserve(ring.size() * 26);
  auto add = [&text](const Position& p) {
    if (!text.empty()) text += ' ';
    AppendNumber(text, p.x);
    text += ',';
    AppendNumber(text, p.y);
    text += ",0";
  };
  for (const Position& p : ring) add(p);
  if (close && !ring.empty()) add(ring.front());
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void WriteRing(QXmlStreamWriter& xml, const char* boundary, const Ring& ring) {
  xml.writeStartElement(boundary);
  xml.writeStartElement("LinearRing");
  xml.writeTextElement("coordinates", Coordinates(ring, true));
  xml.writeEndElement();
  xml.writeEndElement();
}

void WritePolygon(QXmlStreamWriter& xml, const KmlPolygon& polygon) {
  xml.writeStartElement("Polygon");
  xml.writeTextElement("tessellate", "1");
  WriteRing(xml, "outerBoundaryIs", polygon.outer);
  for (const Ring& hole : polygon.holes) WriteRing(xml, "innerBoundaryIs", hole);
  xml.writeEndElement();
}

void WriteLineString(QXmlStreamWriter& xml, const Ring& line) {
  xml.writeStartElement("LineString");
  xml.writeTextElement("tessellate", "1");
  xml.writeTextElement("coordinates", Coordinates(line, false));
  xml.writeEndElement();
}

const char* StyleOf(const ImportRecord& record) {
  const std::string& name = record.name;
  if (name.rfind("Red", 0) == 0) return "#red";
  if (name.rfind("Orange", 0) == 0) return "#orange";
  if (name.rfind("Yellow", 0) == 0) return "#yellow";
  const std::string colour =
      ExportColourWord(record.graphics.colour, record.customColour, record.customRGB);
  if (colour == "RED") return "#red";
  if (colour == "ORANGE") return "#orange";
  if (colour == "YELLOW") return "#yellow";
  return "#other";
}

class KmlDocument {
 public:
  KmlDocument(const char* name, std::string_view description) : xml_(&bytes_) {
    xml_.setAutoFormatting(true);
    xml_.setAutoFormattingIndent(1);
    xml_.writeStartDocument();
    xml_.writeStartElement("kml");
    xml_.writeDefaultNamespace(kKmlNamespace);
    xml_.writeStartElement("Document");
    xml_.writeTextElement("name", name);
    xml_.writeTextElement("open", "1");
    if (!description.empty()) {
      // The summary's lines are HTML without line breaks of their own; readers show the
      // description as HTML, where a line end alone breaks nothing.
      QString html = FromWindows1252(description);
      html.replace(QLatin1String("\n"), QLatin1String("<br>\n"));
      xml_.writeStartElement("description");
      xml_.writeCDATA(html);
      xml_.writeEndElement();
    }
    for (const KmlStyle& style : kStyles) {
      xml_.writeStartElement("Style");
      xml_.writeAttribute("id", style.id);
      xml_.writeStartElement("LineStyle");
      xml_.writeTextElement("color", style.line);
      xml_.writeTextElement("width", "2");
      xml_.writeEndElement();
      xml_.writeStartElement("PolyStyle");
      xml_.writeTextElement("color", style.fill);
      xml_.writeTextElement("fill", "1");
      xml_.writeTextElement("outline", "1");
      xml_.writeEndElement();
      xml_.writeEndElement();
    }
  }

  // Starts a placemark: its name, description and style; the geometry follows.
  QXmlStreamWriter& Begin(const ImportRecord& record) {
    const std::string name =
        record.prefix.empty() ? record.name : record.prefix + " " + record.name;
    xml_.writeStartElement("Placemark");
    xml_.writeTextElement("name", FromWindows1252(name));
    xml_.writeTextElement("description", "Overlay: " + FromWindows1252(record.layerName) +
                                             "\nID: " + FromWindows1252(record.idText));
    xml_.writeTextElement("styleUrl", StyleOf(record));
    ++count_;
    return xml_;
  }
  void End() { xml_.writeEndElement(); }

  int32_t Count() const { return count_; }
  std::string Finish() {
    xml_.writeEndDocument();
    return std::string(bytes_.constData(), static_cast<size_t>(bytes_.size()));
  }

 private:
  QByteArray bytes_;
  QXmlStreamWriter xml_;
  int32_t count_ = 0;
};

std::vector<Ring> Pieces(const ImportRecord& record) {
  std::vector<Ring> pieces;
  if (record.kind == kRectangleObject || record.kind == kCircleObject) {
    Rings rings;
    if (record.kind == kRectangleObject) {
      RectangleRing(record.rect, rings);
    } else {
      EllipseRing(record.rect, rings);
    }
    Ring ring;
    for (size_t i = 0; i < rings.x.size(); ++i) ring.push_back({rings.x[i], rings.y[i]});
    pieces.push_back(std::move(ring));
    return pieces;
  }
  for (size_t i = 0; i < record.points.size(); ++i) {
    const ImportPoint& point = record.points[i];
    if (i == 0 || point.newPiece) pieces.emplace_back();
    pieces.back().push_back({Longitude(point.x), Latitude(point.y)});
  }
  return pieces;
}

// Writes an area's placemark; false when no ring of it has three distinct positions.
bool WriteArea(KmlDocument& document, const ImportRecord& record) {
  std::vector<Ring> rings;
  for (Ring& piece : Pieces(record)) {
    Ring ring = CleanRing(std::move(piece));
    if (ring.size() >= 3 && CountDistinct(ring) >= 3) rings.push_back(std::move(ring));
  }
  const std::vector<KmlPolygon> polygons = NestRings(std::move(rings));
  if (polygons.empty()) return false;
  QXmlStreamWriter& xml = document.Begin(record);
  if (polygons.size() > 1) xml.writeStartElement("MultiGeometry");
  for (const KmlPolygon& polygon : polygons) WritePolygon(xml, polygon);
  if (polygons.size() > 1) xml.writeEndElement();
  document.End();
  return true;
}

bool WriteLine(KmlDocument& document, const ImportRecord& record) {
  std::vector<Ring> lines;
  for (Ring& piece : Pieces(record)) {
    piece.erase(std::unique(piece.begin(), piece.end()), piece.end());
    if (piece.size() >= 2) lines.push_back(std::move(piece));
  }
  if (lines.empty()) return false;
  QXmlStreamWriter& xml = document.Begin(record);
  if (lines.size() > 1) xml.writeStartElement("MultiGeometry");
  for (const Ring& line : lines) WriteLineString(xml, line);
  if (lines.size() > 1) xml.writeEndElement();
  document.End();
  return true;
}

void WritePoint(KmlDocument& document, const ImportRecord& record) {
  QXmlStreamWriter& xml = document.Begin(record);
  xml.writeStartElement("Point");
  xml.writeTextElement("coordinates",
                       Coordinates({{Longitude(record.rect.x1), Latitude(record.rect.y1)}}, false));
  xml.writeEndElement();
  document.End();
}

}  // namespace

std::string Windows1252ToXmlUtf8(std::string_view bytes) {
  return FromWindows1252(bytes).toStdString();
}

int32_t MIEToKml(const std::string& mieBytes, std::string_view description, KmlDocuments& documents,
                 KmlSummary& summary, std::string& error) {
  summary = KmlSummary();
  MemoryByteSource source(mieBytes.data(), mieBytes.size());
  MIEReader reader(source, false);
  if (reader.Open() != 0) {
    error = "cannot read the interchange text";
    return 1;
  }
  KmlDocument areas("ZEPHA Threat Zones", description);
  KmlDocument points("ZEPHA Points", description);
  const std::vector<std::string> fieldNames = MIEFieldNames();
  ImportRecord record;
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
    bool written = false;
    if (record.kind == kPolygonObject || record.kind == kRectangleObject ||
        record.kind == kCircleObject) {
      written = WriteArea(areas, record);
    } else if (record.kind == kPolylineObject) {
      written = WriteLine(areas, record);
    } else if (record.kind == kPointObject) {
      WritePoint(points, record);
      written = true;
    }
    if (!written) ++summary.skipped;
  }
  summary.polygons = areas.Count();
  summary.points = points.Count();
  documents.polygons = areas.Finish();
  documents.points = points.Finish();
  return 0;
}

}  // namespace tlv::convert
