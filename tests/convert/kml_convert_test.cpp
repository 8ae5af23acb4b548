#include "convert/kml_convert.h"

#include <gtest/gtest.h>

#include <QString>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tlv::convert {
namespace {

namespace fs = std::filesystem;

std::string Head(const std::string& name, const char* kind, const char* id) {
  return "\"\" \"\" \"\" \"\" 2 \"\" \"" + name + "\" 0 \"ZEPHA\" \"\" " + kind + " \"" + id +
         "\" 0 \"\" 0 ONLY 0\r\n";
}

// Three zones (the red one with a hole holding an island), confidence lines in two pieces, a
// release point, a text (not exported) and two outlines with too few distinct points.
const std::string kZones =
    Head("Red Threat Zone \xe9 & <b> ]]> x", "POLYGON", "0000000000000001") +
    "RED 1 BLACK BLACK { { FROM -70 41 } { TO -70 42 } { TO -69 42 } { TO -69 41 } { TO -70 41 }"
    " { FROM -69.8 41.2 } { TO -69.2 41.2 } { TO -69.2 41.8 } { TO -69.8 41.8 }"
    " { FROM -69.6 41.4 } { TO -69.6 41.6 } { TO -69.4 41.6 } { TO -69.4 41.4 }"
    " { FROM -68 41 } { TO -68 41 } { TO -67.5 41 } }\r\n" +
    Head("Orange Threat Zone a", "CIRCLE", "0000000000000002") +
    "GREEN 1 DOTS NONE -70.5 40.5 -68.5 42.5\r\n" +
    Head("Zone without a colour word", "RECT", "0000000000000003") +
    "YELLOW 2 DASHES DOWNSTRIPES -71 40 -67 43.1234567\r\n" +
    Head("Yellow Confidence Lines a", "POLYLINE", "0000000000000004") +
    "BLUE 2 RAILROAD NONE { { FROM -71 40 } { TO -71 40 } { TO -70.5 40.5 } { FROM -70 40 }"
    " { TO -69 40 } }\r\n" +
    Head("Release Point", "POINT", "0000000000000005") + "BLACK 3 212 -69.5 41.5\r\n" +
    Head("Label", "TEXT", "0000000000000006") +
    "DARKBLUE YES 21 2 \"North Harbour\" -70.5 41.6 -70.3 41.55\r\n" +
    Head("Flat", "POLYGON", "0000000000000007") +
    "RED 1 BLACK BLACK { { FROM -70 41 } { TO -69 41 } { TO -70 41 } { TO -69 41 } }\r\n" +
    Head("Dot", "POLYLINE", "0000000000000008") +
    "RED 1 BLACK BLACK { { FROM -70 41 } { TO -70 41 } }\r\n";

struct Position {
  double x = 0;
  double y = 0;
};
struct Ring {
  bool inner = false;
  std::vector<Position> positions;
};
struct Geometry {
  std::string type;  // Polygon, LineString or Point
  int polygon = 0;   // which polygon of a MultiGeometry a ring belongs to
  std::vector<Ring> rings;
};
struct Placemark {
  std::string name;
  std::string description;
  std::string style;
  std::vector<Geometry> parts;
};
struct ParsedKml {
  std::string error;
  std::string description;
  std::set<std::string> styles;
  std::vector<Placemark> placemarks;
};

// The order KML 2.2's schema gives the children of each element this writer uses (a copy of its
// sequences, cut to the elements that occur here); any other child is an error.
const std::map<std::string, std::vector<std::string>> kSchemaOrder = {
    {"kml", {"NetworkLinkControl", "Document"}},
    {"Document",
     {"name", "visibility", "open", "address", "phoneNumber", "Snippet", "description", "LookAt",
      "TimeStamp", "styleUrl", "Style", "Region", "ExtendedData", "Schema", "Placemark"}},
    {"Placemark",
     {"name", "visibility", "open", "address", "phoneNumber", "Snippet", "description", "LookAt",
      "TimeStamp", "styleUrl", "Style", "Region", "ExtendedData", "Point", "LineString", "Polygon",
      "MultiGeometry"}},
    {"Style", {"IconStyle", "LabelStyle", "LineStyle", "PolyStyle", "BalloonStyle", "ListStyle"}},
    {"LineStyle", {"color", "colorMode", "width"}},
    {"PolyStyle", {"color", "colorMode", "fill", "outline"}},
    {"MultiGeometry", {"Point|LineString|Polygon"}},
    {"Polygon", {"extrude", "tessellate", "altitudeMode", "outerBoundaryIs", "innerBoundaryIs"}},
    {"outerBoundaryIs", {"LinearRing"}},
    {"innerBoundaryIs", {"LinearRing"}},
    {"LinearRing", {"extrude", "tessellate", "altitudeMode", "coordinates"}},
    {"LineString", {"extrude", "tessellate", "altitudeMode", "coordinates"}},
    {"Point", {"extrude", "altitudeMode", "coordinates"}},
};

int OrderOf(const std::string& parent, const std::string& child) {
  const auto it = kSchemaOrder.find(parent);
  if (it == kSchemaOrder.end()) return -1;
  for (size_t i = 0; i < it->second.size(); ++i) {
    const std::string& allowed = it->second[i];
    if (allowed == child || ("|" + allowed + "|").find("|" + child + "|") != std::string::npos) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::vector<Position> ParseCoordinates(const std::string& text) {
  std::vector<Position> positions;
  std::istringstream tuples(text);
  for (std::string tuple; tuples >> tuple;) {
    double x = 0, y = 0, z = 0;
    if (std::sscanf(tuple.c_str(), "%lf,%lf,%lf", &x, &y, &z) == 3) positions.push_back({x, y});
  }
  return positions;
}

// Reads a document with Qt's reader, checking the namespace and the schema order as it goes.
ParsedKml Parse(const std::string& bytes) {
  ParsedKml kml;
  QXmlStreamReader xml(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  std::vector<std::pair<std::string, int>> open;  // element and the order of its last child
  Placemark* placemark = nullptr;
  int polygons = 0;
  while (!xml.atEnd() && kml.error.empty()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::EndElement) {
      open.pop_back();
      continue;
    }
    if (token != QXmlStreamReader::StartElement) continue;
    const std::string name = xml.name().toString().toStdString();
    if (xml.namespaceUri() != QString("http://www.opengis.net/kml/2.2")) {
      kml.error = name + " is outside the KML namespace";
    } else if (!open.empty()) {
      const int order = OrderOf(open.back().first, name);
      if (order < 0) kml.error = name + " may not stand in " + open.back().first;
      if (order < open.back().second) kml.error = name + " stands out of order";
      open.back().second = order;
    } else if (name != "kml") {
      kml.error = "the root is " + name;
    }
    open.push_back({name, 0});
    const std::string parent = open.size() > 1 ? open[open.size() - 2].first : "";
    if (name == "Placemark") {
      kml.placemarks.emplace_back();
      placemark = &kml.placemarks.back();
      polygons = 0;
    } else if (name == "Style") {
      kml.styles.insert(xml.attributes().value("id").toString().toStdString());
    } else if (placemark == nullptr && parent == "Document" && name == "description") {
      kml.description = xml.readElementText().toStdString();
      open.pop_back();
    } else if (placemark != nullptr && parent == "Placemark" &&
               (name == "name" || name == "description" || name == "styleUrl")) {
      std::string& field = name == "name"          ? placemark->name
                           : name == "description" ? placemark->description
                                                   : placemark->style;
      field = xml.readElementText().toStdString();
      open.pop_back();
    } else if (name == "Polygon" || name == "LineString" || name == "Point") {
      placemark->parts.push_back({name, polygons++, {}});
    } else if (name == "coordinates") {
      Ring ring;
      ring.inner = open.size() >= 3 && open[open.size() - 3].first == "innerBoundaryIs";
      ring.positions = ParseCoordinates(xml.readElementText().toStdString());
      placemark->parts.back().rings.push_back(ring);
      open.pop_back();
    }
  }
  if (xml.hasError()) kml.error = xml.errorString().toStdString();
  return kml;
}

double TwiceArea(const std::vector<Position>& ring) {
  double sum = 0;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    sum += ring[j].x * ring[i].y - ring[i].x * ring[j].y;
  }
  return sum;
}

KmlDocuments Convert(const std::string& mie, const std::string& description, KmlSummary& summary) {
  KmlDocuments documents;
  std::string error;
  EXPECT_EQ(MIEToKml(mie, description, documents, summary, error), 0) << error;
  return documents;
}

TEST(KmlConvertTest, ZonesBecomePlacemarksInSchemaOrder) {
  KmlSummary summary;
  const KmlDocuments documents = Convert(kZones, "<b>Wind:</b> 5 mph ]]> end\n", summary);
  EXPECT_EQ(summary.records, 8);
  EXPECT_EQ(summary.polygons, 4);
  EXPECT_EQ(summary.points, 1);
  EXPECT_EQ(summary.skipped, 3);  // the text, and the two outlines without three positions
  ASSERT_EQ(documents.polygons.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
  EXPECT_NE(documents.polygons.find("<kml xmlns=\"http://www.opengis.net/kml/2.2\">"),
            std::string::npos);

  const ParsedKml areas = Parse(documents.polygons);
  ASSERT_EQ(areas.error, "");
  // The summary survives its "]]>" whole, split over two CDATA sections.
  EXPECT_EQ(areas.description, "<b>Wind:</b> 5 mph ]]> end<br>\n");
  EXPECT_EQ(areas.styles, (std::set<std::string>{"red", "orange", "yellow", "other"}));
  ASSERT_EQ(areas.placemarks.size(), 4u);
  const Placemark& red = areas.placemarks[0];
  EXPECT_EQ(red.name, "Red Threat Zone \xc3\xa9 & <b> ]]> x");
  EXPECT_EQ(red.description, "Overlay: ZEPHA\nID: 0000000000000001");
  EXPECT_EQ(red.style, "#red");
  EXPECT_EQ(areas.placemarks[1].style, "#orange");
  // No colour word in the name: the object's colour decides.
  EXPECT_EQ(areas.placemarks[2].style, "#yellow");
  EXPECT_EQ(areas.placemarks[3].style, "#yellow");

  const ParsedKml points = Parse(documents.points);
  ASSERT_EQ(points.error, "");
  ASSERT_EQ(points.placemarks.size(), 1u);
  EXPECT_EQ(points.placemarks[0].name, "Release Point");
  EXPECT_EQ(points.placemarks[0].style, "#other");
  ASSERT_EQ(points.placemarks[0].parts.size(), 1u);
  EXPECT_EQ(points.placemarks[0].parts[0].type, "Point");
  EXPECT_NE(documents.points.find("<coordinates>-69.500000,41.500000,0</coordinates>"),
            std::string::npos);
}

TEST(KmlConvertTest, RingsAreClosedOrientedAndNestedAsDrawn) {
  KmlSummary summary;
  const ParsedKml areas = Parse(Convert(kZones, "", summary).polygons);
  ASSERT_EQ(areas.error, "");
  ASSERT_EQ(areas.placemarks.size(), 4u);
  // The zone with a hole and an island in the hole: two polygons, the hole in the first; the
  // piece with two distinct positions is left out.
  const Placemark& red = areas.placemarks[0];
  ASSERT_EQ(red.parts.size(), 2u);
  ASSERT_EQ(red.parts[0].rings.size(), 2u);
  ASSERT_EQ(red.parts[1].rings.size(), 1u);
  EXPECT_FALSE(red.parts[0].rings[0].inner);
  EXPECT_TRUE(red.parts[0].rings[1].inner);
  EXPECT_FALSE(red.parts[1].rings[0].inner);
  for (const Geometry& part : red.parts) {
    for (const Ring& ring : part.rings) {
      ASSERT_GE(ring.positions.size(), 4u);
      EXPECT_EQ(ring.positions.front().x, ring.positions.back().x);
      EXPECT_EQ(ring.positions.front().y, ring.positions.back().y);
      // Outer rings counter-clockwise, holes clockwise, whatever the file gave.
      EXPECT_EQ(TwiceArea(ring.positions) > 0, !ring.inner);
    }
  }
  EXPECT_NEAR(red.parts[1].rings[0].positions[0].x, -69.6, 1e-9);
  // A circle: 100 positions and the closing one; a rectangle: 5.
  ASSERT_EQ(areas.placemarks[1].parts.size(), 1u);
  EXPECT_EQ(areas.placemarks[1].parts[0].rings[0].positions.size(), 101u);
  EXPECT_EQ(areas.placemarks[2].parts[0].rings[0].positions.size(), 5u);
  // Six decimals, rounded.
  EXPECT_NEAR(areas.placemarks[2].parts[0].rings[0].positions[2].y, 43.123457, 1e-9);
  // Confidence lines: two line strings, the repeated position dropped.
  const Placemark& lines = areas.placemarks[3];
  ASSERT_EQ(lines.parts.size(), 2u);
  EXPECT_EQ(lines.parts[0].type, "LineString");
  EXPECT_EQ(lines.parts[0].rings[0].positions.size(), 2u);
}

TEST(KmlConvertTest, EmptyAndBrokenInput) {
  KmlSummary summary;
  const KmlDocuments documents = Convert("", "", summary);
  EXPECT_EQ(summary.records, 0);
  const ParsedKml empty = Parse(documents.points);
  EXPECT_EQ(empty.error, "");
  EXPECT_TRUE(empty.placemarks.empty());
  KmlDocuments broken;
  std::string error;
  EXPECT_NE(MIEToKml(Head("Cut", "POLYGON", "0000000000000001") + "RED 1 BLACK BLACK { { FROM", "",
                     broken, summary, error),
            0);
  EXPECT_FALSE(error.empty());
}

TEST(KmlConvertTest, TextThatXmlCannotCarryIsReplaced) {
  EXPECT_EQ(Windows1252ToXmlUtf8("a\x01\x80\x81\xe9\t"),
            "a\xef\xbf\xbd\xe2\x82\xac\xef\xbf\xbd\xc3\xa9\t");
  KmlSummary summary;
  const KmlDocuments documents =
      Convert(Head("Bell\x07", "POINT", "0000000000000001") + "BLACK 3 212 -69.5 41.5\r\n",
              std::string("run\x1b\x00summary", 12), summary);
  const ParsedKml points = Parse(documents.points);
  EXPECT_EQ(points.error, "");
  ASSERT_EQ(points.placemarks.size(), 1u);
  EXPECT_EQ(points.placemarks[0].name, "Bell\xef\xbf\xbd");
}

// ---- Other readers -----------------------------------------------------------------------------

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (pclose(pipe) != 0) out += "\n(failed)";
  return out;
}

bool Present(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// The numbers of every WKT geometry ogrinfo printed, in order.
std::vector<double> WktNumbers(const std::string& info) {
  std::vector<double> numbers;
  const std::regex geometry(R"(\n  ((MULTI)?(POLYGON|LINESTRING|POINT)[^\n]*))");
  for (auto it = std::sregex_iterator(info.begin(), info.end(), geometry);
       it != std::sregex_iterator(); ++it) {
    const std::string wkt = (*it)[1];
    const std::regex number(R"(-?\d+(\.\d+)?)");
    for (auto n = std::sregex_iterator(wkt.begin(), wkt.end(), number); n != std::sregex_iterator();
         ++n) {
      numbers.push_back(std::stod((*n)[0]));
    }
  }
  return numbers;
}

class KmlReadersTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    KmlSummary summary;
    documents = Convert(kZones, "<b>Wind:</b> 5 mph\n", summary);
    polygons = temp.path() / "zepha polygons.kml";
    points = temp.path() / "zepha_points.kml";
    test::WriteWholeFile(polygons, documents.polygons);
    test::WriteWholeFile(points, documents.points);
  }
  static std::string OgrInfo(const char* skippedDriver, const fs::path& file) {
    return RunCommand(std::string("ogrinfo --config OGR_SKIP ") + skippedDriver + " -ro -al '" +
                      file.string() + "'");
  }
  test::TempFolder temp;
  KmlDocuments documents;
  fs::path polygons;
  fs::path points;
};

TEST_F(KmlReadersTest, XmllintFindsTheFilesWellFormed) {
  ASSERT_TRUE(Present("xmllint")) << "xmllint is missing: scripts/setup installs libxml2-utils";
  EXPECT_EQ(RunCommand("xmllint --noout '" + polygons.string() + "' '" + points.string() + "'"),
            "");
}

TEST_F(KmlReadersTest, BothGdalReadersSeeThePlacemarks) {
  ASSERT_TRUE(Present("ogrinfo")) << "ogrinfo is missing: scripts/setup installs gdal-bin";
  // The same positions in our reading of the file.
  KmlSummary summary;
  const ParsedKml ours = Parse(documents.polygons);
  std::vector<double> expected;
  for (const Placemark& placemark : ours.placemarks) {
    for (const Geometry& part : placemark.parts) {
      for (const Ring& ring : part.rings) {
        for (const Position& p : ring.positions) {
          expected.push_back(p.x);
          expected.push_back(p.y);
          expected.push_back(0);
        }
      }
    }
  }
  for (const char* skipped : {"LIBKML", "KML"}) {
    SCOPED_TRACE(std::string("without ") + skipped);
    const std::string info = OgrInfo(skipped, polygons);
    ASSERT_EQ(info.find("(failed)"), std::string::npos) << info;
    EXPECT_NE(info.find("Feature Count: 4"), std::string::npos) << info;
    EXPECT_NE(info.find("Red Threat Zone \xc3\xa9 & <b> ]]> x"), std::string::npos) << info;
    EXPECT_NE(info.find("MULTIPOLYGON"), std::string::npos) << info;
    EXPECT_NE(info.find("MULTILINESTRING"), std::string::npos) << info;
    const std::vector<double> read = WktNumbers(info);
    ASSERT_EQ(read.size(), expected.size()) << info;
    for (size_t i = 0; i < read.size(); ++i) EXPECT_NEAR(read[i], expected[i], 1e-6) << i;
    const std::string pointInfo = OgrInfo(skipped, points);
    EXPECT_NE(pointInfo.find("Feature Count: 1"), std::string::npos) << pointInfo;
    EXPECT_NE(pointInfo.find("POINT Z (-69.5 41.5 0)"), std::string::npos) << pointInfo;
  }
}

}  // namespace
}  // namespace tlv::convert
