#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "Desktop.h"
#include "Pump.h"
#include "base/ScopeExit.h"
#include "services/FisHotKey.h"
#include "services/TypeText.h"

using services::SplitShortcut;
using services::TfisHotKey;
using testing_support::PumpUntil;

namespace {

// Combinations nothing else in the test programs claims.
constexpr WORD kCtrlShiftF9 = services::scCtrl | services::scShift | VK_F9;
constexpr WORD kCtrlAltF10 = services::scCtrl | services::scAlt | VK_F10;
constexpr WORD kShiftF11 = services::scShift | VK_F11;

// Whether another claimant could take the combination right now.
bool KeyIsFree(WORD key) {
  const auto c = SplitShortcut(key);
  if (!::RegisterHotKey(nullptr, 0x5A5A, c.modifiers, c.virtualKey)) return false;
  ::UnregisterHotKey(nullptr, 0x5A5A);
  return true;
}

std::unique_ptr<TfisHotKey> LoadedHotKey(WORD key, int* presses) {
  auto hk = std::make_unique<TfisHotKey>();
  hk->SetKey(key);
  if (presses)
    hk->OnHotKey = [presses, raw = hk.get()](TfisHotKey& sender) {
      EXPECT_EQ(&sender, raw);
      ++*presses;
    };
  hk->Loaded();
  return hk;
}

}  // namespace

TEST(HotKeyShortcut, ModifierBitsBecomeSystemModifiers) {
  EXPECT_EQ(SplitShortcut(0x4020).modifiers, static_cast<UINT>(MOD_CONTROL));  // Ctrl+Space
  EXPECT_EQ(SplitShortcut(0x4020).virtualKey, static_cast<UINT>(VK_SPACE));
  EXPECT_EQ(SplitShortcut(0x4074).virtualKey, static_cast<UINT>(VK_F5));
  const auto all = SplitShortcut(0xE025);
  EXPECT_EQ(all.modifiers, static_cast<UINT>(MOD_SHIFT | MOD_CONTROL | MOD_ALT));
  EXPECT_EQ(all.virtualKey, static_cast<UINT>(VK_LEFT));
  EXPECT_EQ(SplitShortcut(0x2041).modifiers, static_cast<UINT>(MOD_SHIFT));
}

TEST(HotKeyLifecycle, NothingIsClaimedBeforeLoaded) {
  TfisHotKey hk;
  EXPECT_TRUE(hk.Enabled());
  EXPECT_EQ(hk.Key(), 0);
  ASSERT_NE(hk.ReceiverWindow(), nullptr);
  EXPECT_FALSE(::IsWindowVisible(hk.ReceiverWindow()));
  hk.SetKey(kCtrlShiftF9);  // enabled, so this claims it already
  EXPECT_TRUE(hk.Registered());
  EXPECT_FALSE(KeyIsFree(kCtrlShiftF9));
}

TEST(HotKeyLifecycle, ZeroCodeOrModifiersAloneClaimNothing) {
  TfisHotKey hk;
  hk.Loaded();
  EXPECT_FALSE(hk.Registered());
  hk.SetKey(services::scCtrl);
  EXPECT_FALSE(hk.Registered());
}

TEST(HotKeyLifecycle, DisabledComponentDoesNotClaimOnLoad) {
  TfisHotKey hk;
  hk.SetEnabled(false);
  hk.SetKey(kCtrlShiftF9);
  hk.Loaded();
  EXPECT_FALSE(hk.Registered());
  EXPECT_TRUE(KeyIsFree(kCtrlShiftF9));
}

TEST(HotKeyLifecycle, DisableReleasesAndEnableClaimsAgain) {
  auto hk = LoadedHotKey(kCtrlShiftF9, nullptr);
  ASSERT_TRUE(hk->Registered());
  hk->SetEnabled(false);
  EXPECT_FALSE(hk->Registered());
  EXPECT_TRUE(KeyIsFree(kCtrlShiftF9));
  hk->SetEnabled(true);
  EXPECT_TRUE(hk->Registered());
  EXPECT_FALSE(KeyIsFree(kCtrlShiftF9));
}

TEST(HotKeyLifecycle, ChangingTheKeyReleasesTheOldOne) {
  auto hk = LoadedHotKey(kCtrlShiftF9, nullptr);
  hk->SetKey(kCtrlAltF10);
  EXPECT_TRUE(hk->Registered());
  EXPECT_TRUE(KeyIsFree(kCtrlShiftF9));
  EXPECT_FALSE(KeyIsFree(kCtrlAltF10));
  // Traded one by one, a key is refused while the other still holds it; as a set both are claimed.
  auto other = LoadedHotKey(kCtrlShiftF9, nullptr);
  TfisHotKey* both[] = {hk.get(), other.get()};
  const WORD traded[] = {kCtrlShiftF9, kCtrlAltF10};
  TfisHotKey::SetKeys(both, traded);
  EXPECT_TRUE(hk->Registered() && other->Registered());
  hk->SetKey(kCtrlAltF10);
  EXPECT_FALSE(hk->Registered());
}

// The refused one stays quiet; it tries again only when told to, and setting
// the key it already has is not such a call.
TEST(HotKeyLifecycle, SecondClaimOfTheSameKeyIsRefusedUntilEnabledAgain) {
  auto first = LoadedHotKey(kShiftF11, nullptr);
  auto second = LoadedHotKey(kShiftF11, nullptr);
  EXPECT_TRUE(first->Registered());
  EXPECT_FALSE(second->Registered());
  EXPECT_TRUE(second->Enabled());

  first.reset();  // destruction frees the key at once
  EXPECT_TRUE(KeyIsFree(kShiftF11));
  second->SetKey(kShiftF11);
  EXPECT_FALSE(second->Registered());
  second->SetEnabled(true);
  EXPECT_TRUE(second->Registered());
}

TEST(HotKeyMessages, HotKeyMessageRaisesTheEventAndOthersDoNot) {
  int presses = 0;
  auto hk = LoadedHotKey(kCtrlShiftF9, &presses);
  ::PostMessageW(hk->ReceiverWindow(), WM_USER + 5, 0, 0);
  ::PostMessageW(hk->ReceiverWindow(), WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, VK_F9));
  EXPECT_TRUE(PumpUntil([&] { return presses > 0; }, 2000));
  // Later messages are still delivered through the window's own procedure.
  EXPECT_EQ(::SendMessageW(hk->ReceiverWindow(), WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(presses, 1);
}

TEST(HotKeyMessages, HandlerMayDestroyItsOwnComponent) {
  auto hk = std::make_unique<TfisHotKey>();
  bool ran = false;
  hk->OnHotKey = [&](TfisHotKey&) {
    ran = true;
    hk.reset();
  };
  HWND receiver = hk->ReceiverWindow();
  ::PostMessageW(receiver, WM_HOTKEY, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return ran; }, 2000));
  EXPECT_EQ(hk, nullptr);
  EXPECT_FALSE(::IsWindow(receiver));
}

// A real key press from the X server, while another program has the focus,
// reaches the component that holds the key and no other.
TEST(HotKeyDesktop, KeyPressedInAnotherProgramReachesTheFirstClaimant) {
  int firstPresses = 0, secondPresses = 0;
  auto first = LoadedHotKey(kCtrlShiftF9, &firstPresses);
  auto second = LoadedHotKey(kCtrlShiftF9, &secondPresses);
  ASSERT_TRUE(first->Registered());
  ASSERT_FALSE(second->Registered());

  desktop::FocusedNotepad notepad;
  ASSERT_NE(notepad.window(), nullptr) << "notepad did not start";
  ASSERT_TRUE(notepad.focused()) << "notepad did not get the focus";

  ASSERT_TRUE(desktop::PressKeys("ctrl+shift+F9"));
  EXPECT_TRUE(PumpUntil([&] { return firstPresses > 0; }));
  EXPECT_TRUE(notepad.focused());

  // A combination nobody holds goes to the focused program, not to us.
  ASSERT_TRUE(desktop::PressKeys("ctrl+alt+F10"));
  ASSERT_TRUE(desktop::PressKeys("ctrl+shift+F9"));
  EXPECT_TRUE(PumpUntil([&] { return firstPresses > 1; }));
  EXPECT_EQ(firstPresses, 2);
  EXPECT_EQ(secondPresses, 0);
}

// A held key that may not repeat raises one event (handled while it is held;
// a key pressed last tells when all have come). A stamp waits while Ctrl is
// held, never lets it go, and is dropped when the time is up.
TEST(HotKeyDesktop, NoRepeatsWhereNoneAreWantedAndNoHeldKeyReleasedForAStamp) {
  int presses = 0, last = 0;
  auto hk = LoadedHotKey(kCtrlShiftF9, &presses), sentinel = LoadedHotKey(kCtrlAltF10, &last);
  desktop::FocusedNotepad notepad;
  ASSERT_TRUE(notepad.focused()) << "notepad did not get the focus";
  auto holdThenPress = [&] {
    presses = last = 0;
    std::thread keys([] {
      desktop::RunUnix(L"/usr/bin/xdotool keydown ctrl+shift+F9 sleep 1 keyup F9 keyup ctrl+shift");
      desktop::PressKeys("ctrl+shift+F9 ctrl+alt+F10");
    });
    PumpUntil([&] { return last > 0; }, 20000);
    keys.join();
  };
  holdThenPress();
  ASSERT_GE(presses, 4) << "no repeats to tell apart";
  hk->SetNoRepeat(true);
  holdThenPress();
  EXPECT_EQ(presses, 2);
  HWND edit = ::FindWindowExW(notepad.window(), nullptr, L"Edit", nullptr);
  auto ctrlDown = [] { return (::GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; };
  ScopeExit release([] { desktop::RunUnix(L"/usr/bin/xdotool keyup ctrl"); });
  ASSERT_TRUE(desktop::RunUnix(L"/usr/bin/xdotool keydown ctrl") && testing_support::WaitUntil(ctrlDown, 3000));
  services::TTextTyper typer;
  typer.WaitMs = 300;
  typer.Type(L"[1]");
  EXPECT_TRUE(PumpUntil([&] { return !typer.Pending(); }, 3000));
  EXPECT_TRUE(ctrlDown()) << "the typist's Ctrl was released";
  typer.Type(L"[2]");
  ASSERT_TRUE(desktop::RunUnix(L"/usr/bin/xdotool keyup ctrl"));
  wchar_t typed[8] = L"";
  auto read = [&] { return ::SendMessageW(edit, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(typed)), std::wstring(typed); };
  EXPECT_TRUE(PumpUntil([&] { return read() == L"[2]"; }, 3000));
}
