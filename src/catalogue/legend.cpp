#include "catalogue/legend.h"

#include <utility>

namespace tlv {

namespace {

struct LegendStateData {
  LegendContents current;
  bool remembered = false;
  LegendContents saved;
};

LegendStateData state;

}  // namespace

const LegendContents& CurrentLegend() {
  return state.current;
}

void SetLegend(const LegendContents& contents) {
  state.current = contents;
}

void RememberLegendOnce(bool shown) {
  if (state.remembered) return;
  state.saved = state.current;
  state.saved.shown = shown;
  state.remembered = true;
}

bool LegendRemembered() {
  return state.remembered;
}

const LegendContents& RememberedLegend() {
  return state.remembered ? state.saved : state.current;
}

LegendContents TakeRememberedLegend() {
  if (!state.remembered) return state.current;
  state.remembered = false;
  return std::move(state.saved);
}

void ResetLegendStateForTesting() {
  state = LegendStateData();
}

}  // namespace tlv
