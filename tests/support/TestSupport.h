// Helpers for the test programs: scratch folders, file writing, paths.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

// A fresh folder under the Windows temporary folder, removed with the object.
class ScratchDir {
public:
  explicit ScratchDir(std::wstring_view tag = L"t");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder with a trailing backslash, as the program writes folders.
  std::wstring dir() const;
  std::wstring file(std::wstring_view name) const;

private:
  std::filesystem::path path_;
};

void WriteBytes(const std::wstring& path, std::string_view bytes);
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// A file or folder.
bool PathExists(const std::wstring& path);

// A Unix path held by an environment variable, as Wine names it (drive Z:);
// empty when the variable is not set.
std::wstring UnixPathFromEnvironment(const wchar_t* name);
// The build folder, from VOCORDER_BUILD, as a Windows path (empty if unset).
std::wstring BuildDir();

// Takes the right to write in a folder from every user, or gives it back. Wine
// reads a folder's access list from its Unix mode, which chmod changes.
bool SetFolderWritable(const std::wstring& folder, bool writable);

}  // namespace testing_support

namespace testing_support {
// A generated fixture, <build>\fixtures\<name>, as a Windows path.
std::wstring FixturePath(std::wstring_view name);
}  // namespace testing_support
