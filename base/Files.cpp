#include "base/Files.h"

#include <windows.h>
#include <shellapi.h>

#include "base/LateLoad.h"
#include "base/WinHandles.h"

namespace files {

std::optional<std::string> ReadAll(std::wstring_view path) {
  if (path.find(L'\0') != std::wstring_view::npos) return std::nullopt;
  std::wstring p(path);
  win::File f(::CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(f.get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!::ReadFile(f.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
      return std::nullopt;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

bool WriteAll(std::wstring_view path, std::string_view bytes) {
  if (path.find(L'\0') != std::wstring_view::npos) return false;
  std::wstring p(path);
  win::File f(::CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
  if (!f) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD put = 0;
    if (!::WriteFile(f.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) || !put)
      return false;
    done += put;
  }
  return true;
}

std::wstring ModulePath() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

namespace {

// A double-NUL-terminated path list.
std::wstring PathList(std::wstring_view path, bool semicolonsSeparate) {
  std::wstring s(path);
  if (semicolonsSeparate)
    for (auto& c : s)
      if (c == L';') c = L'\0';
  s.push_back(L'\0');
  return s;
}

// The layout of the shell's name-mapping handle.
struct NameMappings {
  UINT count;
  SHNAMEMAPPINGW* items;
};

}  // namespace

ShellCopyResult ShellCopy(std::wstring_view from, std::wstring_view to, ShellCopyOptions options) {
  std::wstring src = PathList(from, options.semicolonsSeparate), dst = PathList(to, options.semicolonsSeparate);
  SHFILEOPSTRUCTW op{};
  op.hwnd = ::GetDesktopWindow();
  op.wFunc = FO_COPY;
  op.pFrom = src.c_str();
  op.pTo = dst.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_FILESONLY;
  if (options.renameOnCollision) op.fFlags |= FOF_RENAMEONCOLLISION | FOF_WANTMAPPINGHANDLE;
  if (options.replace) op.fFlags |= FOF_NOCONFIRMATION;
  int r = late::SHFileOperationW(&op);
  ShellCopyResult result;
  if (op.hNameMappings) {
    auto* m = static_cast<NameMappings*>(op.hNameMappings);
    if (m->count > 0 && m->items[0].pszNewPath)
      result.newPath.assign(m->items[0].pszNewPath, static_cast<size_t>(m->items[0].cchNewPath));
    late::SHFreeNameMappings(op.hNameMappings);
  }
  result.done = r == 0 && !op.fAnyOperationsAborted;
  return result;
}

}  // namespace files
