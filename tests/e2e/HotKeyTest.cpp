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
using std::chrono::steady_clock;
using desktop::PressKeys;
using desktop::TextOf;
using testing_support::WaitUntil;

namespace {

// "00:01:05" as seconds; -1 when it is no time.
int Seconds(const std::wstring& readout) {
  int h = 0, m = 0, s = 0;
  if (swscanf(readout.c_str(), L"%d:%d:%d", &h, &m, &s) != 3) return -1;
  return (h * 60 + m) * 60 + s;
}

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
// while paused goes forward and the resume plays on from there; the place of
// the last of several pauses, a stamp among them, shows and plays again
// after another recording and a restart; the position editor opened by a
// click goes to typed digits and gives the keyboard back.
TEST(HotKeys, AStepThePlaceLeftAndThePositionEditorWhileNotepadHasTheFocus) {
  e2e::Stage stage;
  ASSERT_TRUE(stage.Ready());
  stage.SetSetting(L"ResumeRewind", 5000);
  stage.AddRecording(L"longrec.mp3", L"000 letter.mp3");
  stage.AddRecording(L"speechrec.mp3", L"001 memo.mp3");
  HWND main = stage.Launch();
  ASSERT_TRUE(main);
  desktop::FocusedNotepad& notepad = stage.Notepad();
  ASSERT_TRUE(notepad.focused());
  HWND time1 = nullptr;
  auto at = [&] { return Seconds(TextOf(time1)); };
  // Paused: the read-out stands still (it moves every second while playing).
  auto standsStill = [&] {
    std::wstring last;
    auto since = steady_clock::now();
    return WaitUntil([&] {
      if (const std::wstring now = TextOf(time1); now != last) {
        last = now;
        since = steady_clock::now();
      }
      return steady_clock::now() - since > 1500ms;
    }, 10s);
  };
  auto ready = [&] {
    time1 = ::GetDlgItem(main, app::idTime1);
    ASSERT_TRUE(notepad.Refocus());
    ASSERT_TRUE(desktop::WaitUntilHotKeyTaken(MOD_CONTROL, VK_SPACE));
  };
  auto playTo = [&](int seconds) {
    ASSERT_TRUE(PressKeys("ctrl+space"));
    ASSERT_TRUE(WaitUntil([&] { return at() >= seconds; }, 10s)) << TextOf(time1).size();
    ASSERT_TRUE(PressKeys("ctrl+space"));
    ASSERT_TRUE(standsStill());
  };
  ready();
  playTo(2);
  playTo(4);
  ASSERT_TRUE(PressKeys("ctrl+Insert"));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(notepad.edit()).find(L"[00:00:0") == 0; }, 5s));
  playTo(6);
  const int paused = at();
  ASSERT_TRUE(desktop::MouseClick(::GetDlgItem(main, app::SpeedButton2)));
  EXPECT_TRUE(WaitUntil([&] { return at() > paused; }, 5s)) << "Vpred while paused did not go forward";
  const int stepped = at();
  ready();
  ASSERT_TRUE(PressKeys("ctrl+space"));
  ASSERT_TRUE(WaitUntil([&] { return at() != stepped; }, 5s));
  EXPECT_GT(at(), stepped) << "the resume went back from where the step went";
  ASSERT_TRUE(PressKeys("ctrl+space"));
  ASSERT_TRUE(standsStill());

  // A click as the read-out takes it (under bare Xvfb a click through the
  // input queue reached the strip 19 pixels above where it was aimed).
  ::PostMessageW(time1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::PostMessageW(time1, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(::GetDlgItem(main, app::idTime2Frm)) != FALSE; }, 5s))
      << "a click on the read-out did not open the editor";
  ASSERT_TRUE(desktop::SendKeys({'0', '3', VK_RETURN}));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(time1) == L"00:00:03"; }, 5s)) << testing::PrintToString(TextOf(time1));
  EXPECT_TRUE(WaitUntil([&] { return notepad.focused(); }, 5s)) << "the keyboard did not go back to notepad";
  ready();
  playTo(5);
  const std::wstring left = TextOf(time1);

  desktop::ChooseComboItem(main, app::cmbSongs, 1);
  ASSERT_TRUE(WaitUntil([&] { return TextOf(time1) == L"00:00:00"; }, 5s));
  ASSERT_TRUE(stage.Running()->Quit(main));
  main = stage.Launch();
  ASSERT_TRUE(main);
  ready();
  desktop::ChooseComboItem(main, app::cmbSongs, 0);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(time1) == left; }, 5s)) << "left at " << testing::PrintToString(left);
  ASSERT_TRUE(PressKeys("ctrl+space"));
  ASSERT_TRUE(WaitUntil([&] { return at() != Seconds(left); }, 5s));
  EXPECT_GT(at(), Seconds(left)) << "did not play on from where it was left";
  EXPECT_TRUE(stage.Running()->Quit(main));
}

}  // namespace
