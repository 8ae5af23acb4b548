// What the legend shows: the overlays (the standard legend), a picture a sibling program gave,
// or a list of entries a sibling program set, each entry laid out as an overlay record (name,
// default graphics, marker 100, a custom colour in the thematic bytes). Whether the legend is
// switched on belongs to the preferences; this is what it shows when it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/store_records.h"

namespace tlv {

enum LegendKind : int32_t {
  kLegendOverlays = 1,  // the shown overlays not left out of the legend
  kLegendPicture = 2,   // the picture file of picturePath
  kLegendList = 3,      // the entries
};

// The colour number an entry with a custom colour carries (its RGB is in the thematic bytes).
constexpr int16_t kLegendCustomColour = 17;

struct LegendContents {
  int32_t kind = kLegendOverlays;
  bool shown = false;
  std::string picturePath;
  std::vector<LayerRecord> entries;
};

const LegendContents& CurrentLegend();
// Replaces the kind, picture and entries (shown is kept by the caller's switch).
void SetLegend(const LegendContents& contents);

// The legend as it was before a sibling program first replaced it, with whether it was shown;
// a later replacement keeps the first remembered state. Forgotten once it is restored.
void RememberLegendOnce(bool shown);
bool LegendRemembered();
// The remembered state (the current one when none is remembered).
const LegendContents& RememberedLegend();
// The remembered state, forgotten here; the caller switches the legend on or off by its shown.
LegendContents TakeRememberedLegend();

void ResetLegendStateForTesting();

}  // namespace tlv
