#include "RecorderDriver.h"

#include <commctrl.h>

#include <thread>

#include "Desktop.h"

namespace recorder_test {

void Click(TFRecMpeg& rec, int id) { ::SendMessageW(::GetDlgItem(rec.Handle(), id), BM_CLICK, 0, 0); }

std::wstring TextOf(TFRecMpeg& rec, int id) { return desktop::TextOf(::GetDlgItem(rec.Handle(), id)); }

bool Enabled(TFRecMpeg& rec, int id) { return ::IsWindowEnabled(::GetDlgItem(rec.Handle(), id)); }
bool Checked(TFRecMpeg& rec, int id) { return desktop::Checked(::GetDlgItem(rec.Handle(), id)); }
int BarPosition(TFRecMpeg& rec) {
  return static_cast<int>(::SendMessageW(::GetDlgItem(rec.Handle(), TFRecMpeg::idpgBar), PBM_GETPOS, 0, 0));
}

void RunShown(TFRecMpeg& rec, const std::function<void()>& script) {
  std::thread driver([&] {
    if (WaitUntil([&] { return ::IsWindowVisible(rec.Handle()) != FALSE; })) script();
    if (::IsWindowVisible(rec.Handle())) Click(rec, TFRecMpeg::idBitBtn2);
  });
  rec.ShowModal();
  driver.join();
}

}  // namespace recorder_test
