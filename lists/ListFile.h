// List files: plain ANSI text, one recording path per line. The one place
// where they are read into lines, appended to and rewritten.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The lines of a text: a CR LF pair, an LF or a lone CR ends a line, a
// Ctrl-Z ends the text. Each line is trimmed of blanks and control
// characters; empty lines are left out.
std::vector<std::wstring> SplitListLines(std::wstring_view text);
// The lines of a list file, or nothing when it cannot be read.
std::optional<std::vector<std::wstring>> ReadListFile(const std::wstring& path);

// Whether a failed write shows ErrWriteFile.
enum class WriteFailure { Report, Quiet };

// Replaces the list file by the lines, each ending with CR LF. The lines go
// to a temporary file in the same folder, which is flushed and then moved
// over the list file, so that a failure at any step leaves the old file as
// it was; the failure is shown with ErrWriteFile and the result is false.
bool WriteListFile(const std::wstring& path, const std::vector<std::wstring>& lines,
                   WriteFailure failure = WriteFailure::Report);
// Adds one line at the end of the list file (created when missing), leaving
// what the file holds as it was; written and reported as WriteListFile.
bool AppendListLine(const std::wstring& path, const std::wstring& line);

// Replaces a file's whole content the same safe way: a flushed temporary
// copy beside it is moved over it. Nothing is shown on failure.
bool ReplaceFileContent(const std::wstring& path, std::string_view bytes);

// The write of a list file's bytes, as WriteFile takes it; a test may put a
// failing one in its place (an empty one restores WriteFile). Returns the
// old one.
using ListFileWriter = std::function<BOOL(HANDLE file, const void* data, DWORD size, DWORD* written)>;
ListFileWriter SetListFileWriter(ListFileWriter writer);

}  // namespace kestrel
