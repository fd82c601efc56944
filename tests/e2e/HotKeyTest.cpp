// Vocorder.exe steered with its global hot keys while notepad holds the
// keyboard focus: the key presses come from the X server, as a typist's do.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <optional>

#include "Driver.h"
#include "TestSupport.h"
#include "app/ControlIds.h"
#include "services/DesktopDriver.h"

using namespace std::chrono_literals;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

std::wstring Text(HWND w) {
  wchar_t buf[128] = L"";
  ::GetWindowTextW(w, buf, 128);
  return buf;
}

int Top(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return r.top;
}

int Width(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return r.right - r.left;
}

// The documents folder as the program finds it.
std::wstring Documents() {
  wchar_t buf[MAX_PATH] = L"";
  DWORD size = sizeof(buf);
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                     L"Personal", RRF_RT_REG_SZ, nullptr, buf, &size) == ERROR_SUCCESS)
    return buf;
  return {};
}

TEST(HotKeys, PlayPauseStepAndVolumeWhileAnotherProgramHasTheFocus) {
  ScratchDir dir{L"e2ekeys"};
  std::filesystem::copy_file(e2e::VocorderExe(), dir.file(L"Vocorder.exe"));
  WriteBytes(dir.file(L"Player.ini"), "list=listdir.m3u\r\n");
  // With no folder of its own yet the program lists the documents folder;
  // the name sorts first so the recording is the one selected.
  const std::wstring docs = Documents();
  ASSERT_FALSE(docs.empty());
  std::filesystem::create_directories(docs);
  const std::wstring recording = docs + L"\\000 hot key dictation.mp3";
  std::filesystem::copy_file(testing_support::FixturePath(L"speechrec.mp3"), recording,
                             std::filesystem::copy_options::overwrite_existing);
  struct Cleanup {
    std::wstring file;
    ~Cleanup() {
      ::DeleteFileW(file.c_str());
      ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Vocorder");
    }
  } cleanup{recording};
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Vocorder");

  e2e::Program p(dir.file(L"Vocorder.exe"), L"", dir.path().wstring());
  HWND main = p.WaitForWindow(L"TfrmVocorder", 30s);
  ASSERT_TRUE(main);
  HWND time1 = ::GetDlgItem(main, app::idTime1);
  HWND knob = ::GetDlgItem(main, app::sldVolume);
  HWND bar = ::GetDlgItem(::GetDlgItem(main, app::idTrackFrm), app::idTrackBar);
  ASSERT_TRUE(time1 && knob && bar);
  const std::wstring zero = Text(time1);

  services_test::FocusedNotepad notepad;
  ASSERT_NE(notepad.window(), nullptr) << "notepad did not start";
  ASSERT_TRUE(notepad.focused()) << "notepad did not get the focus";

  // Ctrl+Space plays: the read-out moves on.
  ASSERT_TRUE(services_test::PressKeys("ctrl+space"));
  ASSERT_TRUE(services_test::WaitFor([&] { return Text(time1) != zero; }, 10000)) << "playback did not start";
  EXPECT_TRUE(notepad.focused());

  // Ctrl+Space again pauses: the read-out stands still.
  ASSERT_TRUE(services_test::PressKeys("ctrl+space"));
  ::Sleep(700);
  const std::wstring paused = Text(time1);
  ::Sleep(1500);
  EXPECT_EQ(Text(time1), paused) << "still playing after the second Ctrl+Space";

  // Ctrl+Right steps forward, Ctrl+PageDown jumps back, both while paused.
  const int before = Width(bar);
  ASSERT_TRUE(services_test::PressKeys("ctrl+Right"));
  EXPECT_TRUE(services_test::WaitFor([&] { return Width(bar) > before; }, 5000)) << "Ctrl+Right did not step";
  const int stepped = Width(bar);
  ASSERT_TRUE(services_test::PressKeys("ctrl+Next"));
  EXPECT_TRUE(services_test::WaitFor([&] { return Width(bar) < stepped; }, 5000)) << "Ctrl+PageDown did not jump";

  // Ctrl+Down and Ctrl+Up move the volume knob down and back up.
  const int knobTop = Top(knob);
  ASSERT_TRUE(services_test::PressKeys("ctrl+Down"));
  EXPECT_TRUE(services_test::WaitFor([&] { return Top(knob) > knobTop; }, 5000)) << "Ctrl+Down did not move the knob";
  ASSERT_TRUE(services_test::PressKeys("ctrl+Up"));
  EXPECT_TRUE(services_test::WaitFor([&] { return Top(knob) == knobTop; }, 5000)) << "Ctrl+Up did not move it back";
  EXPECT_TRUE(notepad.focused());

  // Ctrl+Space once more plays on from where the steps left it.
  const std::wstring stepped_time = Text(time1);
  ASSERT_TRUE(services_test::PressKeys("ctrl+space"));
  EXPECT_TRUE(services_test::WaitFor([&] { return Text(time1) != stepped_time; }, 10000)) << "did not play on";

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(30s), 0u);
}

// The program claims its hot keys just after its window shows: a key pressed
// before that is lost, as it would be for a user. Once it holds the key, the
// same key cannot be registered here.
bool WaitUntilClaimed(UINT modifiers, UINT key) {
  return services_test::WaitFor([&] {
    if (!::RegisterHotKey(nullptr, 0x7F00, modifiers, key)) return true;
    ::UnregisterHotKey(nullptr, 0x7F00);
    return false;
  }, 10000);
}

TEST(HotKeys, SpeedKeysChangeTheSpeedWhileAnotherProgramHasTheFocusAndItIsKept) {
  ScratchDir dir{L"e2espeed"};
  std::filesystem::copy_file(e2e::VocorderExe(), dir.file(L"Vocorder.exe"));
  WriteBytes(dir.file(L"Player.ini"), "list=listdir.m3u\r\n");
  const wchar_t* settings = L"Software\\Tarnwell\\Kestrel v.5.1";
  auto storedSpeed = [&]() -> std::optional<DWORD> {
    DWORD v = 0, size = sizeof(v);
    if (::RegGetValueW(HKEY_CURRENT_USER, settings, L"Speed", RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
      return std::nullopt;
    return v;
  };
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, settings, L"Speed");

  // With no list it shows the documents folder, and says so first when that
  // holds no recordings (OK is answered).
  e2e::Program p(dir.file(L"Vocorder.exe"), L"", dir.path().wstring());
  HWND main = p.WaitForMainWindow(30s);
  ASSERT_TRUE(main);
  HWND speed = ::GetDlgItem(main, app::idSpeed);
  ASSERT_TRUE(speed);
  EXPECT_EQ(Text(speed), L"100 %");

  services_test::FocusedNotepad notepad;
  ASSERT_NE(notepad.window(), nullptr) << "notepad did not start";
  ASSERT_TRUE(notepad.focused()) << "notepad did not get the focus";
  auto shows = [&](const wchar_t* text) { return services_test::WaitFor([&] { return Text(speed) == text; }, 5000); };

  ASSERT_TRUE(WaitUntilClaimed(MOD_ALT | MOD_SHIFT, VK_HOME)) << "the program never claimed its speed keys";
  ASSERT_TRUE(services_test::PressKeys("alt+shift+Prior"));
  EXPECT_TRUE(shows(L"105 %")) << "faster: " << testing::PrintToString(Text(speed));
  // Stored just after it is shown.
  auto stores = [&](std::optional<DWORD> v) { return services_test::WaitFor([&] { return storedSpeed() == v; }, 5000); };
  EXPECT_TRUE(stores(105u)) << testing::PrintToString(storedSpeed());
  ASSERT_TRUE(services_test::PressKeys("alt+shift+Next"));
  ASSERT_TRUE(services_test::PressKeys("alt+shift+Next"));
  EXPECT_TRUE(shows(L"95 %")) << "slower: " << testing::PrintToString(Text(speed));
  EXPECT_TRUE(notepad.focused());

  // Kept across a restart.
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(30s), 0u);
  e2e::Program again(dir.file(L"Vocorder.exe"), L"", dir.path().wstring());
  main = again.WaitForMainWindow(30s);
  ASSERT_TRUE(main);
  speed = ::GetDlgItem(main, app::idSpeed);
  EXPECT_EQ(Text(speed), L"95 %");

  // Back to 100 %: the value leaves the registry.
  ASSERT_TRUE(WaitUntilClaimed(MOD_ALT | MOD_SHIFT, VK_HOME)) << "the restarted program never claimed its speed keys";
  ASSERT_TRUE(services_test::PressKeys("alt+shift+Home"));
  EXPECT_TRUE(shows(L"100 %")) << "reset: " << testing::PrintToString(Text(speed));
  EXPECT_TRUE(stores(std::nullopt)) << testing::PrintToString(storedSpeed());
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(again.WaitForExit(30s), 0u);
}

}  // namespace
