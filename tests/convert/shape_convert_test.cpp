#include "convert/shape_convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "interchange/mie_record.h"
#include "store/mie_reader.h"
#include "support/test_support.h"

namespace tlv::convert {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRecords =
    "\"\" \"\" \"\" \"\" 2 \"A\" \"Caf\xe9\" 0 \"Sites\" \"Harbour\" POINT \"00000000000000AA\" 0 "
    "\"\" 0 ONLY 0\r\nRED 1 54 -70.25 41.5\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Pier\" 0 \"Sites\" \"Harbour\" RECT \"\" 0 \"\" 0 ONLY 0\r\n"
    "BLACK 1 BLACK NONE -70 41 -69 42\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Zone\" 0 \"Sites\" \"Harbour\" CIRCLE \"\" 0 \"\" 0 ONLY 0\r\n"
    "BLACK 1 BLACK NONE -70 41 -68 42\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Lake\" 0 \"Sites\" \"Harbour\" POLYGON \"\" 0 \"\" 0 ONLY 0\r\n"
    "BLUE 1 BLACK NONE { { FROM -70 41 } { TO -69 41 } { TO -69 42 } { FROM -69.3 41.1 } "
    "{ TO -69.1 41.1 } { TO -69.1 41.3 } }\r\n"
    "\"\" \"\" \"\" \"\" 2 \"\" \"Road\" 0 \"Roads\" \"\" POLYLINE \"\" 0 \"\" 0 ONLY 0\r\n"
    "BLACK 1 BLACK NONE { { FROM -70 41 } { TO -69 41 } { FROM -68 40 } { TO -67 40 } }\r\n";

class ShapeConvertTest : public test::CoreTest {
 protected:
  std::map<std::string, std::string> files;

  // Converts the records in memory and returns the shapes of the kind read back by shapelib.
  std::vector<SHPObject*> Convert(ShapeKind kind, ConvertSummary& summary) {
    files.clear();
    SAHooks hooks;
    SetUpMemoryHooks(hooks, &files);
    std::string error;
    EXPECT_EQ(MIEToShapefile(kRecords, kind, "out", hooks, summary, error), 0) << error;
    std::vector<SHPObject*> shapes;
    SHPHandle shp = SHPOpenLL("out.shp", "rb", &hooks);
    EXPECT_NE(shp, nullptr);
    if (shp == nullptr) return shapes;
    int count = 0;
    SHPGetInfo(shp, &count, nullptr, nullptr, nullptr);
    for (int i = 0; i < count; ++i) shapes.push_back(SHPReadObject(shp, i));
    SHPClose(shp);
    return shapes;
  }
  void Release(std::vector<SHPObject*>& shapes) {
    for (SHPObject* shape : shapes) SHPDestroyObject(shape);
    shapes.clear();
  }
};

TEST_F(ShapeConvertTest, PointsKeepTheirFieldsInWindows1252) {
  ConvertSummary summary;
  auto shapes = Convert(ShapeKind::kPoint, summary);
  EXPECT_EQ(summary.records, 5);
  EXPECT_EQ(summary.written, 1);
  EXPECT_EQ(summary.skipped, 4);
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0]->nSHPType, SHPT_POINT);
  EXPECT_DOUBLE_EQ(shapes[0]->padfX[0], -70.25);
  EXPECT_DOUBLE_EQ(shapes[0]->padfY[0], 41.5);
  Release(shapes);
  const std::string& dbf = files["out.dbf"];
  ASSERT_GT(dbf.size(), 32u);
  EXPECT_EQ(static_cast<unsigned char>(dbf[29]), 87);  // the Windows-1252 language driver
  EXPECT_NE(dbf.find("A Caf\xe9"), std::string::npos);
  EXPECT_NE(dbf.find("00000000000000AAPOINT"), std::string::npos);
  EXPECT_NE(dbf.find("RED"), std::string::npos);
  EXPECT_NE(files["out.prj"].find("WGS_1984"), std::string::npos);
}

TEST_F(ShapeConvertTest, AreasBecomeClosedRingsAndLinesAPartPerChain) {
  ConvertSummary summary;
  auto shapes = Convert(ShapeKind::kPolygon, summary);
  ASSERT_EQ(shapes.size(), 3u);
  // The rectangle: a closed five-point ring.
  EXPECT_EQ(shapes[0]->nVertices, 5);
  EXPECT_EQ(shapes[0]->padfX[0], shapes[0]->padfX[4]);
  // The circle: 100 points and the closing one, on the ellipse inside its rectangle.
  ASSERT_EQ(shapes[1]->nVertices, 101);
  for (int i = 0; i < 101; ++i) {
    const double u = (shapes[1]->padfX[i] + 69) / 1;
    const double v = (shapes[1]->padfY[i] - 41.5) / 0.5;
    EXPECT_NEAR(u * u + v * v, 1.0, 1e-9);
  }
  // The polygon: both rings closed, the outer one clockwise and the hole counter-clockwise.
  ASSERT_EQ(shapes[2]->nParts, 2);
  EXPECT_EQ(shapes[2]->nVertices, 8);
  const auto signedArea = [](const SHPObject* s, int from, int to) {
    double area = 0;
    for (int i = from; i + 1 < to; ++i) {
      area += s->padfX[i] * s->padfY[i + 1] - s->padfX[i + 1] * s->padfY[i];
    }
    return area;
  };
  EXPECT_LT(signedArea(shapes[2], 0, 4), 0);
  EXPECT_GT(signedArea(shapes[2], 4, 8), 0);
  Release(shapes);

  shapes = Convert(ShapeKind::kPolyline, summary);
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0]->nSHPType, SHPT_ARC);
  EXPECT_EQ(shapes[0]->nParts, 2);
  EXPECT_EQ(shapes[0]->nVertices, 4);
  Release(shapes);
}

TEST_F(ShapeConvertTest, TheWindowHooksWriteTheSameBytesAsShapelibsOwn) {
  test::TempFolder temp;
  for (const ShapeKind kind : {ShapeKind::kPoint, ShapeKind::kPolygon, ShapeKind::kPolyline}) {
    SAHooks window;
    SetUpWindowHooks(window);
    SAHooks plain;
    SASetupDefaultHooks(&plain);
    ConvertSummary summary;
    std::string error;
    ASSERT_EQ(MIEToShapefile(kRecords, kind, (temp / "window").string(), window, summary, error), 0)
        << error;
    ASSERT_EQ(MIEToShapefile(kRecords, kind, (temp / "plain").string(), plain, summary, error), 0)
        << error;
    for (const char* part : {".shp", ".shx", ".dbf", ".prj"}) {
      EXPECT_EQ(test::ReadWholeFile(temp / (std::string("window") + part)),
                test::ReadWholeFile(temp / (std::string("plain") + part)))
          << part;
    }
  }
}

TEST_F(ShapeConvertTest, ShapefilesReadBackAsInterchangeRecords) {
  ConvertSummary summary;
  auto shapes = Convert(ShapeKind::kPolygon, summary);
  Release(shapes);
  SAHooks hooks;
  SetUpMemoryHooks(hooks, &files);
  std::string mie;
  std::string error;
  ASSERT_EQ(ShapefileToMIE("out.shp", hooks, mie, summary, error), 0) << error;
  EXPECT_EQ(summary.written, 3);
  MemoryByteSource source(mie.data(), mie.size());
  MIEReader reader(source, false);
  ASSERT_EQ(reader.Open(), 0);
  std::vector<ImportRecord> records;
  for (;;) {
    MIEToken token;
    ASSERT_EQ(reader.Next(token), 0);
    if (token.kind == kTokenEndOfFile) break;
    reader.PushBack(token);
    ImportRecord record;
    ASSERT_EQ(ReadImportRecord(reader, MIEFieldNames(), false, record), 0) << reader.ErrorText();
    records.push_back(record);
  }
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].kind, 5);
  EXPECT_EQ(records[2].name, "Lake");
  EXPECT_EQ(records[2].layerName, "Sites");
  EXPECT_EQ(records[2].mapName, "Harbour");
  ASSERT_EQ(records[2].points.size(), 8u);
  EXPECT_TRUE(records[2].points[0].newPiece);
  EXPECT_TRUE(records[2].points[4].newPiece);
  EXPECT_EQ(records[2].points[0].x, WorldXFromLongitude(-70));
  EXPECT_EQ(records[1].points.size(), 101u);
}

TEST_F(ShapeConvertTest, ShapesWithZAndMAreReadFlatAndATableIsOptional) {
  files.clear();
  SAHooks hooks;
  SetUpMemoryHooks(hooks, &files);
  SHPHandle shp = SHPCreateLL("z", SHPT_POINTZ, &hooks);
  ASSERT_NE(shp, nullptr);
  const double x = 12.5, y = -33.25, z = 400;
  SHPObject* point = SHPCreateSimpleObject(SHPT_POINTZ, 1, &x, &y, &z);
  SHPWriteObject(shp, -1, point);
  SHPDestroyObject(point);
  SHPClose(shp);
  std::string mie;
  std::string error;
  ConvertSummary summary;
  ASSERT_EQ(ShapefileToMIE("z.shp", hooks, mie, summary, error), 0) << error;
  EXPECT_EQ(mie,
            "\"\" \"\" \"\" \"\" 2\r\n\"\" \"\" 0 \"z\" \"\" POINT \"\" 0 \"\" 0 ONLY 0\r\n"
            "BLACK 1 212 12.500000 -33.250000\r\n\r\n");
}

TEST_F(ShapeConvertTest, DamagedInputIsRefusedCleanly) {
  ConvertSummary summary;
  auto shapes = Convert(ShapeKind::kPolyline, summary);
  Release(shapes);
  SAHooks hooks;
  SetUpMemoryHooks(hooks, &files);
  std::string mie;
  std::string error;
  // A missing file, and a .shp cut short inside its first record.
  EXPECT_NE(ShapefileToMIE("absent.shp", hooks, mie, summary, error), 0);
  EXPECT_FALSE(error.empty());
  files["out.shp"].resize(110);
  mie.clear();
  ShapefileToMIE("out.shp", hooks, mie, summary, error);
  EXPECT_EQ(summary.written, 0);
  // Interchange text that is not a record stops the conversion with the reader's message.
  EXPECT_NE(
      MIEToShapefile("\"\" \"\" \"\" \"\" 3", ShapeKind::kPoint, "bad", hooks, summary, error), 0);
  EXPECT_NE(error.find("newer version"), std::string::npos) << error;
}

}  // namespace
}  // namespace tlv::convert
