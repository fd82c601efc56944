// The strip's about and mail buttons.
#include <windows.h>

#include "app/About.h"
#include "app/MainWindow.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "services/Email.h"

namespace app {

void TfrmVocorder::SpeedButton7Click() { FAbout_->ShowCentred(hwnd_); }

void TfrmVocorder::SpeedButton8Click() {
  // The recording's own file, as the list names it: the shown title may
  // carry a duplicate number or stand for another extension, and the folder
  // may have come from the stored list rather than the folder browser.
  const std::wstring path = SelectedSongItem() >= 0 ? SelectedSongPath() : std::wstring();
  if (path.empty()) {
    kestrel::ShowMessageBox(hwnd_, L"Vyberte nahrávku !!!", kestrel::ApplicationTitle(), MB_OK);
    return;
  }
  Email1_->Clear();
  Email1_->Attachment().push_back(path);
  Email1_->SetParentHandle(hwnd_);
  try {
    // The mail client shows its own messages; only an attachment it could
    // not be given is told here.
    const std::wstring why = Email1_->FailureText(Email1_->SendMail());
    if (!why.empty()) kestrel::ShowMessageBox(hwnd_, why, kestrel::ApplicationTitle(), MB_OK | MB_ICONWARNING);
  } catch (const services::EMapiUnavailable& e) {
    kestrel::ShowMessageBox(hwnd_, text::FromAnsi(e.what()), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
  }
}

}  // namespace app
