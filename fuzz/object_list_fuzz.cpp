// Reads arbitrary bytes as the lists sibling programs send with "SHOW", "MYOD" and "DELO": line
// ends normalised, lines split and parsed, RGB-controlled lists checked, ID texts read. No
// catalogue is loaded, so names resolve to nothing. Normalising twice changes nothing, lines
// never hold a CR, a parsed line's ID reads back as its text, and a coloured list that passes
// its checks has exactly one entry per further line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/headless_platform.h"
#include "base/object_ids.h"
#include "iac/object_messages.h"

namespace {

using namespace tlv;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  DefaultHeadlessPlatform().Reset();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string normalised = NormaliseListLineEnds(text);
  Check(NormaliseListLineEnds(normalised) == normalised);
  Check(normalised.empty() || normalised.back() == '\r');
  Check(normalised.find('\n') == std::string::npos);
  const std::vector<std::string_view> lines = ListLines(normalised);
  size_t total = 0;
  for (const std::string_view line : lines) {
    Check(line.find('\r') == std::string_view::npos);
    total += line.size() + 1;
    ListLine parsed;
    if (ParseListLine(line, parsed)) {
      Check(parsed.idText.size() == kObjectIDTextLength);
      Check(ObjectIDText(parsed.id) == parsed.idText ||
            parsed.idText.find_first_of("abcdef") != std::string::npos);
      Check(parsed.overlayName.size() <= kListOverlayLimit);
      Check(parsed.mapName.size() <= kListMapLimit);
    }
    ObjectID id;
    if (ReadObjectIDText(line, id)) Check(line.substr(0, line.find(' ')).size() <= 16);
  }
  Check(total == normalised.size());
  ListLine first;
  std::vector<ColouredEntry> entries;
  const int32_t check = ReadColouredList(normalised, first, entries);
  Check(check >= 0 && check <= 3);
  if (check == 0) {
    Check(lines.size() >= 2 && entries.size() == lines.size() - 1);
    for (const ColouredEntry& entry : entries) Check(entry.idText.size() == kObjectIDTextLength);
  }
  return 0;
}
