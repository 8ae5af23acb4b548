#include "app/preferences_commit.h"

#include "app/preferences.h"
#include "geometry/geo_settings.h"
#include "render/map_view.h"

namespace tlv {

int32_t CommitPreferences(int16_t volume, int32_t settingsDirID) {
  NormalisePreferences();
  SetDistanceUnitSetting(static_cast<int16_t>(GetPref(Pref::kDistanceUnit)));
  SetCoordinateFormatSetting(static_cast<int16_t>(GetPref(Pref::kCoordinateFormat)));
  SetScaleDisplayModeSetting(static_cast<int16_t>(GetPref(Pref::kScaleDisplayMode)));
  return SaveSettings(volume, settingsDirID);
}

std::string PreferencesImage() {
  char bytes[kPreferencesSize];
  EncodePreferences(bytes);
  return std::string(bytes, sizeof bytes);
}

void RestorePreferencesImage(const std::string& image) {
  DecodePreferences(image.data(), static_cast<int32_t>(image.size()));
}

}  // namespace tlv
