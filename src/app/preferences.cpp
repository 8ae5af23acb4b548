#include "app/preferences.h"

#include <algorithm>
#include <cstring>

#include "base/endian.h"
#include "base/errors.h"
#include "base/files.h"
#include "store/directory_table.h"
#include "store/file_contents.h"

namespace tlv {

namespace {

// The layout of SETTING3.PLT, defined once. Numbers are stored in the machine's own order, as
// the file has always been written whole from memory.
constexpr int32_t kHomeViewOffset = 0;
constexpr int32_t kReferenceViewOffset = 140;
constexpr int32_t kViewRecordBytes = 140;
constexpr int32_t kNumbersOffset = 280;
constexpr int32_t kTextsOffset = 428;
constexpr int32_t kTextBytes = 21;

struct PrefFieldDef {
  Pref id;
  const char* name;
  int32_t offset;  // each numeric field is 4 bytes
  int32_t defaultValue;
  int32_t minimum;
  int32_t maximum;
};

constexpr int32_t kUnsetPosition = -32000;

constexpr int32_t At(Pref p) {
  return kNumbersOffset + 4 * static_cast<int32_t>(p);
}

constexpr PrefFieldDef kFields[] = {
    {Pref::kDistanceUnit, "distanceUnit", At(Pref::kDistanceUnit), 5, 1, 6},
    {Pref::kCoordinateFormat, "coordinateFormat", At(Pref::kCoordinateFormat), 0, 0, 2},
    {Pref::kScaleDisplayMode, "scaleDisplayMode", At(Pref::kScaleDisplayMode), 0, 0, 2},
    {Pref::kShowReferenceView, "showReferenceView", At(Pref::kShowReferenceView), 0, 0, 1},
    {Pref::kAllowAnyViewInReference, "allowAnyViewInReference", At(Pref::kAllowAnyViewInReference),
     0, 0, 1},
    {Pref::kResizeWindowToFitView, "resizeWindowToFitView", At(Pref::kResizeWindowToFitView), 0, 0,
     1},
    {Pref::kFlashClickPoint, "flashClickPoint", At(Pref::kFlashClickPoint), 1, 0, 1},
    {Pref::kClickPointMark, "clickPointMark", At(Pref::kClickPointMark), 0, 0, 2},
    {Pref::kClickPointColor, "clickPointColor", At(Pref::kClickPointColor), 15, 1, 16},
    {Pref::kShowMarkedPoint, "showMarkedPoint", At(Pref::kShowMarkedPoint), 1, 0, 1},
    {Pref::kGridShown, "gridShown", At(Pref::kGridShown), 0, 0, 1},
    {Pref::kGridOverOverlays, "gridOverOverlays", At(Pref::kGridOverOverlays), 0, 0, 1},
    {Pref::kGridMinorLines, "gridMinorLines", At(Pref::kGridMinorLines), 0, 0, 1},
    {Pref::kGridMajorColor, "gridMajorColor", At(Pref::kGridMajorColor), 1, 1, 17},
    {Pref::kGridMinorColor, "gridMinorColor", At(Pref::kGridMinorColor), 4, 1, 17},
    {Pref::kGridMajorCustomColor, "gridMajorCustomColor", At(Pref::kGridMajorCustomColor), 0, 0,
     0xFFFFFF},
    {Pref::kGridMinorCustomColor, "gridMinorCustomColor", At(Pref::kGridMinorCustomColor), 0, 0,
     0xFFFFFF},
    {Pref::kScaleBarShown, "scaleBarShown", At(Pref::kScaleBarShown), 0, 0, 1},
    {Pref::kScaleBarBothUnits, "scaleBarBothUnits", At(Pref::kScaleBarBothUnits), 0, 0, 1},
    {Pref::kScaleBarInchLine, "scaleBarInchLine", At(Pref::kScaleBarInchLine), 0, 0, 1},
    {Pref::kScaleBarX, "scaleBarX", At(Pref::kScaleBarX), kUnsetPosition, kUnsetPosition, 32000},
    {Pref::kScaleBarY, "scaleBarY", At(Pref::kScaleBarY), kUnsetPosition, kUnsetPosition, 32000},
    {Pref::kCompassShown, "compassShown", At(Pref::kCompassShown), 0, 0, 1},
    {Pref::kCompassX, "compassX", At(Pref::kCompassX), kUnsetPosition, kUnsetPosition, 32000},
    {Pref::kCompassY, "compassY", At(Pref::kCompassY), kUnsetPosition, kUnsetPosition, 32000},
    {Pref::kTimeStampShown, "timeStampShown", At(Pref::kTimeStampShown), 0, 0, 1},
    {Pref::kTimeStampDateKind, "timeStampDateKind", At(Pref::kTimeStampDateKind), 1, 0, 3},
    {Pref::kTimeStampTimeKind, "timeStampTimeKind", At(Pref::kTimeStampTimeKind), 1, 0, 3},
    {Pref::kTimeStampX, "timeStampX", At(Pref::kTimeStampX), kUnsetPosition, kUnsetPosition, 32000},
    {Pref::kTimeStampY, "timeStampY", At(Pref::kTimeStampY), kUnsetPosition, kUnsetPosition, 32000},
    {Pref::kLegendShown, "legendShown", At(Pref::kLegendShown), 0, 0, 1},
    {Pref::kMapStyle, "mapStyle", At(Pref::kMapStyle), 0, 0, 1},
    {Pref::kMapStyleCompanion, "mapStyleCompanion", At(Pref::kMapStyleCompanion), 0, 0, 1},
    {Pref::kShowBasemap, "showBasemap", At(Pref::kShowBasemap), 1, 0, 1},
    {Pref::kRedrawAfterEachChange, "redrawAfterEachChange", At(Pref::kRedrawAfterEachChange), 1, 0,
     1},
    {Pref::kConfirmDeletes, "confirmDeletes", At(Pref::kConfirmDeletes), 1, 0, 1},
    {Pref::kSelectionTagSize, "selectionTagSize", At(Pref::kSelectionTagSize), 4, 2, 10},
};
static_assert(std::size(kFields) == static_cast<size_t>(Pref::kCount));
static_assert(kReferenceViewOffset + kViewRecordBytes <= kNumbersOffset);
static_assert(At(Pref::kCount) <= kTextsOffset);
static_assert(kTextsOffset + kTextBytes * static_cast<int32_t>(PrefText::kCount) <=
              kPreferencesSize);

// The older 1185-byte layout: what is carried over from it, and where it lay.
constexpr int32_t kOldHomeViewOffset = 0;  // 134-byte saved-view image, big-endian
constexpr int32_t kOldReferenceViewOffset = 134;
constexpr int32_t kOldDistanceUnitOffset = 268;  // 16-bit big-endian
constexpr int32_t kOldCoordinateFormatOffset = 270;
constexpr int32_t kOldScaleDisplayModeOffset = 272;
constexpr int32_t kOldTextsOffset = 300;  // three 21-byte texts

struct Preferences {
  int32_t numbers[static_cast<int>(Pref::kCount)];
  char texts[static_cast<int>(PrefText::kCount)][kTextBytes];
  ViewRecord home;
  ViewRecord reference;
};

Preferences prefs;

// The record is kept in the machine's own byte order.
void PutNative32(char* p, int32_t v) {
  std::memcpy(p, &v, 4);
}
void PutNative16(char* p, int16_t v) {
  std::memcpy(p, &v, 2);
}
int32_t GetNative32(const char* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
int16_t GetNative16(const char* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

const PrefFieldDef& Def(Pref field) {
  return kFields[static_cast<int>(field)];
}

void CopyText(char* to, size_t width, const char* from) {
  std::memset(to, 0, width);
  std::strncpy(to, from, width - 1);
}

ViewRecord DefaultHomeView() {
  ViewRecord view;
  CopyText(view.name, sizeof view.name, "Home");
  // The whole of the contiguous United States and its neighbours.
  view.rect = {55000000, 113000000, 115000000, 142000000};
  view.scale = 20000000;
  return view;
}

void EncodeView(char* p, const ViewRecord& v) {
  std::memcpy(p, v.name, 32);
  std::memcpy(p + 32, v.mapName, 42);
  PutNative32(p + 74, v.rect.x1);
  PutNative32(p + 78, v.rect.y1);
  PutNative32(p + 82, v.rect.x2);
  PutNative32(p + 86, v.rect.y2);
  PutNative32(p + 90, v.scale);
  PutNative32(p + 94, v.flagA);
  PutNative32(p + 98, v.flagB);
  std::memcpy(p + 102, v.fileName, 32);
  PutNative16(p + 134, v.volume);
  PutNative32(p + 136, v.folderID);
}

ViewRecord DecodeView(const char* p) {
  ViewRecord v;
  std::memcpy(v.name, p, 32);
  std::memcpy(v.mapName, p + 32, 42);
  v.rect = {GetNative32(p + 74), GetNative32(p + 78), GetNative32(p + 82), GetNative32(p + 86)};
  v.scale = GetNative32(p + 90);
  v.flagA = GetNative32(p + 94);
  v.flagB = GetNative32(p + 98);
  std::memcpy(v.fileName, p + 102, 32);
  v.volume = GetNative16(p + 134);
  v.folderID = GetNative32(p + 136);
  return v;
}

void NormaliseView(ViewRecord& v, bool isHome) {
  v.name[sizeof v.name - 1] = '\0';
  v.mapName[sizeof v.mapName - 1] = '\0';
  v.fileName[sizeof v.fileName - 1] = '\0';
  if (v.rect.x1 > v.rect.x2) std::swap(v.rect.x1, v.rect.x2);
  if (v.rect.y1 > v.rect.y2) std::swap(v.rect.y1, v.rect.y2);
  v.rect.x1 = std::clamp(v.rect.x1, 0, 360000000);
  v.rect.x2 = std::clamp(v.rect.x2, 0, 360000000);
  v.rect.y1 = std::clamp(v.rect.y1, 0, 180000000);
  v.rect.y2 = std::clamp(v.rect.y2, 0, 180000000);
  if (isHome) {
    // The Home view is never empty: 0 keeps its meaning, anything unusable becomes the default.
    if (v.scale == 0) return;
    if (v.scale < 0 || v.rect.x1 == v.rect.x2 || v.rect.y1 == v.rect.y2) {
      v = DefaultHomeView();
      return;
    }
  } else if (v.scale < 0 || v.rect.x1 == v.rect.x2 || v.rect.y1 == v.rect.y2) {
    v = ViewRecord();
    return;
  }
  v.scale = std::clamp(v.scale, 500, 262144000);
}

}  // namespace

int32_t GetPref(Pref field) {
  return prefs.numbers[static_cast<int>(field)];
}
void SetPref(Pref field, int32_t value) {
  prefs.numbers[static_cast<int>(field)] = value;
}
const char* PrefName(Pref field) {
  return Def(field).name;
}

std::string GetPrefText(PrefText field) {
  const char* text = prefs.texts[static_cast<int>(field)];
  return std::string(text, strnlen(text, kTextBytes));
}

void SetPrefText(PrefText field, const std::string& text) {
  CopyText(prefs.texts[static_cast<int>(field)], kTextBytes, text.c_str());
}

ViewRecord HomeView() {
  return prefs.home;
}
void SetHomeView(const ViewRecord& view) {
  prefs.home = view;
}
ViewRecord ReferenceView() {
  return prefs.reference;
}
void SetReferenceView(const ViewRecord& view) {
  prefs.reference = view;
}

void SetDefaultPreferences() {
  for (const PrefFieldDef& f : kFields) prefs.numbers[static_cast<int>(f.id)] = f.defaultValue;
  std::memset(prefs.texts, 0, sizeof prefs.texts);
  prefs.home = DefaultHomeView();
  prefs.reference = ViewRecord();
}

void NormalisePreferences() {
  // A map style above 1 comes from a later version: it becomes 1 and its companion is cleared.
  if (GetPref(Pref::kMapStyle) > 1) {
    SetPref(Pref::kMapStyle, 1);
    SetPref(Pref::kMapStyleCompanion, 0);
  }
  for (const PrefFieldDef& f : kFields) {
    int32_t& value = prefs.numbers[static_cast<int>(f.id)];
    if (value < f.minimum || value > f.maximum) value = f.defaultValue;
  }
  for (auto& text : prefs.texts) text[kTextBytes - 1] = '\0';
  NormaliseView(prefs.home, true);
  NormaliseView(prefs.reference, false);
}

void EncodePreferences(char (&bytes)[kPreferencesSize]) {
  std::memset(bytes, 0, sizeof bytes);
  EncodeView(bytes + kHomeViewOffset, prefs.home);
  EncodeView(bytes + kReferenceViewOffset, prefs.reference);
  for (const PrefFieldDef& f : kFields) {
    PutNative32(bytes + f.offset, prefs.numbers[static_cast<int>(f.id)]);
  }
  for (int i = 0; i < static_cast<int>(PrefText::kCount); ++i) {
    std::memcpy(bytes + kTextsOffset + i * kTextBytes, prefs.texts[i], kTextBytes);
  }
}

bool DecodePreferences(const char* bytes, int32_t length) {
  if (length == kPreferencesSize) {
    prefs.home = DecodeView(bytes + kHomeViewOffset);
    prefs.reference = DecodeView(bytes + kReferenceViewOffset);
    for (const PrefFieldDef& f : kFields) {
      prefs.numbers[static_cast<int>(f.id)] = GetNative32(bytes + f.offset);
    }
    for (int i = 0; i < static_cast<int>(PrefText::kCount); ++i) {
      std::memcpy(prefs.texts[i], bytes + kTextsOffset + i * kTextBytes, kTextBytes);
    }
    return true;
  }
  if (length == kOldPreferencesSize) {
    // Start from the defaults and carry over what the older layout shares with this one.
    SetDefaultPreferences();
    prefs.home = DecodeSavedViewImage(bytes + kOldHomeViewOffset);
    prefs.reference = DecodeSavedViewImage(bytes + kOldReferenceViewOffset);
    SetPref(Pref::kDistanceUnit, GetBig16(bytes + kOldDistanceUnitOffset));
    SetPref(Pref::kCoordinateFormat, GetBig16(bytes + kOldCoordinateFormatOffset));
    SetPref(Pref::kScaleDisplayMode, GetBig16(bytes + kOldScaleDisplayModeOffset));
    for (int i = 0; i < static_cast<int>(PrefText::kCount); ++i) {
      std::memcpy(prefs.texts[i], bytes + kOldTextsOffset + i * kTextBytes, kTextBytes);
    }
    return true;
  }
  return false;
}

bool LoadSettings(int16_t volume, int32_t settingsDirID, int32_t programDirID) {
  SetDefaultPreferences();
  struct Candidate {
    int32_t dirID;
    const char* name;
  };
  const Candidate candidates[] = {{settingsDirID, "SETTING3.PLT"}, {programDirID, "SETTING2.PLT"}};
  for (const Candidate& c : candidates) {
    if (c.dirID < 0) continue;
    Handle contents = nullptr;
    int32_t length = 0;
    if (ReadFileContents(volume, c.dirID, c.name, nullptr, length, &contents, false) != 0) {
      continue;
    }
    ScopedHandle owner(contents);
    length = MyGetHandleSize(contents);
    if (DecodePreferences(*contents, length)) {
      NormalisePreferences();
      return true;
    }
    // A file of any other size is not ours to read: it goes, and the next one is tried.
    std::string path;
    if (MakeFullPath(volume, c.dirID, c.name, path) == 0) DeleteFile(path);
    SetDefaultPreferences();
  }
  return false;
}

int32_t SaveSettings(int16_t volume, int32_t settingsDirID) {
  char bytes[kPreferencesSize];
  EncodePreferences(bytes);
  const int32_t err = WriteFileContents(volume, settingsDirID, "SETTING3.PLT", FourCharCode("TLV1"),
                                        FourCharCode("SETS"), kPreferencesSize, bytes);
  if (err != 0) {
    ReportFileError("SaveSettings()", "WriteFileContents()", err, volume, settingsDirID,
                    "SETTING3.PLT");
  }
  return err;
}

}  // namespace tlv
