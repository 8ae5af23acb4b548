// Makes objects on a map with the core, then runs the built tolvane-cli objects command on the
// same maps folder and checks what it prints.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "base/memory.h"
#include "catalogue/open_files.h"
#include "e2e/e2e_support.h"
#include "edit/life_cycle.h"
#include "store/object_record.h"
#include "support/catalogue_fixture.h"

namespace tlv::test {
namespace {

const fs::path kCli = BuiltProgram("tolvane-cli");

class CliObjectsTest : public CatalogueTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kCli)) << "tolvane-cli was not built";
    CatalogueTest::SetUp();
    ResetLifeCycleForTesting();
    MakeMap("Harbour", "Harbour");
    ASSERT_EQ(LoadAll(), 0);
    harbour = MapAt(MapNameToIndex("Harbour")).mapID;
    std::string name = "Roads";
    int32_t position = -1;
    ASSERT_EQ(AddLayer(name, false, false, false, position), 0);
    roads = LayerAt(position).layerID;
    platform().fixedClock = true;
    platform().fixedSeconds1970 = 1700000000;
    mapsArg = "--maps '" + root.string() + "'";
  }
  void TearDown() override {
    ResetLifeCycleForTesting();
    CatalogueTest::TearDown();
  }

  // Writes everything back and saves the overlay list so that the command sees Roads.
  void Finish() {
    ASSERT_EQ(FlushBufferedFiles(), 0);
    CloseBufferedFiles();
    ASSERT_EQ(SaveLayers(), 0);
  }

  int32_t harbour = 0;
  int32_t roads = 0;
  std::string mapsArg;
};

TEST_F(CliObjectsTest, PrintsEveryFieldOfPointsTextsAliasesAndLines) {
  const std::string prefix = "Pier";
  const std::string name = "North";
  const WRect at{190000000, 130000000, 190000000, 130000000};
  ObjectGraphics graphics;
  graphics.symbol = 300;
  graphics.colour = 14;
  const uint32_t colour = kCustomColourPresent | kCustomColourActive | 0x102030;
  ObjectContents point;
  point.prefix = prefix;
  point.name = name;
  point.graphics = graphics;
  point.customColour = colour;
  point.rect = at;
  const ObjectID pointID{0x12345678, 0x0000ABCD};
  int32_t pointAt = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kPointObject, pointID, point, pointAt), 0);

  const std::string label = "Ferry \"terminal\"";
  const std::string empty;
  ObjectContents text;
  text.prefix = empty;
  text.name = empty;
  text.textOrPicture = label;
  text.rect = at;
  int32_t textAt = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kTextObject, {1, 2}, text, textAt), 0);

  // Two pieces of two points each.
  Handle points = MyNewHandle(4 * static_cast<int32_t>(sizeof(WPoint)));
  ASSERT_NE(points, nullptr);
  HandleArray<WPoint> list(points);
  list.Set(0, {100000000, 50000000});
  list.Set(1, {100000010, 50000010});
  list.Set(2, {static_cast<int32_t>(100000020u | kNewPieceBit), 50000020});
  list.Set(3, {100000030, 50000030});
  const WRect lineRect{100000000, 50000000, 100000030, 50000030};
  ObjectContents line;
  line.prefix = empty;
  line.name = empty;
  line.rect = lineRect;
  line.points = points;
  int32_t lineAt = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kPolylineObject, {3, 4}, line, lineAt), 0);
  MyDisposeHandle(points);

  const WRect standsFor{pointID.high, pointID.low, 0, 0};
  ObjectContents alias;
  alias.prefix = empty;
  alias.name = name;
  int32_t aliasAt = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kAliasObject, {5, 6}, alias, aliasAt), 0);
  int32_t m = -1;
  int32_t f = -1;
  ASSERT_EQ(AllocateSpaceForFile(harbour, roads, kObjectFileKind, kSmallWindowSize, &m, &f), 0);
  ASSERT_EQ(FSSetObjectWorldRect(CurrentObjectFile(), aliasAt, standsFor), 0);
  Finish();

  const CliRun run = RunCli(mapsArg + " objects Harbour Roads");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 4u);
  const std::string& p = run.lines[0];
  EXPECT_NE(p.find("\"position\":" + std::to_string(pointAt)), std::string::npos) << p;
  EXPECT_NE(p.find("\"type\":\"POINT\""), std::string::npos) << p;
  EXPECT_NE(p.find("\"id\":\"123456780000ABCD\""), std::string::npos) << p;
  EXPECT_NE(p.find("\"prefix\":\"Pier\",\"name\":\"North\""), std::string::npos) << p;
  EXPECT_NE(p.find("\"worldRect\":[190000000,130000000,190000000,130000000]"), std::string::npos)
      << p;
  EXPECT_NE(p.find("\"west\":10.000000,\"south\":40.000000"), std::string::npos) << p;
  EXPECT_NE(p.find("\"graphics\":[300,14,0,1,0,0,0,0]"), std::string::npos) << p;
  EXPECT_NE(p.find("\"present\":true,\"active\":true,\"rgb\":1056816"), std::string::npos) << p;
  EXPECT_NE(p.find("\"aliasCount\":0,\"versionFlags\":3,\"modTime\":"), std::string::npos) << p;

  EXPECT_NE(run.lines[1].find("\"text\":\"Ferry 'terminal'\""), std::string::npos) << run.lines[1];
  const std::string& l = run.lines[2];
  EXPECT_NE(l.find("\"type\":\"POLYLINE\""), std::string::npos) << l;
  EXPECT_NE(l.find("{\"x\":100000000,\"y\":50000000,\"newPiece\":true,\"mask\":0"),
            std::string::npos)
      << l;
  EXPECT_NE(l.find("{\"x\":100000010,\"y\":50000010,\"newPiece\":false"), std::string::npos) << l;
  EXPECT_NE(l.find("{\"x\":100000020,\"y\":50000020,\"newPiece\":true"), std::string::npos) << l;
  EXPECT_NE(run.lines[3].find("\"aliasOf\":\"123456780000ABCD\""), std::string::npos)
      << run.lines[3];
  EXPECT_EQ(run.lines[3].find("\"graphics\""), std::string::npos) << run.lines[3];
}

TEST_F(CliObjectsTest, SegmentAttributesAndDeletedObjects) {
  int32_t lineAt = -1;
  ASSERT_EQ(CreateEmptyObject(harbour, roads, kPolygonObject, {7, 8}, 0, 0, 1,
                              kAttributedSegmentSize, lineAt),
            0);
  int32_t m = -1;
  int32_t f = -1;
  ASSERT_EQ(AllocateSpaceForFile(harbour, roads, kObjectFileKind, kSmallWindowSize, &m, &f), 0);
  int32_t first = 0;
  int32_t end = 0;
  ASSERT_EQ(FSGetObjectSegmentRange(CurrentObjectFile(), lineAt, first, end), 0);
  SegmentAttributes attributes;
  for (int32_t k = 0; k < kSegmentAttributeCount; ++k) attributes.values[k] = 100 + k;
  attributes.values[kSegmentAttributeCount] = 1;
  ASSERT_EQ(FSSetObjectSegA(CurrentObjectFile(), lineAt, first, 5000, 6000, true, attributes), 0);
  const WRect gone{1, 1, 1, 1};
  ObjectContents contents;
  contents.rect = gone;
  int32_t goneAt = -1;
  ASSERT_EQ(CreateObject(harbour, roads, kRectangleObject, {9, 10}, contents, goneAt), 0);
  ASSERT_EQ(DeleteObjectRecord(harbour, roads, goneAt, false, false, false), 0);
  Finish();

  CliRun run = RunCli(mapsArg + " objects Harbour Roads");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_NE(run.lines[0].find("\"mask\":65535,\"attributes\":[100,101,102,103,104,105,106,107,"
                              "108,109,110,111,112,113,114],\"flag\":true"),
            std::string::npos)
      << run.lines[0];
  run = RunCli(mapsArg + " objects Harbour Roads --deleted");
  ASSERT_EQ(run.lines.size(), 2u);
  EXPECT_NE(run.lines[1].find("\"position\":" + std::to_string(goneAt) + ",\"deleted\":true"),
            std::string::npos)
      << run.lines[1];
  EXPECT_NE(run.lines[1].find("\"type\":\"RECT\""), std::string::npos) << run.lines[1];
}

TEST_F(CliObjectsTest, UnknownNamesAndOverlaysWithoutFiles) {
  Finish();
  EXPECT_EQ(RunCli(mapsArg + " objects Nowhere Roads").status, 1);
  EXPECT_EQ(RunCli(mapsArg + " objects Harbour Nothing").status, 1);
  EXPECT_EQ(RunCli(mapsArg + " objects Harbour").status, 1);
  const CliRun empty = RunCli(mapsArg + " objects \"User's Map\" Roads");
  EXPECT_EQ(empty.status, 0);
  EXPECT_TRUE(empty.lines.empty());
}

}  // namespace
}  // namespace tlv::test
