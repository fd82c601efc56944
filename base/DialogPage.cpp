#include "base/DialogPage.h"

namespace win {

bool TDialogPage::Create(HWND dialog, const RECT& r, HFONT font) {
  if (Handle()) return true;
  WNDCLASSEXW wc{sizeof wc};
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"VocorderDialogPage";
  if (!RegisterWindowClass(wc)) return false;
  if (!CreateBound(WS_EX_CONTROLPARENT, wc.lpszClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, r.left, r.top,
                   r.right - r.left, r.bottom - r.top, dialog))
    return false;
  for (const DialogItem& c : items_)
    ::CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, c.x, c.y, c.width, c.height,
                      Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), ::GetModuleHandleW(nullptr),
                      nullptr);
  ApplyFont(font);
  // Above the tab control, which would otherwise paint over the page.
  ::SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  OnCreate();
  return true;
}

void TDialogPage::Show(bool visible) {
  if (Handle()) ::ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

void TDialogPage::OnCommand(int id, int code, HWND control) {
  ::SendMessageW(::GetParent(Handle()), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

LRESULT TDialogPage::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ::SendMessageW(::GetParent(Handle()), msg, wp, lp);
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace win
