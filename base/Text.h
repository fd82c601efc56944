// Text helpers shared by the program's modules: ANSI code page conversion,
// the user's locale-aware case-insensitive comparison, trimming.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace text {

// Files of the program (ini and list files) are in the ANSI code page.
std::wstring FromAnsi(std::string_view bytes);
std::string ToAnsi(std::wstring_view s);
// Files that must hold every name (UTF-8). Bytes that are not UTF-8 give none.
std::optional<std::wstring> FromUtf8(std::string_view bytes);
std::string ToUtf8(std::wstring_view s);

// The user's locale, ignoring case: <0, 0, >0.
int Compare(std::wstring_view a, std::wstring_view b);
inline bool Same(std::wstring_view a, std::wstring_view b) { return Compare(a, b) == 0; }

// A key that is equal for two texts exactly when Compare() calls them equal;
// used to index texts for look-ups.
std::string SortKey(std::wstring_view s);

// ASCII letters A..Z to lower case; every other character unchanged.
std::wstring LowerAscii(std::wstring_view s);
// Whole-text lower case by the platform's rules.
std::wstring Lower(std::wstring_view s);

// Removes leading and trailing blanks and control characters (<= U+0020).
std::wstring_view Trim(std::wstring_view s);
std::wstring_view TrimLeft(std::wstring_view s);
std::wstring_view TrimRight(std::wstring_view s);

std::wstring FromInt(long long v);
// Decimal integer with an optional sign and surrounding blanks; nothing else.
std::optional<long long> ToInt(std::wstring_view s);

}  // namespace text
