// Starts the built program as a user would and watches it from outside:
// its windows, message boxes and exit code.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "base/WinHandles.h"

namespace e2e {

struct Box {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<std::wstring> buttons;
};

class Program {
public:
  // Starts exe with the arguments in the working folder.
  Program(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  DWORD id() const { return pid_; }
  // The exit code once the process has ended within the time, else nothing.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);
  // A message box (dialog of class #32770) of this process, once one shows.
  std::optional<Box> WaitForBox(std::chrono::milliseconds timeout);
  // A top-level window of the class owned by this process (shown, unless
  // `shown` is false), other than those in `except`; for a box, one whose
  // text starts with textStart.
  HWND WaitForWindow(const wchar_t* className, std::chrono::milliseconds timeout,
                     const std::vector<HWND>& except = {}, const wchar_t* textStart = nullptr, bool shown = true);
  std::vector<HWND> TopLevelWindows() const;
  // The main window once it shows; message boxes on the way are answered
  // with OK and kept in `boxes`.
  HWND WaitForMainWindow(std::chrono::milliseconds timeout, std::vector<Box>* boxes = nullptr);
  // Lets the program run its course as a user who wants it gone: every box
  // is answered (OK, else No, else Cancel) and the main window is closed once
  // it shows (unless it has been closed already); the windows in `leave`
  // are left for the program to end. The exit code, or nothing when it has
  // not ended in time.
  struct Course {
    std::vector<Box> boxes;
    bool windowShown = false;
    std::optional<DWORD> exitCode;
  };
  Course RunToEnd(std::chrono::milliseconds timeout, bool closeMain = true, const std::vector<HWND>& leave = {});

private:
  win::Handle process_;
  DWORD pid_ = 0;
};

Box ReadBox(HWND dialog);
// Presses the button with the id (IDOK, IDYES...).
void Answer(const Box& box, int buttonId);

// The built program: <build>\app\Vocorder.exe.
std::wstring VocorderExe();

}  // namespace e2e
