// The setup program as an administrator runs it (/S), and its uninstaller:
// what lands on disk and in the registry, that the program starts from the
// shortcut and from the word processor's button, and what is left after.
#include "addin/AddInTestSupport.h"
#include "Pump.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "base/WinHandles.h"
#include "e2e/Driver.h"
#include "recorder/RecMpeg.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>
#include <tlhelp32.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using addin_test::SameText;
using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kInstallKey[] = L"SOFTWARE\\Korvel\\Vocorder";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vocorder";
constexpr wchar_t kWordAddInKey[] = L"Software\\Microsoft\\Office\\Word\\Addins\\VocorderAddIn.AddIn";
constexpr wchar_t kSettingsKey[] = L"Software\\Tarnwell\\Kestrel v.5.1";
constexpr wchar_t kUserStoreKey[] = L"Vocorder\\Sets";

std::wstring SetupProgram() {
  return testing_support::BuildDir() + L"\\installer\\" +
         (sizeof(void*) == 8 ? L"VocorderSetup-x86_64.exe" : L"VocorderSetup.exe");
}

// Runs a program to its end; its exit code, or nothing when it did not end.
std::optional<DWORD> RunToEnd(const std::wstring& exe, const std::wstring& args) {
  e2e::Program p(exe, args, testing_support::BuildDir());
  if (!p.started()) return std::nullopt;
  return p.WaitForExit(120s);
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Waits for the processes that the process id started (and that still run).
bool WaitForChildrenOf(DWORD id) {
  win::Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool ended = true;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID != id) continue;
    win::Handle child(::OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (child && ::WaitForSingleObject(child.get(), 120000) != WAIT_OBJECT_0) ended = false;
  }
  return ended;
}

// A value of a key as text ("" when missing); view may name the 32-bit view.
std::wstring ReadText(HKEY root, const wchar_t* key, const wchar_t* name, REGSAM view = 0) {
  win::Key k;
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (::RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, k.put()) != ERROR_SUCCESS ||
      ::RegGetValueW(k.get(), nullptr, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    return {};
  return text;
}

bool KeyExists(HKEY root, const wchar_t* key, REGSAM view = 0) {
  win::Key k;
  return ::RegOpenKeyExW(root, key, 0, KEY_READ | view, k.put()) == ERROR_SUCCESS;
}

bool WriteMarker(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& value = L"kept",
                 REGSAM view = 0) {
  win::Key k;
  return ::RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, k.put(), nullptr) ==
             ERROR_SUCCESS &&
         ::RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : path;
}

std::wstring StartMenuShortcut() {
  wchar_t programs[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
  return std::wstring(programs) + L"\\Vocorder\\Vocorder.lnk";
}

struct Shortcut {
  std::wstring target, folder;
};

std::optional<Shortcut> ReadShortcut(const std::wstring& path) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
      FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
    return std::nullopt;
  wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, nullptr, 0)) || FAILED(link->GetWorkingDirectory(folder, MAX_PATH)))
    return std::nullopt;
  return Shortcut{target, folder};
}

// Answers the message boxes a process shows with OK.
void AnswerBoxesOf(DWORD pid) {
  for (HWND h = ::FindWindowW(L"#32770", nullptr); h; h = ::FindWindowExW(nullptr, h, L"#32770", nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == pid && ::IsWindowVisible(h)) e2e::Answer(e2e::ReadBox(h), IDOK);
  }
}

// The visible main window of a running copy of the program at exe. Boxes it
// shows before the window (a first start on a folder without recordings says
// so) are answered with OK, as a user would.
HWND MainWindowOf(const std::wstring& exe, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  do {
    for (HWND h = ::FindWindowW(L"TfrmVocorder", nullptr); h; h = ::FindWindowExW(nullptr, h, L"TfrmVocorder", nullptr)) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(h, &pid);
      win::Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
      wchar_t image[MAX_PATH] = {};
      DWORD size = MAX_PATH;
      if (!process || !::QueryFullProcessImageNameW(process.get(), 0, image, &size) || !SameText(LongPath(image), exe))
        continue;
      if (::IsWindowVisible(h)) return h;
      AnswerBoxesOf(pid);
    }
    ::Sleep(50);
  } while (std::chrono::steady_clock::now() < end);
  return nullptr;
}

// Closes the program's window and waits for its process to end.
bool CloseProgram(HWND main) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(main, &pid);
  win::Handle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  if (process && ::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0) return true;
  // Not left running: it would hold the test's output open.
  if (process) ::TerminateProcess(process.get(), 1);
  return false;
}

// Where the program remembers the playing positions of recordings.
std::wstring PositionsFile() {
  wchar_t appData[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData);
  ::CreateDirectoryW((std::wstring(appData) + L"\\Vocorder").c_str(), nullptr);
  return std::wstring(appData) + L"\\Vocorder\\positions.txt";
}

class Setup : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Exists(SetupProgram())) << "the setup program is built";
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY)) << "already installed";
  }
  // A test that stopped half-way leaves no installation to the next one or
  // to the add-in's tests, which share the prefix.
  void TearDown() override {
    const std::wstring folder = ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"InstallDir", KEY_WOW64_32KEY);
    if (!folder.empty()) testing_support::SetFolderWritable(folder, true);
    if (!folder.empty() && Exists(folder + L"\\Uninstall.exe")) Uninstall(folder, L"");
  }
  // The uninstaller starts a copy of itself and ends; the copy does the work.
  void Uninstall(const std::wstring& folder, const std::wstring& options) {
    e2e::Program uninstaller(folder + L"\\Uninstall.exe", L"/S" + options, testing_support::BuildDir());
    ASSERT_TRUE(uninstaller.started());
    ASSERT_EQ(uninstaller.WaitForExit(120s), 0u);
    ASSERT_TRUE(WaitForChildrenOf(uninstaller.id()));
  }
  void ExpectNothingInstalledIn(const std::wstring& folder) {
    EXPECT_FALSE(Exists(folder)) << "the installation folder is removed";
    EXPECT_FALSE(Exists(folder.substr(0, folder.find_last_of(L'\\')))) << "and the empty Korvel folder";
    EXPECT_FALSE(Exists(StartMenuShortcut()));
    EXPECT_FALSE(addin_test::KeyExists(addin_test::kProgId));
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + addin_test::kClsidText).c_str(), view));
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kWordAddInKey, view));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kWordAddInKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel", KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
  }
};

// As on 64-bit Windows, where the program is not in the folder the add-in
// names by default: installed elsewhere, found there through the record.
TEST_F(Setup, InstallsIntoTheChosenFolderAndUninstallsKeepingTheSettings) {
  const std::wstring folder = L"C:\\Program Files (x86)\\Korvel\\Vocorder";
  ASSERT_EQ(RunToEnd(SetupProgram(), L"/S /D=" + folder), 0u);

  for (const wchar_t* name : {L"Vocorder.exe", L"VocorderAddIn.dll", L"VocorderAddIn64.dll", L"libmp3lame-0.dll",
                              L"ReadMe.txt", L"LAME-COPYING.txt", L"SONIC-COPYING.txt", L"Uninstall.exe"})
    EXPECT_TRUE(Exists(folder + L"\\" + name)) << std::string(name, name + wcslen(name));
  EXPECT_NE(testing_support::ReadBytes(folder + L"\\Player.ini").find("list=listdir.m3u\r\n"), std::string::npos);
  // Shipped without debug information: no debug sections (their long names
  // live in the symbol string table that stripping removes).
  for (const wchar_t* binary : {L"\\Vocorder.exe", L"\\VocorderAddIn.dll"}) {
    const std::string bytes = testing_support::ReadBytes(folder + binary);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find(".debug_"), std::string::npos);
  }

  // This word size's add-in (the other one's regsvr32 cannot run where the
  // tests do), entered in Word's list for the machine, not the user's.
  const std::wstring server = std::wstring(L"CLSID\\") + addin_test::kClsidText + L"\\InprocServer32";
  EXPECT_TRUE(SameText(LongPath(ReadText(HKEY_CLASSES_ROOT, server.c_str(), nullptr)),
                       folder + (sizeof(void*) == 8 ? L"\\VocorderAddIn64.dll" : L"\\VocorderAddIn.dll")));
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kWordAddInKey, L"FriendlyName"), L"Vocorder pre MS Word");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kWordAddInKey));
  EXPECT_TRUE(SameText(ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"InstallDir", KEY_WOW64_32KEY), folder));
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", KEY_WOW64_32KEY), L"Vocorder");
  EXPECT_TRUE(SameText(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString", KEY_WOW64_32KEY),
                       L"\"" + folder + L"\\Uninstall.exe\""));

  // The shortcut starts the installed program in its folder.
  std::optional<Shortcut> shortcut;
  {
    win::ComScope com;
    shortcut = ReadShortcut(StartMenuShortcut());
  }
  ASSERT_TRUE(shortcut);
  EXPECT_TRUE(SameText(shortcut->target, folder + L"\\Vocorder.exe"));
  EXPECT_TRUE(SameText(shortcut->folder, folder));
  {
    e2e::Program program(shortcut->target, L"", shortcut->folder);
    HWND main = program.WaitForMainWindow(30s);
    ASSERT_TRUE(main) << "the program starts from the shortcut";
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(30s), 0u);
  }

  // The word processor (its double, tests/installer/WordHost.cpp) loads the
  // add-in from its list; the button starts the installed program.
  {
    e2e::Program word(addin_test::TestProgramDir() + L"installer_wordhost.exe", L"", testing_support::BuildDir());
    EXPECT_EQ(word.WaitForExit(60s), 0u) << "Word's list names the add-in, it loads and its button is clicked";
    HWND main = MainWindowOf(folder + L"\\Vocorder.exe", 30s);
    ASSERT_TRUE(main) << "the button starts the installed program";
  }

  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"));
  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kUserStoreKey, L"InstallerTest"));
  if (!Exists(PositionsFile())) testing_support::WriteBytes(PositionsFile(), "Vocorder positions 1\r\n");
  // Still running: the uninstaller closes it, then removes its files.
  Uninstall(folder, L"");
  HWND left = ::FindWindowW(L"TfrmVocorder", nullptr);
  EXPECT_FALSE(left) << "the program was left running";
  if (left) CloseProgram(left);
  ExpectNothingInstalledIn(folder);
  EXPECT_TRUE(Exists(PositionsFile())) << "remembered positions kept unless asked";
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"), L"kept") << "settings kept unless asked";
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kUserStoreKey, L"InstallerTest"), L"kept");
}

TEST_F(Setup, InstallsIntoTheDefaultFolderAndRemovesTheSettingsWhenAsked) {
  const std::wstring folder = L"C:\\Program Files\\Korvel\\Vocorder";
  ASSERT_EQ(RunToEnd(SetupProgram(), L"/S"), 0u);
  EXPECT_TRUE(Exists(folder + L"\\Vocorder.exe"));
  EXPECT_TRUE(SameText(ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"InstallDir", KEY_WOW64_32KEY), folder));

  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"));
  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kUserStoreKey, L"InstallerTest"));
  const std::filesystem::path positions = PositionsFile();
  testing_support::WriteBytes(positions, "Vocorder positions 1\r\n");
  // The temporary copy a replaced file leaves when its writer was stopped.
  testing_support::WriteBytes(std::filesystem::path(positions).replace_filename(L"lst1A2B.tmp"), "");
  Uninstall(folder, L" /REMOVESETTINGS");
  ExpectNothingInstalledIn(folder);
  EXPECT_FALSE(Exists(positions.parent_path())) << "and the remembered positions with their folder";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Vocorder"));
}

TEST_F(Setup, UpgradesKeepingTheUsersFilesAndRefusesToReplaceANewerVersion) {
  const std::wstring folder = L"C:\\Program Files\\Korvel\\Vocorder";
  ASSERT_EQ(RunToEnd(SetupProgram(), L"/S"), 0u);
  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"));
  testing_support::WriteBytes(folder + L"\\Player.ini", "list=office.m3u\r\n");
  testing_support::WriteBytes(folder + L"\\ReadMe.txt", "1.00");
  ASSERT_TRUE(WriteMarker(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion", L"1.00", KEY_WOW64_32KEY));
  ASSERT_EQ(RunToEnd(SetupProgram(), L"/S"), 0u);
  EXPECT_EQ(testing_support::ReadBytes(folder + L"\\Player.ini"), "list=office.m3u\r\n");
  EXPECT_NE(testing_support::ReadBytes(folder + L"\\ReadMe.txt"), "1.00") << "the program is replaced whole";
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"), L"kept");

  ASSERT_TRUE(WriteMarker(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion", L"10.2", KEY_WOW64_32KEY));
  testing_support::WriteBytes(folder + L"\\ReadMe.txt", "10.2");
  EXPECT_EQ(RunToEnd(SetupProgram(), L"/S"), 4u) << "silently, an older version is not put over a newer one";
  EXPECT_EQ(testing_support::ReadBytes(folder + L"\\ReadMe.txt"), "10.2");
  Uninstall(folder, L" /REMOVESETTINGS");
}

// A standard user may not write under Program Files: the program works from
// the user's folder. An update while it records is refused; nothing replaced.
TEST_F(Setup, TheProgramWorksWithoutRightsToItsFolderAndAnUpdateWaitsForItsDictation) {
  const std::wstring folder = L"C:\\Program Files\\Korvel\\Vocorder";
  ASSERT_EQ(RunToEnd(SetupProgram(), L"/S"), 0u);
  wchar_t documents[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents);
  const std::wstring letter = documents + std::wstring(L"\\Installer letter.mp3");
  const std::wstring dictation = documents + std::wstring(L"\\Installer dictation.mp3");
  const std::wstring userList = std::filesystem::path(PositionsFile()).replace_filename(L"listdir.m3u");
  ASSERT_TRUE(::CopyFileW(testing_support::FixturePath(L"speechrec.mp3").c_str(), letter.c_str(), FALSE));
  ASSERT_TRUE(testing_support::SetFolderWritable(folder, false));
  {
    e2e::Program program(folder + L"\\Vocorder.exe", L"", folder);
    HWND main = program.WaitForMainWindow(30s), rec = nullptr;
    ASSERT_TRUE(main);
    EXPECT_NE(testing_support::ReadBytes(userList).find("Installer letter.mp3"), std::string::npos);
    for (int click = 0; click < 5 && !rec; ++click)  // a click while it still starts may be dropped
      if (::PostMessageW(::GetDlgItem(main, app::SpeedButton5), BM_CLICK, 0, 0))
        rec = program.WaitForWindow(L"TFRecMpeg", 3s);
    ASSERT_TRUE(rec) << "the record button opens the recording window";
    ::PostMessageW(::GetDlgItem(rec, TFRecMpeg::idBitBtn1), BM_CLICK, 0, 0);
    wchar_t seconds[16] = {};
    ASSERT_TRUE(testing_support::PumpUntil(
        [&] { return ::GetWindowTextW(::GetDlgItem(rec, TFRecMpeg::idLabel4), seconds, 16) && _wtoi(seconds) >= 2; }));

    testing_support::WriteBytes(folder + L"\\ReadMe.txt", "old");
    EXPECT_EQ(RunToEnd(SetupProgram(), L"/S"), 3u);
    EXPECT_EQ(testing_support::ReadBytes(folder + L"\\ReadMe.txt"), "old");
    std::optional<e2e::Box> box = program.WaitForBox(10s);
    ASSERT_TRUE(box && box->text == L"Diktát nie je uložený. Uložiť ho?") << "the close asks about the dictation";
    e2e::Answer(*box, IDYES);
    HWND name = program.WaitForWindow(L"VocorderDialog", 10s);
    ASSERT_TRUE(name);
    ::SendMessageW(::GetDlgItem(name, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Installer dictation"));
    ::PostMessageW(::GetDlgItem(name, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(program.WaitForExit(30s), 0u);
  }
  EXPECT_TRUE(Exists(dictation));
  EXPECT_NE(testing_support::ReadBytes(userList).find("Installer dictation.mp3"), std::string::npos);
  EXPECT_TRUE(testing_support::SetFolderWritable(folder, true));
  ::DeleteFileW(letter.c_str());
  ::DeleteFileW(dictation.c_str());
  Uninstall(folder, L" /REMOVESETTINGS");
}

}  // namespace
