// Path tests and resolution of relative song, list and program paths, and
// the artist (folder) and title (file) names taken from a path.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

bool IsRelativePath(std::wstring_view path);
bool IsNetworkPath(std::wstring_view path);
bool HasIllegalChars(std::wstring_view path);

std::wstring ResolveAppPath(std::wstring_view path);
std::wstring ResolveListPath(std::wstring_view path);
std::wstring ResolveSongPath(std::wstring_view path, int listIndex);

std::wstring ArtistNameFromPath(std::wstring_view path);
std::wstring TitleFromPath(std::wstring_view path);

// The text up to and including the last "\" or ":" (empty if there is none),
// and the text after it.
std::wstring ExtractFilePath(std::wstring_view path);
std::wstring ExtractFileName(std::wstring_view path);
std::wstring IncludeTrailingBackslash(std::wstring_view path);

// Existence tests; a path holding a NUL character names nothing.
bool FileExists(std::wstring_view path);
bool DirectoryExists(std::wstring_view path);

}  // namespace kestrel
