// The desktop as a user's hand and eye meet it, from outside the windows'
// own process or thread: finding windows, reading and setting their
// controls, clicks and keys, message boxes, and the keyboard of the X server
// with another program (notepad) holding the focus.
#pragma once

#include <windows.h>

#include <chrono>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "base/WinHandles.h"

namespace desktop {

// --- windows and their controls ---------------------------------------------

std::wstring ClassOf(HWND w);
// Window text through WM_GETTEXT, which reaches into another process; empty
// when the window does not answer within seconds.
std::wstring TextOf(HWND w);
bool SetTextOf(HWND w, const std::wstring& text);
bool Checked(HWND button);
// A descendant of `parent` with the control id (dialog pages nest controls).
HWND Descendant(HWND parent, int id);

// The window's rectangle on the screen, or in `parent`'s client coordinates.
RECT RectOf(HWND w);
RECT RectIn(HWND w, HWND parent);
int Top(HWND w);
int Width(HWND w);

// A click as the button itself takes it; posted, so a modal window the
// click opens does not hold the caller.
void Click(HWND button);
// A button's command as the dialog gets it (dialogs whose buttons are not
// ours, such as the shell's), posted.
void Press(HWND dialog, int buttonId);
// A key posted to the window (VK_RIGHT, VK_RETURN), down and up.
void PressKey(HWND window, UINT virtualKey);
std::vector<std::wstring> ComboItems(HWND combo);
// Selects an item as a user's choice in the drop-down does.
void ChooseComboItem(HWND owner, int controlId, int index);

// --- windows of a process -------------------------------------------------

// Every top-level window of the process, visible or not.
std::vector<HWND> WindowsOf(DWORD pid);
// A visible top-level window of the process with the class and caption
// (either may be null for any).
HWND WindowOf(DWORD pid, const wchar_t* className, const wchar_t* caption = nullptr);
HWND OwnWindow(const wchar_t* className, const wchar_t* caption = nullptr);
// What the process shows: its visible windows' classes, captions and box
// texts, for failure messages.
std::wstring Describe(DWORD pid);

// --- message boxes ------------------------------------------------------------

struct Box {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
};

Box ReadBox(HWND dialog);
// Presses the box's button with the id (IDOK, IDYES...).
void Answer(const Box& box, int buttonId);
// A visible message box of the process whose text contains `part`.
std::optional<Box> BoxOf(DWORD pid, const std::wstring& part = {});

// --- the X server's keyboard ----------------------------------------------

// Starts a Unix program from this Wine process and waits until it ends.
bool RunUnix(const std::wstring& commandLine);
// Presses a key combination ("ctrl+shift+F9") for whatever has the focus.
bool PressKeys(const std::string& xdotoolKeys);
// Types text into whatever has the focus.
bool TypeKeys(const std::string& text);
// Presses keys one after the other (virtual-key codes, down and up) through
// the system's input queue, for the window in the foreground, with
// `modifier` (VK_CONTROL...) held throughout when given.
bool SendKeys(std::initializer_list<WORD> keys, WORD modifier = 0);
// Whether some program (not this one) holds the global hot key: the
// program claims its keys just after its window shows, and a key pressed
// before that is lost, as it would be for a user.
bool WaitUntilHotKeyTaken(UINT modifiers, UINT virtualKey,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Notepad, started and given the focus; ended with the object.
class FocusedNotepad {
public:
  FocusedNotepad();
  ~FocusedNotepad();

  HWND window() const { return window_; }
  HWND edit() const;
  bool focused() const;
  // Gives it the focus back (without a window manager nothing else does).
  bool Refocus(std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
  win::Handle process_;
  HWND window_ = nullptr;
};

}  // namespace desktop
