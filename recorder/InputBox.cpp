#include "recorder/InputBox.h"

#include <utility>
#include <vector>

namespace recorder {
namespace {

InputPresenter& Presenter() {
  static InputPresenter p;
  return p;
}

enum { kEdit = 100, kPrompt = 101 };

struct BoxState {
  std::wstring caption, prompt, value;
  bool ok = false;
};

// A dialog template in memory: caption, prompt, edit, OK and Cancel.
class Template {
public:
  void Word(WORD w) { bytes_.push_back(w); }
  void Text(std::wstring_view s) {
    for (wchar_t c : s) bytes_.push_back(c);
    bytes_.push_back(0);
  }
  void Align() {
    if (bytes_.size() % 2) bytes_.push_back(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, std::wstring_view text) {
    Align();
    DLGITEMTEMPLATE it{style | WS_CHILD | WS_VISIBLE, 0, x, y, cx, cy, id};
    Raw(&it, sizeof it);
    Word(0xFFFF);
    Word(cls);
    Text(text);
    Word(0);
  }
  void Raw(const void* p, size_t n) {
    const WORD* w = static_cast<const WORD*>(p);
    bytes_.insert(bytes_.end(), w, w + n / 2);
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
  std::vector<WORD> bytes_;
};

INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* st = reinterpret_cast<BoxState*>(::GetWindowLongPtrW(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrW(dlg, DWLP_USER, lp);
      st = reinterpret_cast<BoxState*>(lp);
      ::SetWindowTextW(dlg, st->caption.c_str());
      ::SetDlgItemTextW(dlg, kPrompt, st->prompt.c_str());
      ::SetDlgItemTextW(dlg, kEdit, st->value.c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        if (LOWORD(wp) == IDOK && st) {
          wchar_t buf[1024] = {};
          ::GetDlgItemTextW(dlg, kEdit, buf, 1024);
          st->value = buf;
          st->ok = true;
        }
        ::EndDialog(dlg, LOWORD(wp));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

std::optional<std::wstring> ShowRealBox(HWND owner, std::wstring_view caption, std::wstring_view prompt,
                                        std::wstring_view value) {
  Template t;
  DLGTEMPLATE head{DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 4, 0, 0, 180, 62};
  t.Raw(&head, sizeof head);
  t.Word(0);  // no menu
  t.Word(0);  // default class
  t.Text(L"");
  t.Word(8);
  t.Text(L"MS Sans Serif");
  t.Item(SS_LEFT, 6, 6, 168, 10, kPrompt, 0x0082, L"");
  t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 18, 168, 12, kEdit, 0x0081, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 70, 40, 50, 14, IDOK, 0x0080, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 124, 40, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  BoxState st{std::wstring(caption), std::wstring(prompt), std::wstring(value)};
  ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), t.Get(), owner, Proc, reinterpret_cast<LPARAM>(&st));
  if (!st.ok) return std::nullopt;
  return st.value;
}

}  // namespace

InputPresenter SetInputPresenter(InputPresenter presenter) { return std::exchange(Presenter(), std::move(presenter)); }

std::optional<std::wstring> InputQuery(HWND owner, std::wstring_view caption, std::wstring_view prompt,
                                       std::wstring_view value) {
  if (Presenter()) return Presenter()(owner, caption, prompt, value);
  return ShowRealBox(owner, caption, prompt, value);
}

}  // namespace recorder
