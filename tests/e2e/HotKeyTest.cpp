// Vocorder.exe steered with its global hot keys while notepad holds the
// keyboard focus: the key presses come from the X server, as a typist's do.
// Playing, pausing, steps and volume are journey 3's.
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

}  // namespace
