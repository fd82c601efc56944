// Drives a modal dialog of the test's own thread: Run() opens it, and the
// script runs inside the dialog's modal loop, on this thread, once a dialog
// of this thread is shown. The script reads and sets the controls and
// presses buttons or keys; keys go through the dialog's own loop, as typed
// ones do. A dialog still open when the time is up is closed and the test
// fails.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace testing_support {

class DialogDriver {
public:
  using Script = std::function<void(DialogDriver&)>;

  // `open` shows the dialog and returns when it is closed.
  static void Run(const std::function<void()>& open, const Script& script,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));

  explicit DialogDriver(HWND dialog) : dialog_(dialog) {}

  HWND Window() const { return dialog_; }
  HWND Control(int id) const { return ::GetDlgItem(dialog_, id); }
  std::wstring Caption() const;
  std::wstring Text(int id) const;
  void SetText(int id, const std::wstring& text);
  bool Checked(int id) const;
  void SetChecked(int id, bool on);
  bool Enabled(int id) const;
  HWND Focus() const { return ::GetFocus(); }
  // Clicks a button as the mouse would.
  void Press(int id);
  // Posts a key press to the control with the focus (VK_RETURN, VK_ESCAPE).
  void Key(UINT virtualKey);

private:
  HWND dialog_;
};

}  // namespace testing_support
