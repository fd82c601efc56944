// What the journeys need around the built program: a prefix put back as it
// was found (settings, per-user store, shell folders, the files the program
// leaves), a program folder of its own with the mail double beside it, and
// the few ways a user's hand reaches another process's windows.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Driver.h"
#include "TestSupport.h"

namespace mapi_double {
struct State;
}

namespace journey {

// A registry key's whole tree, set aside and put back (or removed when it
// did not exist) with the object.
class SavedKey {
public:
  SavedKey(HKEY root, std::wstring path, std::wstring backupName);
  ~SavedKey();
  SavedKey(const SavedKey&) = delete;
  SavedKey& operator=(const SavedKey&) = delete;

private:
  HKEY root_;
  std::wstring path_, backup_;
  bool had_ = false;
  // The parent keys that did not exist yet, innermost first.
  std::vector<std::wstring> newParents_;
};

// One registry value, put back with the object.
class SavedValue {
public:
  SavedValue(HKEY root, std::wstring path, std::wstring name);
  ~SavedValue();
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;

private:
  HKEY root_;
  std::wstring path_, name_;
  bool had_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// A file moved out of the way and moved back; what the run made of it goes.
class SavedFile {
public:
  explicit SavedFile(std::wstring path);
  ~SavedFile();
  SavedFile(const SavedFile&) = delete;
  SavedFile& operator=(const SavedFile&) = delete;

private:
  std::wstring path_;
  bool had_ = false;
  bool folderMade_ = false;
};

// Everything one run of the journeys changes, and the program it runs.
class World {
public:
  World();
  ~World();
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  // The documents folder the program sees (empty at first), with a
  // trailing backslash.
  std::wstring Documents() const { return docs_.dir(); }
  std::wstring AppFolder() const { return app_.path().wstring(); }
  bool Ready() const { return ready_; }

  // Starts Vocorder.exe from its folder; the old one, if any, is ended.
  e2e::Program& Start();
  e2e::Program* Running() { return program_.get(); }
  // Ends the program however it stands.
  void Kill() { program_.reset(); }

private:
  testing_support::ScratchDir docs_{L"jdocs"};
  testing_support::ScratchDir app_{L"japp"};
  std::vector<std::unique_ptr<SavedKey>> keys_;
  std::vector<std::unique_ptr<SavedValue>> values_;
  std::vector<std::unique_ptr<SavedFile>> files_;
  std::unique_ptr<e2e::Program> program_;
  bool ready_ = false;
};

// Posts a click to a button, as its own mouse handling would.
void Click(HWND button);
// Window text through WM_GETTEXT, which reaches into another process.
std::wstring TextOf(HWND w);
bool SetTextOf(HWND w, const std::wstring& text);
// A visible top-level window of the process with the class (any when null)
// and caption.
HWND WindowOf(DWORD pid, const wchar_t* cls, const std::wstring& caption);
HWND WaitForWindowOf(DWORD pid, const wchar_t* cls, const std::wstring& caption, std::chrono::milliseconds timeout);
// The process's visible windows as "class 'caption'", for failure messages.
std::string VisibleWindows(e2e::Program& p);
// The combo box's items.
std::vector<std::wstring> ComboItems(HWND combo);
// Selects an item as a user's choice in the drop-down does.
void ChooseComboItem(HWND owner, int controlId, int index);
// "00:01:05" (or with milliseconds) as seconds; -1 when it is no time.
int Seconds(const std::wstring& readout);
// Types text through the X server into whatever has the focus.
bool TypeKeys(const std::string& text);

// The mail double inside another process: its recorded calls, read from
// the library loaded there at the same offset as in this process.
class MailDoubleProbe {
public:
  // The double beside this test program; pid is the process that loaded it.
  explicit MailDoubleProbe(DWORD pid);
  ~MailDoubleProbe();
  MailDoubleProbe(const MailDoubleProbe&) = delete;
  MailDoubleProbe& operator=(const MailDoubleProbe&) = delete;
  // A copy of the state; nothing when the process has not loaded the double.
  std::unique_ptr<mapi_double::State> Read() const;

private:
  HANDLE process_ = nullptr;
  HMODULE local_ = nullptr;
  ptrdiff_t offset_ = 0;
};

}  // namespace journey
