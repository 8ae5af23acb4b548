// tolvane-cli search on the demo county, as a user would run it: a fresh copy of the default
// maps folder with the county imported, then name and distance searches, collection modes and
// collection files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/e2e_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;
constexpr const char* kHospitalLatLon = "38.635552,-78.297702";

class CliSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(BuiltProgram("tolvane-cli"))) << "tolvane-cli was not built";
    maps = folder.path() / "TolvaneMaps";
    fs::copy(kSourceDir / "data" / "TolvaneMaps", maps, fs::copy_options::recursive);
    const CliRun imported =
        Run("import '" + (kSourceDir / "data" / "demo" / "Cassel_County.mie").string() + "'");
    ASSERT_EQ(imported.status, 0) << imported.out;
  }

  CliRun Run(const std::string& arguments) {
    return RunCli("--maps '" + maps.string() + "' " + arguments);
  }
  std::string Path(const std::string& name) { return (folder.path() / name).string(); }
  static bool Holds(const CliRun& run, const std::string& text) {
    return run.out.find(text) != std::string::npos;
  }

  TempFolder folder;
  fs::path maps;
};

TEST_F(CliSearchTest, NamesAreFoundByStartAndByContentsInCollectionOrder) {
  CliRun run = Run("search --starts ma");
  ASSERT_EQ(run.status, 0);
  ASSERT_GE(run.lines.size(), 3u);
  EXPECT_EQ(run.lines[0],
            "{\"map\":\"Cassel County\",\"overlay\":\"ROADS\",\"position\":25917,\"id\":"
            "\"3E8A1C0000000080\",\"prefix\":\"\",\"name\":\"Main Street\",\"key\":\"Main\","
            "\"flags\":1}");
  for (size_t i = 0; i + 1 < run.lines.size(); ++i) {
    EXPECT_NE(run.lines[i].find("\"name\":\"Ma"), std::string::npos) << run.lines[i];
  }
  EXPECT_EQ(run.lines.back(), "{\"count\":" + std::to_string(run.lines.size() - 1) +
                                  ",\"aliases\":0,\"stopped\":false}");
  run = Run("search --contains \"MEDICAL\" --overlays HOSPITALS");
  ASSERT_EQ(run.status, 0);
  ASSERT_EQ(run.lines.size(), 2u) << run.out;
  EXPECT_TRUE(Holds(run, "Cassel Regional Medical Center"));
  run = Run("search --any --overlays HOSPITALS,SCHOOLS");
  ASSERT_EQ(run.status, 0);
  EXPECT_TRUE(Holds(run, "\"overlay\":\"SCHOOLS\""));
  EXPECT_FALSE(Holds(run, "\"overlay\":\"ROADS\""));
}

TEST_F(CliSearchTest, DistanceSearchesMeasureFromPointsObjectsAndCollections) {
  CliRun near = Run(std::string("search --within 0.1 mi --of click:") + kHospitalLatLon +
                    " --overlays HOSPITALS");
  ASSERT_EQ(near.status, 0);
  ASSERT_EQ(near.lines.size(), 2u) << near.out;
  EXPECT_TRUE(Holds(near, "Cassel Regional Medical Center"));
  // The same in kilometres, and everything else of the overlay is farther.
  CliRun far = Run(std::string("search --not-within 0.16 km --of marked:") + kHospitalLatLon +
                   " --overlays HOSPITALS");
  ASSERT_EQ(far.status, 0);
  EXPECT_FALSE(Holds(far, "Cassel Regional Medical Center"));
  EXPECT_GE(far.lines.size(), 2u);

  // The county boundary is drawn without a fill: the hospital touches it only as an area.
  CliRun touching =
      Run("search --touching --of \"selected:Cassel County/HOSPITALS/0\" --overlays \"COUNTY "
          "BOUNDARY\"");
  ASSERT_EQ(touching.status, 0);
  EXPECT_EQ(touching.lines.size(), 1u) << touching.out;
  touching =
      Run("search --touching --of \"selected:Cassel County/HOSPITALS/0\" --overlays \"COUNTY "
          "BOUNDARY\" --area --save '" +
          Path("county.msc") + "'");
  ASSERT_EQ(touching.status, 0);
  EXPECT_TRUE(Holds(touching, "\"name\":\"Cassel County\""));

  // From the saved collection, narrowed by name, then added to.
  CliRun sub = Run("search --starts cas --mode sub --collection '" + Path("county.msc") + "'");
  ASSERT_EQ(sub.status, 0);
  EXPECT_TRUE(Holds(sub, "\"count\":1,"));
  sub = Run("search --starts zzz --mode sub --collection '" + Path("county.msc") + "'");
  EXPECT_TRUE(Holds(sub, "\"count\":0,"));
  CliRun added = Run("search --within 2 mi --of collection:'" + Path("county.msc") +
                     "' --mode add --overlays \"COUNTY BOUNDARY\"");
  ASSERT_EQ(added.status, 0);
  EXPECT_TRUE(Holds(added, "\"count\":1,")) << "the county is not added twice";
  EXPECT_EQ(Run("verify").status, 0);
}

TEST_F(CliSearchTest, BadRequestsSayWhyAndEndWithStatusOne) {
  EXPECT_EQ(Run("search").status, 1);
  EXPECT_EQ(Run("search --any --starts a").status, 1);
  EXPECT_EQ(Run(std::string("search --within -1 mi --of click:") + kHospitalLatLon).status, 1);
  EXPECT_EQ(Run(std::string("search --within nan mi --of click:") + kHospitalLatLon).status, 1);
  EXPECT_EQ(Run(std::string("search --within 1 parsecs --of click:") + kHospitalLatLon).status, 1);
  EXPECT_EQ(Run("search --within 1 mi").status, 1);
  EXPECT_EQ(Run("search --any --overlays NOPE").status, 1);
  EXPECT_EQ(Run("search --any --maps Nowhere").status, 1);
  EXPECT_EQ(Run("search --touching --of \"selected:Cassel County/NOPE/0\"").status, 1);
}

}  // namespace
}  // namespace tlv::test
