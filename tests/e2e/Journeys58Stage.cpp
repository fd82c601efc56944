#include "Journeys58Stage.h"

#include <tlhelp32.h>

#include <atomic>
#include <thread>

#include "base/WinHandles.h"

namespace journeys {
namespace {

constexpr wchar_t kAsideRoot[] = L"Software\\Vocorder journeys (kept aside)";

std::wstring ClassOf(HWND h) {
  wchar_t buf[256];
  int n = ::GetClassNameW(h, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(LongPath(a).c_str(), -1, LongPath(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Copies the tree of `from` into `to` (created); false when `from` is missing.
bool CopyKey(const std::wstring& from, const std::wstring& to) {
  win::Key source, target;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, from.c_str(), 0, KEY_READ, source.put()) != ERROR_SUCCESS) return false;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.put(),
                        nullptr) != ERROR_SUCCESS)
    return false;
  return ::RegCopyTreeW(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
}

}  // namespace

KeySnapshot::KeySnapshot(std::wstring key) : key_(std::move(key)) {
  static std::atomic<int> count{0};
  aside_ = std::wstring(kAsideRoot) + L"\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(++count);
  existed_ = CopyKey(key_, aside_);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
}

KeySnapshot::~KeySnapshot() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
  if (existed_) CopyKey(aside_, key_);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, aside_.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kAsideRoot);  // only once it is empty
}

ValueSnapshot::ValueSnapshot(std::wstring key, std::wstring name) : key_(std::move(key)), name_(std::move(name)) {
  DWORD size = 0;
  if (::RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr,
                     &size) != ERROR_SUCCESS)
    return;
  data_.resize(size);
  existed_ = ::RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_,
                            data_.data(), &size) == ERROR_SUCCESS;
  data_.resize(size);
}

ValueSnapshot::~ValueSnapshot() {
  if (existed_)
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str(), type_, data_.data(),
                      static_cast<DWORD>(data_.size()));
  else
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), name_.c_str());
}

Stage::Stage() {
  namespace fs = std::filesystem;
  const fs::path app = fs::path(testing_support::BuildDir()) / L"app";
  for (const auto& entry : fs::directory_iterator(app)) {
    const std::wstring ext = entry.path().extension().wstring();
    if (entry.path().filename() == L"Vocorder.exe" || ::CompareStringOrdinal(ext.c_str(), -1, L".dll", -1, TRUE) == CSTR_EQUAL)
      fs::copy_file(entry.path(), dir_.path() / entry.path().filename());
  }
  testing_support::WriteBytes(dir_.file(L"Player.ini"), "list=listdir.m3u\r\n");
  recordings_ = dir_.file(L"recordings");
  fs::create_directories(recordings_);
  // Wine's shell rewrites "Shell Folders" from "User Shell Folders" when a
  // program asks for a folder, so both name the recordings.
  for (const wchar_t* key : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"})
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Personal", REG_SZ, recordings_.c_str(),
                      static_cast<DWORD>((recordings_.size() + 1) * sizeof(wchar_t)));
}

Stage::~Stage() = default;

std::wstring Stage::AddRecording(const wchar_t* fixture, const std::wstring& name) const {
  const std::wstring path = recordings_ + L"\\" + name;
  std::filesystem::copy_file(testing_support::FixturePath(fixture), path,
                             std::filesystem::copy_options::overwrite_existing);
  return path;
}

void Stage::SetSetting(const wchar_t* name, DWORD value) const {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

std::optional<DWORD> Stage::Dword(const wchar_t* name) const {
  DWORD v = 0, size = sizeof v;
  if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return v;
}

std::wstring Stage::Text(const wchar_t* name) const {
  wchar_t buf[512] = L"";
  DWORD size = sizeof buf;
  if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return {};
  return buf;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

namespace {

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND h, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  if (::GetDlgCtrlID(h) != s->id) return TRUE;
  s->found = h;
  return FALSE;
}

}  // namespace

HWND Descendant(HWND parent, int id) {
  Search s{id, nullptr};
  ::EnumChildWindows(parent, MatchId, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WindowOf(const e2e::Program& p, const wchar_t* className) {
  for (HWND h : p.TopLevelWindows())
    if (::IsWindowVisible(h) && ClassOf(h) == className) return h;
  return nullptr;
}

std::optional<e2e::Box> BoxOf(const e2e::Program& p, const std::wstring& part) {
  for (HWND h : p.TopLevelWindows()) {
    if (!::IsWindowVisible(h) || ClassOf(h) != L"#32770") continue;
    e2e::Box box = e2e::ReadBox(h);
    if (box.text.find(part) != std::wstring::npos) return box;
  }
  return std::nullopt;
}

std::optional<e2e::Box> WaitForBoxOf(const e2e::Program& p, const std::wstring& part,
                                     std::chrono::milliseconds timeout) {
  std::optional<e2e::Box> box;
  WaitUntil([&] { return (box = BoxOf(p, part)).has_value(); }, timeout);
  return box;
}

std::wstring Describe(const e2e::Program& p) {
  std::wstring all = L"windows:";
  for (HWND h : p.TopLevelWindows()) {
    if (!::IsWindowVisible(h)) continue;
    all += L" [" + ClassOf(h) + L" \"" + TextOf(h) + L"\"";
    if (ClassOf(h) == L"#32770") all += L" " + e2e::ReadBox(h).text;
    all += L"]";
  }
  return all;
}

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

void PressKey(HWND window, UINT virtualKey) {
  ::PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
  ::PostMessageW(window, WM_KEYUP, virtualKey, 0xC0000001);
}

bool Checked(HWND box) { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::wstring TextOf(HWND window) {
  wchar_t buf[512] = L"";
  ::SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, nullptr);
  return buf;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT n = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t buf[512] = L"";
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    items.emplace_back(buf);
  }
  return items;
}

std::vector<DWORD> ProcessesOf(const std::wstring& image) {
  std::vector<DWORD> found;
  win::Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    win::Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    wchar_t path[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    if (process && ::QueryFullProcessImageNameW(process.get(), 0, path, &size) && SamePath(path, image))
      found.push_back(entry.th32ProcessID);
  }
  return found;
}

void EndProcessesOf(const std::wstring& image) {
  for (DWORD id : ProcessesOf(image)) {
    win::Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) continue;
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 5000);
  }
}

}  // namespace journeys
