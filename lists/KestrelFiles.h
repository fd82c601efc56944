// File operations of the missing-file dialogs: the list file's backup and
// its read-only attribute.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Copies the file byte for byte into target (created or truncated). A
// source that cannot be opened gives ErrFileNotFound, a target that cannot
// be made or written ErrWriteFile; then the result is false.
bool CopyTextFile(const std::wstring& source, const std::wstring& target);
// The extension replaced by "bak" (list.m3u: list.bak), or ".bak" added to
// a path whose file part has none.
std::wstring BackupFileName(std::wstring_view path);

bool IsReadOnly(const std::wstring& path);
bool ClearReadOnly(const std::wstring& path);
bool SetReadOnly(const std::wstring& path);
// Whether the file's attributes can be written (false on read-only media or
// for a file that is not there); they are left as they were.
bool CanChangeAttributes(const std::wstring& path);

}  // namespace kestrel
