#include "services/TypeText.h"

namespace services {
namespace {

constexpr wchar_t kTyperClass[] = L"TTextTyper";
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 20;
constexpr int kModifiers[] = {VK_LCONTROL, VK_RCONTROL, VK_LSHIFT, VK_RSHIFT, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN};

bool Held(int vk) { return (::GetAsyncKeyState(vk) & 0x8000) != 0; }

bool AnyModifierHeld() {
  for (int vk : kModifiers)
    if (Held(vk)) return true;
  return false;
}

INPUT Key(WORD vk, WORD scan, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = scan;
  in.ki.dwFlags = flags;
  return in;
}

bool Send(std::vector<INPUT>& events) {
  if (events.empty()) return true;
  return ::SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT)) == events.size();
}

}  // namespace

std::vector<INPUT> UnicodeKeyEvents(std::wstring_view text) {
  std::vector<INPUT> events;
  events.reserve(text.size() * 2);
  for (wchar_t c : text) {
    events.push_back(Key(0, c, KEYEVENTF_UNICODE));
    events.push_back(Key(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
  }
  return events;
}

bool SendText(std::wstring_view text) {
  std::vector<INPUT> events = UnicodeKeyEvents(text);
  return Send(events);
}

TTextTyper::TTextTyper() {
  static const bool registered = [] {
    WNDCLASSEXW wc{sizeof wc};
    wc.lpszClassName = kTyperClass;
    return RegisterWindowClass(wc);
  }();
  if (registered) CreateBound(WS_EX_TOOLWINDOW, kTyperClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr);
}

TTextTyper::~TTextTyper() { Destroy(); }

void TTextTyper::Type(std::wstring text) {
  pending_ = std::move(text);
  if (pending_.empty()) return;
  if (!AnyModifierHeld()) {
    TypeNow();
    return;
  }
  if (!hwnd_) {  // nothing to wait with
    pending_.clear();
    return;
  }
  deadline_ = ::GetTickCount64() + WaitMs;
  ::SetTimer(hwnd_, kPollTimer, kPollMs, nullptr);
}

void TTextTyper::TypeNow() {
  if (hwnd_) ::KillTimer(hwnd_, kPollTimer);
  std::vector<INPUT> events = UnicodeKeyEvents(pending_);
  pending_.clear();
  Send(events);
}

LRESULT TTextTyper::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kPollTimer) {
    if (!pending_.empty() && !AnyModifierHeld()) {
      TypeNow();
    } else if (pending_.empty() || ::GetTickCount64() >= deadline_) {
      ::KillTimer(hwnd_, kPollTimer);
      pending_.clear();
    }
    return 0;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace services
