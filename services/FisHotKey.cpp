#include "services/FisHotKey.h"

namespace services {

namespace {

constexpr int kHotKeyId = 0;
constexpr wchar_t kReceiverClass[] = L"TfisHotKeyReceiver";

// The receiver's own procedure is the default one; the component replaces it
// for its lifetime and puts it back before the window goes.
ATOM ReceiverClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kReceiverClass;
    return ::RegisterClassExW(&wc);
  }();
  return atom;
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

TfisHotKey::TfisHotKey() {
  ReceiverClass();
  // A top-level window that is never shown: it only receives WM_HOTKEY.
  ReceiverWindow_.reset(::CreateWindowExW(WS_EX_TOOLWINDOW, kReceiverClass, L"", WS_POPUP, 0, 0, 0, 0,
                                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
  if (!ReceiverWindow_) return;
  ::SetWindowLongPtrW(ReceiverWindow_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SavedWindowProc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      ReceiverWindow_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TfisHotKey::HotKeyWindowProc)));
}

TfisHotKey::~TfisHotKey() {
  UnregisterKey();
  if (!ReceiverWindow_) return;
  if (SavedWindowProc_)
    ::SetWindowLongPtrW(ReceiverWindow_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SavedWindowProc_));
  ::SetWindowLongPtrW(ReceiverWindow_.get(), GWLP_USERDATA, 0);
  ReceiverWindow_.reset();
}

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
  if (Registered_ || !ReceiverWindow_) return;
  const HotKeyCombination c = SplitShortcut(Key_);
  // A code without a key (0, or modifiers alone) claims nothing: the system
  // would otherwise be asked for a combination no keyboard can press.
  if (c.virtualKey == 0) return;
  Registered_ = ::RegisterHotKey(ReceiverWindow_.get(), kHotKeyId, c.modifiers, c.virtualKey) != FALSE;
}

void TfisHotKey::UnregisterKey() {
  if (!Registered_) return;
  ::UnregisterHotKey(ReceiverWindow_.get(), kHotKeyId);
  Registered_ = false;
}

LRESULT CALLBACK TfisHotKey::HotKeyWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TfisHotKey*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
  // Taken before the handler runs: a handler may destroy the component.
  const WNDPROC saved = self->SavedWindowProc_;
  if (msg == WM_HOTKEY && self->OnHotKey) {
    // A copy, so that a handler that reassigns or destroys its own event
    // does not pull the function out from under itself.
    HotKeyEvent handler = self->OnHotKey;
    try {
      handler(*self);
    } catch (...) {
      // Nothing may unwind through the system's message dispatch.
    }
  }
  return saved ? ::CallWindowProcW(saved, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace services
