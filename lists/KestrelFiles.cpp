#include "lists/KestrelFiles.h"

#include <windows.h>

#include "base/WinHandles.h"
#include "core/KestrelErrors.h"

namespace kestrel {
namespace {

DWORD AttributesOf(const std::wstring& path) {
  if (path.find(L'\0') != std::wstring::npos) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(path.c_str());
}

bool WriteReadOnlyBit(const std::wstring& path, bool on) {
  DWORD a = AttributesOf(path);
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  a = on ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~DWORD{FILE_ATTRIBUTE_READONLY});
  return ::SetFileAttributesW(path.c_str(), a) != FALSE;
}

bool WriteAllBytes(HANDLE file, const char* data, DWORD size) {
  while (size > 0) {
    DWORD put = 0;
    if (!::WriteFile(file, data, size, &put, nullptr) || put == 0) return false;
    data += put;
    size -= put;
  }
  return true;
}

}  // namespace

bool CopyTextFile(const std::wstring& source, const std::wstring& target) {
  win::File in(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in) {
    ErrFileNotFound(source, false);
    return false;
  }
  win::File out(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) {
    ErrWriteFile(target);
    return false;
  }
  char buf[16384];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(in.get(), buf, sizeof buf, &got, nullptr)) {
      // A copy that stops short is no backup.
      ErrFileNotFound(source, false);
      return false;
    }
    if (got == 0) break;
    if (!WriteAllBytes(out.get(), buf, got)) {
      ErrWriteFile(target);
      return false;
    }
  }
  if (!::FlushFileBuffers(out.get())) {
    ErrWriteFile(target);
    return false;
  }
  return true;
}

std::wstring BackupFileName(std::wstring_view path) {
  size_t i = path.find_last_of(L".\\");
  if (i != std::wstring_view::npos && path[i] == L'.') return std::wstring(path.substr(0, i + 1)) + L"bak";
  return std::wstring(path) + L".bak";
}

bool IsReadOnly(const std::wstring& path) {
  DWORD a = AttributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

bool ClearReadOnly(const std::wstring& path) { return WriteReadOnlyBit(path, false); }
bool SetReadOnly(const std::wstring& path) { return WriteReadOnlyBit(path, true); }

bool CanChangeAttributes(const std::wstring& path) {
  DWORD old = AttributesOf(path);
  if (old == INVALID_FILE_ATTRIBUTES) return false;
  bool changed = ::SetFileAttributesW(path.c_str(), 0) != FALSE;
  ::SetFileAttributesW(path.c_str(), old);
  return changed;
}

}  // namespace kestrel
