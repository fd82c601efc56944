// The real shell folder browser under Wine, driven from a second thread the
// way a user would: reading its controls, selecting tree items, clicking.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "Desktop.h"
#include "Pump.h"
#include "TestSupport.h"
#include "base/Text.h"
#include "services/FoldrDlg.h"
#include "services/ShellItems.h"

using namespace services;
using desktop::Press;
using desktop::RectIn;
using desktop::RectOf;
using testing_support::WaitUntil;

namespace {

constexpr int kStatusId = 0x3743;
constexpr int kInstructionId = 0x3742;
constexpr int kSourceButtonId = 501;

std::atomic<int> g_sourceClicks{0};

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && LOWORD(wp) == kSourceButtonId && HIWORD(wp) == BN_CLICKED) ++g_sourceClicks;
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateForm() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FormProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"VocFolderTestForm";
    return ::RegisterClassExW(&wc);
  }();
  (void)atom;
  HWND form = ::CreateWindowExW(0, L"VocFolderTestForm", L"Form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150, 640,
                                480, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  return form;
}

HWND Tree(HWND dialog) { return ::FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr); }
std::wstring StatusOf(HWND dialog) { return desktop::TextOf(::GetDlgItem(dialog, kStatusId)); }

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t buffer[MAX_PATH] = L"";
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buffer;
  tv.cchTextMax = MAX_PATH;
  ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
  return buffer;
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
  return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

// Depth first through the items the tree holds so far.
HTREEITEM FindItem(HWND tree, HTREEITEM first, const std::wstring& name) {
  for (HTREEITEM item = first; item; item = Next(tree, item, TVGN_NEXT)) {
    if (ItemText(tree, item) == name) return item;
    if (HTREEITEM found = FindItem(tree, Next(tree, item, TVGN_CHILD), name)) return found;
  }
  return nullptr;
}

std::wstring DisplayNameOf(int csidl) {
  win::ItemIdList items = SpecialFolderItems(csidl);
  SHFILEINFOW info{};
  ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(items.get()), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
  return info.szDisplayName;
}

bool Enabled(HWND w) { return w && ::IsWindowEnabled(w); }

// Runs the steps against the dialog of that caption on its own thread, and
// cancels whatever dialog is left so that a failed step never hangs the test.
class Driver {
public:
  Driver(std::wstring caption, std::function<void(HWND)> steps)
      : thread_([this, caption = std::move(caption), steps = std::move(steps)] {
          HWND dialog = nullptr;
          found_ = WaitUntil([&] { return (dialog = desktop::OwnWindow(L"#32770", caption.c_str())) != nullptr; });
          if (!found_) return;
          steps(dialog);
          if (WaitUntil([&] { return !::IsWindow(dialog); }, 3000)) return;
          ADD_FAILURE() << "the dialog was still open after the steps";
          ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }) {}
  ~Driver() { join(); }
  void join() {
    if (thread_.joinable()) thread_.join();
  }
  bool found() const { return found_; }

private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

}  // namespace

class ShellFolderDialog : public ::testing::Test {
protected:
  // One owner form for all: under a bare X server Wine waits two seconds for
  // a window manager whenever a framed window goes away.
  static void SetUpTestSuite() { form_ = CreateForm(); }
  static void TearDownTestSuite() {
    ::DestroyWindow(form_);
    form_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(form_, nullptr);
    uiThread_ = ::GetCurrentThreadId();
    g_sourceClicks = 0;
  }

  HWND FocusOfUiThread() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(uiThread_, &info) ? info.hwndFocus : nullptr;
  }

  win::ComScope com_;
  testing_support::ScratchDir dir_{L"fdshell"};
  static HWND form_;
  DWORD uiThread_ = 0;
};

HWND ShellFolderDialog::form_ = nullptr;

TEST_F(ShellFolderDialog, OpensAtDirectoryShowsShortenedPathAndChoosesIt) {
  const std::filesystem::path deep = dir_.path() / L"A rather long folder name for dictations" /
                                     L"Another long folder name of the typist" / L"Final";
  std::filesystem::create_directories(deep);
  TFolderDialog fd(form_);
  fd.SetTitle(L"Folder test one");
  fd.SetText(L"Choose the folder");
  fd.SetDirectory(deep.wstring());
  int shown = 0, changes = 0, closed = 0;
  fd.OnShow = [&](TFolderDialog& sender) {
    EXPECT_EQ(&sender, &fd);
    EXPECT_NE(sender.DialogWindow(), nullptr);
    ++shown;
  };
  fd.OnChange = [&](TFolderDialog&) { ++changes; };
  fd.OnClose = [&](TFolderDialog&) { ++closed; };

  Driver driver(L"Folder test one", [&](HWND dialog) {
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(dialog).find(L"Final") != std::wstring::npos; }));
    const std::wstring status = StatusOf(dialog);
    EXPECT_NE(status.find(L"..."), std::wstring::npos) << text::ToAnsi(status);
    EXPECT_EQ(status.substr(0, 3), L"C:\\") << text::ToAnsi(status);
    EXPECT_EQ(status.substr(status.size() - 6), L"\\Final") << text::ToAnsi(status);
    EXPECT_EQ(desktop::TextOf(::GetDlgItem(dialog, kInstructionId)), L"Choose the folder");
    EXPECT_TRUE(Enabled(::GetDlgItem(dialog, IDOK)));
    EXPECT_TRUE(WaitUntil([&] { return FocusOfUiThread() == Tree(dialog); }, 3000));

    const RECT d = RectOf(dialog), f = RectOf(form_);
    EXPECT_NEAR(d.left, f.left + ((f.right - f.left) - (d.right - d.left)) / 2, 1);
    EXPECT_EQ(d.top, f.top + (f.bottom - f.top) / 4);
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(fd.Execute());
  driver.join();
  ASSERT_TRUE(driver.found());
  EXPECT_TRUE(text::Same(fd.Directory(), deep.wstring())) << text::ToAnsi(fd.Directory());
  EXPECT_FALSE(fd.DisplayName().empty());
  EXPECT_EQ(shown, 1);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(fd.DialogWindow(), nullptr);
}

TEST_F(ShellFolderDialog, VirtualFolderDisablesOkAndCancelKeepsDirectory) {
  const std::wstring folder = dir_.path().wstring();
  TFolderDialog fd(form_);
  fd.SetTitle(L"Folder test two");
  fd.SetDirectory(folder);
  const std::wstring computer = DisplayNameOf(CSIDL_DRIVES);
  ASSERT_FALSE(computer.empty());

  Driver driver(L"Folder test two", [&](HWND dialog) {
    HWND ok = ::GetDlgItem(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !StatusOf(dialog).empty(); }));
    HWND tree = Tree(dialog);
    HTREEITEM item = FindItem(tree, Next(tree, nullptr, TVGN_ROOT), computer);
    ASSERT_NE(item, nullptr) << text::ToAnsi(computer);
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    EXPECT_TRUE(WaitUntil([&] { return !Enabled(ok); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(dialog).empty(); }, 3000));
    Press(dialog, IDCANCEL);
  });
  EXPECT_FALSE(fd.Execute());
  driver.join();
  ASSERT_TRUE(driver.found());
  EXPECT_EQ(fd.Directory(), folder);
}

TEST_F(ShellFolderDialog, ExtraButtonFollowsOkRunsTheOwnersHandlerAndHandsBackItsState) {
  HWND source = ::CreateWindowExW(0, L"BUTTON", L"Play at once", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 10, 120,
                                  20, form_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSourceButtonId)),
                                  ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(source, nullptr);
  struct Gone {
    HWND w;
    ~Gone() { ::DestroyWindow(w); }
  } gone{source};
  const std::wstring folder = dir_.path().wstring();
  TFolderDialog fd(form_);
  fd.SetTitle(L"Folder test three");
  fd.SetDirectory(folder);
  fd.SetCustomButton(source);
  const std::wstring computer = DisplayNameOf(CSIDL_DRIVES);

  Driver driver(L"Folder test three", [&](HWND dialog) {
    HWND ok = ::GetDlgItem(dialog, IDOK);
    HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !StatusOf(dialog).empty(); }));
    HWND copy = ::FindWindowExW(dialog, nullptr, L"Button", L"Play at once");
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(::IsWindowVisible(copy));
    EXPECT_TRUE(Enabled(copy));
    EXPECT_EQ(::GetWindowLongW(copy, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);

    const RECT c = RectIn(copy, dialog), o = RectIn(ok, dialog), x = RectIn(cancel, dialog);
    RECT client{};
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(c.left, client.right - x.right);
    EXPECT_EQ(c.top, o.top);
    EXPECT_EQ(c.right - c.left, 120);
    EXPECT_EQ(c.bottom - c.top, 20);

    // Follows OK away from the file system and back.
    HWND tree = Tree(dialog);
    HTREEITEM item = FindItem(tree, Next(tree, nullptr, TVGN_ROOT), computer);
    ASSERT_NE(item, nullptr);
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    EXPECT_TRUE(WaitUntil([&] { return !Enabled(ok) && !Enabled(copy); }, 3000));
    ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    EXPECT_TRUE(WaitUntil([&] { return Enabled(ok) && Enabled(copy); }, 3000));

    ::SendMessageW(copy, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return g_sourceClicks.load() == 1; }, 3000));
    EXPECT_EQ(::SendMessageW(copy, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(::SendMessageW(source, BM_GETCHECK, 0, 0), BST_UNCHECKED);  // not before OK
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(fd.Execute());
  driver.join();
  ASSERT_TRUE(driver.found());
  EXPECT_EQ(::SendMessageW(source, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(g_sourceClicks.load(), 1);
  EXPECT_TRUE(text::Same(fd.Directory(), folder));
}

TEST_F(ShellFolderDialog, TitleAndDirectoryChangeWhileOpenAndScreenCentring) {
  const std::filesystem::path first = dir_.path() / L"first", second = dir_.path() / L"second";
  std::filesystem::create_directories(first);
  std::filesystem::create_directories(second);
  // A folder not read since long before its last change: the first read
  // moves its access time on, which Wine's items carry.
  {
    win::File folder(::CreateFileW(second.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(folder);
    FILETIME now, hourAgo;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 36000000000ULL;
    hourAgo = {t.LowPart, t.HighPart};
    ASSERT_TRUE(::SetFileTime(folder.get(), &hourAgo, &hourAgo, &hourAgo));
  }
  TFolderDialog fd;  // no owner
  fd.SetTitle(L"Folder test four");
  fd.SetOptions(fd.Options() | bfScreenCenter);
  ASSERT_FALSE(fd.Options() & bfParentCenter);
  fd.SetDirectory(first.wstring());
  fd.OnShow = [&](TFolderDialog& sender) {
    sender.SetTitle(L"Folder test four, renamed");
    sender.SetDirectory(second.wstring());
  };

  Driver driver(L"Folder test four, renamed", [&](HWND dialog) {
    EXPECT_TRUE(WaitUntil([&] {
      const std::wstring s = StatusOf(dialog);
      return s.size() >= 7 && s.substr(s.size() - 7) == L"\\second";
    })) << text::ToAnsi(StatusOf(dialog));
    const RECT d = RectOf(dialog);
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(d.left, (sw - (d.right - d.left)) / 2, 1);
    EXPECT_NEAR(d.top, (sh - (d.bottom - d.top)) / 3, 1);
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(fd.Execute());
  driver.join();
  ASSERT_TRUE(driver.found());
  EXPECT_TRUE(text::Same(fd.Directory(), second.wstring())) << text::ToAnsi(fd.Directory());
}

// The main window's own use: rooted at the user's documents.
TEST_F(ShellFolderDialog, RootedAtDocumentsOffersItsSubfolders) {
  wchar_t documents[MAX_PATH] = L"";
  ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents), S_OK);
  const std::filesystem::path folder =
      std::filesystem::path(documents) / (L"voc_recordings_" + std::to_wstring(::GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  TFolderDialog fd(form_);
  fd.SetTitle(L"Vyberte zložku");
  fd.SetRootFolder(TShellFolder::sfoPersonal);
  fd.SetDirectory(folder.wstring());
  const std::wstring rootName = DisplayNameOf(CSIDL_PERSONAL);

  Driver driver(L"Vyberte zložku", [&](HWND dialog) {
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(dialog).find(L"voc_recordings_") != std::wstring::npos; }));
    HWND tree = Tree(dialog);
    HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
    EXPECT_EQ(ItemText(tree, root), rootName);
    EXPECT_EQ(Next(tree, root, TVGN_NEXT), nullptr);  // nothing beside the root
    Press(dialog, IDOK);
  });
  EXPECT_TRUE(fd.Execute());
  driver.join();
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  ASSERT_TRUE(driver.found());
  EXPECT_TRUE(text::Same(fd.Directory(), folder.wstring())) << text::ToAnsi(fd.Directory());
}

// The options reach the shell as its flags: with the option for files the
// chosen folder offers its files, and without the status line none shows.
TEST_F(ShellFolderDialog, OptionsReachTheShellAsItsFlags) {
  const std::filesystem::path folder = dir_.path() / L"with a file";
  std::filesystem::create_directories(folder);
  testing_support::WriteBytes((folder / L"letter.mp3").wstring(), "");
  TFolderDialog fd(form_);
  fd.SetTitle(L"Folder test seven");
  fd.SetOptions((fd.Options() | bfBrowseIncludeFiles) & ~(bfStatusText | bfShowPathInStatusArea));
  fd.SetDirectory(folder.wstring());

  Driver driver(L"Folder test seven", [&](HWND dialog) {
    HWND tree = Tree(dialog);
    HTREEITEM chosen = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (chosen = Next(tree, nullptr, TVGN_CARET)) != nullptr; }));
    ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(chosen));
    EXPECT_TRUE(WaitUntil([&] {
      HTREEITEM first = Next(tree, chosen, TVGN_CHILD);
      return FindItem(tree, first, L"letter.mp3") || FindItem(tree, first, L"letter");
    }, 3000)) << "the folder offers no file";
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(dialog, kStatusId)));
    Press(dialog, IDCANCEL);
  });
  EXPECT_FALSE(fd.Execute());
  driver.join();
  ASSERT_TRUE(driver.found());
}

// An owner may free the component from the dialog's own events: the dialog
// then closes as cancelled and nothing touches the freed component.
TEST_F(ShellFolderDialog, ComponentFreedFromItsOwnEventClosesTheDialog) {
  auto fd = std::make_unique<TFolderDialog>(form_);
  TFolderDialog* raw = fd.get();
  fd->SetTitle(L"Folder test five");
  fd->OnShow = [&](TFolderDialog&) { fd.reset(); };
  EXPECT_FALSE(raw->Execute());
  EXPECT_EQ(fd, nullptr);
  EXPECT_EQ(desktop::OwnWindow(L"#32770", L"Folder test five"), nullptr);

  std::unique_ptr<TFolderDialog> freedOnClose = std::make_unique<TFolderDialog>(form_);
  freedOnClose->SetTitle(L"Folder test six");
  freedOnClose->OnClose = [&](TFolderDialog&) { freedOnClose.reset(); };
  TFolderDialog* closing = freedOnClose.get();
  Driver driver(L"Folder test six", [&](HWND dialog) { Press(dialog, IDCANCEL); });
  EXPECT_FALSE(closing->Execute());
  driver.join();
  EXPECT_TRUE(driver.found());
  EXPECT_EQ(freedOnClose, nullptr);
}
