#include "base/platform.h"

#include "base/headless_platform.h"

namespace tlv {

namespace {
PlatformServices* installed = nullptr;
}  // namespace

PlatformServices& Platform() {
  if (installed == nullptr) return DefaultHeadlessPlatform();
  return *installed;
}

void InstallPlatform(PlatformServices* services) {
  installed = services;
}

uint32_t SecondsSince1904() {
  // Stored times count local seconds since 1904, as the files have always done.
  const LocalTime t = Platform().CurrentLocalTime();
  // Days from 1904-01-01 to the given civil date (proleptic Gregorian).
  auto daysFromCivil = [](int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<int64_t>(era) * 146097 + doe - 719468;  // days since 1970-01-01
  };
  const int64_t days = daysFromCivil(t.year, t.month, t.day) + kSeconds1904To1970 / 86400;
  const int64_t seconds = days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
  if (seconds < 0) return 0;
  if (seconds > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(seconds);
}

}  // namespace tlv
