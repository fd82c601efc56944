#include "services/Mapi.h"

#include <cstring>

#include "base/WinHandles.h"

namespace services {

namespace {

struct Loader {
  win::Module library;
  MapiFunctions functions;
  bool available = false;
};

Loader& State() {
  static Loader loader;
  return loader;
}

template <typename F>
bool Bind(HMODULE library, const char* name, F& target) {
  target = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
  return target != nullptr;
}

bool NewerThan351() {
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&v)) return true;
#pragma GCC diagnostic pop
  return v.dwMajorVersion > 3 || (v.dwMajorVersion == 3 && v.dwMinorVersion > 51);
}

}  // namespace

bool MapiAvailable() { return State().available; }
const MapiFunctions& Mapi() { return State().functions; }

bool MapiInstalled() {
  if (!NewerThan351()) return ::GetProfileIntW(L"Mail", L"MAPI", 0) != 0;
  win::Key key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows Messaging Subsystem", 0, KEY_READ,
                      key.put()) != ERROR_SUCCESS)
    return false;
  // Nine bytes are enough for any value that could mean yes; a longer one
  // does not fit and means no.
  char value[9] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (::RegQueryValueExA(key.get(), "MAPI", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  return std::strcmp(value, "1") == 0;
}

void BindMapi(HMODULE library) {
  Loader& s = State();
  s.available = false;
  s.functions = {};
  s.library.reset(library);
  MapiFunctions f;
  bool all = true;
  all &= Bind(library, "MAPIFindNext", f.FindNext);
  all &= Bind(library, "MAPILogoff", f.Logoff);
  all &= Bind(library, "MAPILogon", f.Logon);
  all &= Bind(library, "MAPISendMail", f.SendMail);
  all &= Bind(library, "MAPIReadMail", f.ReadMail);
  all &= Bind(library, "MAPIDeleteMail", f.DeleteMail);
  all &= Bind(library, "MAPIResolveName", f.ResolveName);
  all &= Bind(library, "MAPIFreeBuffer", f.FreeBuffer);
  all &= Bind(library, "MAPIAddress", f.Address);
  all &= Bind(library, "MAPISaveMail", f.SaveMail);
  if (!all) {
    // Calling through a missing entry point would crash later; the service
    // counts as unavailable instead.
    s.library.reset();
    throw EMapiDllError();
  }
  s.functions = f;
  s.available = true;
}

void InitMapi() {
  DoneMapi();
  if (!MapiInstalled()) return;
  const UINT oldMode = ::SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
  HMODULE library = ::LoadLibraryW(L"mapi32");
  if (!library) library = ::LoadLibraryW(L"mapi32.dll");
  ::SetErrorMode(oldMode);
  if (!library) return;
  BindMapi(library);
}

void DoneMapi() {
  Loader& s = State();
  s.available = false;
  s.functions = {};
  s.library.reset();
}

}  // namespace services
