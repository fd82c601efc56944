// The built setup program run silently, as an administrator runs it, and
// its uninstaller.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

inline constexpr wchar_t kInstallFolder[] = L"C:\\Program Files\\Korvel\\Vocorder";

// The setup program of this build's word size.
std::wstring SetupProgram();

// Runs the folder's uninstaller silently and waits for the copy of itself
// that does the work; the uninstaller's exit code.
std::optional<DWORD> Uninstall(const std::wstring& folder, const std::wstring& options = {});

// A silent installation into the folder, removed with the object (a
// program of it still running is ended first, the folder made writable).
class Installation {
public:
  explicit Installation(std::wstring folder = kInstallFolder);
  ~Installation();
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  // The setup program's exit code; nothing when it did not run to its end.
  std::optional<DWORD> exitCode() const { return exitCode_; }
  const std::wstring& Folder() const { return folder_; }
  std::wstring Exe() const { return folder_ + L"\\Vocorder.exe"; }

private:
  std::wstring folder_;
  std::optional<DWORD> exitCode_;
};

}  // namespace e2e
