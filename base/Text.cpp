#include "base/Text.h"

#include <windows.h>

#include <cwchar>

namespace text {

std::wstring FromAnsi(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string ToAnsi(std::wstring_view s) {
  if (s.empty()) return {};
  int n = ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::optional<std::wstring> FromUtf8(std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, out.data(), n);
  return out;
}

std::string ToUtf8(std::wstring_view s) {
  if (s.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

int Compare(std::wstring_view a, std::wstring_view b) {
  int r = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                           static_cast<int>(b.size()));
  return r - CSTR_EQUAL;
}

std::string SortKey(std::wstring_view s) {
  if (s.empty()) return {};
  int n = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, s.data(), static_cast<int>(s.size()),
                         nullptr, 0);
  std::string key(static_cast<size_t>(n), '\0');
  ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, s.data(), static_cast<int>(s.size()),
                 reinterpret_cast<LPWSTR>(key.data()), n);
  while (!key.empty() && key.back() == '\0') key.pop_back();
  return key;
}

std::wstring LowerAscii(std::wstring_view s) {
  std::wstring out(s);
  for (auto& c : out)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return out;
}

std::wstring Lower(std::wstring_view s) {
  std::wstring out(s);
  if (!out.empty()) ::CharLowerBuffW(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

std::wstring_view TrimLeft(std::wstring_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] <= L' ') ++i;
  return s.substr(i);
}

std::wstring_view TrimRight(std::wstring_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] <= L' ') --n;
  return s.substr(0, n);
}

std::wstring_view Trim(std::wstring_view s) { return TrimRight(TrimLeft(s)); }

std::wstring FromInt(long long v) { return std::to_wstring(v); }

std::optional<long long> ToInt(std::wstring_view s) {
  s = Trim(s);
  if (s.empty()) return std::nullopt;
  bool neg = false;
  size_t i = 0;
  if (s[0] == L'+' || s[0] == L'-') {
    neg = s[0] == L'-';
    i = 1;
  }
  if (i == s.size()) return std::nullopt;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < L'0' || s[i] > L'9') return std::nullopt;
    if (v > (0x7FFFFFFFFFFFFFFFLL - 9) / 10) return std::nullopt;
    v = v * 10 + (s[i] - L'0');
  }
  return neg ? -v : v;
}

}  // namespace text
