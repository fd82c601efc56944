#include "RecorderDriver.h"

#include <commctrl.h>

#include <thread>

namespace recorder_test {

bool WaitFor(const std::function<bool()>& done, DWORD ms) {
  const ULONGLONG until = ::GetTickCount64() + ms;
  while (!done()) {
    if (::GetTickCount64() >= until) return done();
    ::Sleep(10);
  }
  return true;
}

void Click(TFRecMpeg& rec, int id) { ::SendMessageW(::GetDlgItem(rec.Handle(), id), BM_CLICK, 0, 0); }

std::wstring TextOf(TFRecMpeg& rec, int id) {
  wchar_t buf[256] = {};
  // Across threads WM_GETTEXT is sent to the window's own thread.
  ::SendMessageW(::GetDlgItem(rec.Handle(), id), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buf));
  return buf;
}

bool Enabled(TFRecMpeg& rec, int id) { return ::IsWindowEnabled(::GetDlgItem(rec.Handle(), id)); }
bool Checked(TFRecMpeg& rec, int id) {
  return ::SendMessageW(::GetDlgItem(rec.Handle(), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
int BarPosition(TFRecMpeg& rec) {
  return static_cast<int>(::SendMessageW(::GetDlgItem(rec.Handle(), TFRecMpeg::idpgBar), PBM_GETPOS, 0, 0));
}

void RunShown(TFRecMpeg& rec, const std::function<void()>& script) {
  std::thread driver([&] {
    if (WaitFor([&] { return ::IsWindowVisible(rec.Handle()) != FALSE; })) script();
    if (::IsWindowVisible(rec.Handle())) Click(rec, TFRecMpeg::idBitBtn2);
  });
  rec.ShowModal();
  driver.join();
}

}  // namespace recorder_test
