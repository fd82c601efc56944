// Typing along in the main window: the rewind when playback resumes, the
// time stamp typed into another program by its hot key, and recordings that
// continue where they were left, within a run and after a restart.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "WindowFixture.h"
#include "app/MediaTime.h"
#include "Desktop.h"
#include "settings/KestrelSettings.h"

using namespace std::chrono_literals;
using namespace testing_support;

namespace {

constexpr int64_t kSecond = 10'000'000;
// How far playback may move on between two steps of a test.
constexpr int64_t kSlack = kSecond * 3 / 10;

using Typing = WindowTest;

TEST_F(Typing, ResumingAfterAPauseStartsTheRewindEarlierButNotBeforeTheStart) {
  kestrel::Settings.PlaySelected = false;
  kestrel::Settings.ResumeRewind = 1500;
  UseList({Recording(recs, L"a.mp3", L"longrec.mp3")});
  MakeWindow();
  Click(app::idPlay);
  TPlayer& player = *window->Player();
  ASSERT_EQ(player.State(), PlayerState::Running);
  ASSERT_GT(player.Duration(), 12 * kSecond);

  for (int64_t pauseAt : {10 * kSecond, 1 * kSecond}) {
    player.SetPosition(pauseAt);
    Click(app::idPlay);
    ASSERT_EQ(player.State(), PlayerState::Paused);
    const int64_t paused = player.GetPosition();
    ASSERT_GE(paused, pauseAt);
    Click(app::idPlay);
    ASSERT_EQ(player.State(), PlayerState::Running);
    const int64_t expected = paused > 15 * kSecond / 10 ? paused - 15 * kSecond / 10 : 0;
    const int64_t resumed = player.GetPosition();
    EXPECT_GE(resumed, expected) << "paused at " << paused;
    EXPECT_LT(resumed, expected + kSlack) << "paused at " << paused;
  }
}

TEST_F(Typing, TheTimeStampHotKeyTypesThePositionIntoTheFocusedProgram) {
  kestrel::Settings.PlaySelected = false;
  UseList({Recording(recs, L"a.mp3", L"longrec.mp3")});
  MakeWindow();
  ASSERT_TRUE(window->HotKeys().Key(L"HotKeyTimeStamp")->Registered());
  Click(app::idPlay);
  window->Player()->SetPosition(3 * kSecond + kSecond / 2);
  Click(app::idPlay);
  ASSERT_EQ(window->Player()->State(), PlayerState::Paused);
  const int64_t at = window->Player()->GetPosition();

  desktop::FocusedNotepad notepad;
  ASSERT_TRUE(notepad.focused()) << "notepad did not get the focus";
  HWND edit = ::FindWindowExW(notepad.window(), nullptr, L"Edit", nullptr);
  ASSERT_TRUE(edit);
  auto typed = [&] {
    wchar_t buf[256] = L"";
    DWORD_PTR n = 0;
    ::SendMessageTimeoutW(edit, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &n);
    return std::wstring(buf);
  };
  const std::wstring plain = app::FormatTimeStamp(at, true, false);
  EXPECT_EQ(plain, L"[00:00:03]");
  ASSERT_TRUE(desktop::PressKeys("ctrl+Insert"));
  EXPECT_TRUE(PumpUntil([&] { return typed() == plain; }, 5s)) << "notepad holds \"" << typed().size() << "\" chars";

  // In milliseconds mode the stamp carries them, as the read-out does.
  window->Layout().SetMillisMode(true, true);
  ASSERT_TRUE(desktop::PressKeys("ctrl+Insert"));
  const std::wstring both = plain + app::FormatTimeStamp(at, true, true);
  EXPECT_TRUE(PumpUntil([&] { return typed() == both; }, 5s));
  EXPECT_EQ(Text(app::idNull), L"") << "the player got keys too";
  EXPECT_TRUE(notepad.focused());
}

// Two rows trading their keys in one save both work afterwards.
TEST_F(Typing, TwoChangeableKeysTradedInOneSaveBothWork) {
  UseList({Recording(recs, L"a.mp3")});
  MakeWindow();
  auto& s = kestrel::Settings;
  std::swap(s.SlowerHotKey, s.FasterHotKey);
  EXPECT_TRUE(window->HotKeys().ApplyTypingSettings());
  EXPECT_TRUE(window->HotKeys().Key(L"HotKeySlower")->Registered());
  EXPECT_TRUE(window->HotKeys().Key(L"HotKeyFaster")->Registered());
  desktop::FocusedNotepad notepad;  // the keys come from the X server to a focused program
  ASSERT_TRUE(notepad.focused());
  auto shows = [&](const wchar_t* speed) { return PumpUntil([&] { return Text(app::idSpeed) == speed; }, 5s); };
  ASSERT_TRUE(desktop::PressKeys("alt+shift+Prior"));
  EXPECT_TRUE(shows(L"95 %")) << testing::PrintToString(Text(app::idSpeed));
  ASSERT_TRUE(desktop::PressKeys("alt+shift+Next"));
  EXPECT_TRUE(shows(L"100 %")) << testing::PrintToString(Text(app::idSpeed));
  EXPECT_TRUE(seam.boxes.empty());
}

// After pauses, resumes and a stamp, the place kept for a recording left
// in a pause is the one its read-out showed, and it shows again.
TEST_F(Typing, ThePlaceOfTheLastOfSeveralPausesIsKept) {
  kestrel::Settings.PlaySelected = false;
  kestrel::Settings.ResumeRewind = 0;
  const std::wstring a = Recording(recs, L"a.mp3", L"longrec.mp3");
  UseList({a, Recording(recs, L"b.mp3", L"shortrec.mp3")});
  MakeWindow();
  window->Layout().SetMillisMode(true, true);
  auto choose = [&](int song) {
    ::SendMessageW(window->Control(app::cmbSongs), CB_SETCURSEL, song, 0);
    window->Recordings().cmbSongsChange();
    Pump();
  };
  for (int64_t at : {kSecond, 2 * kSecond, 4 * kSecond}) {
    Click(app::idPlay);
    ASSERT_TRUE(PumpUntil([&] { return window->Player()->GetPosition() >= at; }, 10s));
    Click(app::idPlay);
    if (at == 2 * kSecond) window->HotKeys().HotKeyTimeStampHotKey();
  }
  const std::wstring shown = Text(app::idTime1);
  ASSERT_GT(app::ParseMediaTime(shown), 3 * kSecond);
  choose(1);
  ASSERT_TRUE(window->Transport().Positions()->Find(a));
  EXPECT_LT(std::abs(*window->Transport().Positions()->Find(a) - app::ParseMediaTime(shown)), kSlack);
  choose(0);
  EXPECT_EQ(Text(app::idTime1), shown);
}

TEST_F(Typing, ARecordingContinuesWhereItWasLeftAlsoAfterARestart) {
  const std::wstring a = Recording(recs, L"a.mp3", L"longrec.mp3");
  const std::wstring b = Recording(recs, L"b.mp3", L"shortrec.mp3");
  UseList({a, b});
  MakeWindow();
  auto choose = [&](int song) {
    ::SendMessageW(window->Control(app::cmbSongs), CB_SETCURSEL, song, 0);
    window->Recordings().cmbSongsChange();
    Pump();
  };
  auto playFromShown = [&] {
    Click(app::idPlay);
    ASSERT_EQ(window->Player()->State(), PlayerState::Running);
    const int64_t at = window->Player()->GetPosition();
    EXPECT_GE(at, 7 * kSecond);
    EXPECT_LT(at, 7 * kSecond + kSlack);
  };
  ASSERT_EQ(Selected(app::cmbSongs), 0);
  Click(app::idPlay);
  window->Player()->SetPosition(7 * kSecond);
  Click(app::idStop);

  choose(1);
  EXPECT_EQ(Text(app::idTime1), L"00:00:00");
  // Left in a pause, then played to its end: it starts from the beginning.
  // (A pause at the very start would leave nothing to remember.)
  Click(app::idPlay);
  window->Player()->SetPosition(3 * kSecond);
  Click(app::idPlay);
  ASSERT_TRUE(window->Transport().Positions()->Find(b));
  Click(app::idPlay);
  ASSERT_TRUE(PumpUntil([&] { return window->Player()->State() == PlayerState::Stopped; }, 10s));
  EXPECT_FALSE(window->Transport().Positions()->Find(b));

  choose(0);
  EXPECT_EQ(Text(app::idTime1), L"00:00:07");
  playFromShown();
  window->Player()->SetPosition(7 * kSecond);
  Click(app::idStop);

  window.reset();
  MakeWindow();
  ASSERT_EQ(Selected(app::cmbSongs), 0);
  EXPECT_EQ(Text(app::idTime1), L"00:00:07");
  playFromShown();
  EXPECT_TRUE(seam.boxes.empty());
}

}  // namespace
