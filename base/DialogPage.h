// A page of a dialog: a child window laid over the dialog's tab control,
// holding controls made from a table as a dialog's are. Tab and the arrow
// keys move through a page's controls as through the dialog's own. The
// page gets its controls' notifications; what a page class does not take
// goes on to the dialog.
#pragma once

#include <windows.h>

#include <span>

#include "base/Dialog.h"
#include "base/Window.h"

namespace win {

class TDialogPage : public TWindow {
public:
  explicit TDialogPage(std::span<const DialogItem> items) : items_(items) {}

  // Makes the page (hidden) at `r` of the dialog's client area, with its
  // controls in the dialog's font.
  bool Create(HWND dialog, const RECT& r, HFONT font);
  void Show(bool visible);
  bool Visible() const { return Handle() && ::IsWindowVisible(Handle()); }

protected:
  // Once, after the controls were made.
  virtual void OnCreate() {}
  // A control's notification; by default it goes on to the dialog.
  virtual void OnCommand(int id, int code, HWND control);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  std::span<const DialogItem> items_;
};

}  // namespace win
