// The one shape of every window of the program: a class derived from
// TWindow, whose window procedure is the single static one below. It binds
// the object to its window at WM_NCCREATE and forwards every message to the
// object's HandleMessage. Nothing a handler throws leaves the procedure: the
// failure goes to the object's ReportFailure, and a failing WM_CREATE makes
// the creation fail instead of leaving a half-built window.
#pragma once

#include <windows.h>

#include <exception>

namespace win {

class TWindow {
public:
  TWindow() = default;
  // Destroys a window that is still there. A class that must see its own
  // WM_DESTROY calls Destroy() in its destructor, while it is still whole.
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
  void Destroy();

  // The window's font, as WM_SETFONT and WM_GETFONT see it; not owned.
  HFONT Font() const { return font_; }
  // Sets the window's font and gives it to every child, grandchildren too.
  void ApplyFont(HFONT font);

  // Registers a window class whose procedure is the common one (once per
  // class name; later calls are no-ops). The class's lpfnWndProc is ignored.
  static bool RegisterWindowClass(WNDCLASSEXW wc);

protected:
  // Creates the window bound to this object; null when creation failed
  // (WM_NCCREATE or WM_CREATE refused or threw).
  HWND CreateBound(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x, int y,
                   int width, int height, HWND parent, HMENU menu = nullptr);

  // The object's handler. Unhandled messages go to TWindow::HandleMessage,
  // which answers WM_SETFONT / WM_GETFONT and passes the rest on to the
  // default procedure.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  // What the window does when a handler failed (shows it, or ignores it).
  // It must not throw; what it throws anyway is dropped.
  virtual void ReportFailure(const std::exception& failure);

  // The window, from WM_NCCREATE to WM_NCDESTROY; set by the base only.
  HWND hwnd_ = nullptr;

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HFONT font_ = nullptr;
};

// Moves a window rectangle back onto the primary screen as the program's
// windows are kept there: a right or bottom edge past the screen is pulled
// onto it, then a negative left or top becomes 0.
POINT KeptOnScreen(const RECT& window);
// The top-left corner that centres a window of this size over `over` (or
// the screen when `over` is null), kept on the screen.
POINT CentredOver(HWND over, int width, int height);

}  // namespace win
