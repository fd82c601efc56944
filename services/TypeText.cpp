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
  if (!AnyModifierHeld() || !hwnd_) {
    TypeNow(false);
    return;
  }
  deadline_ = ::GetTickCount64() + WaitMs;
  ::SetTimer(hwnd_, kPollTimer, kPollMs, nullptr);
}

void TTextTyper::TypeNow(bool releaseModifiers) {
  if (hwnd_) ::KillTimer(hwnd_, kPollTimer);
  std::vector<INPUT> events;
  if (releaseModifiers)
    for (int vk : kModifiers)
      if (Held(vk)) events.push_back(Key(static_cast<WORD>(vk), 0, KEYEVENTF_KEYUP));
  std::vector<INPUT> chars = UnicodeKeyEvents(pending_);
  events.insert(events.end(), chars.begin(), chars.end());
  pending_.clear();
  Send(events);
}

LRESULT TTextTyper::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kPollTimer) {
    if (pending_.empty())
      ::KillTimer(hwnd_, kPollTimer);
    else if (!AnyModifierHeld())
      TypeNow(false);
    else if (::GetTickCount64() >= deadline_)
      TypeNow(true);
    return 0;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace services
