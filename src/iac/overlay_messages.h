// The messages by which a sibling program that keeps its own data on the map manages overlays,
// whole maps and the legend: whether an overlay exists, making one of its own, setting an
// overlay's attributes, deleting an overlay's objects, deleting empty overlays, adding map
// folders it owns (with the rules of what the user may do to them), removing maps, and putting
// its own list or picture in the legend.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/store_records.h"

namespace tlv {

constexpr int32_t kSmallestLayerScale = 500;
constexpr int32_t kLargestLayerScale = 262144000;
// The file a legend picture is copied to in the user's folder.
constexpr const char* kLegendPictureFileName = "legend2.bmp";

// What these messages ask of the layers above; each may be left empty.
struct OverlayMessageHooks {
  // The overlay list changed (an overlay was made, moved or deleted).
  std::function<void()> overlayListChanged;
  // The legend's switch (Extras > Legend > Show).
  std::function<bool()> legendShown;
  std::function<void(bool shown)> setLegendShown;
  // The configuration flag TIMEMAPMESSAGES.
  std::function<bool()> timeMapMessages;
};
void SetOverlayMessageHooks(OverlayMessageHooks hooks);

// --- The option words of "SLAT" ---

// The number after keyword in words (after blanks, commas or TABs), clamped to the scales an
// overlay may have. False when the keyword is absent or no digit follows it.
bool ScaleAfterKeyword(std::string_view words, std::string_view keyword, int32_t& scale);
// Applies the option words to the overlay's record; true when what is drawn changed (the
// graphics override, the display mode or a scale).
bool ApplyLayerAttributeWords(std::string_view words, LayerRecord& layer);

// --- The options of "MAP " ---
struct MapOwnership {
  bool owned = true;
  // Delete objects, move the map, move an overlay, drag, add (0 when not owned).
  int16_t policies[5] = {1, 1, 1, 1, 2};
  char universal = 0;    // 'Y', 'N', or 0 to leave the map's mark alone
  bool remember = true;  // listed in XTRAMAPS.PLT
};
MapOwnership MapOwnershipFromOptions(std::string_view options);

// --- The lines of "LGND" ---

// One entry line: name up to a TAB, then colour, pattern, line type, symbol, variant and, for a
// custom colour, its red, green and blue. A field that cannot be read is 0.
LayerRecord LegendEntryFromLine(std::string_view line);
// The lines of a text separated by CR, LF or CR LF; empty lines are left out unless they keep
// the places of the lines after them.
std::vector<std::string_view> MessageLines(std::string_view text, bool keepEmpty = false);

// --- Handlers ---
int32_t HandleOVXQuery(const char* envelope);
int32_t HandleMKOV(const char* envelope);
int32_t HandleSLAT(const char* envelope);
int32_t HandleDLOV(const char* envelope);
int32_t HandleDLGZ(const char* envelope);
int32_t HandleMAP(const char* envelope);
int32_t HandleRMAP(const char* envelope);
int32_t HandleLGND(const char* envelope);

void ResetOverlayMessagesForTesting();

}  // namespace tlv
