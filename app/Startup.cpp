#include "app/Startup.h"

#include <windows.h>

#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "player/PlayerError.h"
#include "lists/KestrelLists.h"
#include "lists/KestrelParams.h"
#include "lists/WorkFolder.h"
#include "core/globals.h"
#include "settings/KestrelSettings.h"

namespace app {

bool RunPlayerStartup(const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const std::exception& e) {
    auto* p = dynamic_cast<const PlayerError*>(&e);
    kestrel::ShowMessageBox(nullptr, p ? p->Text() : text::FromAnsi(e.what()), kestrel::ApplicationTitle(),
                            MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    return false;
  }
}

bool ActivateRunningInstance() {
  HWND other = ::FindWindowW(L"TfrmVocorder", nullptr);
  if (!other) return false;
  if (::IsIconic(other)) ::ShowWindow(other, SW_RESTORE);
  ::SetForegroundWindow(other);
  return true;
}

bool StartedFromCD(int argc, wchar_t** argv) { return argc > 1 && text::Same(argv[1], L"cd"); }

StartResult LoadStartupData(bool fromCD) {
  kestrel::ReadPlayerIni(kestrel::ChooseWorkFolder());
  kestrel::LoadSettings();
  if (fromCD && !kestrel::Settings.LoadFromCD) return StartResult::RefusedFromCD;
  kestrel::LoadList(kestrel::CurrentList, kestrel::CurrentList.Grouped, kestrel::CurrentList.Sorted,
                    kestrel::ListIndex, kestrel::Settings.RandomTimes);
  return StartResult::Run;
}

}  // namespace app
