#include "AddInTestSupport.h"

#include "TestSupport.h"
#include "base/WinHandles.h"

#include <vector>

namespace addin_test {

std::wstring AddInDllPath() { return testing_support::BuildDir() + L"\\addin\\VocorderAddIn.dll"; }

std::wstring TestProgramDir() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

int Regsvr32(const std::wstring& path, bool unregister) {
  wchar_t system[MAX_PATH];
  ::GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring exe = std::wstring(system) + L"\\regsvr32.exe";
  std::wstring command = L"\"" + exe + L"\" /s " + (unregister ? L"/u " : L"") + L"\"" + path + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  win::Handle process(pi.hProcess);
  win::Handle thread(pi.hThread);
  if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

namespace {

std::wstring ValueText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  std::wstring text = std::to_wstring(type) + L":";
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring s(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return text + s;
  }
  for (DWORD i = 0; i < size; ++i) text += std::to_wstring(data[i]) + L" ";
  return text;
}

void Collect(HKEY key, const std::wstring& path, RegistrySnapshot& out) {
  bool any = false;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384;
    std::vector<BYTE> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    out[path + L"|" + name] = ValueText(type, data, size);
    any = true;
  }
  if (!any) out[path + L"|*"] = L"";
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    win::Key sub;
    if (::RegOpenKeyExW(key, name, 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
      Collect(sub.get(), path.empty() ? std::wstring(name) : path + L"\\" + name, out);
  }
}

}  // namespace

RegistrySnapshot Snapshot(const std::wstring& key) {
  RegistrySnapshot out;
  win::Key root;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, root.put()) != ERROR_SUCCESS) return out;
  Collect(root.get(), L"", out);
  return out;
}

bool KeyExists(const std::wstring& key) {
  win::Key k;
  return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

}  // namespace addin_test
