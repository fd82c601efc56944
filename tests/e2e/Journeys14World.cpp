#include "JourneyWorld.h"

#include <psapi.h>
#include <shlobj.h>

#include <cwctype>
#include <filesystem>

#include "MapiDouble.h"
#include "base/Text.h"
#include "services/DesktopDriver.h"

namespace journey {
namespace {

const wchar_t* const kBackupRoot = L"Software\\VocorderJourneys";
const wchar_t* const kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t* const kUserShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY k = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  ::RegCloseKey(k);
  return true;
}

bool CopyTree(HKEY fromRoot, const std::wstring& from, HKEY toRoot, const std::wstring& to) {
  HKEY src = nullptr, dst = nullptr;
  if (::RegOpenKeyExW(fromRoot, from.c_str(), 0, KEY_READ, &src) != ERROR_SUCCESS) return false;
  bool ok = ::RegCreateKeyExW(toRoot, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &dst, nullptr) ==
                ERROR_SUCCESS &&
            ::RegCopyTreeW(src, nullptr, dst) == ERROR_SUCCESS;
  ::RegCloseKey(src);
  if (dst) ::RegCloseKey(dst);
  return ok;
}

std::wstring ThisProgramFolder() {
  wchar_t buf[MAX_PATH] = L"";
  ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return std::filesystem::path(buf).parent_path().wstring();
}

std::wstring SpecialFolder(int csidl) {
  wchar_t dir[MAX_PATH] = L"";
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, dir))) return {};
  return dir;
}

}  // namespace

SavedKey::SavedKey(HKEY root, std::wstring path, std::wstring backupName)
    : root_(root), path_(std::move(path)), backup_(std::wstring(kBackupRoot) + L"\\" + std::move(backupName)) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
  had_ = KeyExists(root_, path_) && CopyTree(root_, path_, HKEY_CURRENT_USER, backup_);
  for (size_t cut = path_.rfind(L'\\'); cut != std::wstring::npos; cut = path_.rfind(L'\\', cut - 1)) {
    const std::wstring parent = path_.substr(0, cut);
    if (KeyExists(root_, parent)) break;
    newParents_.push_back(parent);
    if (cut == 0) break;
  }
}

SavedKey::~SavedKey() {
  ::RegDeleteTreeW(root_, path_.c_str());
  if (had_) CopyTree(HKEY_CURRENT_USER, backup_, root_, path_);
  // Only when empty: a parent the program made beside its own key goes too.
  for (const std::wstring& parent : newParents_) ::RegDeleteKeyW(root_, parent.c_str());
  ::RegDeleteTreeW(HKEY_CURRENT_USER, backup_.c_str());
  // The backup root goes with its last entry.
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kBackupRoot);
}

SavedValue::SavedValue(HKEY root, std::wstring path, std::wstring name)
    : root_(root), path_(std::move(path)), name_(std::move(name)) {
  DWORD size = 0;
  had_ = ::RegGetValueW(root_, path_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr, &size) ==
         ERROR_SUCCESS;
  if (!had_) return;
  data_.resize(size);
  had_ = ::RegGetValueW(root_, path_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, data_.data(),
                        &size) == ERROR_SUCCESS;
  data_.resize(size);
}

SavedValue::~SavedValue() {
  if (had_)
    ::RegSetKeyValueW(root_, path_.c_str(), name_.c_str(), type_, data_.data(), static_cast<DWORD>(data_.size()));
  else
    ::RegDeleteKeyValueW(root_, path_.c_str(), name_.c_str());
}

SavedFile::SavedFile(std::wstring path) : path_(std::move(path)) {
  const std::wstring folder = std::filesystem::path(path_).parent_path().wstring();
  folderMade_ = ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
  had_ = ::MoveFileExW(path_.c_str(), (path_ + L".journey").c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

SavedFile::~SavedFile() {
  ::DeleteFileW(path_.c_str());
  if (had_) ::MoveFileExW((path_ + L".journey").c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (folderMade_) ::RemoveDirectoryW(std::filesystem::path(path_).parent_path().wstring().c_str());
}

World::World() {
  // A first start: no settings, no per-user store, documents elsewhere.
  keys_.push_back(std::make_unique<SavedKey>(HKEY_CURRENT_USER, L"Software\\Tarnwell\\Kestrel v.5.1", L"settings"));
  keys_.push_back(std::make_unique<SavedKey>(HKEY_CURRENT_USER, L"Vocorder", L"store"));
  for (const wchar_t* k : {kShellFolders, kUserShellFolders})
    values_.push_back(std::make_unique<SavedValue>(HKEY_CURRENT_USER, k, L"Personal"));
  wchar_t temp[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, temp);
  // A dictation left by another run would be offered at start.
  files_.push_back(std::make_unique<SavedFile>(std::wstring(temp) + L"mpegrec_tmp.mp3"));
  const std::wstring appData = SpecialFolder(CSIDL_APPDATA);
  if (!appData.empty()) files_.push_back(std::make_unique<SavedFile>(appData + L"\\Vocorder\\positions.txt"));

  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tarnwell\\Kestrel v.5.1");
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Vocorder");
  const std::wstring docs = docs_.path().wstring();
  const DWORD bytes = static_cast<DWORD>((docs.size() + 1) * sizeof(wchar_t));
  bool ok = true;
  for (const wchar_t* k : {kShellFolders, kUserShellFolders})
    ok &= ::RegSetKeyValueW(HKEY_CURRENT_USER, k, L"Personal", REG_SZ, docs.c_str(), bytes) == ERROR_SUCCESS;

  // The program as installed: beside it the encoder and the mail double.
  std::error_code ec;
  const std::wstring built = testing_support::BuildDir() + L"\\app\\";
  for (const wchar_t* name : {L"Vocorder.exe", L"libmp3lame-0.dll"})
    ok &= std::filesystem::copy_file(built + name, app_.file(name), ec);
  ok &= std::filesystem::copy_file(ThisProgramFolder() + L"\\mapi32.dll", app_.file(L"mapi32.dll"), ec);
  testing_support::WriteBytes(app_.file(L"Player.ini"), "list=listdir.m3u\r\n");
  ready_ = ok;
}

World::~World() {
  program_.reset();
  values_.clear();
  keys_.clear();
  files_.clear();
}

e2e::Program& World::Start() {
  program_.reset();
  program_ = std::make_unique<e2e::Program>(app_.file(L"Vocorder.exe"), L"", AppFolder());
  return *program_;
}

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

std::wstring TextOf(HWND w) {
  wchar_t buf[4096] = L"";
  DWORD_PTR got = 0;
  if (!::SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &got))
    return {};
  return std::wstring(buf, got);
}

bool SetTextOf(HWND w, const std::wstring& text) {
  DWORD_PTR r = 0;
  return ::SendMessageTimeoutW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                               &r) &&
         r;
}

HWND WindowOf(DWORD pid, const wchar_t* cls, const std::wstring& caption) {
  return services_test::FindWindowOf(pid, cls, caption);
}

HWND WaitForWindowOf(DWORD pid, const wchar_t* cls, const std::wstring& caption, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  services_test::WaitFor([&] { return (found = WindowOf(pid, cls, caption)) != nullptr; },
                         static_cast<DWORD>(timeout.count()));
  return found;
}

std::string VisibleWindows(e2e::Program& p) {
  std::string out;
  for (HWND h : p.TopLevelWindows()) {
    if (!::IsWindowVisible(h)) continue;
    wchar_t cls[64] = L"";
    ::GetClassNameW(h, cls, 64);
    out += (out.empty() ? "" : ", ") + text::ToAnsi(cls) + " '" + text::ToAnsi(services_test::WindowText(h)) + "'";
  }
  return out.empty() ? "none" : out;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT n = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t buf[MAX_PATH] = L"";
    const LRESULT len = ::SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    if (len < 0 || len >= MAX_PATH) {
      items.emplace_back();
      continue;
    }
    ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
    items.emplace_back(buf);
  }
  return items;
}

void ChooseComboItem(HWND owner, int controlId, int index) {
  HWND combo = ::GetDlgItem(owner, controlId);
  ::SendMessageW(combo, CB_SETCURSEL, index, 0);
  ::PostMessageW(owner, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int Seconds(const std::wstring& readout) {
  int h = 0, m = 0, s = 0;
  if (swscanf(readout.c_str(), L"%d:%d:%d", &h, &m, &s) != 3) return -1;
  return (h * 60 + m) * 60 + s;
}

bool TypeKeys(const std::string& text) {
  // The command line passes a shell: the text stays inside single quotes.
  if (text.find('\'') != std::string::npos) return false;
  return services_test::RunUnix(L"/usr/bin/xdotool type --delay 40 '" + std::wstring(text.begin(), text.end()) +
                                L"'");
}

MailDoubleProbe::MailDoubleProbe(DWORD pid) {
  process_ = ::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid);
  local_ = ::LoadLibraryW((ThisProgramFolder() + L"\\mapi32.dll").c_str());
  if (!local_) return;
  auto state = reinterpret_cast<MapiDoubleStateFn>(
      reinterpret_cast<void*>(::GetProcAddress(local_, "MapiDoubleState")));
  if (state) offset_ = reinterpret_cast<BYTE*>(state()) - reinterpret_cast<BYTE*>(local_);
}

MailDoubleProbe::~MailDoubleProbe() {
  if (local_) ::FreeLibrary(local_);
  if (process_) ::CloseHandle(process_);
}

std::unique_ptr<mapi_double::State> MailDoubleProbe::Read() const {
  if (!process_ || !offset_) return nullptr;
  HMODULE modules[512];
  DWORD needed = 0;
  if (!::EnumProcessModules(process_, modules, sizeof modules, &needed)) return nullptr;
  for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
    wchar_t path[MAX_PATH] = L"";
    if (!::GetModuleFileNameExW(process_, modules[i], path, MAX_PATH)) continue;
    // Wine's own mapi32 lives in system32; the double beside the program.
    std::wstring lower = path;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    if (std::filesystem::path(lower).filename() != L"mapi32.dll" || lower.find(L"system32") != std::wstring::npos)
      continue;
    auto state = std::make_unique<mapi_double::State>();
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process_, reinterpret_cast<BYTE*>(modules[i]) + offset_, state.get(), sizeof *state,
                             &got) ||
        got != sizeof *state)
      return nullptr;
    return state;
  }
  return nullptr;
}

}  // namespace journey
