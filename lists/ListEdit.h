// Edits of the current list file by the missing-file dialogs.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Rewrites the current list file with every line equal to oldPath replaced
// by newPath, or dropped when newPath is empty; the other lines come back
// trimmed, blank ones dropped. A read-only file is rewritten only when the
// user agrees, and stays read-only. A backup beside it ("bak") is made
// first and kept when the "BrowseBackup" setting is on. Every failure is
// shown once, leaves the list file as it was and gives false.
bool ReplaceSongInListFile(std::wstring_view oldPath, std::wstring_view newPath);

// Whether a trimmed line of the list file equals path (no path is resolved:
// a relative line is not the same as an absolute path). A list file that
// cannot be read is reported and counts as holding it.
bool ListFileContains(std::wstring_view path, const std::wstring& listFile);

}  // namespace kestrel
