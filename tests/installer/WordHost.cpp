// The word processor's double as a process of its own, as the host is: it
// loads the add-ins its list for the machine names for loading at
// start-up (by ProgID), completes start-up, clicks the add-in's button in the
// Tools menu and shuts down. Exit code 0 when all of that succeeded.
#include "addin/Extensibility.h"
#include "addin/WordDouble.h"
#include "base/WinHandles.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kAddIns[] = L"Software\\Microsoft\\Office\\Word\\Addins";

bool LoadsAtStartup(const std::wstring& progId) {
  DWORD behavior = 0, size = sizeof behavior;
  const std::wstring key = std::wstring(kAddIns) + L"\\" + progId;
  return ::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior,
                        &size) == ERROR_SUCCESS &&
         behavior == 3;
}

int RunHost() {
  win::Key addins;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAddIns, 0, KEY_READ, addins.put()) != ERROR_SUCCESS) return 2;
  ComPtr<word_double::Application> word;
  word.Attach(new word_double::Application());
  wchar_t progId[256];
  for (DWORD i = 0, n = 256;
       ::RegEnumKeyExW(addins.get(), i, progId, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, n = 256) {
    CLSID clsid;
    ComPtr<IDTExtensibility2> addIn;
    if (!LoadsAtStartup(progId) || FAILED(::CLSIDFromProgID(progId, &clsid)) ||
        FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&addIn))))
      continue;
    if (addIn->OnConnection(word.Get(), ext_cm_Startup, nullptr, nullptr) != S_OK ||
        addIn->OnStartupComplete(nullptr) != S_OK)
      return 3;
    word_double::Controls& tools = word->tools();
    for (size_t b = 0; b < tools.count(); ++b)
      if (tools.at(b)->tag == L"VOMenu") {
        tools.at(b)->Click();
        const bool down = addIn->OnBeginShutdown(nullptr) == S_OK &&
                          addIn->OnDisconnection(ext_dm_HostShutdown, nullptr) == S_OK;
        return down ? 0 : 5;
      }
    return 4;
  }
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  win::ComScope com;
  if (FAILED(com.result())) return 6;
  return RunHost();
}
