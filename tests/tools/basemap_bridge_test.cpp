#include "tools/basemap_bridge.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "base/strings.h"
#include "render/draw_object.h"
#include "render/draw_port.h"
#include "render/map_view.h"
#include "support/picture_port.h"
#include "support/test_support.h"

namespace tlv {
namespace {

namespace fs = std::filesystem;

// The view the golden files are written for: 78.6 W to 78.0 W, 38.4 N to 38.9 N, 1024 x 768.
constexpr WRect kView{101400000, 128400000, 102000000, 128900000};

// A package whose "PHP" is a shell: the render script leaves a picture and counts its runs; the
// other tools are shell scripts of the test's own.
constexpr char kFakePhp[] = R"(#!/bin/sh
if [ "$1" = "-r" ]; then exit 0; fi
script="$1"
shift
case "$script" in
  *makemap.php)
    dir=$(dirname "$script")
    echo run >> "$dir/php_runs.txt"
    if [ -f "$dir/fail_with.txt" ]; then cp "$dir/fail_with.txt" "$dir/php_error.txt"; exit 0; fi
    printf 'picture' > "$dir/MapServer.png"
    if [ -f "$dir/offer.txt" ]; then cp "$dir/offer.txt" "$dir/downloadsavailable.txt"; fi
    exit 0;;
esac
exec /bin/sh "$script" "$@"
)";

class BasemapBridgeTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    // Paths with blanks, quotes, "$" and non-ASCII letters pass whole, never through a shell.
    program = temp.path() / "prog dir $HOME";
    maps = temp.path() / "maps 'q' \"d\" \xC3\xBC";
    test::MakeFolders(program / "basemaptools" / "php");
    test::MakeFolders(maps / "BasemapFiles" / "Settings");
    test::WriteWholeFile(maps / "BasemapFiles" / "Settings" / "global.map", "MAP END\n");
    WriteTool("php/php", kFakePhp);
    WriteTool("connected.php", "echo 1 > \"$TOLVANE_EXCHANGE/connected.txt\"\n");
    SetBasemapFolders(program.string(), maps.string(), true);
    ASSERT_EQ(StartBasemapBridge(), 0);
    exchange = maps / "BasemapFiles" / "Temp";
  }

  void WriteTool(const std::string& name, const std::string& text) {
    const fs::path path = program / "basemaptools" / name;
    test::WriteWholeFile(path, text);
    ::chmod(path.c_str(), 0755);
  }

  int PhpRuns() {
    const std::string runs = test::ReadWholeFile(exchange / "php_runs.txt");
    return static_cast<int>(std::count(runs.begin(), runs.end(), '\n'));
  }

  BasemapRenderRequest Request() {
    BasemapRenderRequest request;
    request.world = kView;
    request.width = 1024;
    request.height = 768;
    request.clickPoint = {101700000, 128700000};
    return request;
  }

  test::TempFolder temp;
  fs::path program;
  fs::path maps;
  fs::path exchange;
};

TEST_F(BasemapBridgeTest, StartMakesTheExchangeFolderAndWritesTheButtons) {
  EXPECT_TRUE(test::IsFolderPath(exchange));
  EXPECT_EQ(test::ReadWholeFile(exchange / "mapbuttons.txt"), "0000   ");
  EXPECT_TRUE(BasemapAvailable()) << BasemapMissing();
  EXPECT_TRUE(platform().alerts.empty());
}

TEST_F(BasemapBridgeTest, AMapsFolderWithoutGlobalMapEndsTheProgramBeforeWritingAnything) {
  ResetBasemapBridgeForTesting();
  const fs::path other = temp.path() / "other";
  test::MakeFolders(other / "BasemapFiles");
  SetBasemapFolders(program.string(), other.string(), true);
  EXPECT_EQ(StartBasemapBridge(), -1);
  ASSERT_EQ(platform().questions.size(), 1u);
  EXPECT_EQ(platform().questions[0].title, "Error");
  EXPECT_EQ(platform().questions[0].text, "Cannot find global.map");
  EXPECT_FALSE(test::PathExists(other / "BasemapFiles" / "Temp"));
}

TEST_F(BasemapBridgeTest, WithoutThePictureServiceTheButtonsAreTurnedOffWithANote) {
  test::WriteWholeFile(exchange / "mapbuttons.txt", "1000   ");
  ResetBasemapBridgeForTesting();
  SetBasemapFolders(program.string(), maps.string(), false);
  ASSERT_EQ(StartBasemapBridge(), 0);
  EXPECT_FALSE(CurrentBasemapButtons().basemap);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text.rfind(MessageText(667), 0), 0u);
  EXPECT_NE(platform().alerts[0].text.find("USEQUICKTIME"), std::string::npos);
  EXPECT_EQ(test::ReadWholeFile(exchange / "mapbuttons.txt"), "0000   ");
  // A render is refused the same way, without running anything.
  EXPECT_FALSE(RenderBasemap(Request()).ready);
  EXPECT_EQ(PhpRuns(), 0);
}

TEST_F(BasemapBridgeTest, ButtonsFileFromThePackageWindowsIsTakenOnlyWhenSound) {
  test::WriteWholeFile(exchange / "mapbuttons.txt", "1010   ");
  HandleBasemapCommandWord(9998);
  EXPECT_EQ(CurrentBasemapButtons(), (BasemapButtons{true, false, true, false}));
  for (const char* bad : {"x010   ", "10", "1210", ""}) {
    test::WriteWholeFile(exchange / "mapbuttons.txt", bad);
    HandleBasemapCommandWord(9998);
    EXPECT_EQ(CurrentBasemapButtons(), (BasemapButtons{true, false, true, false})) << bad;
  }
}

TEST_F(BasemapBridgeTest, GotoFileIsCheckedBeforeTheViewMoves) {
  WRect rect;
  WPoint point;
  // Under 48 bytes, not numbers, or outside the world: nothing happens.
  EXPECT_EQ(ParseGotoFile("-78.1\n38.7\n-78.0\n38.8\n", rect, point), 0);
  EXPECT_EQ(ParseGotoFile("-78.1000000000\nabc\n-78.0000000000\n38.8000000000\n", rect, point), 0);
  EXPECT_EQ(
      ParseGotoFile("-190.100000000\n38.70000000000\n-78.0000000000\n38.8000000000\n", rect, point),
      0);
  ASSERT_EQ(
      ParseGotoFile("-78.1000000000\n38.70000000000\n-78.0000000000\n38.8000000000\n", rect, point),
      1);
  EXPECT_EQ(rect.x1, 101900000);
  EXPECT_EQ(rect.y1, 128700000);
  EXPECT_EQ(rect.x2, 102000000);
  EXPECT_EQ(rect.y2, 128800000);
  ASSERT_EQ(ParseGotoFile("-78.1000000000\n38.70000000000\n-78.1000000000\n38.70000000000\n", rect,
                          point),
            2);
  EXPECT_EQ(point.x, 101900000);
  EXPECT_EQ(point.y, 128700000);

  // Through the command word: a short file leaves the Click Point and the file alone.
  const WPoint before = ClickPoint();
  test::WriteWholeFile(exchange / "goto.txt", "-78.1\n38.7\n-78.1\n38.7\n");
  HandleBasemapCommandWord(9999);
  EXPECT_EQ(ClickPoint().x, before.x);
  EXPECT_EQ(ClickPoint().y, before.y);
  test::WriteWholeFile(exchange / "goto.txt",
                       "-78.1000000000\n38.70000000000\n-78.1000000000\n38.70000000000\n");
  HandleBasemapCommandWord(9999);
  EXPECT_EQ(ClickPoint().x, 101900000);
  EXPECT_EQ(ClickPoint().y, 128700000);
}

TEST_F(BasemapBridgeTest, GeocodeAnswersOfZeroOrOutOfRangeKeepTheClickPoint) {
  WPoint point;
  EXPECT_FALSE(ParseGeocodeFile("0\n0\nnot found\n", point));
  EXPECT_FALSE(ParseGeocodeFile("95\n-78\n", point));
  EXPECT_FALSE(ParseGeocodeFile("38.7\n", point));
  EXPECT_FALSE(ParseGeocodeFile("38.7x\n-78.1\n", point));
  ASSERT_TRUE(ParseGeocodeFile("38.707800\r\n-78.156600\r\n", point));
  EXPECT_EQ(point.x, 101843400);
  EXPECT_EQ(point.y, 128707800);

  // The tool gets the typed text as one argument and says why it found nothing.
  WriteTool("address_geocode.bat",
            "printf '%s\\n' \"$1\" > \"$TOLVANE_EXCHANGE/asked.txt\"\n"
            "printf '0\\n0\\nNo such place\\n' > \"$TOLVANE_EXCHANGE/address_geocode.txt\"\n");
  SetClickPoint({101000000, 128000000});
  BasemapToolInput input;
  input.text = "Main St \"5\" $(x); `y`";
  const BasemapToolOutcome outcome = RunBasemapTool(BasemapTool::kFindAddress, input);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(test::ReadWholeFile(exchange / "asked.txt"), input.text + "\n");
  EXPECT_EQ(ClickPoint().x, 101000000);
  EXPECT_EQ(ClickPoint().y, 128000000);
  ASSERT_FALSE(platform().alerts.empty());
  EXPECT_EQ(platform().alerts.back().text, "No such place");
}

TEST_F(BasemapBridgeTest, QueryCircleIsAClosedRingOf101Points) {
  const std::string ring = QueryCircleRing({101900000, 128600000, 102100000, 128800000});
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = ring.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(ring.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 101u);
  EXPECT_EQ(lines.front(), lines.back());
  // The first point lies east of the centre by the half-width; a quarter round further the
  // point lies north by the half-width squeezed by the cosine of the north latitude.
  EXPECT_EQ(lines[0], "-77.900000 38.700000 ");
  EXPECT_EQ(lines[25], "-78.000000 38.777934 ");  // cos(38.8 deg) = 0.779338
}

TEST_F(BasemapBridgeTest, TheFiveFilesOfAViewAreExactlyAsThePackageReadsThem) {
  BasemapRenderRequest request = Request();
  request.buttons = {true, false, true, false};
  request.query = BasemapQueryArea{{101500000, 128500000, 101600000, 128600000}, false};
  const BasemapScripts files = BuildBasemapScripts(request, "/m $x/Temp/\"Map\"Server.png");
  // x = 6378137 * lon(rad) * cos(38.65 deg), y = 6378137 * lat(rad); cos(38.65 deg) =
  // 0.780975737..., 78.6 deg = 1.371828...rad: -6833312.761474 and so on.
  EXPECT_EQ(files.makemap,
            "<?php\n"
            "include(\"basemaptools/include1.php\");\n"
            "setLayerDrawOrder();\n"
            "$old_error_handler = set_error_handler(\"myErrorHandler\");\n"
            "$oMap->setsize(1024, 768);\n"
            "$oMap->setExtent(-6833312.761474,4274668.4464617045596242,-6781150.068639,"
            "4330328.1918583419173956);\n"
            "$topoOn = 1;\n"
            "$basemapOn = 1;\n"
            "include(\"basemaptools/include2.php\");\n"
            "$oRect = ms_newRectObj();\n"
            "$oRect->set(\"minx\",-78.500000);\n"
            "$oRect->set(\"miny\",38.500000);\n"
            "$oRect->set(\"maxx\",-78.400000);\n"
            "$oRect->set(\"maxy\",38.600000);\n"
            "$circle = FALSE;\n"
            "$oLayer = $oMap->getLayerByName(\"query_rect\");\n"
            "$oLayer->set(\"status\", MS_ON);\n"
            "$oMap->setProjection(\"proj=eqc,lat_ts=38.650000,lon_0=0,x_0=0,y_0=0,ellps=WGS84,"
            "datum=NAD83,units=m,no_defs\",MS_TRUE);\n"
            "$oImage = $oMap->draw();\n"
            "$oImage->saveImage(\"/m \\$x/Temp/\\\"Map\\\"Server.png\");\n"
            "?>\n");
  EXPECT_EQ(files.extents,
            "<?php\n$oMap->setsize(1024, 768);\n"
            "$oMap->setExtent(-78.600000,38.400000,-78.000000,38.900000);\n?>\n");
  EXPECT_EQ(files.clickpoint,
            "<?php\n$clickPoint = ms_newPointObj();\n$clickPoint->setXY(-78.300000,38.700000);\n"
            "?>\n");
  EXPECT_EQ(files.rect,
            "-78.500000 38.600000\r\n-78.400000 38.600000\r\n-78.400000 38.500000\r\n"
            "-78.500000 38.500000\r\n-78.500000 38.600000\r\n");
  EXPECT_TRUE(files.circle.empty());

  // A circle and a pending radius result switch on the circle layer instead.
  request.query->circle = true;
  request.radiusPending = true;
  const BasemapScripts circle = BuildBasemapScripts(request, "/p.png");
  EXPECT_TRUE(circle.rect.empty());
  EXPECT_EQ(circle.circle, QueryCircleRing(request.query->area));
  EXPECT_NE(circle.makemap.find("include(\"basemaptools/include2.php\");\n"
                                "$oLayer = $oMap->getLayerByName(\"query_circle\");\n"
                                "$oLayer->set(\"status\", MS_ON);\n"
                                "$oLayer = $oMap->getLayerByName(\"query_circle\");\n"
                                "$oLayer->set(\"status\", MS_ON);\n"
                                "$circle = TRUE;\n"
                                "$oRect = ms_newRectObj();\n$oMap->setProjection("),
            std::string::npos)
      << circle.makemap;
}

TEST_F(BasemapBridgeTest, NumbersAreWrittenWithAPointWhateverTheNumberLocale) {
  const BasemapScripts c = BuildBasemapScripts(Request(), "/p.png");
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "de_DE.utf8") == nullptr) {
    GTEST_SKIP() << "no German locale on this machine";
  }
  const BasemapScripts german = BuildBasemapScripts(Request(), "/p.png");
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(german, c);
  EXPECT_NE(german.makemap.find("lat_ts=38.650000,"), std::string::npos);
}

TEST_F(BasemapBridgeTest, ARenderRunsThePackagesPhpAndAnUnchangedViewReusesThePicture) {
  const BasemapRenderResult first = RenderBasemap(Request(), false);
  ASSERT_TRUE(first.ready) << first.phpError;
  EXPECT_FALSE(first.reused);
  ASSERT_EQ(first.argv.size(), 2u);
  EXPECT_EQ(first.argv[0], (program / "basemaptools" / "php" / "php").string());
  EXPECT_EQ(first.argv[1], (exchange / "makemap.php").string());
  EXPECT_EQ(test::ReadWholeFile(exchange / "makemap.php"),
            BuildBasemapScripts(Request(), first.pngPath).makemap);
  EXPECT_EQ(PhpRuns(), 1);

  const BasemapRenderResult again = RenderBasemap(Request(), false);
  EXPECT_TRUE(again.ready);
  EXPECT_TRUE(again.reused);
  EXPECT_EQ(PhpRuns(), 1);

  // Another view, or the "redraw" word from the package, renders anew.
  BasemapRenderRequest moved = Request();
  moved.width = 800;
  EXPECT_FALSE(RenderBasemap(moved, false).reused);
  EXPECT_EQ(PhpRuns(), 2);
  test::WriteWholeFile(exchange / "mapbuttons.txt", "0000   ");
  HandleBasemapCommandWord(9998);
  EXPECT_FALSE(RenderBasemap(moved, false).reused);
  EXPECT_EQ(PhpRuns(), 3);
}

TEST_F(BasemapBridgeTest, TheDownloadButtonFetchesWhatThePackageOffersForTheView) {
  WriteTool("download1a.php", "echo one >> \"$TOLVANE_EXCHANGE/fetched.txt\"\n");
  WriteTool("download2a.php", "echo two >> \"$TOLVANE_EXCHANGE/fetched.txt\"\n");
  // Nothing offered: the button has nothing to do and nothing runs.
  test::WriteWholeFile(exchange / "offer.txt", "00");
  ASSERT_TRUE(RenderBasemap(Request(), true).ready);
  EXPECT_FALSE(BasemapDownloads()[0] || BasemapDownloads()[1]);
  EXPECT_EQ(RunBasemapTool(BasemapTool::kDownloadFeatures).result, "00");
  EXPECT_FALSE(fs::exists(exchange / "fetched.txt"));

  // Data set 2 alone for another view; then both, where data set 1 goes first.
  test::WriteWholeFile(exchange / "offer.txt", "01");
  BasemapRenderRequest moved = Request();
  moved.width = 800;
  ASSERT_TRUE(RenderBasemap(moved, true).ready);
  EXPECT_EQ(BasemapDownloads(), (std::array<bool, 2>{false, true}));
  BasemapToolOutcome fetched = RunBasemapTool(BasemapTool::kDownloadFeatures);
  EXPECT_EQ(fetched.status, 0);
  EXPECT_EQ(test::ReadWholeFile(exchange / "fetched.txt"), "two\n");
  test::WriteWholeFile(exchange / "offer.txt", "11");
  moved.width = 700;
  ASSERT_TRUE(RenderBasemap(moved, true).ready);
  EXPECT_EQ(BasemapDownloads(), (std::array<bool, 2>{true, true}));
  RunBasemapTool(BasemapTool::kDownloadFeatures);
  EXPECT_EQ(test::ReadWholeFile(exchange / "fetched.txt"), "two\none\n");

  // Without a connection nothing is fetched (and the proxy question is asked).
  WriteTool("connected.php", "echo 0 > \"$TOLVANE_EXCHANGE/connected.txt\"\n");
  platform().answers = {0};
  EXPECT_NE(RunBasemapTool(BasemapTool::kDownloadFeatures).status, 0);
  EXPECT_EQ(test::ReadWholeFile(exchange / "fetched.txt"), "two\none\n");
  ASSERT_EQ(platform().questions.size(), 1u);
  EXPECT_EQ(platform().questions[0].text.rfind(MessageText(668), 0), 0u);
}

TEST_F(BasemapBridgeTest, AnMsQueryErrorIsShownAndClearsTheQueryArea) {
  SetBasemapQuery({{101500000, 128500000, 101600000, 128600000}, true});
  ASSERT_TRUE(BasemapQuery().has_value());
  int redraws = 0;
  BasemapHooks hooks;
  hooks.redraw = [&] { ++redraws; };
  SetBasemapHooks(hooks);
  test::WriteWholeFile(exchange / "fail_with.txt",
                       "[MapServer Error]: msQueryByRect(): no features\nsecond line\n");
  const BasemapRenderResult result = RenderBasemap(Request());
  EXPECT_FALSE(result.ready);
  EXPECT_EQ(result.phpError, "[MapServer Error]: msQueryByRect(): no features");
  ASSERT_EQ(platform().questions.size(), 1u);
  EXPECT_EQ(platform().questions[0].title, "Error calling MapServer");
  EXPECT_FALSE(BasemapQuery().has_value());
  EXPECT_EQ(redraws, 1);
  EXPECT_FALSE(test::PathExists(exchange / "MapServer.png"));

  // Another error keeps the query.
  SetBasemapQuery({{101500000, 128500000, 101600000, 128600000}, true});
  test::WriteWholeFile(exchange / "fail_with.txt", "[MapServer Error]: msDrawMap(): bad\n");
  EXPECT_FALSE(RenderBasemap(Request()).ready);
  EXPECT_TRUE(BasemapQuery().has_value());
}

TEST_F(BasemapBridgeTest, ThePictureIsDrawnUnderThePassOnceDecodedAndDroppedWhenItCannotBe) {
  int decodes = 0;
  bool decodable = true;
  SetPictureReader([&](const std::string& path, PictureImage& image) {
    ++decodes;
    if (!decodable || test::ReadWholeFile(path) != "picture") return false;
    image.width = 4;
    image.height = 3;
    image.pixels.assign(12, 0xFF112233u);
    return true;
  });
  // The basemap is drawn under a printed page too.
  test::PicturePort port(DeviceKind::kPrinter);
  const ViewMapping mapping{kView, {0, 0, 1024, 768}};
  ASSERT_EQ(DrawBasemap(port, mapping), 0);
  ASSERT_EQ(DrawBasemap(port, mapping), 0);
  ASSERT_EQ(port.pictures.size(), 2u);
  EXPECT_EQ(decodes, 1) << "a redraw of the same view decodes the picture again";
  EXPECT_EQ(PhpRuns(), 1);

  decodable = false;
  const ViewMapping other{kView, {0, 0, 640, 480}};
  EXPECT_EQ(DrawBasemap(port, other), -43);
  EXPECT_EQ(port.pictures.size(), 2u);
  EXPECT_FALSE(test::PathExists(exchange / "MapServer.png"));
  SetPictureReader({});
}

TEST_F(BasemapBridgeTest, ToolCommandLinesBecomeArgumentListsWithoutAShell) {
  EXPECT_EQ(BasemapToolArgv("basemaptools\\php\\php.exe", {"basemaptools/x.php", "38.7"}),
            (std::vector<std::string>{"basemaptools/php/php", "basemaptools/x.php", "38.7"}));
  EXPECT_EQ(BasemapToolArgv("basemaptools\\shp2mie.bat", {"/a b/\"c\" $d.shp"}),
            (std::vector<std::string>{"/bin/sh", "basemaptools/shp2mie.bat", "/a b/\"c\" $d.shp"}));
}

TEST_F(BasemapBridgeTest, AMissingToolIsReportedAsNotStarted) {
  EXPECT_EQ(RunTool(BasemapToolArgv("basemaptools\\nothing.bat", {})), kToolStartFailed);
  ASSERT_EQ(platform().alerts.size(), 1u);
  EXPECT_EQ(platform().alerts[0].text, "CreateProcess failed");
  EXPECT_EQ(RunTool({"basemaptools/missing-program"}), kToolStartFailed);
  EXPECT_EQ(platform().alerts.size(), 2u);
}

TEST_F(BasemapBridgeTest, EscapeEndsAToolThatIgnoresTheRequestToEndAfterTheGrace) {
  WriteTool("stubborn.bat",
            "trap '' TERM\nsleep 60 &\necho $! > \"$TOLVANE_EXCHANGE/child.pid\"\n"
            "while :; do sleep 1; done\n");
  platform().escapeAtCheck = 5;
  ToolRunOptions options;
  options.graceMilliseconds = 4000;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunTool(BasemapToolArgv("basemaptools\\stubborn.bat", {}), options), kToolCancelled);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(4400));
  EXPECT_LT(waited, std::chrono::seconds(20));
  const std::string child = test::ReadWholeFile(exchange / "child.pid");
  ASSERT_FALSE(child.empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const fs::path status = "/proc/" + child.substr(0, child.find('\n')) + "/status";
  EXPECT_FALSE(fs::exists(status) &&
               test::ReadWholeFile(status).find("State:\tZ") == std::string::npos)
      << "the tool's own child outlived the cancel";
}

TEST_F(BasemapBridgeTest, NoConnectionOffersTheProxySettingsAndChecksAgain) {
  // The first check answers "0"; the proxy tool makes the next one answer "1".
  WriteTool("connected.php",
            "if [ -f \"$TOLVANE_EXCHANGE/proxy.txt\" ]; then echo 1; else echo 0; fi"
            " > \"$TOLVANE_EXCHANGE/connected.txt\"\n");
  WriteTool("get_proxy_info.bat", "touch \"$TOLVANE_EXCHANGE/proxy.txt\"\n");
  platform().answers = {1};
  EXPECT_TRUE(IsConnected(668));
  ASSERT_EQ(platform().questions.size(), 1u);
  EXPECT_EQ(platform().questions[0].text,
            MessageText(668) +
                "\n\nIf you connect to the Internet through a proxy server, enter your proxy "
                "settings.");
  EXPECT_EQ(platform().questions[0].buttons, (std::vector<std::string>{"OK", "Proxy Settings"}));

  // "OK" gives up.
  test::RemoveFile(exchange / "proxy.txt");
  platform().answers = {0};
  EXPECT_FALSE(IsConnected(672));
  EXPECT_EQ(platform().questions.size(), 2u);
}

TEST_F(BasemapBridgeTest, ElevationTextIsShownTitledAndCutToItsLimit) {
  WriteTool("get_elevation.php",
            "printf '%s %s\\n' \"$1\" \"$2\" > \"$TOLVANE_EXCHANGE/elevation.txt\"\n"
            "head -c 40000 /dev/zero | tr '\\0' 'e' >> \"$TOLVANE_EXCHANGE/elevation.txt\"\n");
  SetClickPoint({101900000, 128700000});
  const BasemapToolOutcome outcome = RunBasemapTool(BasemapTool::kElevation);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.argv,
            (std::vector<std::string>{"basemaptools/php/php", "basemaptools/get_elevation.php",
                                      "38.700000", "-78.100000"}));
  ASSERT_FALSE(platform().questions.empty());
  EXPECT_EQ(platform().questions.back().title, "Elevation");
  EXPECT_EQ(outcome.result.substr(0, 21), "38.700000 -78.100000\n");
  // One line of 98 characters is all that is kept of the long line.
  EXPECT_EQ(outcome.result.size(), 21u + 98u);

  // An empty answer says no information is available.
  WriteTool("get_elevation.php", ": > \"$TOLVANE_EXCHANGE/elevation.txt\"\n");
  EXPECT_EQ(RunBasemapTool(BasemapTool::kElevation).result, GetIndString(10000, 37));
}

}  // namespace
}  // namespace tlv
