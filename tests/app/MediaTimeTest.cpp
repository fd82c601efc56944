#include <gtest/gtest.h>

#include "app/MediaTime.h"

using namespace app;

TEST(MediaTime, FormatsBothWays) {
  EXPECT_EQ(FormatMediaTime(0, false), L"00:00:00");
  EXPECT_EQ(FormatMediaTime(0, true), L"00:00:00:000");
  int64_t t = 1 * 36'000'000'000LL + 2 * 600'000'000LL + 3 * 10'000'000LL + 45 * 10'000LL + 9999;
  EXPECT_EQ(FormatMediaTime(t, false), L"01:02:03");
  EXPECT_EQ(FormatMediaTime(t, true), L"01:02:03:045");
  EXPECT_EQ(FormatMediaTime(123 * 36'000'000'000LL + 5 * 10'000LL, true), L"123:00:00:005");
  for (int64_t v : {0LL, 10'000LL, 599'990'000LL, 36'000'000'000LL * 5 + 7 * 10'000LL}) {
    EXPECT_EQ(ParseMediaTime(FormatMediaTime(v, true)), v);
    EXPECT_EQ(ParseMediaTime(FormatMediaTime(v, false)), v / 10'000'000 * 10'000'000);
  }
}

TEST(MediaTime, ParsesOnlyItsForms) {
  EXPECT_EQ(ParseMediaTime(L"00:01:30"), 900'000'000LL);
  EXPECT_EQ(ParseMediaTime(L"02:500"), 25'000'000LL);
  EXPECT_EQ(ParseMediaTime(L"00:00:01:5"), 10'050'000LL);
  EXPECT_EQ(ParseMediaTime(L"1:30"), 0);
  EXPECT_EQ(ParseMediaTime(L"xx:yy:zz"), 0);
  EXPECT_EQ(ParseMediaTime(L""), 0);
}

TEST(MediaTime, StepPixelsAroundTheSpan) {
  const int frame = 437;  // span 435
  const int64_t unit = 10'535'000;
  EXPECT_EQ(StepPixels(60 * 10'000'000LL, frame), 7);        // 56 units
  EXPECT_EQ(StepPixels(30 * 60 * 10'000'000LL, frame), 3);   // 1708 units
  EXPECT_EQ(StepPixels(435 * unit, frame), 1);
  EXPECT_EQ(StepPixels(434 * unit, frame), 1);               // 435 div 434
  EXPECT_EQ(StepPixels(436 * unit, frame), 1);               // 436 div 435
  EXPECT_EQ(StepPixels(870 * unit, frame), 2);
  EXPECT_EQ(StepPixels(unit, frame), 435);
  EXPECT_EQ(StepPixels(unit - 1, frame), 1);                 // shorter than one unit
  EXPECT_EQ(StepPixels(0, frame), 1);
}

TEST(MediaTime, SplitsTheReadOutForTheEditor) {
  auto f = SplitTimeText(L"01:02:03:045", true);
  EXPECT_EQ(f.hours, L"01");
  EXPECT_EQ(f.minutes, L"02");
  EXPECT_EQ(f.seconds, L"03");
  EXPECT_EQ(f.millis, L"045");
  f = SplitTimeText(L"123:04:05", false);
  EXPECT_EQ(f.hours, L"123");
  EXPECT_EQ(f.minutes, L"04");
  EXPECT_EQ(f.seconds, L"05");
  f = SplitTimeText(L"12:34", false);
  EXPECT_EQ(f.hours + f.minutes + f.seconds + f.millis, L"000000000");
}
