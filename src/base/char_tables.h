// Character tables for text that crosses between the Mac OS Roman and Windows-1252 sets, and
// the class of codes that count as letters in names and words.
#pragma once

#include <string>

namespace tlv {

unsigned char MacToWindows(unsigned char code);
unsigned char WindowsToMac(unsigned char code);
void MacToWindowsText(std::string& text);
void WindowsToMacText(std::string& text);
// Codes below 128 and the accented letters above count as word characters.
bool IsLetterCode(unsigned char code);

}  // namespace tlv
