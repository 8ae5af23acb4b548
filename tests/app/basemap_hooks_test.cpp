#include "app/basemap_hooks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/wiring.h"
#include "base/strings.h"
#include "edit/selection.h"
#include "support/objects_fixture.h"
#include "tools/basemap_bridge.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// The selection tools of the basemap package, with a package of shell scripts that keep the
// interchange file they were given and leave a window page.
class BasemapHooksTest : public test::ObjectsTest {
 protected:
  void SetUp() override {
    test::ObjectsTest::SetUp();
    WireCore();
    program = root / "Program";
    test::MakeFolders(program / "basemaptools" / "php");
    test::MakeFolders(root / "BasemapFiles" / "Settings");
    test::WriteWholeFile(root / "BasemapFiles" / "Settings" / "global.map", "MAP END\n");
    Tool("php/php", "#!/bin/sh\n[ \"$1\" = -r ] && exit 0\nexec /bin/sh \"$@\"\n");
    Tool("population_in_mie.bat",
         "cp \"$TOLVANE_EXCHANGE/mapserver.mie\" \"$TOLVANE_EXCHANGE/given.mie\"\n"
         "echo '<title>TOLVANE - Population</title>' > \"$TOLVANE_EXCHANGE/population.hta\"\n");
    Tool("shp2mie.bat", "cp \"$1\" \"$TOLVANE_EXCHANGE/shapefile_import.mie\"\n");
    SetBasemapFolders(program.string(), root.string(), true);
    ASSERT_EQ(StartBasemapBridge(), 0);
    exchange = root / "BasemapFiles" / "Temp";
  }

  void Tool(const std::string& name, const std::string& text) {
    test::WriteWholeFile(program / "basemaptools" / name, text);
    ::chmod((program / "basemaptools" / name).c_str(), 0755);
  }

  fs::path program;
  fs::path exchange;
};

TEST_F(BasemapHooksTest, OnlyAreaObjectsGoToThePopulationTool) {
  const int32_t area = MakeObject(harbour, sites, kPolygonObject, "Zone A", nullptr,
                                  {101000000, 128000000, 101100000, 128100000}, nullptr);
  const int32_t point = MakeObject(harbour, sites, kPointObject, "Hydrant", nullptr,
                                   {101050000, 128050000, 101050000, 128050000});
  ASSERT_GE(area, 0);
  ASSERT_GE(point, 0);

  // A point among the selection: the package is not asked.
  RemoveAllSelectedObjects();  // new objects come selected
  ASSERT_EQ(AddSelectedObject(harbour, sites, area), 1);
  ASSERT_EQ(AddSelectedObject(harbour, sites, point), 1);
  ASSERT_EQ(SelectedObjectCount(), 2);
  BasemapToolOutcome outcome = RunBasemapTool(BasemapTool::kPopulationInSelection);
  EXPECT_NE(outcome.status, 0);
  EXPECT_TRUE(outcome.argv.empty());
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_EQ(platform().alerts.back().text, MessageText(684));

  RemoveAllSelectedObjects();
  ASSERT_EQ(AddSelectedObject(harbour, sites, area), 1);
  outcome = RunBasemapTool(BasemapTool::kPopulationInSelection);
  EXPECT_EQ(outcome.status, 0);
  const std::string given = test::ReadWholeFile(exchange / "given.mie");
  EXPECT_NE(given.find("Zone A"), std::string::npos) << given;
  EXPECT_EQ(given.find("Hydrant"), std::string::npos) << given;
  ASSERT_EQ(outcome.opened.size(), 1u);
  EXPECT_EQ(outcome.opened[0], (exchange / "population.hta").string());
}

TEST_F(BasemapHooksTest, AShapefileIsImportedThroughThePackagesConverter) {
  // The fake converter passes interchange text through, so the import shows what arrives.
  const fs::path source = root / "in put $x.shp";
  test::WriteWholeFile(source,
                       "\"\" \"\" \"\" \"11/15/2026\" 2 \"\" \"Buoy 7\" 0 \"Sites\" \"Harbour\" "
                       "POINT \"3E8A1C0000000099\" 0 \"\" 0 ONLY 0\nBLACK 1 54 -78.5 38.5\n");
  ASSERT_TRUE(Summaries(harbour, sites).empty());
  EXPECT_EQ(ImportShapefileThroughBasemap(source.string()), 0);
  EXPECT_TRUE(test::PathExists(exchange / "shapefile_import.mie"));
  EXPECT_EQ(Summaries(harbour, sites).size(), 1u) << "the converted file was not imported";
}

}  // namespace
}  // namespace tlv
