// The stage of the tests that start the built programs: a user's machine as
// on a first start (no settings, no per-user store or working folder, an
// empty documents folder), a program folder holding the built program, the
// program started and ended, and notepad holding the focus. Everything it
// changed is put back when the stage goes. A hot key test stands on it so:
//
//   e2e::Stage stage;
//   stage.AddRecording(L"speechrec.mp3", L"000 letter.mp3");  // sorts first: selected at start
//   HWND main = stage.Launch();
//   ASSERT_TRUE(main && stage.Notepad().focused());
//   ASSERT_TRUE(desktop::WaitUntilHotKeyTaken(MOD_CONTROL, VK_SPACE));
//   ASSERT_TRUE(desktop::PressKeys("ctrl+space"));
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Desktop.h"
#include "Program.h"
#include "TestSupport.h"

namespace e2e {

inline constexpr wchar_t kSettingsKey[] = L"Software\\Tarnwell\\Kestrel v.5.1";

class Stage {
public:
  Stage();
  ~Stage();

  // Whether the program's folder and the user's folders could be prepared.
  bool Ready() const { return ready_; }
  // The program's folder: Vocorder.exe with its libraries and a Player.ini
  // naming listdir.m3u.
  std::wstring Folder() const { return dir_.path().wstring(); }
  std::wstring Exe() const { return dir_.file(L"Vocorder.exe"); }
  std::wstring ListFile() const { return dir_.file(L"listdir.m3u"); }
  // The documents folder the program sees: <folder>\recordings.
  std::wstring Documents() const { return documents_; }
  // Copies a generated fixture into the documents folder under `name`.
  std::wstring AddRecording(const wchar_t* fixture, const std::wstring& name) const;
  // Puts the mail client double that lies beside this test program beside
  // the program too, which then loads it before the system's.
  bool AddMailDouble() const;
  // Sets a key of the current user, with everything below it, aside for
  // the stage's lifetime too: it is gone until the stage puts it back.
  void KeepAside(const std::wstring& key);

  void SetSetting(const wchar_t* name, DWORD value) const;
  std::optional<DWORD> Dword(const wchar_t* name) const;
  std::wstring Text(const wchar_t* name) const;

  // Starts the program from its folder; one started before is ended first.
  desktop::Program& Start(const std::wstring& args = {});
  // Another copy (an installed one) in its own folder.
  desktop::Program& Start(const std::wstring& exe, const std::wstring& folder, const std::wstring& args = {});
  // The program last started; null before.
  desktop::Program* Running() const { return program_.get(); }
  // Starts the program and returns its main window once its start-up is
  // through (it makes its recording window last); message boxes on the way
  // are answered with OK. Null when it shows no window.
  HWND Launch();
  // Ends the program however it stands.
  void End() { program_.reset(); }

  // Notepad, started on first use and given the focus.
  desktop::FocusedNotepad& Notepad();

private:
  // Set aside, a value or path is gone until the stage puts it back.
  void KeepValueAside(const std::wstring& key, const std::wstring& name);
  void KeepPathAside(const std::wstring& path);

  // What puts the user's machine back, the last first.
  std::vector<std::function<void()>> putBack_;
  testing_support::ScratchDir dir_{L"stage"};
  std::wstring documents_;
  bool ready_ = false;
  std::unique_ptr<desktop::FocusedNotepad> notepad_;
  std::unique_ptr<desktop::Program> program_;
};

}  // namespace e2e
