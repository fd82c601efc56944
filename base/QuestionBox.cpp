#include "base/QuestionBox.h"

#include <commctrl.h>

#include <cwchar>

namespace win {
namespace {

constexpr UINT_PTR kSubclassId = 0x5153;  // one per box
thread_local HHOOK t_hook = nullptr;

bool Shown(HWND box, int id) {
  HWND button = ::GetDlgItem(box, id);
  return button && ::IsWindowVisible(button);
}

// Esc in a dialog is IDCANCEL; a box whose answers are Yes and No takes it
// for No.
LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && Shown(hwnd, IDNO) && !Shown(hwnd, IDCANCEL)) {
    ::EndDialog(hwnd, IDNO);
    return 0;
  }
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, BoxProc, id);
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// Finds the box as it is activated: a dialog of this thread.
LRESULT CALLBACK CbtProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE) {
    HWND w = reinterpret_cast<HWND>(wp);
    wchar_t cls[16] = L"";
    ::GetClassNameW(w, cls, 16);
    if (std::wcscmp(cls, L"#32770") == 0) ::SetWindowSubclass(w, BoxProc, kSubclassId, 0);
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

int SystemMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  if ((type & MB_TYPEMASK) != MB_YESNO || t_hook) return ::MessageBoxW(owner, text, caption, type);
  t_hook = ::SetWindowsHookExW(WH_CBT, CbtProc, nullptr, ::GetCurrentThreadId());
  const int answer = ::MessageBoxW(owner, text, caption, type);
  if (t_hook) ::UnhookWindowsHookEx(t_hook);
  t_hook = nullptr;
  return answer;
}

}  // namespace win
