// The strip's settings buttons and what the settings dialog needs of the
// window: the selected recording, the play button, the position editor.
#include <windows.h>

#include "app/MainWindow.h"
#include "core/KestrelErrors.h"
#include "core/SettingsRecord.h"

namespace app {

void TfrmVocorder::SpeedButton6Click() {
  if (PlayerBusy()) idStopClick();
  idSettingsClick();
}

void TfrmVocorder::idSettingsClick(int page) {
  if (!Form2_) Form2_ = std::make_unique<kestrel::TForm2>(*this, *Player_);
  const bool wasOnTop = kestrel::Settings.AlwaysTop;
  Form2_->Execute(page);
  ApplyTypingSettings();
  if (kestrel::Settings.AlwaysTop != wasOnTop)
    ::SetWindowPos(hwnd_, kestrel::Settings.AlwaysTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TfrmVocorder::PlayerOpenFailed(const std::wstring& text) {
  if (Form2_ && ::IsWindowVisible(Form2_->Handle())) {
    kestrel::ShowDeviceError(Form2_->Handle(), text);
    return;
  }
  if (kestrel::AskEditDevice(text)) idSettingsClick(kestrel::TForm2::kDevicePage);
}

bool TfrmVocorder::RecordingSelected() { return !SelectedSongPath().empty(); }

void TfrmVocorder::ClickPlay() {
  ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(idPlay, BN_CLICKED), reinterpret_cast<LPARAM>(Control(idPlay)));
}

}  // namespace app
