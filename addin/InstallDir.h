// Where the add-in finds the program. A 32-bit program on 64-bit Windows is
// installed under "Program Files (x86)", not where the fixed path points, so
// the installer records its folder and the add-in looks there first.
#pragma once

#include <string>

namespace addin {

// The installer's record: HKEY_LOCAL_MACHINE\<kInstallKey>, value
// kInstallValue, in the 32-bit view of the registry.
inline constexpr wchar_t kInstallKey[] = L"SOFTWARE\\Korvel\\Vocorder";
inline constexpr wchar_t kInstallValue[] = L"InstallDir";

// The folder the program is installed in, without a trailing backslash: the
// recorded one, or `fallback` when nothing (or an empty text) is recorded.
std::wstring ProgramFolder(const std::wstring& fallback);

}  // namespace addin
