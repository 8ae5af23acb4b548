// The latitude/longitude entry's fields: a point shown in each format reads back to itself (to
// the precision the format shows), and every kind of slip is refused with a message instead of
// moving the point.
#include "geometry/latlong_fields.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "geometry/coordinates.h"
#include "geometry/geo_settings.h"

namespace tlv {
namespace {

const WPoint kCassel = LatLongToWorld(38.612345, 78.301234, 'N', 'W');

TEST(LatLongFieldsTest, EachFormatShowsThePointAndReadsItBack) {
  LatLongFields decimal = LatLongFieldsOf(kCassel, kFormatDecimalDegrees);
  EXPECT_EQ(decimal.latitude.fields[0], "38.612345");
  EXPECT_EQ(decimal.longitude.fields[0], "78.301234");
  EXPECT_EQ(decimal.latitude.hemisphere, 'N');
  EXPECT_EQ(decimal.longitude.hemisphere, 'W');
  WPoint back;
  std::string problem;
  ASSERT_TRUE(WorldPointFromFields(decimal, kFormatDecimalDegrees, back, problem)) << problem;
  EXPECT_EQ(back, kCassel);

  const LatLongFields minutes = LatLongFieldsOf(kCassel, kFormatDegMin);
  EXPECT_EQ(minutes.latitude.fields[0], "38");
  EXPECT_EQ(minutes.latitude.fields[1], "36.74");
  ASSERT_TRUE(WorldPointFromFields(minutes, kFormatDegMin, back, problem)) << problem;
  EXPECT_LE(std::abs(back.y - kCassel.y), 100);  // a hundredth of a minute

  const LatLongFields seconds = LatLongFieldsOf(kCassel, kFormatDegMinSec);
  EXPECT_EQ(seconds.longitude.fields[0], "78");
  EXPECT_EQ(seconds.longitude.fields[1], "18");
  EXPECT_EQ(seconds.longitude.fields[2], "4.4");
  ASSERT_TRUE(WorldPointFromFields(seconds, kFormatDegMinSec, back, problem)) << problem;
  EXPECT_LE(std::abs(back.x - kCassel.x), 30);  // a tenth of a second

  // The southern and eastern hemispheres, and the poles and date line themselves.
  decimal.latitude = {{"90", "", ""}, 'S'};
  decimal.longitude = {{"180", "", ""}, 'E'};
  ASSERT_TRUE(WorldPointFromFields(decimal, kFormatDecimalDegrees, back, problem)) << problem;
  EXPECT_EQ(back, (WPoint{360000000, 0}));
}

TEST(LatLongFieldsTest, SlipsAreRefusedWithAMessageAndThePointKept) {
  struct Case {
    LatLongAxisFields latitude;
    int16_t format;
    const char* message;
  } cases[] = {
      {{{"90.5", "", ""}, 'N'}, kFormatDecimalDegrees, "cannot be more than 90 degrees"},
      {{{"89", "60", ""}, 'N'}, kFormatDegMin, "minutes must be less than 60"},
      {{{"89", "59", "60"}, 'N'}, kFormatDegMinSec, "seconds must be less than 60"},
      {{{"90", "0.5", ""}, 'N'}, kFormatDegMin, "cannot be more than 90 degrees"},
      {{{"38,5", "", ""}, 'N'}, kFormatDecimalDegrees, "degrees must be a number"},
      {{{"", "", ""}, 'N'}, kFormatDecimalDegrees, "degrees must be a number"},
      {{{"nan", "", ""}, 'N'}, kFormatDecimalDegrees, "degrees must be a number"},
      {{{"-38", "", ""}, 'N'}, kFormatDecimalDegrees, "cannot be negative"},
      {{{"38.5", "10", ""}, 'N'}, kFormatDegMin, "must be a whole number"},
      {{{"38", "x", ""}, 'N'}, kFormatDegMin, "minutes must be a number"},
      {{{"38", "", ""}, 'E'}, kFormatDecimalDegrees, "needs a hemisphere"},
  };
  for (const Case& c : cases) {
    LatLongFields fields = LatLongFieldsOf(kCassel, c.format);
    fields.latitude = c.latitude;
    WPoint p = kCassel;
    std::string problem;
    EXPECT_FALSE(WorldPointFromFields(fields, c.format, p, problem)) << c.message;
    EXPECT_NE(problem.find(c.message), std::string::npos) << problem;
    EXPECT_NE(problem.find("latitude"), std::string::npos) << problem;
    EXPECT_EQ(p, kCassel);
  }
  LatLongFields fields = LatLongFieldsOf(kCassel, kFormatDecimalDegrees);
  fields.longitude.fields[0] = "180.000001";
  WPoint p;
  std::string problem;
  EXPECT_FALSE(WorldPointFromFields(fields, kFormatDecimalDegrees, p, problem));
  EXPECT_EQ(problem, "The longitude cannot be more than 180 degrees.");
}

}  // namespace
}  // namespace tlv
