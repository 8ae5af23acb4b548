// tolvane-cli compact on a copy of the default maps folder with the demo county imported twice
// (the second time in Update mode, which leaves deleted records behind): the objects stay as
// they were and verify finds nothing; then compactions killed at random moments and at each of
// their steps, each followed by compact --finish, must leave maps that verify passes and whose
// objects are the same. Also recover and filefix through the command line.
//
// The number of random kills is TOLVANE_COMPACT_KILLS (the suite's run: kSuiteKills);
// scripts/compact-kill-loop runs 200 of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/test_support.h"

namespace tlv::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCli = BuiltProgram("tolvane-cli");
const fs::path kSource = TOLVANE_SOURCE_DIR;
constexpr int kSuiteKills = 24;

int KillsToRun() {
  const char* wanted = std::getenv("TOLVANE_COMPACT_KILLS");
  const int kills = wanted != nullptr ? std::atoi(wanted) : kSuiteKills;
  return kills > 0 ? kills : kSuiteKills;
}

class CliCompactTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kCli)) << "tolvane-cli was not built";
    fs::copy(kSource / "data" / "TolvaneMaps", temp.path() / "TolvaneMaps",
             fs::copy_options::recursive);
    folder = temp.path() / "TolvaneMaps";
    maps = "--maps '" + folder.string() + "'";
    const std::string mie = (kSource / "data" / "demo" / "Cassel_County.mie").string();
    ASSERT_EQ(RunCli(maps + " import '" + mie + "'").status, 0);
    ASSERT_EQ(RunCli(maps + " import '" + mie + "' --mode update").status, 0);
  }

  // Every live object of every overlay of every map, without positions (compaction moves them),
  // sorted.
  std::vector<std::string> Objects() {
    std::vector<std::string> lines;
    const std::regex name(R"re("name":"([^"]*)")re");
    std::vector<std::string> mapNames, overlayNames;
    for (const std::string& line : RunCli(maps + " maps").lines) {
      std::smatch m;
      if (std::regex_search(line, m, name)) mapNames.push_back(m[1]);
    }
    for (const std::string& line : RunCli(maps + " overlays").lines) {
      std::smatch m;
      if (std::regex_search(line, m, name)) overlayNames.push_back(m[1]);
    }
    const std::regex position(R"re("position":[0-9]+,?)re");
    for (const std::string& map : mapNames) {
      for (const std::string& overlay : overlayNames) {
        const CliRun run = RunCli(maps + " objects '" + map + "' '" + overlay + "'");
        for (const std::string& line : run.lines) {
          if (line.find("\"count\"") != std::string::npos) continue;
          lines.push_back(std::regex_replace(line, position, ""));
        }
      }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  std::vector<std::string> WorkFiles() {
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(folder / "OverlayMaps")) {
      const std::string n = entry.path().filename().string();
      const std::string ext = n.size() > 4 ? n.substr(n.size() - 4) : "";
      if (ext == ".CM1" || ext == ".CM2" || ext == ".CM3" || ext == ".CM4" || ext == ".CMX" ||
          n.rfind("srttemp", 0) == 0 || n.rfind("merge", 0) == 0) {
        left.push_back(n);
      }
    }
    return left;
  }

  // The bytes of every overlay file's set (.OBJ, .SUM and .SM2, "-" for a missing one), by
  // base name.
  std::map<std::string, std::string> Sets() {
    std::map<std::string, std::string> sets;
    for (const auto& entry : fs::recursive_directory_iterator(folder / "OverlayMaps")) {
      const fs::path& path = entry.path();
      if (path.extension() != ".OBJ") continue;
      std::string bytes;
      for (const char* ext : {".OBJ", ".SUM", ".SM2"}) {
        fs::path file = path;
        file.replace_extension(ext);
        bytes += fs::exists(file) ? ReadWholeFile(file) : std::string("-");
        bytes += '|';
      }
      sets[path.parent_path().filename().string() + "/" + path.stem().string()] = bytes;
    }
    return sets;
  }

  // A compaction that was cut off is finished or undone, and what is left is sound: verify
  // passes, and every overlay file's set is byte for byte the old one or the compacted one
  // (so the objects are the same; objectsToo also compares the objects dump, which is slow).
  // Returns whether the finish found a compaction cut off inside (rolled back or forward).
  bool ExpectSoundAfterFinish(const std::vector<std::string>& reference,
                              const std::map<std::string, std::string>& oldSets,
                              const std::map<std::string, std::string>& newSets,
                              const std::string& context, bool objectsToo = true) {
    SCOPED_TRACE(context);
    const CliRun finish = RunCli(maps + " compact --finish");
    EXPECT_EQ(finish.status, 0) << finish.out;
    bool recovered = false;
    for (const std::string& line : finish.lines) {
      EXPECT_NE(line.find("\"index\":\"ok\""), std::string::npos) << line;
      if (line.find("\"recovery\":\"rolled") != std::string::npos) recovered = true;
    }
    EXPECT_TRUE(WorkFiles().empty());
    const auto sets = Sets();
    EXPECT_EQ(sets.size(), oldSets.size());
    for (const auto& [base, bytes] : sets) {
      const auto before = oldSets.find(base);
      const auto after = newSets.find(base);
      EXPECT_TRUE((before != oldSets.end() && bytes == before->second) ||
                  (after != newSets.end() && bytes == after->second))
          << base << " is neither the old set nor the compacted one";
    }
    const CliRun verify = RunCli(maps + " verify");
    EXPECT_EQ(verify.status, 0) << verify.out;
    if (objectsToo) {
      EXPECT_EQ(Objects(), reference);
    }
    return recovered;
  }

  // Runs compact, killed after killAfterMs (none when negative); the exit status, 128 + 9 when
  // the kill came first. started tells whether it had begun compacting by then.
  int RunCompactWith(const std::vector<std::string>& environment, int killAfterMs,
                     bool* started = nullptr) {
    std::vector<std::string> env = environment;
    env.push_back("ASAN_OPTIONS=detect_leaks=0");
    const fs::path errors = temp.path() / "err.txt";
    const pid_t pid = SpawnProgram(kCli, {"--maps", folder.string(), "compact", "--progress"}, env,
                                   temp.path() / "out.txt", errors);
    if (pid < 0) return -1;
    if (killAfterMs >= 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
      ::kill(pid, SIGKILL);
    }
    const int status = WaitForExit(pid, std::chrono::seconds(300));
    if (status < 0) {
      // Never left waiting: a hung run is killed and reported by the caller.
      ::kill(pid, SIGKILL);
      WaitForExit(pid, std::chrono::seconds(10));
    }
    if (started != nullptr) {
      *started = !LogLinesStartingWith(errors, "{\"status\":\"Compacting overlay").empty();
    }
    return status;
  }

  TempFolder temp;
  fs::path folder;
  std::string maps;
};

TEST_F(CliCompactTest, CompactKeepsTheObjectsAndVerifyPasses) {
  const std::vector<std::string> before = Objects();
  ASSERT_FALSE(before.empty());
  const CliRun run = RunCli(maps + " compact");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::regex line(
      R"re(\{"map":"[^"]*","overlay":"[^"]*","baseName":"[^"]*","result":"compacted",)re"
      R"re("live":[0-9]+,"dropped":([0-9]+),"objBytes":\[[0-9]+,[0-9]+\],)re"
      R"re("sumBytes":\[[0-9]+,[0-9]+\],"picturesDeleted":\[.*\],"ms":[0-9]+\})re");
  int64_t dropped = 0;
  for (const std::string& l : run.lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l, m, line)) << l;
    dropped += std::stoll(m[1]);
  }
  EXPECT_GT(dropped, 0) << "the Update-mode import left deleted records";
  EXPECT_EQ(RunCli(maps + " verify").status, 0);
  EXPECT_EQ(Objects(), before);
  EXPECT_TRUE(WorkFiles().empty());
  // Compacting again changes nothing and drops nothing.
  const CliRun again = RunCli(maps + " compact");
  for (const std::string& l : again.lines) {
    EXPECT_NE(l.find("\"dropped\":0"), std::string::npos) << l;
  }
  EXPECT_EQ(Objects(), before);
}

TEST_F(CliCompactTest, KilledCompactionsLeaveSoundMaps) {
  const std::vector<std::string> reference = Objects();
  const auto oldSets = Sets();
  // How long one compaction takes here, to kill the others somewhere inside it.
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(RunCompactWith({}, -1), 0);
  const int fullMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - started)
                                          .count());
  const auto newSets = Sets();
  ASSERT_EQ(newSets.size(), oldSets.size());
  // Compacting a compacted set gives the same bytes: the order is reproducible.
  ASSERT_EQ(RunCompactWith({}, -1), 0);
  ASSERT_TRUE(Sets() == newSets) << "a second compaction changed the files";
  // A self-kill at every step of the compaction.
  for (int step = 1; step <= 7; ++step) {
    EXPECT_EQ(RunCompactWith({"TOLVANE_COMPACT_KILL_STEP=" + std::to_string(step)}, -1),
              128 + SIGKILL)
        << step;
    ExpectSoundAfterFinish(reference, oldSets, newSets, "killed at step " + std::to_string(step));
    if (HasFailure()) return;
  }
  // Kills at random moments of a run: the time one took, stretched a little since the load
  // (before anything is touched) may be slower under a busy machine.
  std::mt19937 random(2026);
  const int kills = KillsToRun();
  int midRun = 0, cutInside = 0;
  const auto loopStarted = std::chrono::steady_clock::now();
  for (int i = 0; i < kills; ++i) {
    const int at = static_cast<int>(random() % static_cast<unsigned>(std::max(fullMs, 1)));
    bool compacting = false;
    const int status = RunCompactWith({}, at, &compacting);
    ASSERT_GE(status, 0) << "a compaction hung";
    if (status == 128 + SIGKILL && compacting) ++midRun;
    // The objects dump takes a run per map and overlay: every tenth time and the last.
    const bool objectsToo = i % 10 == 9 || i + 1 == kills;
    if (ExpectSoundAfterFinish(
            reference, oldSets, newSets,
            "kill " + std::to_string(i + 1) + " after " + std::to_string(at) + " ms", objectsToo)) {
      ++cutInside;
    }
    if (HasFailure()) return;
  }
  const auto loopSeconds = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::steady_clock::now() - loopStarted)
                               .count();
  std::cout << "[ kill loop ] " << kills << " kills of a " << fullMs << " ms run: " << midRun
            << " while compacting, " << cutInside << " left a compaction to finish or undo; "
            << loopSeconds << " s\n";
  RecordProperty("kills", kills);
  RecordProperty("midRun", midRun);
  // The full loop asks that a quarter at least land inside the compaction, not in the load or
  // after the end. Where they land depends on how busy the machine is from one run to the
  // next, so the suite's short run only reports it (the step kills above cut every step).
  if (std::getenv("TOLVANE_COMPACT_KILLS") != nullptr) {
    EXPECT_GE(midRun * 4, kills);
  }
}

TEST_F(CliCompactTest, RecoverAndFileFixFromTheCommandLine) {
  std::string overlay;
  for (const std::string& line : RunCli(maps + " overlays").lines) {
    std::smatch m;
    if (std::regex_search(line, m, std::regex(R"re("name":"([^"]*)")re"))) {
      overlay = m[1];
      break;
    }
  }
  ASSERT_FALSE(overlay.empty());
  const CliRun recover = RunCli(maps + " recover '" + overlay + "'");
  ASSERT_EQ(recover.status, 0) << recover.out;
  ASSERT_EQ(recover.lines.size(), 1u);
  EXPECT_NE(
      recover.lines[0].find("\"recoveryOverlay\":\"" + overlay.substr(0, 19) + " (undeleted)\""),
      std::string::npos)
      << recover.lines[0];
  EXPECT_EQ(RunCli(maps + " verify").status, 0);

  fs::path obj;
  for (const auto& entry : fs::recursive_directory_iterator(folder / "OverlayMaps")) {
    if (entry.path().extension() == ".OBJ") {
      obj = entry.path();
      break;
    }
  }
  ASSERT_FALSE(obj.empty());
  const CliRun dump = RunCli(maps + " filefix obj '" + obj.string() + "' --rebuild");
  ASSERT_EQ(dump.status, 0);
  ASSERT_EQ(dump.lines.size(), 1u);
  EXPECT_NE(dump.lines[0].find("\"rebuilt\":true"), std::string::npos) << dump.lines[0];
  EXPECT_TRUE(fs::exists(obj.parent_path() / "Obj.TXT"));
  EXPECT_TRUE(fs::exists(obj.parent_path() / "Recovred.LYR"));
  const CliRun sum = RunCli(maps + " filefix sum '" + obj.parent_path().string() + "/" +
                            obj.stem().string() + ".SUM'");
  EXPECT_EQ(sum.status, 0);
  // A file of the wrong kind: an error and no text file.
  fs::remove(obj.parent_path() / "Lyr.TXT");
  EXPECT_EQ(RunCli(maps + " filefix lyr '" + obj.string() + "'").status, 1);
  EXPECT_FALSE(fs::exists(obj.parent_path() / "Lyr.TXT"));
}

}  // namespace
}  // namespace tlv::test
