// Runs the built tolvane-cli on a maps folder made here and checks every line it prints.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "e2e/e2e_support.h"
#include "support/byte_builder.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;
using test::ByteBuilder;

const fs::path kCli = test::BuiltProgram("tolvane-cli");
using test::CliRun;
using test::RunCli;

std::string NameDotMap(const std::string& name, const std::string& owner, char universal) {
  return ByteBuilder().Text(name, 42).I32(0).Text(owner, 6).U8(universal).Zeros(3).bytes();
}

std::string Layers2(const std::string& name, uint8_t displayMode, uint8_t lockState) {
  ByteBuilder b;
  b.Text(name, 32).I32(1).I16(displayMode).I32(1000).I32(2000000).I32(64000).I32(512000);
  b.U8(2).U8(lockState).U8(0).U8(0);
  for (int16_t g : {54, 15, 3, 1, 2, 3, 0, 1}) b.I16(g);
  b.I16(1).I32(0).U8(0).U8(0).I16(0).U8(4).U8(5).U8(6).U8(0);
  return b.bytes();
}

class CliCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kCli)) << "tolvane-cli was not built";
    const fs::path maps = temp.path() / "Maps";
    fs::create_directories(maps / "Settings");
    fs::create_directories(maps / "OverlayMaps" / "UserMap");
    fs::create_directories(maps / "OverlayMaps" / "Harbour");
    test::WriteWholeFile(maps / "OverlayMaps" / "UserMap" / "NAME.MAP",
                         NameDotMap("User's map", "00000", 0));
    const fs::path harbour = maps / "OverlayMaps" / "Harbour";
    test::WriteWholeFile(harbour / "NAME.MAP", NameDotMap("Harbour \xE9t\xE9", "ZEPH", 'Y'));
    test::WriteWholeFile(harbour / "HOSP.LYR",
                         ByteBuilder().Text("Hospitals", 32).Rect(10, 20, 30, 40).I32(7).bytes());
    test::WriteWholeFile(harbour / "HOSP.OBJ", "");
    test::WriteWholeFile(harbour / "HOSP.SUM", "");
    test::WriteWholeFile(maps / "Settings" / "LAYERS2.PLT",
                         Layers2("Temporary Overlay", 2, 0) + Layers2("Hospitals", 1, 2));
    test::WriteWholeFile(
        maps / "Settings" / "GROUPS.PLT",
        ByteBuilder().Text("Care", 32).Text("Hospitals", 32).Text("Hospitals", 32).I32(1).bytes());
    mapsArg = "--maps '" + maps.string() + "'";
    mapsPath = maps.string();
  }

  test::TempFolder temp;
  std::string mapsArg;
  std::string mapsPath;
};

TEST_F(CliCatalogueTest, MapsDescribesEveryMapAndItsOverlayFiles) {
  const CliRun run = RunCli(mapsArg + " maps");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "{\"name\":\"Harbour \xC3\xA9t\xC3\xA9\",\"id\":1000,\"owner\":\"ZEPH\",\"inUse\":true,"
            "\"locked\":false,\"universal\":\"Y\",\"folder\":\"" +
                mapsPath +
                "/OverlayMaps/Harbour/\",\"policies\":[0,0,0,0,0],\"indexed\":false,"
                "\"files\":[{\"baseName\":\"HOSP\",\"overlay\":"
                "\"Hospitals\",\"objectCount\":7,\"bounds\":[10,20,30,40]}]}\n"
                "{\"name\":\"User's map\",\"id\":-1001,\"owner\":\"00000\",\"inUse\":true,"
                "\"locked\":false,\"universal\":\"\",\"folder\":\"" +
                mapsPath +
                "/OverlayMaps/UserMap/\",\"policies\":[0,0,0,0,0],\"indexed\":false,"
                "\"files\":[]}\n");
}

TEST_F(CliCatalogueTest, OverlaysAndGroupsDescribeTheCatalogue) {
  CliRun run = RunCli(mapsArg + " overlays");
  EXPECT_EQ(run.status, 0);
  const std::string rest = "\"scales\":[1000,2000000,64000,512000],\"flags\":2,";
  EXPECT_EQ(run.out,
            "{\"name\":\"Temporary Overlay\",\"id\":1000,\"displayMode\":2," + rest +
                "\"lockState\":1,\"deleteAtQuit\":false,\"defaultGraphics\":[54,15,3,1,2,3,0,1],"
                "\"graphicsOverride\":1,\"thematic\":[4,5,6],\"group\":null}\n"
                "{\"name\":\"Hospitals\",\"id\":1001,\"displayMode\":1," +
                rest +
                "\"lockState\":3,\"deleteAtQuit\":false,\"defaultGraphics\":[54,15,3,1,2,3,0,1],"
                "\"graphicsOverride\":1,\"thematic\":[4,5,6],\"group\":\"Care\"}\n");
  run = RunCli(mapsArg + " groups");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "{\"name\":\"Care\",\"first\":\"Hospitals\",\"last\":\"Hospitals\","
            "\"collapsed\":true}\n");
}

TEST_F(CliCatalogueTest, BadFoldersEndWithAnErrorStatus) {
  EXPECT_NE(RunCli("--maps '" + (temp.path() / "Missing").string() + "' maps").status, 0);
  EXPECT_NE(RunCli("--maps '" + mapsPath + "/Settings' maps").status, 0);
  const CliRun usage = RunCli(mapsArg + " nonsense");
  EXPECT_NE(usage.status, 0);
  EXPECT_TRUE(usage.out.empty());
}

}  // namespace
}  // namespace tlv
