// The setup program as an administrator runs it (/S), and its uninstaller:
// what lands on disk and in the registry, that the program starts from the
// shortcut and from the word processor's button, and what is left after.
#include "addin/AddInTestSupport.h"
#include "Desktop.h"
#include "Installation.h"
#include "Program.h"
#include "Pump.h"
#include "Stage.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "base/WinHandles.h"
#include "recorder/RecMpeg.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <filesystem>
#include <optional>
#include <string>

using namespace std::chrono_literals;
using addin_test::SameText;
using desktop::RunToEnd;
using e2e::Installation;
using e2e::SetupProgram;
using Microsoft::WRL::ComPtr;
using testing_support::PathExists;

namespace {

constexpr wchar_t kInstallKey[] = L"SOFTWARE\\Korvel\\Vocorder";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vocorder";
constexpr wchar_t kWordAddInKey[] = L"Software\\Microsoft\\Office\\Word\\Addins\\VocorderAddIn.AddIn";
using e2e::kSettingsKey;
constexpr wchar_t kUserStoreKey[] = L"Vocorder\\Sets";

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

// Where the program remembers the playing positions of recordings.
std::wstring PositionsFile() {
  wchar_t appData[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, appData);
  ::CreateDirectoryW((std::wstring(appData) + L"\\Vocorder").c_str(), nullptr);
  return std::wstring(appData) + L"\\Vocorder\\positions.txt";
}

// Each test on a user's machine as on a first start, put back afterwards:
// the uninstaller may remove the user's settings.
class Setup : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(PathExists(SetupProgram())) << "the setup program is built";
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY)) << "already installed";
    ASSERT_TRUE(stage.Ready());
  }
  // The uninstaller starts a copy of itself and ends; the copy does the work.
  void Uninstall(const std::wstring& folder, const std::wstring& options) {
    ASSERT_EQ(e2e::Uninstall(folder, options), 0u);
  }
  void ExpectNothingInstalledIn(const std::wstring& folder) {
    EXPECT_FALSE(PathExists(folder)) << "the installation folder is removed";
    EXPECT_FALSE(PathExists(folder.substr(0, folder.find_last_of(L'\\')))) << "and the empty Korvel folder";
    EXPECT_FALSE(PathExists(StartMenuShortcut()));
    EXPECT_FALSE(addin_test::KeyExists(addin_test::kProgId));
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + addin_test::kClsidText).c_str(), view));
      EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kWordAddInKey, view));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kWordAddInKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel", KEY_WOW64_32KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
  }

  e2e::Stage stage;
};

// As on 64-bit Windows, where the program is not in the folder the add-in
// names by default: installed elsewhere, found there through the record.
TEST_F(Setup, InstallsIntoTheChosenFolderAndUninstallsKeepingTheSettings) {
  const Installation installed(L"C:\\Program Files (x86)\\Korvel\\Vocorder");
  ASSERT_EQ(installed.exitCode(), 0u);
  const std::wstring& folder = installed.Folder();

  for (const wchar_t* name : {L"Vocorder.exe", L"VocorderAddIn.dll", L"VocorderAddIn64.dll", L"libmp3lame-0.dll",
                              L"ReadMe.txt", L"LAME-COPYING.txt", L"SONIC-COPYING.txt", L"Uninstall.exe"})
    EXPECT_TRUE(PathExists(folder + L"\\" + name)) << std::string(name, name + wcslen(name));
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
    desktop::Program& program = stage.Start(shortcut->target, shortcut->folder);
    HWND main = program.WaitForMainWindow(30s);
    ASSERT_TRUE(main) << "the program starts from the shortcut";
    EXPECT_TRUE(program.Quit(main));
  }

  // The word processor (its double, tests/installer/WordHost.cpp) loads the
  // add-in from its list; the button starts the installed program.
  EXPECT_EQ(RunToEnd(addin_test::TestProgramDir() + L"installer_wordhost.exe", L"", 60s), 0u)
      << "Word's list names the add-in, it loads and its button is clicked";
  ASSERT_TRUE(desktop::MainWindowOf(installed.Exe(), 30s)) << "the button starts the installed program";

  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"));
  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kUserStoreKey, L"InstallerTest"));
  if (!PathExists(PositionsFile())) testing_support::WriteBytes(PositionsFile(), "Vocorder positions 1\r\n");
  // Still running: the uninstaller closes it, then removes its files.
  Uninstall(folder, L"");
  EXPECT_TRUE(desktop::ProcessesOf(installed.Exe()).empty()) << "the program was left running";
  ExpectNothingInstalledIn(folder);
  EXPECT_TRUE(PathExists(PositionsFile())) << "remembered positions kept unless asked";
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"), L"kept") << "settings kept unless asked";
  EXPECT_EQ(ReadText(HKEY_CURRENT_USER, kUserStoreKey, L"InstallerTest"), L"kept");
}

TEST_F(Setup, InstallsIntoTheDefaultFolderAndRemovesTheSettingsWhenAsked) {
  const Installation installed;
  ASSERT_EQ(installed.exitCode(), 0u);
  const std::wstring& folder = installed.Folder();
  EXPECT_TRUE(PathExists(installed.Exe()));
  EXPECT_TRUE(SameText(ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"InstallDir", KEY_WOW64_32KEY), folder));

  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kSettingsKey, L"InstallerTest"));
  ASSERT_TRUE(WriteMarker(HKEY_CURRENT_USER, kUserStoreKey, L"InstallerTest"));
  const std::filesystem::path positions = PositionsFile();
  testing_support::WriteBytes(positions, "Vocorder positions 1\r\n");
  // The temporary copy a replaced file leaves when its writer was stopped.
  testing_support::WriteBytes(std::filesystem::path(positions).replace_filename(L"lst1A2B.tmp"), "");
  Uninstall(folder, L" /REMOVESETTINGS");
  ExpectNothingInstalledIn(folder);
  EXPECT_FALSE(PathExists(positions.parent_path())) << "and the remembered positions with their folder";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Vocorder"));
}

TEST_F(Setup, UpgradesKeepingTheUsersFilesAndRefusesToReplaceANewerVersion) {
  const Installation installed;
  ASSERT_EQ(installed.exitCode(), 0u);
  const std::wstring& folder = installed.Folder();
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
}

// A standard user may not write under Program Files: the program works from
// the user's folder. An update while it records is refused; nothing replaced.
TEST_F(Setup, TheProgramWorksWithoutRightsToItsFolderAndAnUpdateWaitsForItsDictation) {
  const Installation installed;
  ASSERT_EQ(installed.exitCode(), 0u);
  const std::wstring& folder = installed.Folder();
  const std::wstring dictation = stage.Documents() + L"\\Installer dictation.mp3";
  const std::wstring userList = std::filesystem::path(PositionsFile()).replace_filename(L"listdir.m3u");
  ASSERT_TRUE(PathExists(stage.AddRecording(L"speechrec.mp3", L"Installer letter.mp3")));
  ASSERT_TRUE(testing_support::SetFolderWritable(folder, false));
  {
    desktop::Program& program = stage.Start(installed.Exe(), folder);
    HWND main = program.WaitForMainWindow(30s), rec = nullptr;
    ASSERT_TRUE(main);
    EXPECT_NE(testing_support::ReadBytes(userList).find("Installer letter.mp3"), std::string::npos);
    for (int click = 0; click < 5 && !rec; ++click)  // a click while it still starts may be dropped
      if (::PostMessageW(::GetDlgItem(main, app::SpeedButton5), BM_CLICK, 0, 0))
        rec = program.WaitForWindow(L"TFRecMpeg", 3s);
    ASSERT_TRUE(rec) << "the record button opens the recording window";
    desktop::Click(::GetDlgItem(rec, TFRecMpeg::idBitBtn1));
    ASSERT_TRUE(testing_support::WaitUntil(
        [&] { return _wtoi(desktop::TextOf(::GetDlgItem(rec, TFRecMpeg::idLabel4)).c_str()) >= 2; }));

    testing_support::WriteBytes(folder + L"\\ReadMe.txt", "old");
    EXPECT_EQ(RunToEnd(SetupProgram(), L"/S"), 3u);
    EXPECT_EQ(testing_support::ReadBytes(folder + L"\\ReadMe.txt"), "old");
    std::optional<desktop::Box> box = program.WaitForBox(10s);
    ASSERT_TRUE(box && box->text == L"Diktát nie je uložený. Uložiť ho?") << "the close asks about the dictation";
    desktop::Answer(*box, IDYES);
    HWND name = program.WaitForWindow(L"VocorderDialog", 10s);
    ASSERT_TRUE(name);
    desktop::SetTextOf(::GetDlgItem(name, 100), L"Installer dictation");
    desktop::Click(::GetDlgItem(name, IDOK));
    EXPECT_EQ(program.WaitForExit(30s), 0u);
  }
  EXPECT_TRUE(PathExists(dictation));
  EXPECT_NE(testing_support::ReadBytes(userList).find("Installer dictation.mp3"), std::string::npos);
  EXPECT_TRUE(testing_support::SetFolderWritable(folder, true));
}

}  // namespace
