// Reads arbitrary bytes as the option words of "SLAT" and "MAP " and as the legend entry lines of
// "LGND". Every scale read lies within the scales an overlay may have, the lock state keeps to
// its two bits, policies stay 0 to 3, and each entry line gives an entry whose name fits its
// field and whose marker is set.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/headless_platform.h"
#include "iac/overlay_messages.h"

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
  for (const char* keyword : {"NAMESSCALE", "LOVISSCALE", "HIVISSCALE", "DOTSSCALE"}) {
    int32_t scale = -1;
    if (ScaleAfterKeyword(text, keyword, scale)) {
      Check(scale >= kSmallestLayerScale && scale <= kLargestLayerScale);
    } else {
      Check(scale == -1);
    }
  }
  LayerRecord layer;
  ApplyLayerAttributeWords(text, layer);
  Check(layer.lockState >= 0 && layer.lockState <= 3);
  Check(layer.displayMode <= kDisplayShowNames);
  Check(layer.graphicsOverride == 0 || layer.graphicsOverride == 1);
  for (const int32_t scale : layer.scales) {
    Check(scale >= kSmallestLayerScale && scale <= kLargestLayerScale);
  }
  const MapOwnership ownership = MapOwnershipFromOptions(text);
  for (const int16_t policy : ownership.policies) {
    Check(ownership.owned ? policy >= 1 && policy <= 3 : policy == 0);
  }
  for (const bool keep : {false, true}) {
    size_t total = 0;
    for (const std::string_view line : MessageLines(text, keep)) {
      Check(line.find_first_of("\r\n") == std::string_view::npos);
      Check(keep || !line.empty());
      total += line.size();
      const LayerRecord entry = LegendEntryFromLine(line);
      Check(std::memchr(entry.name, '\0', sizeof entry.name) != nullptr);
      Check(entry.marker == kLayerRecordMarker);
      Check(entry.graphics[4] >= 0 && entry.graphics[4] <= 15);
      Check(entry.graphics[3] >= 0 && entry.graphics[3] <= 15);
      Check(entry.graphics[2] >= 0 && entry.graphics[2] <= 9);
      Check(entry.graphics[1] >= 0 && entry.graphics[1] <= 17);
    }
    Check(total <= text.size());
  }
  return 0;
}
