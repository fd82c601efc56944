// Stands in for the program at its installed path: appends the folder it was
// started in and its argument count to the file named by VOCORDER_STANDIN_LOG,
// then stays alive until the test signals "VocorderStandInRelease", so the
// test can count running copies.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t log[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableW(L"VOCORDER_STANDIN_LOG", log, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 2;
  wchar_t folder[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  ::LocalFree(argv);
  const std::wstring line = std::wstring(folder) + L"|" + std::to_wstring(argc - 1) + L"\n";

  // Copies started together take turns at the file.
  for (int attempt = 0; attempt < 500; ++attempt) {
    HANDLE file = ::CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      ::WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
      ::CloseHandle(file);
      break;
    }
    ::Sleep(10);
  }

  HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, L"VocorderStandInRelease");
  if (release) {
    ::WaitForSingleObject(release, 30000);
    ::CloseHandle(release);
  }
  return 0;
}
