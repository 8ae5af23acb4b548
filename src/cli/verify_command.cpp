#include "cli/verify_command.h"

#include <ostream>

#include "catalogue/map_check.h"
#include "catalogue/maps.h"
#include "catalogue/open_files.h"
#include "cli/json_text.h"

namespace tlv::cli {

namespace {

constexpr const char* kUniqueIDsOption = "--unique-ids";
constexpr const char* kUsage = "usage: tolvane-cli verify [MAP] [--unique-ids]\n";

std::string FindingJson(const CheckFinding& finding) {
  JsonObject object;
  object.Text("map", finding.mapName).Text("overlay", finding.overlayName);
  object.Text("baseName", finding.baseName);
  if (finding.position >= 0) {
    object.Number("position", finding.position);
  } else {
    object.Null("position");
  }
  return object.Text("check", finding.check)
      .Text("severity", finding.severity == CheckSeverity::kNote ? "note" : "problem")
      .Text("message", finding.message)
      .Str();
}

}  // namespace

bool IsVerifyCommand(const std::vector<std::string>& words) {
  return !words.empty() && words[0] == "verify";
}

int RunVerifyCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  CheckOptions options;
  std::vector<std::string> names;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == kUniqueIDsOption) {
      options.sharedIDsAreProblems = true;
    } else if (words[i].rfind("--", 0) == 0) {
      err << kUsage;
      return 1;
    } else {
      names.push_back(Windows1252FromUtf8(words[i]));
    }
  }
  if (names.size() > 1) {
    err << kUsage;
    return 1;
  }
  int32_t mapIndex = -1;
  if (!names.empty()) {
    mapIndex = MapNameToIndex(names[0]);
    if (mapIndex < 0) {
      err << "tolvane-cli: no map named " << words[1] << "\n";
      return 1;
    }
  }
  std::vector<CheckFinding> findings;
  const int32_t result = CheckMaps(mapIndex, options, findings);
  CloseBufferedFiles();
  for (const CheckFinding& finding : findings) out << FindingJson(finding) << "\n";
  const int32_t problems = ProblemCount(findings);
  err << "tolvane-cli: verify found " << problems << " problem" << (problems == 1 ? "" : "s")
      << " and " << findings.size() - static_cast<size_t>(problems) << " note"
      << (findings.size() - static_cast<size_t>(problems) == 1 ? "" : "s") << "\n";
  if (result != 0) {
    err << "tolvane-cli: the open files could not be written back (error " << result << ")\n";
    return 1;
  }
  return problems == 0 ? 0 : 1;
}

}  // namespace tlv::cli
