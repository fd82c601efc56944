// The replay loop, its arithmetic directly and in the window, and the foot
// pedals steering the window through the raw input seam.
#include <gtest/gtest.h>

#include "Desktop.h"
#include "RawInputDouble.h"
#include "WindowFixture.h"
#include "app/MediaTime.h"
#include "app/ReplayLoop.h"
#include "base/ModalScope.h"
#include "settings/KestrelSettings.h"

using namespace std::chrono_literals;
using namespace testing_support;

namespace {

constexpr int64_t kSecond = app::TReplayLoop::kSecond;

TEST(ReplayLoop, SpansTheLastSecondsAndTurnsBackAtItsEndButNotPastTheRecording) {
  app::TReplayLoop loop;
  auto span = [&] { return std::pair(loop.From(), loop.To()); };
  ASSERT_TRUE(loop.Start(20 * kSecond, 5 * kSecond, 60 * kSecond));
  EXPECT_EQ(span(), std::pair(15 * kSecond, 20 * kSecond));
  EXPECT_EQ(loop.TurnAt(20 * kSecond - 1), std::nullopt);
  EXPECT_EQ(loop.TurnAt(20 * kSecond + kSecond / 20), 15 * kSecond);
  loop.Stop();
  EXPECT_EQ(loop.TurnAt(21 * kSecond), std::nullopt);
  // At the start: what there is, and a second at least.
  ASSERT_TRUE(loop.Start(2 * kSecond, 5 * kSecond, 60 * kSecond));
  EXPECT_EQ(span(), std::pair(0LL, 2 * kSecond));
  ASSERT_TRUE(loop.Start(kSecond / 5, 5 * kSecond, 0));
  EXPECT_EQ(span(), std::pair(0LL, kSecond));
  // At the end it turns before the recording stops, the whole span long.
  ASSERT_TRUE(loop.Start(60 * kSecond, 5 * kSecond, 60 * kSecond));
  EXPECT_EQ(span(), std::pair(55 * kSecond - loop.kEndGuard, 60 * kSecond - loop.kEndGuard));
  EXPECT_FALSE(loop.Start(kSecond / 2, 5 * kSecond, kSecond));
  EXPECT_EQ(loop.TurnAt(kSecond), std::nullopt);
}

class Transcribing : public WindowTest {
protected:
  void Start(int64_t at) {
    kestrel::Settings.PlaySelected = false;
    kestrel::Settings.ReplaySeconds = 3;
    UseList({Recording(recs, L"a.mp3", L"longrec.mp3")});
    MakeWindow();
    Click(app::idPlay);
    ASSERT_EQ(Player().State(), PlayerState::Running);
    Player().SetPosition(at);
  }
  TPlayer& Player() { return *window->Player(); }
  // Whether playback is seen turning back from `to` twice, the position
  // read-out with it, before it passes there.
  bool TurnsTwice(int64_t to) {
    int turns = 0;
    int64_t last = Player().GetPosition();
    PumpUntil([&] {
      const int64_t now = Player().GetPosition();
      turns += now < last - 2 * kSecond && app::ParseMediaTime(Text(app::idTime1)) < to - kSecond;
      last = now;
      return turns == 2 || now > to + kSecond / 2;
    }, 12s);
    return turns == 2;
  }
};

TEST_F(Transcribing, TheReplayKeyLoopsTheLastSecondsUntilAnotherTransportKey) {
  Start(7 * kSecond);
  Click(app::idPlay);
  const int64_t at = Player().GetPosition();
  // Paused, the key plays on from the loop's start.
  window->HotKeys().HotKeyReplayHotKey();
  Pump();
  EXPECT_EQ(Player().State(), PlayerState::Running);
  EXPECT_LT(Player().GetPosition(), at - 2 * kSecond);
  EXPECT_TRUE(TurnsTwice(at));
  window->HotKeys().HotKeyForwardHotKey();
  EXPECT_TRUE(PumpUntil([&] { return Player().GetPosition() > at + kSecond; }, 6s));
}

// From another program: the key loops, and pressed again lets playback on.
TEST_F(Transcribing, TheReplayHotKeyLoopsWithAnotherProgramFocused) {
  Start(6 * kSecond);
  desktop::FocusedNotepad notepad;
  ASSERT_TRUE(notepad.focused()) << "notepad did not get the focus";
  ASSERT_TRUE(desktop::PressKeys("ctrl+alt+space"));
  ASSERT_TRUE(PumpUntil([&] { return window->Replay().Looping(); }, 5s));
  const int64_t to = window->Replay().Loop().To();
  EXPECT_TRUE(TurnsTwice(to));
  ASSERT_TRUE(desktop::PressKeys("ctrl+alt+space"));
  EXPECT_TRUE(PumpUntil([&] { return Player().GetPosition() > to + kSecond; }, 6s));
  EXPECT_TRUE(notepad.focused());
}

TEST_F(Transcribing, APedalsReportsMoveTheWindowsTransport) {
  RawInput raw;
  const auto vec = HANDLE(0x21);
  raw.AddHid(vec, 0x05F3, 0x00FF);
  Start(10 * kSecond);
  Click(app::idStop);
  auto pedals = [&](BYTE down) {
    HWND receiver = window->PedalSteering().Pedals()->ReceiverWindow();
    ::SendMessageW(receiver, WM_INPUT, RIM_INPUTSINK, LPARAM(raw.Input(vec, 3, 1, {0x00, down, 0x00})));
    Pump();
  };
  constexpr BYTE left = 1, middle = 2;
  pedals(middle);
  EXPECT_EQ(Player().State(), PlayerState::Running);
  pedals(0);
  EXPECT_EQ(Player().State(), PlayerState::Paused);
  pedals(middle);
  EXPECT_EQ(Player().State(), PlayerState::Running);
  Player().SetPosition(10 * kSecond);
  // Rewind held: playback waits while it steps back, and goes on after.
  pedals(middle | left);
  Pump(900ms);
  EXPECT_EQ(Player().State(), PlayerState::Paused);
  EXPECT_LT(Player().GetPosition(), 17 * kSecond / 2);
  pedals(middle);
  EXPECT_EQ(Player().State(), PlayerState::Running);
  pedals(0);
  EXPECT_EQ(Player().State(), PlayerState::Paused);
  // While a dialog of the program is up the pedals do nothing, but a pedal
  // let go there is free afterwards.
  {
    win::ModalScope dialog([] {});
    pedals(middle);
    EXPECT_EQ(Player().State(), PlayerState::Paused);
    pedals(0);
  }
  pedals(middle);
  EXPECT_EQ(Player().State(), PlayerState::Running);
  EXPECT_TRUE(seam.boxes.empty());
}

}  // namespace
