// System libraries bound on their first call instead of at process start.
// Under Wine every library the program imports is loaded and initialised
// before the entry point runs, and the shell and the common dialogs (with
// the printing libraries they pull in) are wanted only once the main window
// is up: imported, they cost the start about 40 ms.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <utility>

namespace win {

// The entry `name` of the system library `library`, loaded from the system
// folder (never from the program's) and kept for the life of the process.
// Throws std::runtime_error naming both when either is missing.
FARPROC FindLateProc(const wchar_t* library, const char* name);

// A system function of type Fn (its declared type, calling convention
// included), called like the function itself.
template <typename Fn>
class LateProc {
public:
  constexpr LateProc(const wchar_t* library, const char* name) : library_(library), name_(name) {}
  LateProc(const LateProc&) = delete;
  LateProc& operator=(const LateProc&) = delete;

  template <typename... Args>
  auto operator()(Args&&... args) const {
    return Get()(std::forward<Args>(args)...);
  }

private:
  Fn Get() const {
    FARPROC p = proc_.load(std::memory_order_acquire);
    if (!p) {
      p = FindLateProc(library_, name_);
      proc_.store(p, std::memory_order_release);
    }
    // Through the one function pointer type every other converts from.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(p));
  }

  const wchar_t* library_;
  const char* name_;
  mutable std::atomic<FARPROC> proc_{nullptr};
};

}  // namespace win

// The late-bound functions, named as the system names them.
namespace late {

inline const win::LateProc<decltype(&::ILClone)> ILClone{L"shell32.dll", "ILClone"};
inline const win::LateProc<decltype(&::SHBindToParent)> SHBindToParent{L"shell32.dll", "SHBindToParent"};
inline const win::LateProc<decltype(&::SHBrowseForFolderW)> SHBrowseForFolderW{L"shell32.dll", "SHBrowseForFolderW"};
inline const win::LateProc<decltype(&::SHFileOperationW)> SHFileOperationW{L"shell32.dll", "SHFileOperationW"};
inline const win::LateProc<decltype(&::SHFreeNameMappings)> SHFreeNameMappings{L"shell32.dll", "SHFreeNameMappings"};
inline const win::LateProc<decltype(&::SHGetDesktopFolder)> SHGetDesktopFolder{L"shell32.dll", "SHGetDesktopFolder"};
inline const win::LateProc<decltype(&::SHGetFileInfoW)> SHGetFileInfoW{L"shell32.dll", "SHGetFileInfoW"};
inline const win::LateProc<decltype(&::SHGetFolderPathW)> SHGetFolderPathW{L"shell32.dll", "SHGetFolderPathW"};
inline const win::LateProc<decltype(&::SHGetPathFromIDListW)> SHGetPathFromIDListW{L"shell32.dll", "SHGetPathFromIDListW"};
inline const win::LateProc<decltype(&::SHGetSpecialFolderLocation)> SHGetSpecialFolderLocation{L"shell32.dll", "SHGetSpecialFolderLocation"};
inline const win::LateProc<decltype(&::GetOpenFileNameW)> GetOpenFileNameW{L"comdlg32.dll", "GetOpenFileNameW"};

}  // namespace late
