#include "base/Dialog.h"

#include <commctrl.h>

#include "base/ModalScope.h"

namespace win {
namespace {

bool IsPushButton(HWND h) {
  return (::SendMessageW(h, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

bool IsDroppedCombo(HWND h) {
  for (; h; h = ::GetParent(h)) {
    wchar_t cls[16] = L"";
    ::GetClassNameW(h, cls, 16);
    if (::lstrcmpiW(cls, L"ComboBox") == 0) return ::SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
  }
  return false;
}

HFONT CreatePointFont(const DialogFont& font, bool bold) {
  HDC dc = ::GetDC(nullptr);
  const int height = -::MulDiv(font.points, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  ::ReleaseDC(nullptr, dc);
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = font.charset;
  ::lstrcpynW(lf.lfFaceName, font.face, LF_FACESIZE);
  return ::CreateFontIndirectW(&lf);
}

TDialog::~TDialog() {
  if (modal_) EndModal(IDCANCEL);
  Destroy();  // while the dialog is whole, so that its handlers see the end
}

bool TDialog::Create(HWND owner) {
  if (Handle()) return true;
  owner_ = owner;
  WNDCLASSEXW wc{sizeof wc};
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = template_.className;
  if (!RegisterWindowClass(wc)) return false;

  const DWORD style = template_.style & ~WS_VISIBLE;
  const DWORD exStyle = template_.exStyle | WS_EX_CONTROLPARENT;
  RECT r{0, 0, template_.clientWidth, template_.clientHeight};
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  const int w = r.right - r.left, h = r.bottom - r.top;
  POINT at = CentredOver(template_.placement == Placement::CentreOwner ? owner : nullptr, w, h);
  if (!CreateBound(exStyle, template_.className, template_.caption, style, at.x, at.y, w, h, owner)) return false;

  for (const DialogItem& c : template_.items)
    ::CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, c.x, c.y, c.width, c.height,
                      Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), ::GetModuleHandleW(nullptr),
                      nullptr);
  font_.reset(CreatePointFont(template_.font));
  ApplyFont(static_cast<HFONT>(font_.get()));
  OnCreate();
  return true;
}

int TDialog::ShowModal(HWND owner) {
  if (modal_ || ModalScope::Ending()) return IDCANCEL;  // already up: a second loop would nest
  if (!Create(owner)) return IDCANCEL;
  if (owner != owner_) {
    owner_ = owner;
    ::SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  }
  result_ = IDCANCEL;
  OnInit();
  Place();

  const HWND self = Handle();
  const bool ownerWasEnabled = owner_ && ::IsWindowEnabled(owner_);
  if (ownerWasEnabled) ::EnableWindow(owner_, FALSE);
  ::ShowWindow(self, SW_SHOW);
  ::SetForegroundWindow(self);
  if (HWND focus = InitialFocus()) ::SetFocus(focus);
  modal_ = true;
  MSG m{};
  {
    ModalScope scope([this] { EndAsCancelled(); });
    while (modal_ && ::GetMessageW(&m, nullptr, 0, 0) > 0) Dispatch(m);
  }
  // The program is ending: the loop outside ours must see the quit too.
  if (m.message == WM_QUIT && modal_) ::PostQuitMessage(static_cast<int>(m.wParam));
  modal_ = false;
  if (ownerWasEnabled) ::EnableWindow(owner_, TRUE);
  if (::IsWindow(self)) ::ShowWindow(self, SW_HIDE);
  if (owner_) ::SetActiveWindow(owner_);
  return result_;
}

void TDialog::EndModal(int result) {
  result_ = result;
  modal_ = false;
  if (Handle()) {
    ::ShowWindow(Handle(), SW_HIDE);
    ::PostMessageW(Handle(), WM_NULL, 0, 0);  // wakes the modal loop
  }
}

void TDialog::Press(int id) {
  HWND button = Item(id);
  if (button && !::IsWindowEnabled(button)) return;
  ::SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

std::wstring TDialog::ItemText(int id) const {
  HWND h = Item(id);
  std::wstring s(static_cast<size_t>(::GetWindowTextLengthW(h)) + 1, L'\0');
  s.resize(static_cast<size_t>(::GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
  return s;
}

void TDialog::SetItemText(int id, std::wstring_view text) { ::SetWindowTextW(Item(id), std::wstring(text).c_str()); }

void TDialog::Dispatch(const MSG& m) {
  if (PreTranslateMessage(m) || TranslateDialogKey(m)) return;
  if (!Handle() || !::IsDialogMessageW(Handle(), const_cast<MSG*>(&m))) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

void TDialog::EndAsCancelled() {
  OnCancel();
  if (modal_) EndModal(IDCANCEL);
}

bool TDialog::IsOwnKey(const MSG& m) const {
  return (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN || m.message == WM_CHAR) && Handle() &&
         (m.hwnd == Handle() || ::IsChild(Handle(), m.hwnd));
}

void TDialog::SetHint(HWND control, std::wstring_view text) {
  if (!Handle() || !control) return;
  if (!tips_) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    tips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    if (!tips_) return;
    ::SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 400);
  }
  std::wstring t(text);
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = Handle();
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = t.data();
  // The tooltip keeps its own copy of the text.
  ::SendMessageW(tips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  ::SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::wstring TDialog::HintOf(HWND control) const {
  if (!tips_ || !control) return {};
  wchar_t buf[512] = L"";
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.hwnd = Handle();
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = buf;
  if (!::SendMessageW(tips_, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&ti))) return {};
  return buf;
}

void TDialog::OnCommand(int, int) {}

void TDialog::Place() {
  if (template_.placement == Placement::CentreScreenOnce) return;
  RECT r;
  ::GetWindowRect(Handle(), &r);
  POINT at = CentredOver(template_.placement == Placement::CentreOwner ? owner_ : nullptr, r.right - r.left,
                         r.bottom - r.top);
  ::SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TDialog::InitialFocus() { return ::GetNextDlgTabItem(Handle(), nullptr, FALSE); }

bool TDialog::TranslateDialogKey(const MSG& m) {
  if (m.message != WM_KEYDOWN || (m.wParam != VK_RETURN && m.wParam != VK_ESCAPE)) return false;
  if (m.hwnd != Handle() && !::IsChild(Handle(), m.hwnd)) return false;
  if (IsDroppedCombo(m.hwnd)) return false;  // the key closes the list
  if (m.wParam == VK_RETURN) {
    if (m.hwnd != Handle() && IsPushButton(m.hwnd))
      Press(::GetDlgCtrlID(m.hwnd));
    else if (template_.enterId)
      Press(template_.enterId);
  } else if (template_.escapeId) {
    Press(template_.escapeId);
  }
  return true;
}

LRESULT TDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wp), code = HIWORD(wp);
      if (id == IDOK && code == BN_CLICKED)
        OnOK();
      else if (id == IDCANCEL && code == BN_CLICKED)
        OnCancel();
      else
        OnCommand(id, code);
      return 0;
    }
    case WM_CLOSE:
      OnClose();
      return 0;
    case DM_GETDEFID:
      return template_.enterId ? MAKELRESULT(template_.enterId, DC_HASDEFID) : 0;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace win
