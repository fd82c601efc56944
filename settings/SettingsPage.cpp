#include "settings/SettingsPage.h"

#include "settings/SettingsDialog.h"

namespace kestrel {
namespace {

bool IsBox(HWND control) {
  switch (::GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return true;
  }
  return false;
}

}  // namespace

bool TSettingsPage::SetBox(int id, bool on) {
  if (Checked(id) == on) return false;
  ::SendMessageW(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  BoxClicked(id);
  return true;
}

void TSettingsPage::SetText(int id, const std::wstring& text) {
  if (Text(id) != text) ::SetWindowTextW(Item(id), text.c_str());
}

std::wstring TSettingsPage::Text(int id) const {
  HWND h = Item(id);
  std::wstring s(static_cast<size_t>(::GetWindowTextLengthW(h)) + 1, L'\0');
  s.resize(static_cast<size_t>(::GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
  return s;
}

void TSettingsPage::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED && control && IsBox(control)) {
    BoxClicked(id);
    Form().FocusNull();
    return;
  }
  TDialogPage::OnCommand(id, code, control);
}

}  // namespace kestrel
