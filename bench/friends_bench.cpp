// What handling a sibling's greeting and sharing menu costs the program, beside the version
// query: "HOLA" answered "OKHI" (its ".VWR" file written through a work file and read back) and a
// 100-item "MENU" (its ".MNU" file and the menu rebuilt), against the in-memory message library
// so that only the program's own work is timed. bench/iac_roundtrip.sh prints them.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/wiring.h"
#include "base/memory.h"
#include "iac/connection_messages.h"
#include "iac/iac.h"
#include "iac/recording_transport.h"
#include "store/directory_table.h"

namespace {

namespace fs = std::filesystem;
using namespace tlv;

constexpr char kSeparator = '\x0B';

std::string Envelope(const std::string& code, const std::string& rest) {
  std::string envelope = "MSSG";
  for (const std::string& part :
       {code, std::string("SIGN"), std::string("ZPH5"), std::string("PSIG"), std::string("ZPHA")}) {
    envelope += kSeparator;
    envelope += part;
  }
  return envelope + rest;
}

std::string Greeting() {
  std::string rest;
  for (const char* part : {"NAME", "ZEPHA", "PATH", "/opt/ZEPHA/ZEPHA", "DOC ", "", "VERS", "2"}) {
    rest += kSeparator;
    rest += part;
  }
  return rest;
}

// A fresh Friends folder, messaging bound to the recorder, the sibling running.
class FriendsFixture {
 public:
  FriendsFixture() {
    ResetAllForTesting();
    InitWindowsHandles();
    root_ = fs::temp_directory_path() / "tolvane-friends-bench";
    fs::remove_all(root_);
    fs::create_directories(root_ / "Program");
    fs::create_directories(root_ / "Friends");
    std::ofstream(root_ / "Program" / "libWEXO_32.so") << "library";
    IacPlaces places;
    places.programFolder = (root_ / "Program").string() + "/";
    places.executablePath = "/opt/TOLVANE/tolvane";
    SetIacPlaces(places);
    int32_t friends = -1;
    RegisterDirectory((root_ / "Friends").string() + "/", true, friends);
    InitIAC(kOwnSignature, true);
    GreetAtStartup(0, friends);
    DefaultRecordingTransport().running.insert("ZPH5");
  }
  ~FriendsFixture() {
    QuitIAC();
    ResetAllForTesting();
    fs::remove_all(root_);
  }
  FriendsFixture(const FriendsFixture&) = delete;
  FriendsFixture& operator=(const FriendsFixture&) = delete;

 private:
  fs::path root_;
};

void Run(benchmark::State& state, const std::string& envelope) {
  FriendsFixture fixture;
  for (auto _ : state) {
    if (DispatchIACMessage(envelope.c_str()) != 0) state.SkipWithError("the message failed");
    // The recorder keeps every answer; only the latest matters.
    DefaultRecordingTransport().sent.clear();
  }
}

void BM_VersionQuery(benchmark::State& state) {
  Run(state, Envelope("VER?", ""));
}
BENCHMARK(BM_VersionQuery)->Unit(benchmark::kMicrosecond);

void BM_GreetingAnswered(benchmark::State& state) {
  Run(state, Envelope("HOLA", Greeting()));
}
BENCHMARK(BM_GreetingAnswered)->Unit(benchmark::kMicrosecond);

void BM_HundredItemMenu(benchmark::State& state) {
  std::string items;
  for (int i = 0; i < 100; ++i)
    items += "Item " + std::to_string(i) + (i % 10 == 0 ? "/k" : "") + "\r";
  Run(state,
      Envelope("MENU", Greeting() + kSeparator + "ITMS" + kSeparator + items.substr(0, 1024)));
}
BENCHMARK(BM_HundredItemMenu)->Unit(benchmark::kMicrosecond);

}  // namespace
