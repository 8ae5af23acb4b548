// The copy commands of the Click Point, Marked Point and object pop-ups: coordinates, names and
// simple-text records put on the clipboard as plain Windows-1252 text, for pasting into other
// programs.
#pragma once

#include <cstdint>
#include <string>

#include "base/memory.h"
#include "base/object_ids.h"

namespace tlv {

constexpr int32_t kClickPointMenu = 20000;
constexpr int32_t kCopyClickPointItem = 20001;
constexpr int32_t kMarkedPointMenu = 20300;
constexpr int32_t kCopyMarkedPointItem = 20301;
constexpr int32_t kObjectMenu = 20400;
constexpr int32_t kCopyObjectNameItem = 20406;
constexpr int32_t kCopyObjectLatLongItem = 20407;
constexpr int32_t kCopyObjectRecordItem = 20408;

// A copied simple-text record keeps at most this many bytes.
constexpr size_t kMaxCopiedRecordLength = 255;
// "-123.123456\t-12.123456": every coordinate line has this length before its line end.
constexpr size_t kCoordinateTextLength = 22;

// Appends one coordinate to text (a Handle grown as needed): longitude and latitude in decimal
// degrees as "%11f\t%10f", always with a decimal point whatever the locale, then CR LF when
// withLineEnd. A coordinate whose text is not 22 characters long (a world position far outside
// the world) is reported as "strlen()" in "AddCoordToText()" and nothing is appended.
int32_t AddCoordToText(int32_t x, int32_t y, bool withLineEnd, Handle text);

// The coordinate list of an object in a new Handle (its bytes, no NUL): a point's position
// without line end; the four corners of rectangles, circles, texts and pictures; the start of
// every stored segment of polylines and polygons, with an empty line before each new ring or
// chain but the first. An alias gives a null Handle and 0.
int32_t PopInfoCopyCoordinates(const ObjectRef& object, Handle& text);

// The text a copy command puts on the clipboard: empty when there is nothing to copy (nothing
// selected, no Marked Point, an alias). Failures are reported before they are returned.
int32_t CopyCommandText(int32_t menu, int32_t item, std::string& text);

// Carries out a copy command: the text goes to the platform's clipboard; an empty text leaves the
// clipboard as it was. A clipboard that cannot be taken is reported as "OpenClipboard()" in
// "PopInfoCopyText()".
int32_t PopInfoCopyText(int32_t menu, int32_t item);

}  // namespace tlv
