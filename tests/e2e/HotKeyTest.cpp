// Vocorder.exe steered with its global hot keys while notepad holds the
// keyboard focus: the key presses come from the X server, as a typist's do.
// Playing, pausing, steps and volume are journey 3's; here the speed, and a
// transcription's moves and pauses over a restart.
#include <gtest/gtest.h>

#include "Desktop.h"
#include "Pump.h"
#include "Stage.h"
#include "app/ControlIds.h"

using namespace std::chrono_literals;
using desktop::PressKeys;
using desktop::TextOf;
using testing_support::WaitUntil;

namespace {

TEST(HotKeys, SpeedKeysChangeTheSpeedWhileAnotherProgramHasTheFocusAndItIsKept) {
  e2e::Stage stage;
  ASSERT_TRUE(stage.Ready());
  HWND main = stage.Launch();
  ASSERT_TRUE(main);
  HWND speed = ::GetDlgItem(main, app::idSpeed);
  ASSERT_TRUE(speed);
  EXPECT_EQ(TextOf(speed), L"100 %");

  desktop::FocusedNotepad& notepad = stage.Notepad();
  ASSERT_NE(notepad.window(), nullptr) << "notepad did not start";
  ASSERT_TRUE(notepad.focused()) << "notepad did not get the focus";
  auto shows = [&](const wchar_t* text) { return WaitUntil([&] { return TextOf(speed) == text; }, 5s); };
  // Stored just after it is shown.
  auto stores = [&](std::optional<DWORD> v) { return WaitUntil([&] { return stage.Dword(L"Speed") == v; }, 5s); };

  ASSERT_TRUE(desktop::WaitUntilHotKeyTaken(MOD_ALT | MOD_SHIFT, VK_HOME)) << "the program never claimed its speed keys";
  ASSERT_TRUE(PressKeys("alt+shift+Prior"));
  EXPECT_TRUE(shows(L"105 %")) << "faster: " << testing::PrintToString(TextOf(speed));
  EXPECT_TRUE(stores(105u)) << testing::PrintToString(stage.Dword(L"Speed"));
  ASSERT_TRUE(PressKeys("alt+shift+Next"));
  ASSERT_TRUE(PressKeys("alt+shift+Next"));
  EXPECT_TRUE(shows(L"95 %")) << "slower: " << testing::PrintToString(TextOf(speed));
  EXPECT_TRUE(notepad.focused());

  // Kept across a restart.
  ASSERT_TRUE(stage.Running()->Quit(main));
  main = stage.Launch();
  ASSERT_TRUE(main);
  speed = ::GetDlgItem(main, app::idSpeed);
  EXPECT_EQ(TextOf(speed), L"95 %");

  // Back to 100 %: the value leaves the registry.
  ASSERT_TRUE(notepad.Refocus());
  ASSERT_TRUE(desktop::WaitUntilHotKeyTaken(MOD_ALT | MOD_SHIFT, VK_HOME))
      << "the restarted program never claimed its speed keys";
  ASSERT_TRUE(PressKeys("alt+shift+Home"));
  EXPECT_TRUE(shows(L"100 %")) << "reset: " << testing::PrintToString(TextOf(speed));
  EXPECT_TRUE(stores(std::nullopt)) << testing::PrintToString(stage.Dword(L"Speed"));
  EXPECT_TRUE(stage.Running()->Quit(main));
}

// With notepad focused and the rewind on resume at 5 s: a Forward click
// while paused goes forward and the resume plays on from there; the position
// editor opened by a click goes to typed digits and gives the keyboard back;
// the place of the last of several pauses, a stamp among them, shows and
// plays again after another recording and a restart. (Read-outs of one
// format compare as texts.)
TEST(HotKeys, AStepThePositionEditorAndThePlaceLeftWhileNotepadHasTheFocus) {
  e2e::Stage stage;
  ASSERT_TRUE(stage.Ready());
  stage.SetSetting(L"ResumeRewind", 5000);
  stage.AddRecording(L"longrec.mp3", L"000 letter.mp3");
  stage.AddRecording(L"speechrec.mp3", L"001 memo.mp3");
  HWND main = stage.Launch(), time1 = nullptr;
  desktop::FocusedNotepad& notepad = stage.Notepad();
  auto ready = [&] {
    ASSERT_TRUE(main && notepad.Refocus() && desktop::WaitUntilHotKeyTaken(MOD_CONTROL, VK_SPACE));
    time1 = ::GetDlgItem(main, app::idTime1);
  };
  auto movesOnFrom = [&](const std::wstring& from) {
    return WaitUntil([&] { return TextOf(time1) != from; }, 5s) && TextOf(time1) > from;
  };
  // Paused, the read-out stands still for longer than a second.
  auto pause = [&] {
    ASSERT_TRUE(PressKeys("ctrl+space"));
    ASSERT_TRUE(WaitUntil([&] {
      const std::wstring now = TextOf(time1);
      return !WaitUntil([&] { return TextOf(time1) != now; }, 1500ms);
    }, 8s));
  };
  auto playTo = [&](const wchar_t* at) {
    ASSERT_TRUE(PressKeys("ctrl+space"));
    ASSERT_TRUE(WaitUntil([&] { return TextOf(time1) >= at; }, 10s));
    pause();
  };
  ready();
  playTo(L"00:00:02");
  playTo(L"00:00:04");
  ASSERT_TRUE(PressKeys("ctrl+Insert"));
  playTo(L"00:00:06");
  const std::wstring paused = TextOf(time1);
  desktop::Click(::GetDlgItem(main, app::SpeedButton2));
  EXPECT_TRUE(movesOnFrom(paused)) << "Vpred while paused did not go forward";
  ready();
  const std::wstring stepped = TextOf(time1);
  ASSERT_TRUE(PressKeys("ctrl+space"));
  EXPECT_TRUE(movesOnFrom(stepped)) << "the resume went back from where the step went";
  pause();

  // A click as the read-out takes it (under bare Xvfb a click through the
  // input queue reached the strip 19 pixels above where it was aimed).
  ::PostMessageW(time1, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  ::PostMessageW(time1, WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(::GetDlgItem(main, app::idTime2Frm)) != FALSE; }, 5s));
  ASSERT_TRUE(desktop::SendKeys({'0', '3', VK_RETURN}));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(time1) == L"00:00:03"; }, 5s)) << testing::PrintToString(TextOf(time1));
  EXPECT_TRUE(WaitUntil([&] { return notepad.focused(); }, 5s)) << "the keyboard did not go back to notepad";
  playTo(L"00:00:05");
  const std::wstring left = TextOf(time1);

  desktop::ChooseComboItem(main, app::cmbSongs, 1);
  ASSERT_TRUE(WaitUntil([&] { return TextOf(time1) == L"00:00:00"; }, 5s));
  ASSERT_TRUE(stage.Running()->Quit(main));
  main = stage.Launch();
  ready();
  desktop::ChooseComboItem(main, app::cmbSongs, 0);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(time1) == left; }, 5s)) << "left at " << testing::PrintToString(left);
  ASSERT_TRUE(PressKeys("ctrl+space"));
  EXPECT_TRUE(movesOnFrom(left)) << "did not play on from where it was left";
  EXPECT_TRUE(stage.Running()->Quit(main));
}

}  // namespace
