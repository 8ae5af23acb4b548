#include "geometry/coordinates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "geometry/geo_settings.h"
#include "support/test_support.h"

namespace tlv {
namespace {

class CoordinatesTest : public test::CoreTest {
 protected:
  void SetUp() override {
    test::CoreTest::SetUp();
    ResetGeometrySettings();
  }
  void TearDown() override {
    ResetGeometrySettings();
    test::CoreTest::TearDown();
  }
};

TEST_F(CoordinatesTest, LatLongToWorldAppliesHemispheresAndClamps) {
  // 45.5 N: 45,500,000 + 90,000,000; 122.25 W: -122,250,000 + 180,000,000.
  WPoint p = LatLongToWorld(45.5, 122.25, 'N', 'W');
  EXPECT_EQ(p.y, 135500000);
  EXPECT_EQ(p.x, 57750000);
  p = LatLongToWorld(90, 180, 'S', 'W');
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  p = LatLongToWorld(100, 200, 'N', 'E');
  EXPECT_EQ(p.x, 360000000);
  EXPECT_EQ(p.y, 180000000);
}

TEST_F(CoordinatesTest, LatLongToWorldNeverStoresNaNOrInfinity) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  WPoint p = LatLongToWorld(nan, nan, 'N', 'E');
  EXPECT_EQ(p.x, 180000000);
  EXPECT_EQ(p.y, 90000000);
  p = LatLongToWorld(inf, inf, 'S', 'E');
  EXPECT_EQ(p.y, 0);
  EXPECT_EQ(p.x, 360000000);
}

TEST_F(CoordinatesTest, WorldToLatLongLettersAtZeroAndClamping) {
  LatLong ll = WorldToLatLong(WPoint{180000000, 90000000});
  EXPECT_EQ(ll.latitude, 0.0);
  EXPECT_EQ(ll.longitude, 0.0);
  EXPECT_EQ(ll.latLetter, 'N');
  EXPECT_EQ(ll.longLetter, 'W');
  ll = WorldToLatLong(WPoint{400000000, -5});
  EXPECT_EQ(ll.latitude, 90.0);
  EXPECT_EQ(ll.latLetter, 'S');
  EXPECT_EQ(ll.longitude, 180.0);
  EXPECT_EQ(ll.longLetter, 'E');
  // 12.345679 degrees to 3 decimals: floor(12345.679 + 0.5) / 1000.
  ll = WorldToLatLong(WPoint{192345679, 90000000}, 3);
  EXPECT_DOUBLE_EQ(ll.longitude, 12.346);
}

TEST_F(CoordinatesTest, DecimalTextsHaveTheirFieldWidthsAndSigns) {
  std::string lat, lon;
  FormatLatLong(WPoint{180000000, 90000000}, kFormatDecimalDegrees, lat, lon);
  EXPECT_EQ(lat, " 0.000000\xB0N");
  EXPECT_EQ(lon, "  0.000000\xB0W");
  FormatLatLong(WPoint{57750000, 135500000}, kFormatDecimalDegrees, lat, lon);
  EXPECT_EQ(lat, "45.500000\xB0N");
  EXPECT_EQ(lon, "122.250000\xB0W");
}

TEST_F(CoordinatesTest, DegMinCarriesSixtyMinutesIntoADegree) {
  // 45.999983 degrees: 0.999983 x 60 = 59.99898 minutes, 60.00 at two decimals.
  DegMin lat, lon;
  WorldToDegMin(WPoint{187500000, 135999983}, 2, lat, lon);
  EXPECT_EQ(lat.degrees, 46);
  EXPECT_EQ(lat.minutes, 0.0);
  EXPECT_EQ(lon.degrees, 7);
  EXPECT_DOUBLE_EQ(lon.minutes, 30.0);
  std::string latText, lonText;
  SetCoordinateFormatSetting(kFormatDegMin);
  FormatLatLong(WPoint{187500000, 135999983}, latText, lonText);
  EXPECT_EQ(latText,
            "46\xB0"
            "00.00\x92N");
  EXPECT_EQ(lonText,
            "  7\xB0"
            "30.00\x92"
            "E");
}

TEST_F(CoordinatesTest, DegMinSecTextsAndCarries) {
  std::string lat, lon;
  // 12.345678: 20.74068 minutes, 44.4408 seconds; 0.5 W: 30 minutes.
  FormatLatLong(WPoint{179500000, 102345678}, kFormatDegMinSec, lat, lon);
  EXPECT_EQ(lat,
            "12\xB0"
            "20\x92"
            "44\"N");
  EXPECT_EQ(lon,
            "  0\xB0"
            "30\x92"
            "00\"W");
  // 10.999999: 59 minutes 59.9964 seconds rounds to 60 seconds, carrying twice.
  FormatLatLong(WPoint{180000000, 100999999}, kFormatDegMinSec, lat, lon);
  EXPECT_EQ(lat,
            "11\xB0"
            "00\x92"
            "00\"N");
}

TEST_F(CoordinatesTest, RoundDecimalText) {
  std::string t = "45.500000\xB0N";
  RoundLatLongText(t, 0, kFormatDecimalDegrees);
  EXPECT_EQ(t, "46\xB0N");
  t = " 45.499999\xB0N";
  RoundLatLongText(t, 0, kFormatDecimalDegrees);
  EXPECT_EQ(t, "45\xB0N");
  t = "45.123500\xB0N";
  RoundLatLongText(t, 3, kFormatDecimalDegrees);
  EXPECT_EQ(t, "45.124\xB0N");
  // The fraction 012345 reads as 12345; its leading zero comes back.
  t = "45.012345\xB0S";
  RoundLatLongText(t, 3, kFormatDecimalDegrees);
  EXPECT_EQ(t, "45.012\xB0S");
  t = "45.999600\xB0N";
  RoundLatLongText(t, 3, kFormatDecimalDegrees);
  EXPECT_EQ(t, "46.000\xB0N");
  t = "122.000051\xB0W";
  RoundLatLongText(t, 6, kFormatDecimalDegrees);
  EXPECT_EQ(t, "122.0001\xB0W");
  t = "122.250049\xB0W";
  RoundLatLongText(t, 6, kFormatDecimalDegrees);
  EXPECT_EQ(t, "122.2500\xB0W");
}

TEST_F(CoordinatesTest, RoundDegMinAndDegMinSecTexts) {
  std::string t =
      "46\xB0"
      "30.00\x92N";
  RoundLatLongText(t, 0, kFormatDegMin);
  EXPECT_EQ(t, "47\xB0N");
  t = "46\xB0"
      "59.50\x92N";
  RoundLatLongText(t, 3, kFormatDegMin);
  EXPECT_EQ(t,
            "47\xB0"
            "0\x92N");
  t = " 12\xB0"
      "29\x92"
      "59\"N";
  RoundLatLongText(t, 0, kFormatDegMinSec);
  EXPECT_EQ(t, "12\xB0N");
  t = "12\xB0"
      "59\x92"
      "30\"N";
  RoundLatLongText(t, 3, kFormatDegMinSec);
  EXPECT_EQ(t,
            "13\xB0"
            "0\x92N");
  t = "12\xB0"
      "20\x92"
      "59\"N";
  RoundLatLongText(t, 6, kFormatDegMinSec);
  EXPECT_EQ(t,
            "12\xB0"
            "21\x92"
            "0\"N");
  SetCoordinateFormatSetting(kFormatDegMinSec);
  t = "12\xB0"
      "20\x92"
      "58\"N";
  RoundLatLongText(t, 6);
  EXPECT_EQ(t,
            "12\xB0"
            "20\x92"
            "58\"N");
}

TEST_F(CoordinatesTest, RoundLatLongTextLeavesUnreadableTextTrimmed) {
  std::string t = "no coordinate   ";
  RoundLatLongText(t, 3, kFormatDecimalDegrees);
  EXPECT_EQ(t, "no coordinate");
  t = "45.123456\xB0N";
  RoundLatLongText(t, 5, kFormatDecimalDegrees);
  EXPECT_EQ(t, "45.123456\xB0N");
}

TEST_F(CoordinatesTest, FieldsToDegrees) {
  EXPECT_DOUBLE_EQ(LatLongFieldsToDegrees(kFormatDegMin, 12, 30, 0), 12.5);
  EXPECT_DOUBLE_EQ(LatLongFieldsToDegrees(kFormatDegMinSec, 12, 30, 36), 12.51);
  EXPECT_DOUBLE_EQ(LatLongFieldsToDegrees(kFormatDecimalDegrees, 12.25, 9, 9), 12.25);
}

// Every latitude/longitude on a grid survives the trip to world units and back to within one
// world unit (a millionth of a degree).
TEST_F(CoordinatesTest, GridRoundTripStaysWithinOneWorldUnit) {
  for (int i = 0; i <= 1458; ++i) {
    const double latitude = -90.0 + i * 0.1234567;
    if (latitude > 90.0) break;
    for (int j = 0; j <= 1100; j += 7) {
      const double longitude = -180.0 + j * 0.3272727;
      if (longitude > 180.0) break;
      const WPoint p = LatLongToWorld(std::fabs(latitude), std::fabs(longitude),
                                      latitude < 0 ? 'S' : 'N', longitude < 0 ? 'W' : 'E');
      const LatLong back = WorldToLatLong(p);
      const double lat2 = back.latLetter == 'S' ? -back.latitude : back.latitude;
      const double lon2 = back.longLetter == 'W' ? -back.longitude : back.longitude;
      ASSERT_LE(std::fabs(lat2 - latitude), 1e-6 + 1e-12) << latitude;
      ASSERT_LE(std::fabs(lon2 - longitude), 1e-6 + 1e-12) << longitude;
    }
  }
}

}  // namespace
}  // namespace tlv
