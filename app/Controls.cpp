#include "app/Controls.h"

#include <commctrl.h>

#include <algorithm>

namespace app {
namespace {

constexpr wchar_t kBlockClass[] = L"VocorderBlock";
constexpr wchar_t kColourProp[] = L"VocorderColour";
constexpr wchar_t kSunkenProp[] = L"VocorderSunken";
constexpr wchar_t kGlyphProp[] = L"VocorderGlyph";
constexpr wchar_t kHotProp[] = L"VocorderHot";

void ForwardMouse(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  BlockMouse m{msg, wp, {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}};
  ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), WM_CONTROLMOUSE, ::GetDlgCtrlID(hwnd), reinterpret_cast<LPARAM>(&m));
}

LRESULT CALLBACK BlockProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      RECT r;
      ::GetClientRect(hwnd, &r);
      HBRUSH b = ::CreateSolidBrush(static_cast<COLORREF>(reinterpret_cast<UINT_PTR>(::GetPropW(hwnd, kColourProp))));
      ::FillRect(dc, &r, b);
      ::DeleteObject(b);
      if (::GetPropW(hwnd, kSunkenProp)) ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      ForwardMouse(hwnd, msg, wp, lp);
      return 0;
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      // Controls inside a block (the position editor) report to the window.
      return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    case WM_NCDESTROY:
      ::RemovePropW(hwnd, kColourProp);
      ::RemovePropW(hwnd, kSunkenProp);
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// Flat buttons report presses and releases (the step buttons repeat while
// held) and track whether the mouse is over them.
LRESULT CALLBACK FlatButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_LBUTTONDBLCLK:
      // The button class takes double-clicks, and an owner-drawn button
      // turns a quick second click into a BN_DOUBLECLICKED with no press.
      // Every click is a click: the second one is a press like the first.
      msg = WM_LBUTTONDOWN;
      [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      LRESULT r = ::DefSubclassProc(hwnd, msg, wp, lp);
      ForwardMouse(hwnd, msg, wp, lp);
      return r;
    }
    case WM_MOUSEMOVE:
      if (!::GetPropW(hwnd, kHotProp)) {
        ::SetPropW(hwnd, kHotProp, reinterpret_cast<HANDLE>(1));
        TRACKMOUSEEVENT t{sizeof(t), TME_LEAVE, hwnd, 0};
        ::TrackMouseEvent(&t);
        ::InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      ::RemovePropW(hwnd, kHotProp);
      ::InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      ::RemovePropW(hwnd, kHotProp);
      ::RemovePropW(hwnd, kGlyphProp);
      ::RemoveWindowSubclass(hwnd, FlatButtonProc, 0);
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterControlClasses(HINSTANCE instance) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = BlockProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kBlockClass;
  ::RegisterClassExW(&wc);
}

HWND CreateChild(HWND parent, const wchar_t* cls, int id, RECT r, DWORD style, const wchar_t* text) {
  HWND h = ::CreateWindowExW(0, cls, text, WS_CHILD | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  // The top-level window's font: blocks hold controls too and have none.
  ::SendMessageW(h, WM_SETFONT, ::SendMessageW(::GetAncestor(parent, GA_ROOT), WM_GETFONT, 0, 0), FALSE);
  return h;
}

HWND CreateBlock(HWND parent, int id, RECT r, COLORREF colour, bool sunken) {
  HWND h = CreateChild(parent, kBlockClass, id, r, WS_VISIBLE);
  ::SetPropW(h, kColourProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(colour)));
  if (sunken) ::SetPropW(h, kSunkenProp, reinterpret_cast<HANDLE>(1));
  return h;
}

void SetBlockColour(HWND block, COLORREF colour) {
  ::SetPropW(block, kColourProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(colour)));
  ::InvalidateRect(block, nullptr, FALSE);
}

HWND CreateFlatButton(HWND parent, int id, RECT r, HBITMAP glyph) {
  HWND h = CreateChild(parent, L"BUTTON", id, r, WS_VISIBLE | BS_OWNERDRAW);
  ::SetPropW(h, kGlyphProp, glyph);
  ::SetWindowSubclass(h, FlatButtonProc, 0, 0);
  return h;
}

void SetFlatButtonGlyph(HWND button, HBITMAP glyph) {
  ::SetPropW(button, kGlyphProp, glyph);
  ::InvalidateRect(button, nullptr, FALSE);
}

HBITMAP FlatButtonGlyph(HWND button) { return static_cast<HBITMAP>(::GetPropW(button, kGlyphProp)); }

void DrawFlatButton(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
  bool pressed = item.itemState & ODS_SELECTED;
  bool disabled = item.itemState & ODS_DISABLED;
  if (pressed)
    ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  else if (::GetPropW(item.hwndItem, kHotProp) && !disabled)
    ::DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  HBITMAP glyph = FlatButtonGlyph(item.hwndItem);
  if (!glyph) return;
  BITMAP bm{};
  ::GetObjectW(glyph, sizeof(bm), &bm);
  int x = r.left + (r.right - r.left - bm.bmWidth) / 2 + (pressed ? 1 : 0);
  int y = r.top + (r.bottom - r.top - bm.bmHeight) / 2 + (pressed ? 1 : 0);
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, glyph);
  if (disabled) {
    // A disabled picture: its outline in grey.
    for (int py = 0; py < bm.bmHeight; ++py)
      for (int px = 0; px < bm.bmWidth; ++px)
        if (::GetPixel(mem, px, py) != RGB(255, 0, 255)) ::SetPixel(dc, x + px, y + py, RGB(128, 128, 128));
  } else {
    ::GdiTransparentBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, bm.bmWidth, bm.bmHeight, RGB(255, 0, 255));
  }
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}

HWND CreateLabel(HWND parent, int id, RECT r, const wchar_t* text, DWORD extraStyle) {
  return CreateChild(parent, L"STATIC", id, r, WS_VISIBLE | SS_NOTIFY | extraStyle, text);
}

SIZE TextExtent(HWND control) {
  SIZE size{};
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  const std::wstring text = WindowText(control);
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return size;
}

void FitLabelToText(HWND label) {
  const SIZE text = TextExtent(label);
  RECT r;
  ::GetWindowRect(label, &r);
  const int height = std::max<int>(r.bottom - r.top, text.cy);
  ::SetWindowPos(label, nullptr, 0, 0, text.cx, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Hints::Create(HWND owner, int showMilliseconds) {
  owner_ = owner;
  tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                           reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE)), nullptr);
  ::SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, showMilliseconds);
  ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 400);
  std::erase_if(texts_, [](const auto& t) { return !::IsWindow(t.first); });
  for (const auto& [control, text] : texts_) Tell(control, text, false);
}

void Hints::Set(HWND control, const std::wstring& text) {
  if (!control) return;
  auto known = std::find_if(texts_.begin(), texts_.end(), [control](const auto& t) { return t.first == control; });
  const bool added = known != texts_.end();
  if (added)
    known->second = text;
  else
    texts_.emplace_back(control, text);
  if (tip_) Tell(control, text, added);
}

// A recording's name can be thousands of characters long: nothing here
// copies the tooltip's text into a buffer of ours.
void Hints::Tell(HWND control, const std::wstring& text, bool added) {
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = owner_;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = const_cast<wchar_t*>(text.c_str());
  ::SendMessageW(tip_, added ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

std::wstring Hints::Get(HWND control) const {
  for (const auto& [known, text] : texts_)
    if (known == control) return text;
  return {};
}

RECT ClientRectOf(HWND parent, HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring WindowText(HWND hwnd) {
  int n = ::GetWindowTextLengthW(hwnd);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(hwnd, s.data(), n + 1);
  s.resize(n > 0 ? n : 0);
  return s;
}

}  // namespace app
