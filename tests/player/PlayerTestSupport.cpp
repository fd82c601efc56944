#include "PlayerTestSupport.h"

#include "player/AudioDevices.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace player_test {
namespace {

const wchar_t kClass[] = L"VocorderPlayerTestOwner";

// COM and the device lists for the whole test program, as the entry point
// sets them up. Wine's video renderer needs its Direct3D on GDI here: with no
// 32-bit OpenGL under Xvfb it reads through a null pointer while the graph
// builds, before the player can replace it.
class PlayerEnvironment : public testing::Environment {
public:
  void SetUp() override {
    HKEY key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Direct3D", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) == ERROR_SUCCESS) {
      const wchar_t gdi[] = L"gdi";
      ::RegSetValueExW(key, L"renderer", 0, REG_SZ, reinterpret_cast<const BYTE*>(gdi), sizeof gdi);
      ::RegCloseKey(key);
    }
    InitPlayerModule();
  }
  void TearDown() override { DonePlayerModule(); }
};

[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(new PlayerEnvironment);

}  // namespace

NotifyLog::NotifyLog() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  ::RegisterClassW(&wc);  // fails harmlessly from the second log on
  hwnd_ = ::CreateWindowW(kClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, this);
}

NotifyLog::~NotifyLog() {
  if (hwnd_) ::DestroyWindow(hwnd_);
}

void NotifyLog::Deliver() {
  MSG m;
  while (::PeekMessageW(&m, hwnd_, WM_PLAYERNOTIFY, WM_PLAYERNOTIFY, PM_REMOVE)) ::DispatchMessageW(&m);
}

std::vector<LPARAM> NotifyLog::PlayerCodes() {
  Deliver();
  std::vector<LPARAM> out;
  for (LPARAM c : codes)
    if (c != pnGraphEvent) out.push_back(c);
  return out;
}

LRESULT CALLBACK NotifyLog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<NotifyLog*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_PLAYERNOTIFY && self) {
    EXPECT_EQ(wp, 0u);
    self->codes.push_back(lp);
    if (self->onNotify) self->onNotify(lp);
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}


std::wstring Media(const wchar_t* name) { return testing_support::FixturePath(std::wstring(L"player\\") + name); }

namespace {
struct WindowSearch {
  HWND except;
  int count;
};

BOOL CALLBACK CountVisible(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == ::GetCurrentProcessId() && hwnd != s->except && ::IsWindowVisible(hwnd)) ++s->count;
  return TRUE;
}
}  // namespace

int VisibleWindowsOfProcess(HWND except) {
  WindowSearch s{except, 0};
  ::EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&s));
  return s.count;
}

int DeviceNamed(const std::wstring& name) {
  for (size_t i = 0; i < AudioDeviceNames.size(); ++i)
    if (AudioDeviceNames[i] == name) return static_cast<int>(i);
  return -1;
}

}  // namespace player_test
