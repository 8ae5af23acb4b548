#include "geometry/coordinates.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "geometry/geo_settings.h"

namespace tlv {

namespace {

int32_t DegreesToWorldAxis(double degrees, double offset, double maximum) {
  if (std::isnan(degrees)) degrees = 0;
  const double v = std::clamp(degrees * kUnitsPerDegree + offset, 0.0, maximum);
  return static_cast<int32_t>(v);
}

// Whole part and the fraction of a field scaled to 60, with carries out of a field of 60.
void SplitSixty(double value, int32_t& whole, double& fraction) {
  whole = static_cast<int32_t>(value);
  fraction = (value - whole) * 60.0;
}

}  // namespace

WPoint LatLongToWorld(double latitude, double longitude, char latLetter, char longLetter) {
  if (latLetter == 'S') latitude = -latitude;
  if (longLetter == 'W') longitude = -longitude;
  WPoint p;
  p.y = DegreesToWorldAxis(latitude, kWorldOffsetY, kWorldMaxY);
  p.x = DegreesToWorldAxis(longitude, kWorldOffsetX, kWorldMaxX);
  return p;
}

double RoundToDecimals(double value, int decimals) {
  if (decimals < 0 || !std::isfinite(value)) return value;
  const double scale = std::pow(10.0, std::min(decimals, 9));
  return std::floor(value * scale + 0.5) / scale;
}

LatLong WorldToLatLong(WPoint p, int decimals) {
  const int32_t y = std::clamp(p.y, 0, kWorldMaxY);
  const int32_t x = std::clamp(p.x, 0, kWorldMaxX);
  const double latitude = (y - kWorldOffsetY) / kUnitsPerDegree;
  const double longitude = (x - kWorldOffsetX) / kUnitsPerDegree;
  LatLong result;
  result.latLetter = latitude >= 0 ? 'N' : 'S';
  result.longLetter = longitude > 0 ? 'E' : 'W';
  result.latitude = RoundToDecimals(std::fabs(latitude), decimals);
  result.longitude = RoundToDecimals(std::fabs(longitude), decimals);
  return result;
}

void WorldToDegMin(WPoint p, int decimals, DegMin& lat, DegMin& lon) {
  const LatLong ll = WorldToLatLong(p);
  auto axis = [decimals](double value, char letter, DegMin& out) {
    SplitSixty(value, out.degrees, out.minutes);
    out.minutes = RoundToDecimals(out.minutes, decimals);
    if (out.minutes >= 60.0) {
      out.minutes = 0;
      ++out.degrees;
    }
    out.letter = letter;
  };
  axis(ll.latitude, ll.latLetter, lat);
  axis(ll.longitude, ll.longLetter, lon);
}

void WorldToDegMinSec(WPoint p, int decimals, DegMinSec& lat, DegMinSec& lon) {
  const LatLong ll = WorldToLatLong(p);
  auto axis = [decimals](double value, char letter, DegMinSec& out) {
    double minutes = 0;
    SplitSixty(value, out.degrees, minutes);
    SplitSixty(minutes, out.minutes, out.seconds);
    out.seconds = RoundToDecimals(out.seconds, decimals);
    if (out.seconds >= 60.0) {
      out.seconds = 0;
      ++out.minutes;
    }
    if (out.minutes >= 60) {
      out.minutes = 0;
      ++out.degrees;
    }
    out.letter = letter;
  };
  axis(ll.latitude, ll.latLetter, lat);
  axis(ll.longitude, ll.longLetter, lon);
}

void FormatLatLong(WPoint p, int16_t format, std::string& latText, std::string& longText) {
  char latBuffer[64];
  char longBuffer[64];
  if (format == kFormatDegMin) {
    DegMin lat, lon;
    WorldToDegMin(p, 2, lat, lon);
    std::snprintf(latBuffer, sizeof latBuffer, "%2ld\260%05.2f\222%c", long{lat.degrees},
                  lat.minutes, lat.letter);
    std::snprintf(longBuffer, sizeof longBuffer, "%3ld\260%05.2f\222%c", long{lon.degrees},
                  lon.minutes, lon.letter);
  } else if (format == kFormatDegMinSec) {
    DegMinSec lat, lon;
    WorldToDegMinSec(p, 0, lat, lon);
    std::snprintf(latBuffer, sizeof latBuffer, "%2ld\260%02ld\222%02.0f\"%c", long{lat.degrees},
                  long{lat.minutes}, lat.seconds, lat.letter);
    std::snprintf(longBuffer, sizeof longBuffer, "%3ld\260%02ld\222%02.0f\"%c", long{lon.degrees},
                  long{lon.minutes}, lon.seconds, lon.letter);
  } else {
    const LatLong ll = WorldToLatLong(p, 6);
    std::snprintf(latBuffer, sizeof latBuffer, "%9.6f\260%c", ll.latitude, ll.latLetter);
    std::snprintf(longBuffer, sizeof longBuffer, "%10.6f\260%c", ll.longitude, ll.longLetter);
  }
  latText = latBuffer;
  longText = longBuffer;
}

void FormatLatLong(WPoint p, std::string& latText, std::string& longText) {
  FormatLatLong(p, CurrentGeometrySettings().coordinateFormat, latText, longText);
}

double LatLongFieldsToDegrees(int16_t format, double degrees, double minutes, double seconds) {
  if (format == kFormatDegMin) return degrees + minutes / 60.0;
  if (format == kFormatDegMinSec) return degrees + minutes / 60.0 + seconds / 3600.0;
  return degrees;
}

void TrimTrailingBlanks(std::string& text) {
  const size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
}

namespace {

// A reader over a coordinate text with the rules of the "%ld" and "%c" conversions: a number
// may follow blanks and carry a sign, a character is taken as it is.
struct TextReader {
  const char* p;

  bool Number(long& value, int* digitCount = nullptr) {
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    int digits = 0;
    long v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
      // Coordinate fields are short; stop accumulating before a long could overflow.
      if (v < 100000000L) v = v * 10 + (*p - '0');
      ++p;
      ++digits;
    }
    if (digits == 0) return false;
    value = negative ? -v : v;
    if (digitCount != nullptr) *digitCount = digits;
    return true;
  }
  bool Char(char& c) {
    if (*p == '\0') return false;
    c = *p++;
    return true;
  }
  bool Literal(char c) {
    if (*p != c) return false;
    ++p;
    return true;
  }
};

// Scales a fraction read as an integer of digitCount digits to exactly `wanted` digits, so that
// "5" after the point counts as 500000 and not as 5.
long NormaliseFraction(long fraction, int digitCount, int wanted) {
  for (; digitCount < wanted; ++digitCount) fraction *= 10;
  for (; digitCount > wanted; --digitCount) fraction /= 10;
  return fraction;
}

std::string Print(const char* format, long a, char b, char c) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format, a, b, c);
  return buffer;
}

bool RoundDecimalText(const char* start, int16_t precision, std::string& out) {
  TextReader in{start};
  long degrees = 0, fraction = 0;
  int digits = 0;
  char degreeSign = 0, letter = 0;
  if (!in.Number(degrees) || !in.Literal('.') || !in.Number(fraction, &digits) || fraction < 0 ||
      !in.Char(degreeSign) || !in.Char(letter)) {
    return false;
  }
  fraction = NormaliseFraction(fraction, digits, 6);
  if (precision == 0) {
    if (fraction > 499999) ++degrees;
    out = Print("%ld%c%c", degrees, degreeSign, letter);
    return true;
  }
  long step = 0;
  int keptDigits = 0;
  if (precision == 3) {
    step = 1000;
    keptDigits = 3;
  } else if (precision == 6) {
    step = 100;
    keptDigits = 4;
  } else {
    return false;
  }
  if (fraction % step >= step / 2) fraction += step;
  if (fraction > 999999) {
    fraction = 0;
    ++degrees;
  }
  const long kept = fraction / step;
  const std::string keptText = std::to_string(kept);
  const std::string zeros =
      std::string("000000").substr(0, keptDigits - std::min<int>(keptDigits, keptText.size()));
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%ld.%s%ld%c%c", degrees, zeros.c_str(), kept, degreeSign,
                letter);
  out = buffer;
  return true;
}

bool RoundDegMinText(const char* start, int16_t precision, std::string& out) {
  TextReader in{start};
  long degrees = 0, minutes = 0, fraction = 0;
  int digits = 0;
  char degreeSign = 0, minuteSign = 0, letter = 0;
  if (!in.Number(degrees) || !in.Char(degreeSign) || !in.Number(minutes) || !in.Literal('.') ||
      !in.Number(fraction, &digits) || !in.Char(minuteSign) || !in.Char(letter)) {
    return false;
  }
  fraction = NormaliseFraction(fraction, digits, 2);
  if (precision == 0) {
    if (minutes >= 30) ++degrees;
    out = Print("%ld%c%c", degrees, degreeSign, letter);
    return true;
  }
  if (precision != 3) return false;
  if (fraction >= 50) ++minutes;
  if (minutes >= 60) {
    minutes -= 60;
    ++degrees;
  }
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%ld%c%ld%c%c", degrees, degreeSign, minutes, minuteSign,
                letter);
  out = buffer;
  return true;
}

bool RoundDegMinSecText(const char* start, int16_t precision, std::string& out) {
  TextReader in{start};
  long degrees = 0, minutes = 0, seconds = 0;
  char degreeSign = 0, minuteSign = 0, secondSign = 0, letter = 0;
  if (!in.Number(degrees) || !in.Char(degreeSign) || !in.Number(minutes) || !in.Char(minuteSign) ||
      !in.Number(seconds) || !in.Char(secondSign) || !in.Char(letter)) {
    return false;
  }
  char buffer[96];
  if (precision == 0) {
    if (minutes >= 30) ++degrees;
    out = Print("%ld%c%c", degrees, degreeSign, letter);
    return true;
  }
  if (precision == 3) {
    if (seconds >= 30) ++minutes;
    if (minutes >= 60) {
      minutes -= 60;
      ++degrees;
    }
    std::snprintf(buffer, sizeof buffer, "%ld%c%ld%c%c", degrees, degreeSign, minutes, minuteSign,
                  letter);
    out = buffer;
    return true;
  }
  if (precision != 6) return false;
  if (seconds >= 59) {
    seconds = 0;
    ++minutes;
  }
  if (minutes >= 60) {
    minutes -= 60;
    ++degrees;
  }
  std::snprintf(buffer, sizeof buffer, "%ld%c%ld%c%ld%c%c", degrees, degreeSign, minutes,
                minuteSign, seconds, secondSign, letter);
  out = buffer;
  return true;
}

}  // namespace

void RoundLatLongText(std::string& text, int16_t precision, int16_t format) {
  const char* start = text.c_str();
  while (*start == ' ') ++start;
  std::string rounded;
  bool done = false;
  if (format == kFormatDegMin) {
    done = RoundDegMinText(start, precision, rounded);
  } else if (format == kFormatDegMinSec) {
    done = RoundDegMinSecText(start, precision, rounded);
  } else {
    done = RoundDecimalText(start, precision, rounded);
  }
  if (done) text = rounded;
  TrimTrailingBlanks(text);
}

void RoundLatLongText(std::string& text, int16_t precision) {
  RoundLatLongText(text, precision, CurrentGeometrySettings().coordinateFormat);
}

}  // namespace tlv
