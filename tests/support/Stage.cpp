#include "Stage.h"

#include <shlobj.h>

#include <atomic>
#include <filesystem>

#include "Pump.h"
#include "base/WinHandles.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr wchar_t kAsideRoot[] = L"Software\\Vocorder tests (kept aside)";
constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr auto kStart = 30s;  // a first start under a cold wineserver

// Copies the tree of `from` into `to` (created); false when `from` is missing.
bool CopyKey(const std::wstring& from, const std::wstring& to) {
  win::Key source, target;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, from.c_str(), 0, KEY_READ, source.put()) != ERROR_SUCCESS) return false;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.put(),
                        nullptr) != ERROR_SUCCESS)
    return false;
  return ::RegCopyTreeW(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
}

bool SetText(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
  return ::RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring SpecialFolder(int csidl) {
  wchar_t dir[MAX_PATH] = L"";
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, dir))) return {};
  return dir;
}

std::wstring ThisProgramFolder() {
  wchar_t path[MAX_PATH] = L"";
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().wstring();
}

bool IsLibrary(const fs::path& file) {
  return ::CompareStringOrdinal(file.extension().c_str(), -1, L".dll", -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

void Stage::KeepAside(const std::wstring& key) {
  static std::atomic<int> count{0};
  const std::wstring kept = std::wstring(kAsideRoot) + L"\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                            std::to_wstring(++count);
  const bool existed = CopyKey(key, kept);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  putBack_.push_back([key, kept, existed] {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    if (existed) CopyKey(kept, key);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kept.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kAsideRoot);  // only once it is empty
  });
}

void Stage::KeepValueAside(const std::wstring& key, const std::wstring& name) {
  DWORD type = 0, size = 0;
  std::vector<BYTE> data;
  bool existed = ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                                nullptr, &size) == ERROR_SUCCESS;
  if (existed) {
    data.resize(size);
    existed = ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                             data.data(), &size) == ERROR_SUCCESS;
    data.resize(size);
  }
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
  putBack_.push_back([key, name, existed, type, data] {
    if (existed)
      ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), type, data.data(),
                        static_cast<DWORD>(data.size()));
    else
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str());
  });
}

void Stage::KeepPathAside(const std::wstring& path) {
  const std::wstring kept = path + L" (kept aside)";
  // One kept by a run that ended unclean is what stood there before it.
  const bool existed = ::GetFileAttributesW(kept.c_str()) != INVALID_FILE_ATTRIBUTES ||
                       ::MoveFileExW(path.c_str(), kept.c_str(), 0);
  std::error_code ec;
  fs::remove_all(path, ec);
  putBack_.push_back([path, kept, existed] {
    std::error_code gone;
    fs::remove_all(path, gone);
    if (existed) ::MoveFileExW(kept.c_str(), path.c_str(), 0);
  });
}

Stage::Stage() {
  // The maker's key as a whole: the program's store leaves it behind, empty,
  // when it removes the settings key.
  KeepAside(L"Software\\Tarnwell");
  KeepAside(L"Vocorder");
  // The per-user working folder holds positions and a dictation left by a
  // crash, which a start would offer; earlier versions left one in the
  // temporary folder.
  const std::wstring appData = SpecialFolder(CSIDL_APPDATA);
  if (!appData.empty()) KeepPathAside(appData + L"\\Vocorder");
  wchar_t temp[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, temp);
  KeepPathAside(std::wstring(temp) + L"mpegrec_tmp.mp3");

  std::error_code ec;
  documents_ = dir_.file(L"recordings");
  bool ok = !appData.empty() && fs::create_directories(documents_, ec);
  // Wine's shell rewrites "Shell Folders" from "User Shell Folders" when a
  // program asks for a folder, so both name the documents.
  for (const wchar_t* key : {kShellFolders, kUserShellFolders}) {
    KeepValueAside(key, L"Personal");
    ok &= SetText(key, L"Personal", documents_);
  }
  for (const auto& entry : fs::directory_iterator(fs::path(testing_support::BuildDir()) / L"app", ec))
    if (entry.path().filename() == L"Vocorder.exe" || IsLibrary(entry.path()))
      ok &= fs::copy_file(entry.path(), dir_.path() / entry.path().filename(), ec);
  testing_support::WriteBytes(dir_.file(L"Player.ini"), "list=listdir.m3u\r\n");
  ready_ = ok && testing_support::FileExists(Exe());
}

// The programs end before the machine is put back.
Stage::~Stage() {
  program_.reset();
  notepad_.reset();
  for (auto it = putBack_.rbegin(); it != putBack_.rend(); ++it) (*it)();
}

std::wstring Stage::AddRecording(const wchar_t* fixture, const std::wstring& name) const {
  const std::wstring path = documents_ + L"\\" + name;
  std::error_code ec;
  fs::copy_file(testing_support::FixturePath(fixture), path, fs::copy_options::overwrite_existing, ec);
  return path;
}

bool Stage::AddMailDouble() const {
  std::error_code ec;
  return fs::copy_file(ThisProgramFolder() + L"\\mapi32.dll", dir_.file(L"mapi32.dll"), ec);
}

void Stage::SetSetting(const wchar_t* name, DWORD value) const {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

std::optional<DWORD> Stage::Dword(const wchar_t* name) const {
  DWORD value = 0, size = sizeof value;
  if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

std::wstring Stage::Text(const wchar_t* name) const {
  wchar_t text[512] = L"";
  DWORD size = sizeof text;
  if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    return {};
  return text;
}

desktop::Program& Stage::Start(const std::wstring& args) { return Start(Exe(), Folder(), args); }

desktop::Program& Stage::Start(const std::wstring& exe, const std::wstring& folder, const std::wstring& args) {
  program_.reset();
  program_ = std::make_unique<desktop::Program>(exe, args, folder);
  return *program_;
}

HWND Stage::Launch() {
  desktop::Program& p = Start();
  HWND main = p.started() ? p.WaitForMainWindow(kStart) : nullptr;
  const bool through = main && testing_support::WaitUntil([&] {
    for (HWND w : p.TopLevelWindows())
      if (desktop::ClassOf(w) == L"TFRecMpeg") return true;
    return false;
  }, kStart);
  return through ? main : nullptr;
}

desktop::FocusedNotepad& Stage::Notepad() {
  if (!notepad_) notepad_ = std::make_unique<desktop::FocusedNotepad>();
  return *notepad_;
}

}  // namespace e2e
