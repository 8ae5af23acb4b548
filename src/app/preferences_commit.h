// What the Preferences dialog's OK and Apply do with the fields it changed.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

// Brings the fields into range as loading does (an out-of-range value takes its default), hands
// the distance unit, coordinate format and scale display mode to the code that reads them, and
// writes SETTING3.PLT into the Settings folder at once (through its work file), so a crash later
// does not lose what the user chose. The write's result (reported when it failed).
int32_t CommitPreferences(int16_t volume, int32_t settingsDirID);

// The whole record's bytes, to put back exactly when the dialog is cancelled.
std::string PreferencesImage();
void RestorePreferencesImage(const std::string& image);

}  // namespace tlv
