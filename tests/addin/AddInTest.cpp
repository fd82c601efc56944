// The add-in as the word processor drives it: created through the registry,
// connected to the test double of the host's object model, its Tools-menu
// button clicked into a stand-in program at the fixed installation path.
#include "AddInTestSupport.h"
#include "Desktop.h"
#include "Program.h"
#include "Pump.h"
#include "TestSupport.h"
#include "WordDouble.h"
#include "addin/Extensibility.h"
#include "base/WinHandles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace addin_test;
using namespace word_double;
using ::testing::ElementsAre;

namespace {

constexpr wchar_t kProgramFolder[] = L"c:\\Program Files\\Korvel\\Vocorder";
constexpr wchar_t kProgramPath[] = L"c:\\Program Files\\Korvel\\Vocorder\\Vocorder.exe";
constexpr wchar_t kCaption[] = L"Vocorder pre MS Word...";

// Copies of Vocorder.exe this process started.
std::vector<DWORD> ProgramChildren() { return desktop::ChildrenOf(::GetCurrentProcessId(), L"Vocorder.exe"); }

// The stand-in program in a folder (the add-in's fixed one unless told) for
// the length of a test, removed again with everything it started.
class InstalledProgram {
public:
  explicit InstalledProgram(const std::wstring& log, const std::wstring& folder = kProgramFolder)
      : release_(::CreateEventW(nullptr, TRUE, FALSE, L"VocorderStandInRelease")), folder_(folder) {
    ::SetEnvironmentVariableW(L"VOCORDER_STANDIN_LOG", log.c_str());
    const std::wstring parent = folder_.substr(0, folder_.find_last_of(L'\\'));
    createdParent_ = ::CreateDirectoryW(parent.c_str(), nullptr) != FALSE;
    createdFolder_ = ::CreateDirectoryW(folder_.c_str(), nullptr) != FALSE;
    const std::wstring standIn = TestProgramDir() + L"addin_standin.exe";
    installed_ = ::CopyFileW(standIn.c_str(), program().c_str(), FALSE) != FALSE;
  }
  ~InstalledProgram() {
    ::SetEvent(release_.get());
    desktop::WaitForProcesses(ProgramChildren(), std::chrono::seconds(10));
    ::DeleteFileW(program().c_str());
    if (createdFolder_) ::RemoveDirectoryW(folder_.c_str());
    if (createdParent_) ::RemoveDirectoryW(folder_.substr(0, folder_.find_last_of(L'\\')).c_str());
  }
  bool installed() const { return installed_ && release_; }
  std::wstring program() const { return folder_ + L"\\Vocorder.exe"; }

private:
  win::Handle release_;
  std::wstring folder_;
  bool createdParent_ = false, createdFolder_ = false, installed_ = false;
};

// The installer's record of its folder (HKLM, 32-bit view) for the length of
// a test; the key is removed again.
constexpr wchar_t kInstallKey[] = L"SOFTWARE\\Korvel\\Vocorder";

bool InstallDirRecorded() {
  win::Key key;
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.put()) ==
             ERROR_SUCCESS &&
         ::RegQueryValueExW(key.get(), L"InstallDir", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

class RecordedInstallDir {
public:
  explicit RecordedInstallDir(const std::wstring& folder) {
    win::Key key;
    ok_ = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr,
                            key.put(), nullptr) == ERROR_SUCCESS &&
          ::RegSetValueExW(key.get(), L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  ~RecordedInstallDir() {
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, KEY_WOW64_32KEY, 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Korvel", KEY_WOW64_32KEY, 0);
  }
  bool ok() const { return ok_; }

private:
  bool ok_ = false;
};

// The lines the stand-in copies wrote, once there are at least count of them
// (or after 20 s).
std::vector<std::wstring> WaitForLines(const std::wstring& log, size_t count) {
  std::vector<std::wstring> lines;
  testing_support::WaitUntil([&] {
    const std::string bytes = testing_support::ReadBytes(log);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    lines.clear();
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines.size() >= count;
  }, std::chrono::seconds(20));
  return lines;
}

class WordAddIn : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Regsvr32(AddInDllPath(), true);
    registered_ = Regsvr32(AddInDllPath()) == 0;
  }
  static void TearDownTestSuite() { Regsvr32(AddInDllPath(), true); }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.result()));
    ASSERT_TRUE(registered_);
    ASSERT_EQ(::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&addIn_)), S_OK);
    word_.Attach(new Application());
  }

  HRESULT Connect(IDispatch* host = nullptr) {
    return addIn_->OnConnection(host ? host : word_.Get(), ext_cm_Startup, nullptr, &custom_);
  }
  // The add-in's button in the Tools menu, or null.
  Control* Button() const {
    Controls& tools = word_->tools();
    for (size_t i = 0; i < tools.count(); ++i)
      if (tools.at(i)->tag == L"VOMenu") return tools.at(i);
    return nullptr;
  }
  std::vector<std::wstring> ButtonSetUp(const Control* b) const {
    const std::wstring l = b->label();
    return {l + L".Caption=" + kCaption, l + L".ShortcutText=", l + L".Tag=VOMenu", l + L".Visible=True"};
  }

  win::ComScope com_;
  ComPtr<IDTExtensibility2> addIn_;
  ComPtr<Application> word_;
  SAFEARRAY* custom_ = nullptr;
  static bool registered_;
};

bool WordAddIn::registered_ = false;

}  // namespace

TEST_F(WordAddIn, StartupAppendsOneButtonToTheToolsMenu) {
  const ULONG baseline = word_->refs();
  ASSERT_EQ(Connect(), S_OK);
  EXPECT_GT(word_->refs(), baseline);
  EXPECT_TRUE(word_->log().empty());
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);

  Controls& tools = word_->tools();
  ASSERT_EQ(tools.count(), 5u);
  Control* button = tools.at(4);
  EXPECT_EQ(Button(), button);
  EXPECT_EQ(button->type, 1);
  EXPECT_EQ(button->caption, kCaption);
  EXPECT_EQ(button->shortcutText, L"");
  EXPECT_TRUE(button->visible);
  EXPECT_FALSE(button->temporary);
  EXPECT_EQ(button->sinkCount(), 1u);

  std::vector<std::wstring> expected = {L"Word.CommandBars", L"CommandBars.Item(Tools)",
                                        L"Tools.FindControl(,,VOMenu,,)", L"Tools.Controls",
                                        L"Tools.Controls.Add(1,,,,)"};
  for (auto& call : ButtonSetUp(button)) expected.push_back(call);
  EXPECT_EQ(word_->log(), expected);

  EXPECT_EQ(addIn_->OnAddInsUpdate(&custom_), S_OK);
  EXPECT_EQ(addIn_->OnDisconnection(ext_dm_HostShutdown, &custom_), S_OK);
  EXPECT_EQ(word_->refs(), baseline) << "the host is let go at disconnection";
}

TEST_F(WordAddIn, LeftoverButtonIsReusedNotDuplicated) {
  Controls& tools = word_->tools();
  ComPtr<Control> leftover = tools.Preset(1, L"old caption", L"VOMenu", false);
  tools.Preset(1, L"&Customize...", L"");
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);

  EXPECT_EQ(tools.count(), 6u);
  EXPECT_EQ(Button(), leftover.Get());
  EXPECT_EQ(leftover->caption, kCaption);
  EXPECT_TRUE(leftover->visible);
  EXPECT_EQ(leftover->sinkCount(), 1u);
  std::vector<std::wstring> expected = {L"Word.CommandBars", L"CommandBars.Item(Tools)",
                                        L"Tools.FindControl(,,VOMenu,,)"};
  for (auto& call : ButtonSetUp(leftover.Get())) expected.push_back(call);
  EXPECT_EQ(word_->log(), expected);

  // A second start-up completion keeps one button with one sink.
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);
  EXPECT_EQ(tools.count(), 6u);
  EXPECT_EQ(leftover->sinkCount(), 1u);
}

TEST_F(WordAddIn, ClickStartsTheProgramInItsFolder) {
  ASSERT_FALSE(InstallDirRecorded()) << "without the installer's record the fixed path is used";
  testing_support::ScratchDir scratch(L"addin");
  const std::wstring log = scratch.file(L"started.txt");
  InstalledProgram program(log);
  ASSERT_TRUE(program.installed());
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);
  Control* button = Button();
  ASSERT_NE(button, nullptr);

  // Other events of the button start nothing; ShellExecute would have created
  // the process before returning.
  button->Fire(2);
  EXPECT_TRUE(ProgramChildren().empty());

  EXPECT_EQ(button->Click(), VARIANT_FALSE);
  EXPECT_EQ(ProgramChildren().size(), 1u);
  auto lines = WaitForLines(log, 1);
  ASSERT_EQ(lines.size(), 1u);
  const std::wstring folder = lines[0].substr(0, lines[0].find(L'|'));
  EXPECT_TRUE(SameText(folder, kProgramFolder)) << std::string(folder.begin(), folder.end());
  EXPECT_EQ(lines[0].substr(lines[0].find(L'|') + 1), L"0") << "started without arguments";

  // A second click while it runs starts it again, and the cancel-default flag
  // stays as the host passed it.
  EXPECT_EQ(button->Fire(1, VARIANT_TRUE), VARIANT_TRUE);
  EXPECT_EQ(ProgramChildren().size(), 2u);
  EXPECT_EQ(WaitForLines(log, 2).size(), 2u);
}

// As on 64-bit Windows: the installer put the program elsewhere and recorded
// the folder (with a trailing backslash, as a folder may be written). A copy
// at the fixed path too shows which one the click prefers.
TEST_F(WordAddIn, ClickStartsTheProgramFromTheRecordedFolder) {
  testing_support::ScratchDir scratch(L"addin");
  const std::wstring log = scratch.file(L"started.txt");
  const std::wstring folder = scratch.file(L"Program Files (x86)");
  InstalledProgram recorded(log, folder);
  InstalledProgram fixed(log);
  ASSERT_TRUE(recorded.installed() && fixed.installed());
  RecordedInstallDir record(folder + L"\\");
  ASSERT_TRUE(record.ok());
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);

  Button()->Click();
  auto lines = WaitForLines(log, 1);
  ASSERT_EQ(lines.size(), 1u);
  const std::wstring started = lines[0].substr(0, lines[0].find(L'|'));
  EXPECT_TRUE(SameText(started, folder)) << std::string(started.begin(), started.end());
  EXPECT_EQ(ProgramChildren().size(), 1u);
}

TEST_F(WordAddIn, ClickWithoutTheProgramShowsNothing) {
  ASSERT_EQ(::GetFileAttributesW(kProgramPath), INVALID_FILE_ATTRIBUTES) << "the program is installed";
  ASSERT_FALSE(InstallDirRecorded());
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);

  // Any message box this process puts up is noted and closed, so that a
  // dialog cannot hang the test.
  std::atomic<bool> done{false}, dialog{false};
  std::thread watch([&] {
    testing_support::WaitUntil([&] {
      if (auto box = desktop::BoxOf(::GetCurrentProcessId())) {
        dialog = true;
        desktop::Answer(*box, IDCANCEL);
      }
      return done.load();
    }, std::chrono::minutes(1));
  });
  Button()->Click();
  done = true;
  watch.join();
  EXPECT_FALSE(dialog);
  EXPECT_TRUE(ProgramChildren().empty());
}

TEST_F(WordAddIn, ShutdownHidesAndDisconnectionDeletesTheButton) {
  const ULONG baseline = word_->refs();
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);
  ComPtr<Control> button(Button());
  ASSERT_NE(button, nullptr);
  const std::wstring l = button->label();
  word_->ClearLog();

  EXPECT_EQ(addIn_->OnBeginShutdown(&custom_), S_OK);
  EXPECT_THAT(word_->log(), ElementsAre(l + L".Visible=False"));
  EXPECT_FALSE(button->visible);
  EXPECT_EQ(Button(), button.Get());

  EXPECT_EQ(addIn_->OnDisconnection(ext_dm_HostShutdown, &custom_), S_OK);
  EXPECT_THAT(word_->log(), ElementsAre(l + L".Visible=False", l + L".Visible=False", l + L".Delete()"));
  EXPECT_TRUE(button->deleted());
  EXPECT_FALSE(button->temporary);
  EXPECT_EQ(Button(), nullptr);
  EXPECT_EQ(word_->tools().count(), 4u);
  EXPECT_EQ(button->sinkCount(), 0u);
  EXPECT_EQ(word_->refs(), baseline);

  // The next session's add-in puts it back.
  ComPtr<IDTExtensibility2> next;
  ASSERT_EQ(::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&next)), S_OK);
  ASSERT_EQ(next->OnConnection(word_.Get(), ext_cm_Startup, nullptr, &custom_), S_OK);
  ASSERT_EQ(next->OnStartupComplete(&custom_), S_OK);
  EXPECT_EQ(word_->tools().count(), 5u);
  EXPECT_NE(Button(), nullptr);
  EXPECT_EQ(next->OnDisconnection(ext_dm_UserClosed, &custom_), S_OK);
  EXPECT_EQ(word_->tools().count(), 4u);
}

TEST_F(WordAddIn, WithoutStartupShutdownAndDisconnectionTouchNothing) {
  const ULONG baseline = word_->refs();
  ASSERT_EQ(addIn_->OnConnection(word_.Get(), ext_cm_AfterStartup, nullptr, &custom_), S_OK);
  EXPECT_EQ(addIn_->OnBeginShutdown(&custom_), S_OK);
  EXPECT_EQ(addIn_->OnDisconnection(ext_dm_UserClosed, &custom_), S_OK);
  EXPECT_TRUE(word_->log().empty());
  EXPECT_EQ(word_->tools().count(), 4u);
  EXPECT_EQ(word_->refs(), baseline);
}

TEST_F(WordAddIn, HostWithoutTheApplicationInterfaceIsRefused) {
  ComPtr<Application> other;
  other.Attach(new Application(false));
  const ULONG baseline = other->refs();
  EXPECT_EQ(Connect(other.Get()), E_NOINTERFACE);
  EXPECT_EQ(other->refs(), baseline);
  EXPECT_TRUE(FAILED(addIn_->OnStartupComplete(&custom_)));
  EXPECT_TRUE(other->log().empty());
  EXPECT_EQ(addIn_->OnDisconnection(ext_dm_HostShutdown, &custom_), S_OK);
}

TEST_F(WordAddIn, HostFailuresEndTheCallWithAFailure) {
  ASSERT_EQ(Connect(), S_OK);
  // The menu refuses a new control: the host's error comes back, no button.
  word_->tools().refuseAdd = true;
  EXPECT_EQ(addIn_->OnStartupComplete(&custom_), E_FAIL);
  EXPECT_EQ(Button(), nullptr);
  EXPECT_EQ(word_->log().back(), L"Tools.Controls.Add(1,,,,)");
  const size_t calls = word_->log().size();
  EXPECT_EQ(addIn_->OnDisconnection(ext_dm_HostShutdown, &custom_), S_OK);
  EXPECT_EQ(word_->log().size(), calls);

  // A control tagged like ours that is no button cannot be taken over.
  ComPtr<IDTExtensibility2> next;
  ASSERT_EQ(::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&next)), S_OK);
  ComPtr<Control> popup = word_->tools().Preset(10, L"Vocorder", L"VOMenu");
  ASSERT_EQ(next->OnConnection(word_.Get(), ext_cm_Startup, nullptr, &custom_), S_OK);
  EXPECT_EQ(next->OnStartupComplete(&custom_), E_NOINTERFACE);
  EXPECT_EQ(popup->caption, L"Vocorder");
  EXPECT_EQ(next->OnDisconnection(ext_dm_HostShutdown, &custom_), S_OK);
  EXPECT_FALSE(popup->deleted());
}

TEST_F(WordAddIn, ReleasedWithoutDisconnectionLeavesNoSinkBehind) {
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);
  ComPtr<Control> button(Button());
  ASSERT_NE(button, nullptr);
  addIn_.Reset();
  EXPECT_EQ(button->sinkCount(), 0u);
  EXPECT_FALSE(button->deleted());
  EXPECT_EQ(button->Click(), VARIANT_FALSE);
}

TEST_F(WordAddIn, ButtonDeletedByTheUserStillLetsTheHostGo) {
  const ULONG baseline = word_->refs();
  ASSERT_EQ(Connect(), S_OK);
  ASSERT_EQ(addIn_->OnStartupComplete(&custom_), S_OK);
  ComPtr<Control> button(Button());
  ASSERT_NE(button, nullptr);
  button->UserDeletes();

  EXPECT_EQ(addIn_->OnBeginShutdown(&custom_), E_FAIL);
  EXPECT_EQ(addIn_->OnDisconnection(ext_dm_HostShutdown, &custom_), E_FAIL);
  EXPECT_EQ(button->sinkCount(), 0u);
  EXPECT_EQ(word_->refs(), baseline);
}
