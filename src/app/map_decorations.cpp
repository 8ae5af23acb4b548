#include "app/map_decorations.h"

#include <algorithm>
#include <string>

#include "app/folders.h"
#include "app/preferences.h"
#include "app/reference_views.h"
#include "base/errors.h"
#include "base/platform.h"
#include "geometry/geo_settings.h"
#include "render/legend.h"

namespace tlv {

namespace {

constexpr const char* kCompassFileName = "compass.png";

struct State {
  bool compassTried = false;
  bool compassRead = false;
  PictureImage compass;
};
State state;

}  // namespace

DecorationSettings DecorationSettingsFromPreferences(DeviceKind kind) {
  DecorationSettings settings;
  if (GetPref(Pref::kScaleBarShown) != 0) settings.shown |= kDecorationScaleBar;
  if (GetPref(Pref::kCompassShown) != 0) settings.shown |= kDecorationCompass;
  if (GetPref(Pref::kTimeStampShown) != 0) settings.shown |= kDecorationTimeStamp;
  ScaleBarOptions& bar = settings.scaleBar;
  bar.unit = CurrentGeometrySettings().distanceUnit;
  bar.bothSystems = GetPref(Pref::kScaleBarBothUnits) != 0;
  bar.inchLine = GetPref(Pref::kScaleBarInchLine) != 0;
  bar.printing = kind == DeviceKind::kPrinter;
  bar.positionX = GetPref(Pref::kScaleBarX);
  bar.positionY = GetPref(Pref::kScaleBarY);
  settings.compass.positionX = GetPref(Pref::kCompassX);
  settings.compass.positionY = GetPref(Pref::kCompassY);
  TimeStampOptions& stamp = settings.timeStamp;
  stamp.dateKind = static_cast<int16_t>(GetPref(Pref::kTimeStampDateKind));
  stamp.timeKind = static_cast<int16_t>(GetPref(Pref::kTimeStampTimeKind));
  stamp.customDate = GetPrefText(PrefText::kTimeStampCustomDate);
  stamp.customTime = GetPrefText(PrefText::kTimeStampCustomTime);
  stamp.extraLine = GetPrefText(PrefText::kTimeStampExtraLine);
  stamp.positionX = GetPref(Pref::kTimeStampX);
  stamp.positionY = GetPref(Pref::kTimeStampY);
  if ((settings.shown & kDecorationCompass) != 0) settings.compassPicture = CompassPicture();
  return settings;
}

DecorationFrame DecorationFrameFor(const ViewMapping& mapping, int32_t scale) {
  DecorationFrame frame;
  frame.area = mapping.screen;
  frame.scale = scale;
  frame.windowWidth = MapArea().right - MapArea().left;
  frame.time = Platform().CurrentLocalTime();
  return frame;
}

const PictureImage* CompassPicture() {
  if (!state.compassTried) {
    state.compassTried = true;
    const PictureReader& reader = CurrentPictureReader();
    const std::string path = ProgramFolderPath() + kCompassFileName;
    state.compassRead =
        reader && reader(path, state.compass) && state.compass.width > 0 &&
        state.compass.height > 0 &&
        state.compass.pixels.size() >=
            static_cast<size_t>(state.compass.width) * static_cast<size_t>(state.compass.height);
    if (!state.compassRead) {
      state.compass = PictureImage();
      ShowAlert("Unable to read the compass picture " + path + ".", kStopAlert);
    }
  }
  return state.compassRead ? &state.compass : nullptr;
}

void SetCompassPicture(const PictureImage& picture) {
  state.compassTried = true;
  state.compassRead = picture.width > 0 && picture.height > 0;
  state.compass = picture;
}

void DrawShownDecorations(DrawPort& port, const ViewMapping& mapping, int32_t scale) {
  DrawReferenceViewInset(port, mapping);
  if (GetPref(Pref::kLegendShown) != 0) DrawLegend(port, mapping.screen, LegendEntries());
  const DecorationSettings settings = DecorationSettingsFromPreferences(port.Kind());
  if (settings.shown == 0) return;
  DrawMapDecorations(port, DecorationFrameFor(mapping, scale), settings);
}

void SetDecorationPosition(uint32_t which, int32_t positionX, int32_t positionY) {
  positionX = std::clamp(positionX, 0, kDecorationScale);
  positionY = std::clamp(positionY, 0, kDecorationScale);
  switch (which) {
    case kDecorationScaleBar:
      SetPref(Pref::kScaleBarX, positionX);
      SetPref(Pref::kScaleBarY, positionY);
      break;
    case kDecorationCompass:
      SetPref(Pref::kCompassX, positionX);
      SetPref(Pref::kCompassY, positionY);
      break;
    case kDecorationTimeStamp:
      SetPref(Pref::kTimeStampX, positionX);
      SetPref(Pref::kTimeStampY, positionY);
      break;
    default:
      break;
  }
}

void ResetMapDecorationsForTesting() {
  state = State();
}

}  // namespace tlv
