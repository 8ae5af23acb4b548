// The time stamp's texts from a fixed local time, and its box.
#include "render/time_stamp.h"

#include <gtest/gtest.h>

namespace tlv {
namespace {

LocalTime At(int year, int month, int day, int hour, int minute) {
  LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return t;
}

TEST(TimeStampTest, TheFourFormatsDropOnlyTheirLeadingZero) {
  const LocalTime t = At(2009, 5, 5, 14, 59);
  TimeStampOptions options;
  options.dateKind = kStampShort;
  options.timeKind = kStampShort;
  EXPECT_EQ(TimeStampLines(options, t), (std::vector<std::string>{"5/05/09", "2:59 PM"}));
  options.dateKind = kStampLong;
  options.timeKind = kStampLong;
  EXPECT_EQ(TimeStampLines(options, t), (std::vector<std::string>{"May 05, 2009", "1459"}));
  // Midnight and noon on the twelve-hour clock.
  options.timeKind = kStampShort;
  EXPECT_EQ(TimeStampLines(options, At(2009, 12, 31, 0, 5))[1], "12:05 AM");
  EXPECT_EQ(TimeStampLines(options, At(2009, 12, 31, 12, 0))[1], "12:00 PM");
  EXPECT_EQ(TimeStampLines(options, At(2009, 12, 31, 12, 0))[0], "December 31, 2009");
}

TEST(TimeStampTest, CustomTextsTakeTheSameCodesAndAreCutAtTwenty) {
  TimeStampOptions options;
  options.dateKind = kStampCustom;
  options.timeKind = kStampCustom;
  options.customDate = "%Y-%m-%d";
  options.customTime = "%H:%M:%S 100%% %q";
  options.extraLine = "Exercise CASSEL-26 / 12345678";
  const std::vector<std::string> lines = TimeStampLines(options, At(2026, 12, 8, 9, 7));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "2026-12-08");
  EXPECT_EQ(lines[1], "09:07:00 100% %q");
  EXPECT_EQ(lines[2], "Exercise CASSEL-26 /");
  EXPECT_EQ(FormatStampText("$MONTH$ $MONTH", At(2026, 2, 1, 0, 0)), "February $MONTH");
}

TEST(TimeStampTest, NoLinesStillGetABoxOneLineHigh) {
  TimeStampOptions options;
  options.dateKind = kStampNone;
  options.timeKind = kStampNone;
  const LocalTime t = At(2009, 5, 5, 14, 59);
  EXPECT_TRUE(TimeStampLines(options, t).empty());
  const ScreenRect area{0, 0, 1000, 1000};
  const TimeStampLayout empty = LayOutTimeStamp(area, 100.0, {}, {}, 15, options);
  EXPECT_EQ(empty.box.bottom - empty.box.top, 15 + 12 + 6);
  EXPECT_EQ(empty.box.right - empty.box.left, 20 + 6);
  // Two lines: as wide as the widest plus 0.2 inch; baselines a line apart from 0.06 inch down.
  const TimeStampLayout two =
      LayOutTimeStamp(area, 100.0, {"5/05/09", "2:59 PM"}, {50, 60}, 15, options);
  EXPECT_EQ(two.box.right - two.box.left, 60 + 20 + 6);
  EXPECT_EQ(two.box.bottom - two.box.top, 30 + 12 + 6);
  ASSERT_EQ(two.baselines.size(), 2u);
  EXPECT_EQ(two.baselines[0], two.box.top + 3 + 15 + 6);
  EXPECT_EQ(two.baselines[1] - two.baselines[0], 15);
  EXPECT_EQ(two.textX, two.box.left + 3 + 10);
  // The default place is 0.2 of the width and 0.7 of the height.
  EXPECT_EQ((two.box.left + two.box.right) / 2, 200);
  EXPECT_EQ((two.box.top + two.box.bottom) / 2, 700);
}

}  // namespace
}  // namespace tlv
