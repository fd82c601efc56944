#include "services/FolderLayout.h"

#include <vector>

namespace services {

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

bool IsButtonClass(HWND w) {
  wchar_t cls[16] = L"";
  ::GetClassNameW(w, cls, 16);
  return ::lstrcmpiW(cls, L"Button") == 0;
}

LONG ButtonType(HWND w) { return ::GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK; }

RECT ChildRect(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

POINT DialogPosition(const PlacementInput& in) {
  TFolderDialogOptions options = in.options;
  // Without an owner there is nothing to centre over but the screen.
  if ((options & bfParentCenter) && !in.hasOwner) options = (options & ~bfParentCenter) | bfScreenCenter;
  if (options & bfParentCenter) {
    return {in.ownerWindow.left + (Width(in.ownerWindow) - in.dialog.cx) / 2,
            in.ownerWindow.top + Height(in.ownerWindow) / 4};
  }
  if (options & bfScreenCenter) return {(in.screen.cx - in.dialog.cx) / 2, (in.screen.cy - in.dialog.cy) / 3};
  if (!in.hasOwner) return {in.left, in.top};
  return {in.ownerClientOrigin.x + in.left, in.ownerClientOrigin.y + in.top};
}

std::wstring ShortenPath(HFONT font, const std::wstring& path, int width, bool pathEllipsis) {
  const std::wstring text = path + L"W";
  // DrawText may write up to four characters more than it is given.
  std::vector<wchar_t> buffer(text.begin(), text.end());
  buffer.resize(text.size() + 5, L'\0');

  HDC dc = ::CreateCompatibleDC(nullptr);
  if (!dc) return path;
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  RECT r{0, 0, width, 1000};
  ::DrawTextW(dc, buffer.data(), -1, &r,
              DT_SINGLELINE | DT_NOPREFIX | DT_MODIFYSTRING | DT_CALCRECT |
                  (pathEllipsis ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS));
  if (old) ::SelectObject(dc, old);
  ::DeleteDC(dc);

  std::wstring fitted(buffer.data());
  // The helper letter may itself have gone into an end ellipsis.
  if (!fitted.empty() && fitted.back() == L'W') fitted.pop_back();
  return fitted;
}

RECT CustomButtonRect(TFolderDialogOptions options, const RECT& source, bool sourceIsPushButton, const RECT& ok,
                      const RECT& cancel, int dialogClientWidth) {
  const bool resize = (options & bfResizeCustomButton) != 0;
  const int w = resize ? Width(ok) : Width(source);
  const int h = (resize || sourceIsPushButton) ? Height(ok) : Height(source);
  int x = source.left, y = source.top;
  if (options & bfAlignCustomButton) {
    // Mirror the right margin of the standard buttons on the left.
    const RECT& rightmost = Width(cancel) > 0 ? cancel : ok;
    x = dialogClientWidth - rightmost.right;
    y = ok.top;
  }
  return {x, y, x + w, y + h};
}

bool IsCheckableButton(HWND button) {
  if (!IsButtonClass(button)) return false;
  switch (ButtonType(button)) {
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
    case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
      return true;
    default:
      return false;
  }
}

bool IsPushButton(HWND button) {
  if (!IsButtonClass(button)) return false;
  const LONG type = ButtonType(button);
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool TCustomButtonCopy::Create(HWND dialog, HWND source, TFolderDialogOptions options, bool okEnabled) {
  Destroy();
  if (!dialog || !source || !::IsWindow(source)) return false;
  HWND ok = ::GetDlgItem(dialog, IDOK);
  HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
  RECT client{};
  ::GetClientRect(dialog, &client);
  const RECT okRect = ok ? ChildRect(ok) : RECT{};
  const RECT cancelRect = cancel ? ChildRect(cancel) : RECT{};
  const RECT r = CustomButtonRect(options, ChildRect(source), IsPushButton(source), okRect, cancelRect, client.right);

  wchar_t cls[64] = L"";
  ::GetClassNameW(source, cls, 64);
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(source)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(source, text.data(), static_cast<int>(text.size()))));

  DWORD style = static_cast<DWORD>(::GetWindowLongW(source, GWL_STYLE));
  style = (style & ~(WS_POPUP | WS_DISABLED)) | WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  // Only OK is the dialog's default button.
  if (IsPushButton(source) && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) style = (style & ~BS_TYPEMASK) | BS_PUSHBUTTON;
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongW(source, GWL_EXSTYLE));

  copy_.reset(::CreateWindowExW(exStyle, cls, text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)),
                                ::GetModuleHandleW(nullptr), nullptr));
  if (!copy_) return false;
  source_ = source;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(source, WM_GETFONT, 0, 0));
  if (!font) font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
  ::SendMessageW(copy_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (IsCheckableButton(source))
    ::SendMessageW(copy_.get(), BM_SETCHECK, ::SendMessageW(source, BM_GETCHECK, 0, 0), 0);
  // In the tab order after the standard buttons.
  if (cancel) ::SetWindowPos(copy_.get(), cancel, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Enable((options & bfSyncCustomButton) ? okEnabled : ::IsWindowEnabled(source) != FALSE);
  return true;
}

void TCustomButtonCopy::Destroy() {
  copy_.reset();
  source_ = nullptr;
}

void TCustomButtonCopy::Enable(bool enabled) {
  if (copy_) ::EnableWindow(copy_.get(), enabled);
}

void TCustomButtonCopy::ForwardCommand(WORD code) {
  if (!source_ || !::IsWindow(source_)) return;
  HWND parent = ::GetParent(source_);
  if (!parent) return;
  const WORD id = static_cast<WORD>(::GetDlgCtrlID(source_));
  ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(source_));
}

void TCustomButtonCopy::HandOverCheck() {
  if (!copy_ || !source_ || !::IsWindow(source_) || !IsCheckableButton(source_)) return;
  ::SendMessageW(source_, BM_SETCHECK, ::SendMessageW(copy_.get(), BM_GETCHECK, 0, 0), 0);
}

}  // namespace services
