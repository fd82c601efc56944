// The program's small per-user store: string values in section "Sets" of a
// current-user key named after the program file (HKCU\Vocorder\Sets).
#pragma once

#include <string>
#include <string_view>

namespace app {

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

}  // namespace app
