#include "base/Window.h"

#include <stdexcept>

namespace win {
namespace {

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
  ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

}  // namespace

TWindow::~TWindow() { Destroy(); }

void TWindow::Destroy() {
  if (hwnd_) ::DestroyWindow(hwnd_);  // WM_NCDESTROY unbinds
}

void TWindow::ApplyFont(HFONT font) {
  font_ = font;
  if (hwnd_) ::EnumChildWindows(hwnd_, SetFontOnChild, reinterpret_cast<LPARAM>(font));
}

bool TWindow::RegisterWindowClass(WNDCLASSEXW wc) {
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  if (!wc.hInstance) wc.hInstance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW known{sizeof known};
  if (::GetClassInfoExW(wc.hInstance, wc.lpszClassName, &known)) return true;
  return ::RegisterClassExW(&wc) != 0;
}

HWND TWindow::CreateBound(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menu) {
  return ::CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent, menu,
                           ::GetModuleHandleW(nullptr), this);
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) ::InvalidateRect(hwnd_, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
  }
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void TWindow::ReportFailure(const std::exception&) {}

LRESULT CALLBACK TWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);

  LRESULT result = 0;
  bool failed = false;
  try {
    // The handler may free the object (a hot key handler that destroys its
    // own component): nothing below touches `self` on the way out.
    result = self->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    failed = true;
    try {
      self->ReportFailure(e);
    } catch (...) {
    }
  } catch (...) {
    failed = true;
    try {
      self->ReportFailure(std::runtime_error("An unexpected error occurred."));
    } catch (...) {
    }
  }
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  if (failed) {
    if (msg == WM_CREATE) return -1;
    if (msg == WM_NCCREATE) return FALSE;
  }
  return result;
}

POINT KeptOnScreen(const RECT& r) {
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  POINT p{r.left, r.top};
  if (r.right > sw) p.x = sw - (r.right - r.left);
  if (r.bottom > sh) p.y = sh - (r.bottom - r.top);
  if (p.x < 0) p.x = 0;
  if (p.y < 0) p.y = 0;
  return p;
}

POINT CentredOver(HWND over, int width, int height) {
  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (over && ::IsWindowVisible(over) && !::IsIconic(over)) ::GetWindowRect(over, &area);
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  return KeptOnScreen(RECT{left, top, left + width, top + height});
}

}  // namespace win
