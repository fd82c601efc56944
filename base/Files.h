// Whole-file reads and writes through the platform's file API.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace files {

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadAll(std::wstring_view path);
// Creates or truncates the file and writes the bytes; false on any failure.
bool WriteAll(std::wstring_view path, std::string_view bytes);

// The full path of the running program.
std::wstring ModulePath();

// One file copied by the shell's file operation (SHFileOperationW), owned by
// the desktop window, undo allowed, files only: the shell shows its progress
// and asks the user as it sees fit.
struct ShellCopyOptions {
  // A new name is chosen when the target exists, instead of asking.
  bool renameOnCollision = false;
  // ";" in either path separates paths, as in the shell's path lists.
  bool semicolonsSeparate = false;
  // An existing target is replaced without asking (the caller has asked).
  bool replace = false;
};
struct ShellCopyResult {
  bool done = false;      // the shell reported success and nothing was aborted
  std::wstring newPath;   // the copy's path when the shell renamed it, else empty
};
ShellCopyResult ShellCopy(std::wstring_view from, std::wstring_view to, ShellCopyOptions options = {});

}  // namespace files
