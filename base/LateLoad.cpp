#include "base/LateLoad.h"

#include <stdexcept>
#include <string>

#include "base/Text.h"

namespace win {

FARPROC FindLateProc(const wchar_t* library, const char* name) {
  HMODULE module = ::GetModuleHandleW(library);
  if (!module) {
    // By full path: a bare name would look in the program's folder first.
    wchar_t folder[MAX_PATH];
    UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) module = ::LoadLibraryW((std::wstring(folder, n) + L"\\" + library).c_str());
  }
  FARPROC p = module ? ::GetProcAddress(module, name) : nullptr;
  if (!p) throw std::runtime_error(text::ToAnsi(library) + ": " + name + " is missing");
  return p;
}

}  // namespace win
