#include <windows.h>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "base/Text.h"
#include "codec/Mp3Fallback.h"
#include "core/KestrelErrors.h"
#include "player/AudioDevices.h"
#include "services/Mapi.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // COM for this thread and the audio output devices, before anything else.
  struct Done {
    ~Done() { DonePlayerModule(); }
  } done;
  if (!app::RunPlayerStartup(InitPlayerModule)) return 0;

  if (app::ActivateRunningInstance()) return 0;
  bool fromCD = app::StartedFromCD(__argc, __wargv);
  if (app::LoadStartupData(fromCD) != app::StartResult::Run) return 0;

  // The mail client's library, bound before the main window exists. An
  // incomplete one is reported and the program runs on without mail.
  try {
    services::InitMapi();
  } catch (const services::EMapiDllError& e) {
    kestrel::ShowMessageBox(nullptr, text::FromAnsi(e.what()), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
  }
  struct MapiDone {
    ~MapiDone() { services::DoneMapi(); }
  } mapiDone;

  app::TfrmVocorder frmVocorder;
  // Recording needs an MPEG Layer-3 encoder; ours stands in when the
  // machine has none. Asking the codecs waits until the window shows.
  if (!frmVocorder.Create(instance, [] { codec::EnsureMp3Encoder(); })) return 0;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
