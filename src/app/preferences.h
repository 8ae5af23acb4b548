// The user's preferences: one fixed 688-byte record, loaded at start-up and written whole at
// shutdown as SETTING3.PLT. Its layout is defined once, as the table in preferences.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "base/world_types.h"
#include "catalogue/views.h"

namespace tlv {

constexpr int32_t kPreferencesSize = 688;
constexpr int32_t kOldPreferencesSize = 1185;

// The numeric preferences, each a field of the table.
enum class Pref : int {
  kDistanceUnit,      // 1 feet .. 6 nautical miles
  kCoordinateFormat,  // 0 decimal degrees, 1 degrees and minutes, 2 degrees minutes seconds
  kScaleDisplayMode,  // 0 ratio, 1 paper-unit equivalence, 2 window width
  kShowReferenceView,
  kAllowAnyViewInReference,
  kResizeWindowToFitView,
  kFlashClickPoint,
  kClickPointMark,   // 0 cross, 1 circle, 2 cross in a circle
  kClickPointColor,  // colour code of the Click Point mark
  kShowMarkedPoint,
  kGridShown,
  kGridOverOverlays,
  kGridMinorLines,
  kGridMajorColor,
  kGridMinorColor,
  kGridMajorCustomColor,
  kGridMinorCustomColor,
  kScaleBarShown,
  kScaleBarBothUnits,
  kScaleBarInchLine,
  kScaleBarX,
  kScaleBarY,
  kCompassShown,
  kCompassX,
  kCompassY,
  kTimeStampShown,
  kTimeStampDateKind,  // 0 none, 1 short, 2 long, 3 custom
  kTimeStampTimeKind,  // 0 none, 1 twelve-hour, 2 twenty-four-hour, 3 custom
  kTimeStampX,
  kTimeStampY,
  kLegendShown,
  kMapStyle,  // 0 or 1; its companion is cleared when it is corrected
  kMapStyleCompanion,
  kShowBasemap,
  kRedrawAfterEachChange,
  kConfirmDeletes,
  kSelectionTagSize,
  kCount
};

enum class PrefText : int {
  kTimeStampCustomDate,
  kTimeStampCustomTime,
  kTimeStampExtraLine,
  kCount
};

int32_t GetPref(Pref field);
void SetPref(Pref field, int32_t value);
std::string GetPrefText(PrefText field);
void SetPrefText(PrefText field, const std::string& text);
const char* PrefName(Pref field);

ViewRecord HomeView();
void SetHomeView(const ViewRecord& view);
ViewRecord ReferenceView();
void SetReferenceView(const ViewRecord& view);

// Defaults everywhere.
void SetDefaultPreferences();
// Sets defaults, then loads SETTING3.PLT from the Settings folder or SETTING2.PLT from the
// program folder; a file of a wrong size is deleted and the next is tried. True when a file
// was loaded.
bool LoadSettings(int16_t volume, int32_t settingsDirID, int32_t programDirID);
// Writes SETTING3.PLT into the Settings folder; failures are reported and returned.
int32_t SaveSettings(int16_t volume, int32_t settingsDirID);

// The record's bytes, for tests and for the file.
void EncodePreferences(char (&bytes)[kPreferencesSize]);
// Takes a 688-byte image or converts a 1185-byte older one; false for any other size.
bool DecodePreferences(const char* bytes, int32_t length);
// Brings the two view records and the options back into their ranges.
void NormalisePreferences();

}  // namespace tlv
