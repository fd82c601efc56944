// The registry as the program uses it: values of the current user's keys,
// the program's small per-user store and the user's documents folder.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace reg {

// The key the per-user stores live under: HKEY_CURRENT_USER, unless a test
// has pointed them at a scratch key of its own (nullptr goes back).
HKEY UserRoot();
void SetUserRoot(HKEY root);

bool ValueExists(HKEY key, const wchar_t* name);
// Nothing when the value is absent or of another type.
std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name);
std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name);
// A string value of a subkey; empty when the key or the value is missing.
std::wstring ReadString(HKEY root, const std::wstring& subkey, const wchar_t* name);
bool WriteDword(HKEY key, const wchar_t* name, DWORD value);
bool WriteString(HKEY key, const wchar_t* name, std::wstring_view value);
bool DeleteValue(HKEY key, const wchar_t* name);

// The program's per-user store: string values in section "Sets" of a key
// under the user root named after the program file (Vocorder\Sets).
class UserStore {
public:
  // The key name is the program file's name without its extension.
  UserStore();
  explicit UserStore(std::wstring keyName);

  // A missing value reads as an empty text.
  std::wstring Read(std::wstring_view name) const;
  bool Write(std::wstring_view name, std::wstring_view value) const;

  const std::wstring& KeyPath() const { return path_; }

private:
  std::wstring path_;
};

// The user's documents folder, from "PERSONAL" of the current user's shell
// folders; empty when it is not recorded.
std::wstring DocumentsFolder();

}  // namespace reg
