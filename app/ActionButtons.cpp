#include "app/ActionButtons.h"

#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/SettingsRecord.h"
#include "player/TPlayer.h"
#include "recorder/RecMpeg.h"
#include "services/Email.h"

namespace app {

TActionButtons::TActionButtons(TStrip& strip, TReadouts& readouts, TPositionEditor& editor, TTransport& transport,
                               TRecordingList& recordings, THotKeyTable& hotKeys, TPedalSteering& pedals)
    : strip_(strip),
      readouts_(readouts),
      editor_(editor),
      transport_(transport),
      recordings_(recordings),
      hotKeys_(hotKeys),
      pedals_(pedals) {}

TActionButtons::~TActionButtons() = default;

void TActionButtons::CreateAbout() { FAbout_ = std::make_unique<TFAbout>(); }
void TActionButtons::CreateMail() { Email1_ = std::make_unique<services::TEmail>(); }

void TActionButtons::CreateRecordingWindow() {
  FRecMpeg_ = std::make_unique<TFRecMpeg>(strip_.Window());
  FRecMpeg_->OnAbout = [this](HWND owner, int top, int centreX) { FAbout_->ShowModalAt(owner, top, centreX); };
  if (FRecMpeg_->OfferLeftover()) recordings_.idChangeListClick();
}

void TActionButtons::Release() {
  FRecMpeg_.reset();  // its window is owned by the main window
  FAbout_.reset();
  Email1_.reset();
  Form2_.reset();
}

bool TActionButtons::DictationSettled() { return !FRecMpeg_ || FRecMpeg_->CloseQuery(); }

void TActionButtons::SpeedButton5Click() {
  // The strip shows before the recording window is made, and a click that
  // early is dropped.
  if (!FRecMpeg_) return;
  if (transport_.PlayerBusy()) transport_.idStopClick();
  FRecMpeg_->ShowModal();
  // A saved recording has been added to the list file.
  recordings_.idChangeListClick();
}

void TActionButtons::SpeedButton6Click() {
  if (transport_.PlayerBusy()) transport_.idStopClick();
  idSettingsClick();
}

void TActionButtons::idSettingsClick(int page) {
  if (!Form2_) Form2_ = std::make_unique<kestrel::TForm2>(*this, strip_.Player());
  const bool wasOnTop = kestrel::Settings.AlwaysTop;
  Form2_->Execute(page);
  hotKeys_.ApplyTypingSettings();
  pedals_.ApplySettings();
  TPlayer& player = strip_.Player();
  if (player.Speed() != kestrel::Settings.Speed) {
    player.SetSpeed(kestrel::Settings.Speed);
    readouts_.ShowSpeed(player.AppliedSpeed());
  }
  if (kestrel::Settings.AlwaysTop != wasOnTop)
    ::SetWindowPos(strip_.Window(), kestrel::Settings.AlwaysTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TActionButtons::PlayerOpenFailed(const std::wstring& text) {
  if (Form2_ && ::IsWindowVisible(Form2_->Handle())) {
    kestrel::ShowDeviceError(Form2_->Handle(), text);
    return;
  }
  if (kestrel::AskEditDevice(text)) idSettingsClick(kestrel::TForm2::kDevicePage);
}

void TActionButtons::ClickPlay() {
  ::SendMessageW(strip_.Window(), WM_COMMAND, MAKEWPARAM(idPlay, BN_CLICKED),
                 reinterpret_cast<LPARAM>(strip_.Control(idPlay)));
}

void TActionButtons::SpeedButton7Click() { FAbout_->ShowCentred(strip_.Window()); }

void TActionButtons::SpeedButton8Click() {
  // The recording's own file, as the list names it: the shown title may
  // carry a duplicate number or stand for another extension, and the folder
  // may have come from the stored list rather than the folder browser.
  const std::wstring path = recordings_.SelectedSongItem() >= 0 ? SelectedSongPath() : std::wstring();
  if (path.empty()) {
    kestrel::ShowMessageBox(strip_.Window(), L"Vyberte nahrávku !!!", kestrel::ApplicationTitle(), MB_OK);
    return;
  }
  Email1_->Clear();
  Email1_->Attachment().push_back(path);
  Email1_->SetParentHandle(strip_.Window());
  try {
    // The mail client shows its own messages; only an attachment it could
    // not be given is told here.
    const std::wstring why = Email1_->FailureText(Email1_->SendMail());
    if (!why.empty())
      kestrel::ShowMessageBox(strip_.Window(), why, kestrel::ApplicationTitle(), MB_OK | MB_ICONWARNING);
  } catch (const services::EMapiUnavailable& e) {
    kestrel::ShowMessageBox(strip_.Window(), text::FromAnsi(e.what()), kestrel::ApplicationTitle(),
                            MB_OK | MB_ICONSTOP);
  }
}

void TActionButtons::btnKonecClick() { ::PostMessageW(strip_.Window(), WM_CLOSE, 0, 0); }

}  // namespace app
