// The demo county through Simple Text and back, as a planner moving objects between maps folders
// would do it with tolvane-cli: every overlay exported with all six fields, then imported into a
// fresh maps folder. Symbols keep their place, names, overlays, symbol numbers and colours; every
// other kind comes back as a symbol at the centre of its rectangle.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = TOLVANE_SOURCE_DIR;

struct Listed {
  std::string type;
  std::string name;
  long rect[4] = {0, 0, 0, 0};
  long symbol = 0;
  long colour = 0;
};

// The text after "key": up to the next quote (strings) or the next comma or bracket (numbers and
// arrays, which start after the opening bracket). std::regex recurses per character and overflows
// the stack on a polyline's long line, so the fields are found by hand.
std::string Field(const std::string& line, const std::string& key) {
  const std::string marker = "\"" + key + "\":";
  size_t at = line.find(marker);
  if (at == std::string::npos) return "";
  at += marker.size();
  if (line[at] == '"') {
    const size_t close = line.find('"', at + 1);
    return line.substr(at + 1, close - at - 1);
  }
  if (line[at] == '[') ++at;
  return line.substr(at, line.find(']', at) - at);
}

std::vector<long> Numbers(const std::string& text) {
  std::vector<long> numbers;
  const char* p = text.c_str();
  while (*p != '\0') {
    char* end = nullptr;
    numbers.push_back(std::strtol(p, &end, 10));
    p = *end == ',' ? end + 1 : end;
    if (end == p && *p != '\0') break;
  }
  return numbers;
}

// The objects of one overlay as tolvane-cli prints them, by ID.
std::map<std::string, Listed> ObjectsByID(const fs::path& maps, const std::string& overlay) {
  const CliRun run =
      RunCli("--maps '" + maps.string() + "' objects 'Cassel County' '" + overlay + "'");
  EXPECT_EQ(run.status, 0) << overlay;
  std::map<std::string, Listed> objects;
  for (const std::string& line : run.lines) {
    Listed listed;
    listed.type = Field(line, "type");
    listed.name = Field(line, "name");
    const std::vector<long> rect = Numbers(Field(line, "worldRect"));
    const std::vector<long> graphics = Numbers(Field(line, "graphics"));
    if (listed.type.empty() || rect.size() != 4 || graphics.size() < 2) {
      ADD_FAILURE() << "unexpected line: " << line.substr(0, 200);
      continue;
    }
    for (size_t i = 0; i < 4; ++i) listed.rect[i] = rect[i];
    listed.symbol = graphics[0];
    listed.colour = graphics[1];
    objects[Field(line, "id")] = listed;
  }
  return objects;
}

TEST(SimpleTextRoundTripTest, TheDemoCountyComesBackWithItsNamesSymbolsColoursAndPlaces) {
  ASSERT_TRUE(fs::exists(BuiltProgram("tolvane-cli"))) << "tolvane-cli was not built";
  TempFolder folder;
  const fs::path first = folder.path() / "first";
  const fs::path second = folder.path() / "second";
  fs::copy(kSourceDir / "data" / "TolvaneMaps", first, fs::copy_options::recursive);
  fs::copy(kSourceDir / "data" / "TolvaneMaps", second, fs::copy_options::recursive);
  const std::string demo = (kSourceDir / "data" / "demo" / "Cassel_County.mie").string();
  ASSERT_EQ(RunCli("--maps '" + first.string() + "' import '" + demo + "'").status, 0);

  // The overlays that hold the county's objects, from the map's list of overlay files.
  const CliRun maps = RunCli("--maps '" + first.string() + "' maps");
  ASSERT_EQ(maps.status, 0);
  std::vector<std::string> overlays;
  static const std::regex overlayField("\"overlay\":\"([^\"]*)\"");
  for (const std::string& line : maps.lines) {
    if (line.find("\"name\":\"Cassel County\"") == std::string::npos) continue;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), overlayField);
         it != std::sregex_iterator(); ++it) {
      overlays.push_back((*it)[1]);
    }
  }
  ASSERT_GE(overlays.size(), 4u);

  size_t symbols = 0;
  size_t others = 0;
  for (const std::string& overlay : overlays) {
    const fs::path text = folder.path() / (overlay + ".txt");
    const CliRun exported =
        RunCli("--maps '" + first.string() + "' export --format text --fields " +
               "name,overlay,map,symbol,color,id --out '" + text.string() +
               "' --overlay 'Cassel County' '" + overlay + "'");
    ASSERT_EQ(exported.status, 0) << overlay << exported.out;
    const CliRun imported =
        RunCli("--maps '" + second.string() + "' import '" + text.string() + "'");
    ASSERT_EQ(imported.status, 0) << overlay << imported.out;

    const std::map<std::string, Listed> before = ObjectsByID(first, overlay);
    const std::map<std::string, Listed> after = ObjectsByID(second, overlay);
    size_t aliases = 0;
    for (const auto& [id, object] : before) {
      if (object.type == "ALIAS") {
        ++aliases;
        continue;
      }
      const auto found = after.find(id);
      ASSERT_NE(found, after.end()) << overlay << " " << id;
      const Listed& back = found->second;
      EXPECT_EQ(back.type, "POINT") << id;
      // An empty name field keeps the default name, the object's ID text.
      EXPECT_EQ(back.name, object.name.empty() ? id : object.name) << id;
      EXPECT_EQ(back.colour, object.colour) << id;
      const long cx = (object.rect[0] + object.rect[2]) / 2;
      const long cy = (object.rect[1] + object.rect[3]) / 2;
      EXPECT_LE(std::labs(back.rect[0] - cx), 1) << id;
      EXPECT_LE(std::labs(back.rect[1] - cy), 1) << id;
      if (object.type == "POINT") {
        EXPECT_EQ(back.symbol, object.symbol) << id;
        ++symbols;
      } else {
        EXPECT_EQ(back.symbol, 212) << id;  // written as symbol 0, read as the default symbol
        ++others;
      }
    }
    EXPECT_EQ(after.size(), before.size() - aliases) << overlay;
  }
  EXPECT_GT(symbols, 50u);
  EXPECT_GT(others, 50u);
}

}  // namespace
}  // namespace tlv::test
