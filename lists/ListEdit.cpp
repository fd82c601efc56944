#include "lists/ListEdit.h"

#include <windows.h>

#include <new>
#include <vector>

#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/SettingsRecord.h"
#include "core/globals.h"
#include "lists/KestrelFiles.h"
#include "lists/ListFile.h"

namespace kestrel {

bool ReplaceSongInListFile(std::wstring_view oldPath, std::wstring_view newPath) {
  if (ListIndex < 0 || ListIndex >= static_cast<int>(Lists.size())) return false;
  const std::wstring listFile = Lists[ListIndex].Path;

  const bool readOnly = IsReadOnly(listFile);
  if (readOnly) {
    if (!AskRewriteReadOnly(listFile)) return false;
    if (!ClearReadOnly(listFile)) {
      ErrWriteFile(listFile);
      return false;
    }
  }
  // A failed rewrite leaves the old lines, so they keep their protection too.
  ScopeExit protect([&] {
    if (readOnly) SetReadOnly(listFile);
  });

  const std::wstring backup = BackupFileName(listFile);
  if (!CopyTextFile(listFile, backup)) return false;

  auto lines = ReadListFile(listFile);
  if (!lines) {
    ErrFileNotFound(listFile, false);
    return false;
  }
  std::vector<std::wstring> kept;
  try {
    kept.reserve(lines->size());
    for (std::wstring& line : *lines) {
      if (!text::Same(line, oldPath))
        kept.push_back(std::move(line));
      else if (!newPath.empty())
        kept.emplace_back(newPath);
    }
  } catch (const std::bad_alloc&) {
    ErrArrayAlloc(false);  // the list file stays as it was
    return false;
  }
  // The list file is replaced only by a complete copy: a failure here keeps
  // the old lines and has been shown.
  if (!WriteListFile(listFile, kept)) return false;

  if (!Settings.BrowseBackup) ::DeleteFileW(backup.c_str());
  return true;
}

bool ListFileContains(std::wstring_view path, const std::wstring& listFile) {
  auto lines = ReadListFile(listFile);
  if (!lines) {
    ErrFileNotFound(listFile, false);
    return true;
  }
  for (const std::wstring& line : *lines)
    if (text::Same(line, path)) return true;
  return false;
}

}  // namespace kestrel
