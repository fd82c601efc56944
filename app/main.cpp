#include <windows.h>

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "codec/Mp3Fallback.h"
#include "player/AudioDevices.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // COM for this thread and the audio output devices, before anything else.
  InitPlayerModule();
  struct Done {
    ~Done() { DonePlayerModule(); }
  } done;

  if (app::ActivateRunningInstance()) return 0;
  bool fromCD = app::StartedFromCD(__argc, __wargv);
  if (app::LoadStartupData(fromCD) != app::StartResult::Run) return 0;
  // Recording needs an MPEG Layer-3 encoder; ours stands in when the
  // machine has none.
  codec::EnsureMp3Encoder();

  app::TfrmVocorder frmVocorder;
  if (!frmVocorder.Create(instance)) return 0;
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
