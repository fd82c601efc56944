// The stage of the later journeys: a user's folder holding the built program
// and its recordings, the documents folder pointed at those recordings, and
// the user's registry as it was put back afterwards. Plus what a user does to
// another process's windows: find them, press their buttons, wait for them.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "TestSupport.h"

namespace journeys {

// A key of the current user (with everything below it) copied aside and put
// back as it was, or removed when it did not exist.
class KeySnapshot {
public:
  explicit KeySnapshot(std::wstring key);
  ~KeySnapshot();
  KeySnapshot(const KeySnapshot&) = delete;
  KeySnapshot& operator=(const KeySnapshot&) = delete;

private:
  std::wstring key_, aside_;
  bool existed_ = false;
};

// One value of a current-user key, put back (or removed) afterwards.
class ValueSnapshot {
public:
  ValueSnapshot(std::wstring key, std::wstring name);
  ~ValueSnapshot();
  ValueSnapshot(const ValueSnapshot&) = delete;
  ValueSnapshot& operator=(const ValueSnapshot&) = delete;

private:
  std::wstring key_, name_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

inline constexpr wchar_t kSettingsKey[] = L"Software\\Tarnwell\\Kestrel v.5.1";
inline constexpr wchar_t kUserStoreKey[] = L"Vocorder";

// <scratch>\ holds Vocorder.exe with its libraries and a Player.ini naming
// listdir.m3u; <scratch>\recordings is the documents folder for the stage's
// lifetime. The settings key and the user store start empty, as on a first
// start, and everything is put back when the stage goes.
class Stage {
public:
  Stage();
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  std::wstring Folder() const { return dir_.path().wstring(); }
  std::wstring Exe() const { return dir_.file(L"Vocorder.exe"); }
  std::wstring Recordings() const { return recordings_; }
  std::wstring ListFile() const { return dir_.file(L"listdir.m3u"); }
  // Copies a generated fixture into the recordings folder under `name`.
  std::wstring AddRecording(const wchar_t* fixture, const std::wstring& name) const;
  void SetSetting(const wchar_t* name, DWORD value) const;
  std::optional<DWORD> Dword(const wchar_t* name) const;
  std::wstring Text(const wchar_t* name) const;

private:
  // The maker's key as a whole: the program's store leaves it behind, empty,
  // when it removes the settings key.
  KeySnapshot settings_{L"Software\\Tarnwell"};
  KeySnapshot store_{kUserStoreKey};
  ValueSnapshot shell_{L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", L"Personal"};
  ValueSnapshot userShell_{L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                           L"Personal"};
  testing_support::ScratchDir dir_{L"journey"};
  std::wstring recordings_;
};

// Polls `done` every 20 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A descendant window of `parent` with the control id (pages nest controls).
HWND Descendant(HWND parent, int id);
// A visible top-level window of the process with this class.
HWND WindowOf(const e2e::Program& p, const wchar_t* className);
// A visible message box of the process whose text contains `part`.
std::optional<e2e::Box> BoxOf(const e2e::Program& p, const std::wstring& part);
std::optional<e2e::Box> WaitForBoxOf(const e2e::Program& p, const std::wstring& part,
                                     std::chrono::milliseconds timeout);

// What the process shows: its visible windows' classes, captions and box
// texts, for failure messages.
std::wstring Describe(const e2e::Program& p);

// A click as the button itself takes it; posted, so a modal window the
// click opens does not hold the caller.
void Click(HWND button);
void PressKey(HWND window, UINT virtualKey);
bool Checked(HWND box);
std::wstring TextOf(HWND window);
std::vector<std::wstring> ComboItems(HWND combo);

// The processes running the image at this path.
std::vector<DWORD> ProcessesOf(const std::wstring& image);
// Ends them (a program left running meets the next test's single-instance check).
void EndProcessesOf(const std::wstring& image);

}  // namespace journeys
