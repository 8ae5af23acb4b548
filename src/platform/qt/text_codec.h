// Conversion between the core's Windows-1252 bytes and Qt's Unicode strings. Every text that
// crosses into a widget, a dialog or the clipboard goes through here.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tlv {

// The Unicode character of a Windows-1252 code. The five codes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control characters of the same value, so every
// byte survives a round trip.
char16_t Windows1252ToUnicode(unsigned char code);
// The Windows-1252 code of a Unicode character; false when the code page has none.
bool UnicodeToWindows1252(char16_t unicode, unsigned char& code);

QString FromWindows1252(std::string_view bytes);
// Characters the code page cannot hold become "?" (a surrogate pair counts as one character).
std::string ToWindows1252(const QString& text);

}  // namespace tlv
