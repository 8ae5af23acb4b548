#include "geometry/geo_settings.h"

namespace tlv {

namespace {
GeometrySettings gSettings;
}  // namespace

const GeometrySettings& CurrentGeometrySettings() {
  return gSettings;
}

void SetDistanceUnitSetting(int16_t unit) {
  gSettings.distanceUnit = unit;
}

void SetCoordinateFormatSetting(int16_t format) {
  gSettings.coordinateFormat = format;
}

void ResetGeometrySettings() {
  gSettings = GeometrySettings{};
}

}  // namespace tlv
