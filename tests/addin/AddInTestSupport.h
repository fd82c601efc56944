// What both add-in test programs share: the DLL's identifiers written out
// independently of its sources, its path, regsvr32 and registry snapshots.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace addin_test {

inline constexpr GUID kLibId = {0x04EED320, 0x89FD, 0x11D6, {0xB1, 0x74, 0x00, 0x03, 0x74, 0x89, 0x09, 0x32}};
inline constexpr IID kIAddIn = {0xDB41E807, 0x71C2, 0x11D3, {0x8F, 0xDF, 0x00, 0x40, 0xD0, 0x09, 0x24, 0x0C}};
inline constexpr CLSID kClsid = {0xDB41E809, 0x71C2, 0x11D3, {0x8F, 0xDF, 0x00, 0x40, 0xD0, 0x09, 0x24, 0x0C}};
inline constexpr wchar_t kClsidText[] = L"{DB41E809-71C2-11D3-8FDF-0040D009240C}";
inline constexpr wchar_t kLibIdText[] = L"{04EED320-89FD-11D6-B174-000374890932}";
inline constexpr wchar_t kIAddInText[] = L"{DB41E807-71C2-11D3-8FDF-0040D009240C}";
inline constexpr wchar_t kProgId[] = L"VocorderAddIn.AddIn";

// <build>\addin\VocorderAddIn.dll.
std::wstring AddInDllPath();
// The folder of the running test program, with a trailing backslash.
std::wstring TestProgramDir();

// Runs the system's regsvr32 silently on path (unregistering when asked) and
// returns its exit code, or -1 when it could not be started.
int Regsvr32(const std::wstring& path, bool unregister = false);

// Every value under HKEY_CLASSES_ROOT\key and its subkeys, as
// "sub\path|value name" -> "type:data"; keys without values appear as
// "sub\path|*" -> "". Empty when the key does not exist.
using RegistrySnapshot = std::map<std::wstring, std::wstring>;
RegistrySnapshot Snapshot(const std::wstring& key);
bool KeyExists(const std::wstring& key);

// Paths and names compare without regard to case.
inline bool SameText(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

}  // namespace addin_test
