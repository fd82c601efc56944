#include "services/FisHotKey.h"

namespace services {

namespace {

constexpr int kHotKeyId = 0;
constexpr wchar_t kReceiverClass[] = L"TfisHotKeyReceiver";

bool RegisterReceiverClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{sizeof wc};
    wc.lpszClassName = kReceiverClass;
    return win::TWindow::RegisterWindowClass(wc);
  }();
  return registered;
}

}  // namespace

HotKeyCombination SplitShortcut(WORD key) {
  HotKeyCombination c;
  c.virtualKey = LOBYTE(key);
  if (key & scShift) c.modifiers |= MOD_SHIFT;
  if (key & scCtrl) c.modifiers |= MOD_CONTROL;
  if (key & scAlt) c.modifiers |= MOD_ALT;
  return c;
}

TfisHotKey::TReceiver::TReceiver(TfisHotKey& component) : component_(component) {
  // A top-level window that is never shown: it only receives WM_HOTKEY.
  if (RegisterReceiverClass()) CreateBound(WS_EX_TOOLWINDOW, kReceiverClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr);
}

LRESULT TfisHotKey::TReceiver::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // Taken before the handler runs: the handler may destroy the component,
  // and this window with it.
  const HWND hwnd = Handle();
  if (msg == WM_HOTKEY) component_.HotKeyWindowProc();
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

TfisHotKey::TfisHotKey() = default;

TfisHotKey::~TfisHotKey() { UnregisterKey(); }

void TfisHotKey::Loaded() {
  if (Enabled_) RegisterKey();
}

void TfisHotKey::SetEnabled(bool value) {
  Enabled_ = value;
  if (value)
    RegisterKey();
  else
    UnregisterKey();
}

void TfisHotKey::SetKey(WORD value) {
  if (value == Key_) return;
  Key_ = value;
  UnregisterKey();
  if (Enabled_) RegisterKey();
}

void TfisHotKey::RegisterKey() {
  if (Registered_ || !ReceiverWindow()) return;
  const HotKeyCombination c = SplitShortcut(Key_);
  // A code without a key (0, or modifiers alone) claims nothing: the system
  // would otherwise be asked for a combination no keyboard can press.
  if (c.virtualKey == 0) return;
  Registered_ = ::RegisterHotKey(ReceiverWindow(), kHotKeyId, c.modifiers, c.virtualKey) != FALSE;
}

void TfisHotKey::UnregisterKey() {
  if (!Registered_) return;
  ::UnregisterHotKey(ReceiverWindow(), kHotKeyId);
  Registered_ = false;
}

void TfisHotKey::HotKeyWindowProc() {
  if (!OnHotKey) return;
  // A copy, so that a handler that reassigns or destroys its own event does
  // not pull the function out from under itself. What it throws is dropped
  // by the window base: nothing may unwind through the system's dispatch.
  HotKeyEvent handler = OnHotKey;
  handler(*this);
}

}  // namespace services
