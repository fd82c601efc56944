// The program's only nested message loops are its modal dialogs and boxes.
// Each runs inside a ModalScope, which knows how to end that loop as its
// Cancel would. While any scope is open, the main window refuses its hot
// keys and carries out a close request only once every loop has ended: one
// rule in one place, instead of checks after each call that might have let
// messages run.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace win {

class ModalScope {
public:
  // A loop of the program's own, ended by `cancel` (as by its Cancel).
  explicit ModalScope(std::function<void()> cancel);
  // A loop the system runs (a message box, a common dialog): its dialog
  // window, one of this thread's made while the scope lives, gets IDCANCEL.
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

  // How many modal loops are open on this thread.
  static int Depth();
  // Every open loop is ended as by its Cancel, innermost first; no new one
  // starts until Resume; `then` runs once the last has returned (at once
  // when none is open).
  static void EndAll(std::function<void()> then);
  // Whether EndAll is under way: a modal loop about to start returns as
  // cancelled instead.
  static bool Ending();
  // Modal loops may start again (the close they made way for is going on).
  static void Resume();

private:
  void CancelSystemDialogs() const;

  std::function<void()> cancel_;
  std::vector<HWND> dialogsBefore_;  // for a system loop: what was there already
};

}  // namespace win
