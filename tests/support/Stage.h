// The stage of the tests that start the built programs: a user's machine as
// on a first start (no settings, no per-user store or working folder, an
// empty documents folder), a program folder holding the built program, the
// program started and ended, and notepad holding the focus. Everything it
// changed is put back when the stage goes.
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

// What a test changes of the user's machine, set aside and put back with the
// object, the last first. Set aside, a key, value or path is gone.
class Aside {
public:
  Aside() = default;
  ~Aside();
  Aside(const Aside&) = delete;
  Aside& operator=(const Aside&) = delete;

  // A key of the current user with everything below it.
  void Key(const std::wstring& key);
  // One value of a current-user key.
  void Value(const std::wstring& key, const std::wstring& name);
  // A file or folder.
  void Path(const std::wstring& path);

private:
  std::vector<std::function<void()>> putBack_;
};

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
  // Sets a key of the current user aside for the stage's lifetime too.
  void KeepAside(const std::wstring& key) { aside_.Key(key); }

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
  Aside aside_;
  testing_support::ScratchDir dir_{L"stage"};
  std::wstring documents_;
  bool ready_ = false;
  std::unique_ptr<desktop::FocusedNotepad> notepad_;
  std::unique_ptr<desktop::Program> program_;
};

}  // namespace e2e
