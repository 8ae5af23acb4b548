// Reads arbitrary bytes as ZEPHA's footprint file: the level-of-concern texts stay within their
// limit and hold no NUL, and the run summary's HTML holds no markup but the program's own.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/threat_zone.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool OwnTagAt(std::string_view html, size_t at) {
  for (const std::string_view tag :
       {"<b>", "</b>", "<small>", "</small>", "<br>", "<span style=", "</span>"}) {
    if (html.substr(at, tag.size()) == tag) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tlv::ThreatZoneLabels labels = tlv::ParseThreatZoneLabels(text);
  for (const std::string* label : {&labels.yellow, &labels.orange, &labels.red}) {
    Check(label->size() <= tlv::kMaxThreatZoneLabelLength);
    Check(label->find('\0') == std::string::npos);
  }
  const std::string summary = tlv::ThreatZoneSummaryText(text);
  Check(!summary.empty() && summary.back() == '\n');
  for (size_t at = summary.find('<'); at != std::string::npos; at = summary.find('<', at + 1)) {
    Check(OwnTagAt(summary, at));
  }
  return 0;
}
