#include "player/GraphTools.h"
#include "player/PlayerScales.h"
#include "player/TPlayer.h"

#include <gtest/gtest.h>
#include <vfwmsgs.h>

#include <cstdlib>

TEST(AttenuationCurve, KnownPointsAndEnds) {
  EXPECT_EQ(AttenuationCurve(0), 0);
  EXPECT_EQ(AttenuationCurve(5000), 556);
  EXPECT_EQ(AttenuationCurve(9000), 3462);
  EXPECT_EQ(AttenuationCurve(10000), 10000);
  // Outside the slider's range the ends hold instead of dividing by zero.
  EXPECT_EQ(AttenuationCurve(-5), 0);
  EXPECT_EQ(AttenuationCurve(20000), 10000);
  for (int x = 1; x <= 10000; ++x) ASSERT_GE(AttenuationCurve(x), AttenuationCurve(x - 1)) << x;
}

TEST(FindCurveInput, HitsEveryReachableTargetWithinFive) {
  for (int target = 0; target <= 10000; target += 37) {
    const int x = FindCurveInput(target);
    ASSERT_GE(x, 0);
    ASSERT_LE(x, 10000);
    const int c = AttenuationCurve(x);
    // Near silence one step of x moves the curve by up to 17, so the search
    // may end on the nearest point it can reach instead.
    ASSERT_LE(std::abs(c - target), 17) << "target " << target << " gave " << x << " -> " << c;
  }
  // The search ends at the first midpoint within 5, so full volume is found
  // a little below the end, which the knob cannot show apart from it.
  EXPECT_LT(AttenuationCurve(FindCurveInput(0)), 5);
  EXPECT_LE(GraphVolumeToOffset(0, 200), 1);
  EXPECT_GT(AttenuationCurve(FindCurveInput(10000)), 9995);
  EXPECT_EQ(GraphVolumeToOffset(-10000, 200), 200);
}

TEST(FindCurveInput, EndsForTargetsNoInputReaches) {
  // Values another program may have set: beyond both ends, and in the gaps.
  EXPECT_EQ(FindCurveInput(-300), 0);
  EXPECT_EQ(FindCurveInput(20000), 10000);
  for (int target = 9900; target <= 10000; ++target) {
    const int c = AttenuationCurve(FindCurveInput(target));
    ASSERT_LE(std::abs(c - target), 17) << target;
  }
}

TEST(PositionBar, WidthFollowsPositionAndStaysInTheBar) {
  const int64_t d = 90'000'000;  // 9 s
  EXPECT_EQ(BarWidthFor(0, d, 204, 2), 0);
  EXPECT_EQ(BarWidthFor(d / 2, d, 204, 2), 100);
  EXPECT_EQ(BarWidthFor(d, d, 204, 2), 200);
  EXPECT_EQ(BarWidthFor(d / 3, d, 204, 2), 66);  // truncated
  EXPECT_EQ(BarWidthFor(d + 5'000'000, d, 204, 2), 200);
  // The framework reports no duration for short recordings.
  EXPECT_EQ(BarWidthFor(5'000'000, 0, 204, 2), 0);
  EXPECT_EQ(BarWidthFor(5, d, 3, 2), 0);
}

TEST(PositionBar, PixelsClampToTheBar) {
  const int64_t d = 90'000'000;
  EXPECT_EQ(BarPixelToPosition(0, d, 204, 2), 0);
  EXPECT_EQ(BarPixelToPosition(2, d, 204, 2), 0);
  EXPECT_EQ(BarPixelToPosition(102, d, 204, 2), d / 2);
  EXPECT_EQ(BarPixelToPosition(202, d, 204, 2), d);
  EXPECT_EQ(BarPixelToPosition(500, d, 204, 2), d);
  EXPECT_EQ(BarPixelToPosition(100, 0, 204, 2), 0);
  EXPECT_EQ(BarPixelToPosition(1, d, 4, 2), 0);  // a bar of no width
  // Round trip: the pixel of a position seeks back to within one pixel.
  for (int px = 2; px <= 202; ++px) ASSERT_EQ(BarWidthFor(BarPixelToPosition(px, d, 204, 2), d, 204, 2), px - 2);
}

TEST(VolumeKnob, GraphScaleFollowsTheCurve) {
  const int travel = KnobTravel(120, 20, 0);
  EXPECT_EQ(travel, 100);
  EXPECT_EQ(GraphVolumeToOffset(0, travel), 0);
  EXPECT_EQ(GraphVolumeToOffset(-10000, travel), 100);
  EXPECT_EQ(OffsetToGraphVolume(0, travel), 0);
  EXPECT_EQ(OffsetToGraphVolume(100, travel), -10000);
  EXPECT_EQ(OffsetToGraphVolume(50, travel), -556);
  // Setting the volume by the knob and reading it back puts the knob back.
  for (int offset = 0; offset <= travel; ++offset)
    ASSERT_NEAR(GraphVolumeToOffset(OffsetToGraphVolume(offset, travel), travel), offset, 1) << offset;
}

TEST(VolumeKnob, WaveScaleIsLinear) {
  const int travel = 100;
  EXPECT_EQ(WaveVolumeToOffset(65535, travel), 0);
  EXPECT_EQ(WaveVolumeToOffset(0, travel), 100);
  EXPECT_EQ(OffsetToWaveVolume(0, travel), 65535);
  EXPECT_EQ(OffsetToWaveVolume(100, travel), 0);
  EXPECT_EQ(OffsetToWaveVolume(25, travel), 49151);
  for (int offset = 0; offset <= travel; ++offset)
    ASSERT_EQ(WaveVolumeToOffset(OffsetToWaveVolume(offset, travel), travel), offset);
  // A knob as tall as its frame has no travel.
  EXPECT_EQ(KnobTravel(20, 20, 2), 0);
  EXPECT_EQ(OffsetToWaveVolume(0, 0), 65535);
}

TEST(DeviceNameMatching, ExactThenWithoutTheDuplicateSuffix) {
  const std::vector<std::wstring> names = {L"Default DirectSound Device", L"Out: default", L"Speakers"};
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"Out: default", names), 1);
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"Speakers 0001", names), 2);
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"Speakers 0012", names), 2);
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"speakers", names), -1);  // exact
  // Only a space and four digits are the graph's; other endings are not cut.
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"SpeakersXtras", names), -1);
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"Speakers 00a1", names), -1);
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"Video Renderer", names), -1);
  EXPECT_EQ(player::DeviceIndexOfFilterName(L"", names), -1);
  // The graph keeps at most 127 characters of a name.
  const std::wstring longName(200, L'x');
  EXPECT_EQ(player::DeviceIndexOfFilterName(std::wstring(127, L'x'), {longName}), 0);
}

TEST(WaitForFilterState, ReturnsOnceTheStateIsReported) {
  int calls = 0;
  auto getState = [&](DWORD ms, OAFilterState* s) {
    EXPECT_EQ(ms, 10u);
    *s = ++calls < 3 ? State_Paused : State_Running;
    return calls < 3 ? VFW_S_STATE_INTERMEDIATE : S_OK;
  };
  EXPECT_EQ(WaitForFilterState(getState, State_Running, 5000), S_OK);
  EXPECT_EQ(calls, 3);
}

TEST(WaitForFilterState, GivesUpAfterTheBoundWithTheReason) {
  auto never = [](DWORD ms, OAFilterState* s) {
    ::Sleep(ms);
    *s = State_Paused;
    return VFW_S_STATE_INTERMEDIATE;
  };
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(WaitForFilterState(never, State_Running, 200), VFW_S_STATE_INTERMEDIATE);
  EXPECT_GE(::GetTickCount64() - start, 190u);
  auto failing = [](DWORD, OAFilterState* s) {
    *s = State_Stopped;
    return E_FAIL;
  };
  EXPECT_EQ(WaitForFilterState(failing, State_Running, 50), E_FAIL);
}
