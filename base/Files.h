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

}  // namespace files
