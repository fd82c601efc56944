// A built program started as a user would and watched from outside: its
// windows, message boxes and exit code; and the processes of an image that
// something else started.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "Desktop.h"
#include "base/WinHandles.h"

namespace desktop {

class Program {
public:
  // Starts exe with the arguments in the working folder.
  Program(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir);
  // A program still running is ended: it would hold the next test's
  // single-instance check or the test's output.
  ~Program();

  bool started() const { return static_cast<bool>(process_); }
  DWORD id() const { return pid_; }
  // The exit code once the process has ended within the time, else nothing.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout);
  std::vector<HWND> TopLevelWindows() const { return WindowsOf(pid_); }
  // A visible top-level window of the class (any when null) and caption.
  HWND Window(const wchar_t* className, const wchar_t* caption = nullptr) const;
  HWND WaitForWindow(const wchar_t* className, std::chrono::milliseconds timeout);
  HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, std::chrono::milliseconds timeout);
  // A top-level window of the class (shown, unless `shown` is false) other
  // than those in `except`; for a box, one whose text starts with textStart.
  HWND WaitForWindow(const wchar_t* className, std::chrono::milliseconds timeout, const std::vector<HWND>& except,
                     const wchar_t* textStart = nullptr, bool shown = true);
  // A message box, once one shows (whose text contains `part`).
  std::optional<Box> WaitForBox(std::chrono::milliseconds timeout);
  std::optional<Box> WaitForBox(const std::wstring& part, std::chrono::milliseconds timeout);
  // The main window once it shows; message boxes on the way are answered
  // with OK and kept in `boxes`.
  HWND WaitForMainWindow(std::chrono::milliseconds timeout, std::vector<Box>* boxes = nullptr);
  // Closes the main window as its close box does; success once the program
  // has ended with exit code 0.
  testing::AssertionResult Quit(HWND main, std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Lets the program run its course as a user who wants it gone: every box
  // is answered (OK, else No, else Cancel) and the main window is closed once
  // it shows (unless `closeMain` is false); the windows in `leave` are left
  // for the program to end. The exit code, or nothing when it has not ended
  // in time.
  struct Course {
    std::vector<Box> boxes;
    bool windowShown = false;
    std::optional<DWORD> exitCode;
  };
  Course RunToEnd(std::chrono::milliseconds timeout, bool closeMain = true, const std::vector<HWND>& leave = {});
  std::wstring Describe() const { return desktop::Describe(pid_); }

private:
  win::Handle process_;
  DWORD pid_ = 0;
};

// Runs a program to its end in the build folder; its exit code, or nothing
// when it did not start or end in time.
std::optional<DWORD> RunToEnd(const std::wstring& exe, const std::wstring& args,
                              std::chrono::milliseconds timeout = std::chrono::seconds(120));

// The processes running the image at this path.
std::vector<DWORD> ProcessesOf(const std::wstring& image);
// The processes the process started that still run (of that file name).
std::vector<DWORD> ChildrenOf(DWORD pid, const wchar_t* fileName = nullptr);
// Waits for each of them to end.
bool WaitForProcesses(const std::vector<DWORD>& ids, std::chrono::milliseconds timeout);
// Ends them (a program left running meets the next test's single-instance check).
void EndProcessesOf(const std::wstring& image);
// The main window of a program that something else started from the image;
// boxes it shows first are answered with OK, as a user would.
HWND MainWindowOf(const std::wstring& image, std::chrono::milliseconds timeout);

// The built program: <build>\app\Vocorder.exe.
std::wstring VocorderExe();

}  // namespace desktop
