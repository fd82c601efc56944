#include "MailDoubleProbe.h"

#include <psapi.h>

#include <cwctype>
#include <filesystem>

#include "MapiDouble.h"

namespace e2e {
namespace {

std::wstring ThisProgramFolder() {
  wchar_t path[MAX_PATH] = L"";
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path().wstring();
}

}  // namespace

MailDoubleProbe::MailDoubleProbe(DWORD pid)
    : process_(::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid)),
      local_(::LoadLibraryW((ThisProgramFolder() + L"\\mapi32.dll").c_str())) {
  if (!local_) return;
  auto state = reinterpret_cast<MapiDoubleStateFn>(
      reinterpret_cast<void*>(::GetProcAddress(local_.get(), "MapiDoubleState")));
  if (state) offset_ = reinterpret_cast<BYTE*>(state()) - reinterpret_cast<BYTE*>(local_.get());
}

std::unique_ptr<mapi_double::State> MailDoubleProbe::Read() const {
  if (!process_ || !offset_) return nullptr;
  HMODULE modules[512];
  DWORD needed = 0;
  if (!::EnumProcessModules(process_.get(), modules, sizeof modules, &needed)) return nullptr;
  for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
    wchar_t path[MAX_PATH] = L"";
    if (!::GetModuleFileNameExW(process_.get(), modules[i], path, MAX_PATH)) continue;
    // Wine's own mapi32 lives in system32; the double beside the program.
    std::wstring lower = path;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    if (std::filesystem::path(lower).filename() != L"mapi32.dll" || lower.find(L"system32") != std::wstring::npos)
      continue;
    auto state = std::make_unique<mapi_double::State>();
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process_.get(), reinterpret_cast<BYTE*>(modules[i]) + offset_, state.get(), sizeof *state,
                             &got) ||
        got != sizeof *state)
      return nullptr;
    return state;
  }
  return nullptr;
}

}  // namespace e2e
