#include "services/FisHotKey.h"

#include <algorithm>

namespace services {

namespace {

constexpr int kHotKeyId = 0;
constexpr UINT_PTR kReleaseTimer = 1;
constexpr UINT kReleasePollMs = 30;
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
  if (msg == WM_TIMER && wp == kReleaseTimer) component_.WatchRelease();
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
  const UINT repeat = NoRepeat_ ? MOD_NOREPEAT : 0;
  Registered_ = ::RegisterHotKey(ReceiverWindow(), kHotKeyId, c.modifiers | repeat, c.virtualKey) != FALSE;
}

void TfisHotKey::SetKeys(std::span<TfisHotKey* const> components, std::span<const WORD> codes) {
  const size_t n = std::min(components.size(), codes.size());
  for (size_t i = 0; i < n; ++i) components[i]->UnregisterKey();
  for (size_t i = 0; i < n; ++i) {
    components[i]->Key_ = codes[i];
    if (components[i]->Enabled_) components[i]->RegisterKey();
  }
}

void TfisHotKey::UnregisterKey() {
  if (!Registered_) return;
  ::UnregisterHotKey(ReceiverWindow(), kHotKeyId);
  Registered_ = false;
  Held_ = false;
  ::KillTimer(ReceiverWindow(), kReleaseTimer);
}

// Some systems take MOD_NOREPEAT and repeat all the same (Wine): a repeat
// is an event that comes while the key is still down since the last one.
// A timer watches for the key to be let go in between.
bool TfisHotKey::KeyDown() const {
  return (::GetAsyncKeyState(static_cast<int>(SplitShortcut(Key_).virtualKey)) & 0x8000) != 0;
}

void TfisHotKey::WatchRelease() {
  if (KeyDown()) return;
  Held_ = false;
  ::KillTimer(ReceiverWindow(), kReleaseTimer);
}

void TfisHotKey::HotKeyWindowProc() {
  if (NoRepeat_) {
    if (Held_ && KeyDown()) return;
    Held_ = ::SetTimer(ReceiverWindow(), kReleaseTimer, kReleasePollMs, nullptr) != 0;
  }
  if (!OnHotKey) return;
  // A copy, so that a handler that reassigns or destroys its own event does
  // not pull the function out from under itself. What it throws is dropped
  // by the window base: nothing may unwind through the system's dispatch.
  HotKeyEvent handler = OnHotKey;
  handler(*this);
}

}  // namespace services
