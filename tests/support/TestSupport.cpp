#include "TestSupport.h"

#include "Pump.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace testing_support {

ScratchDir::ScratchDir(std::wstring_view tag) {
  static std::atomic<unsigned> counter{0};
  wchar_t tmp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tmp);
  for (;;) {
    std::wstring name = std::wstring(L"voc_") + std::wstring(tag) + L"_" + std::to_wstring(::GetCurrentProcessId()) +
                        L"_" + std::to_wstring(counter++);
    path_ = std::filesystem::path(tmp) / name;
    std::error_code ec;
    if (std::filesystem::create_directory(path_, ec)) break;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::wstring ScratchDir::dir() const { return path_.wstring() + L"\\"; }
std::wstring ScratchDir::file(std::wstring_view name) const { return (path_ / name).wstring(); }

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  std::ofstream f(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream f(std::filesystem::path(path), std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool FileExists(const std::wstring& path) {
  DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring UnixPathFromEnvironment(const wchar_t* name) {
  wchar_t unix[4096];
  DWORD n = ::GetEnvironmentVariableW(name, unix, 4096);
  if (n == 0 || n >= 4096) return {};
  // Wine maps the Unix root to drive Z:.
  std::wstring p = L"Z:";
  p += unix;
  for (auto& c : p)
    if (c == L'/') c = L'\\';
  return p;
}

std::wstring BuildDir() { return UnixPathFromEnvironment(L"VOCORDER_BUILD"); }

bool SetFolderWritable(const std::wstring& folder, bool writable) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  char* name = unixName ? unixName(folder.c_str()) : nullptr;
  wchar_t path[4096] = L"";
  if (!name || !::MultiByteToWideChar(CP_UTF8, 0, name, -1, path, 4096)) return false;
  ::HeapFree(::GetProcessHeap(), 0, name);
  std::wstring command = std::wstring(writable ? L"/bin/chmod u+w \"" : L"/bin/chmod a-w \"") + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  // The process Wine gives for a Unix program ends as it starts, not with it.
  return PumpUntil([&] {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_READONLY) == 0) == writable;
  }, 5000);
}

}  // namespace testing_support

namespace testing_support {
std::wstring FixturePath(std::wstring_view name) { return BuildDir() + L"\\fixtures\\" + std::wstring(name); }
}  // namespace testing_support
