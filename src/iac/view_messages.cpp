// The view and the Click Point for sibling programs: asking for them, moving them, and holding
// the drawing while a sibling sends a run of changes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/errors.h"
#include "base/strings.h"
#include "iac/iac.h"
#include "iac/object_messages.h"
#include "render/map_view.h"

namespace tlv {

namespace {

constexpr int32_t kNumberRoom = 19;

int32_t drawHolds = 0;

bool ReadDegrees(const char* envelope, const char* keyword, double& value) {
  char text[kNumberRoom + 1] = {};
  if (GetIACParam(envelope, keyword, text, kNumberRoom, true) != 0) return false;
  value = std::atof(text);
  return true;
}

int32_t Answer(const char* code, const IACParam* params) {
  return SendIACMessage(code, params, IACSenderSignature(), true, kOwnSignature,
                        kOwnProgramSignature);
}

}  // namespace

void RedrawAfterMessage() {
  if (drawHolds > 0) return;
  if (CurrentObjectMessageHooks().redraw) CurrentObjectMessageHooks().redraw();
}

int32_t DrawHoldCount() {
  return drawHolds;
}

int32_t HandleCPTQuery(const char* envelope) {
  const bool versioned = IACParamEnd(envelope, "VERS") > 0;
  const WPoint point = ClickPoint();
  double longitude = LongitudeOfWorldX(point.x);
  // Siblings that do not say their version count longitudes west of Greenwich as positive.
  if (!versioned) longitude = -longitude;
  const std::string latitude = FormatText("%f", LatitudeOfWorldY(point.y));
  const std::string longitudeText = FormatText("%f", longitude);
  const IACParam answer[] = {
      {"LAT ", kIACTextKind, latitude.c_str(), 0},
      {"LONG", kIACTextKind, longitudeText.c_str(), 0},
      {"", 0, nullptr, 0},
  };
  return Answer("CPT!", answer);
}

int32_t HandleGOTO(const char* envelope) {
  double latitude = 0;
  double longitude = 0;
  if (!ReadDegrees(envelope, "LAT ", latitude)) return -1;
  if (!ReadDegrees(envelope, "LONG", longitude)) return -1;
  char scaleText[kNumberRoom + 1] = {};
  int32_t scale = CurrentMapView().scale;
  if (GetIACParam(envelope, "SCAL", scaleText, kNumberRoom, false) == 0) {
    long asked = 0;
    if (std::sscanf(scaleText, "%ld", &asked) == 1) scale = ClampScale(asked);
  }
  const WPoint point = WorldPointFromDegrees(latitude, longitude);
  SetClickPoint(point);
  CentreViewOn(scale, point.x, point.y);
  return 0;
}

int32_t HandleVIEW(const char* envelope) {
  double lowLatitude = 0, lowLongitude = 0, highLatitude = 0, highLongitude = 0;
  if (!ReadDegrees(envelope, "LLAT", lowLatitude)) return -1;
  if (!ReadDegrees(envelope, "LLNG", lowLongitude)) return -1;
  if (!ReadDegrees(envelope, "HLAT", highLatitude)) return -1;
  if (!ReadDegrees(envelope, "HLNG", highLongitude)) return -1;
  FitWorldRect(WRectFromDegrees(lowLatitude, lowLongitude, highLatitude, highLongitude));
  return 0;
}

int32_t HandleVEWQuery(const char*) {
  const WRect view = ViewWorldRect();
  const std::string lowLatitude = FormatText("%f", LatitudeOfWorldY(view.y1));
  const std::string lowLongitude = FormatText("%f", LongitudeOfWorldX(view.x1));
  const std::string highLatitude = FormatText("%f", LatitudeOfWorldY(view.y2));
  const std::string highLongitude = FormatText("%f", LongitudeOfWorldX(view.x2));
  const IACParam answer[] = {
      {"LLAT", kIACTextKind, lowLatitude.c_str(), 0},
      {"LLNG", kIACTextKind, lowLongitude.c_str(), 0},
      {"HLAT", kIACTextKind, highLatitude.c_str(), 0},
      {"HLNG", kIACTextKind, highLongitude.c_str(), 0},
      {"", 0, nullptr, 0},
  };
  return Answer("VEW!", answer);
}

int32_t HandleDRWPlus(const char*) {
  ++drawHolds;
  return 0;
}

int32_t HandleDRWMinus(const char*) {
  if (drawHolds > 0) --drawHolds;
  RedrawAfterMessage();
  return 0;
}

void ResetViewMessagesForTesting() {
  drawHolds = 0;
}

}  // namespace tlv
