// The play button meeting a missing recording with "BrowseUnexisting" on:
// the missing-file dialog, a browse to the file in another folder, and the
// list showing and playing it.
#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"
#include "core/globals.h"
#include "missing/DlgBrowseFile.h"
#include "missing/DlgErrNoFile.h"
#include "support/DialogDriver.h"

using namespace std::chrono_literals;
using namespace testing_support;

namespace {

using BrowseSeam = ScopedSeam<&kestrel::SetBrowseFilePresenter, kestrel::BrowseFilePresenter>;
using MissingFileWindow = WindowTest;

TEST_F(MissingFileWindow, BrowseReplacesTheRecordingAndPlaysIt) {
  kestrel::Settings.BrowseUnexisting = true;
  kestrel::Settings.PlaySelected = false;  // nothing plays while the window starts
  const std::wstring gone = recs.file(L"gone.mp3");
  UseList({gone});
  const std::wstring found = Recording(docs, L"found.mp3");
  MakeWindow();
  kestrel::Settings.PlaySelected = true;

  std::wstring caption, songPath;
  BrowseSeam browse([&](HWND, std::wstring_view c, std::wstring_view p) -> std::optional<kestrel::BrowsedFile> {
    caption = c;
    songPath = p;
    return kestrel::BrowsedFile{docs.dir(), L"found.mp3"};
  });
  DialogDriver::Run([&] { Click(app::idPlay); },
                    [&](DialogDriver& d) {
                      EXPECT_EQ(d.Caption(), L"Error");
                      EXPECT_EQ(d.Text(kestrel::form4::idFile), gone);
                      EXPECT_EQ(::GetWindow(d.Window(), GW_OWNER), window->Handle());
                      d.Press(kestrel::form4::idBrowse);
                    });
  EXPECT_EQ(caption, L"Browse file 'gone.mp3'");
  EXPECT_EQ(songPath, gone);
  EXPECT_EQ(ReadBytes(kestrel::Lists[0].Path), text::ToAnsi(found + L"\r\n"));
  EXPECT_EQ(Items(app::cmbArtists), (std::vector<std::wstring>{docs.path().filename().wstring()}));
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"found"}));
  EXPECT_EQ(Selected(app::cmbSongs), 0);
  EXPECT_TRUE(seam.boxes.empty());

  // The play button's click comes once the dialog has closed.
  ASSERT_TRUE(PumpUntil([&] { return window->Player()->State() == PlayerState::Running; }, 10s));
  EXPECT_EQ(window->Player()->FileName(), found);
  Click(app::idStop);
}

}  // namespace

namespace {

using PresenterSeam = ScopedSeam<&kestrel::SetMessagePresenter, kestrel::MessagePresenter>;

// Ctrl+F5 while "remove this song?" is up reloads nothing under the
// dialog (the list file has changed meanwhile), and Yes removes exactly
// the line that was shown.
TEST_F(MissingFileWindow, CtrlF5DuringTheRemoveQuestionRemovesTheLineThatWasShown) {
  kestrel::Settings.BrowseUnexisting = true;
  kestrel::Settings.PlaySelected = false;
  const std::wstring gone = recs.file(L"gone.mp3"), kept = Recording(recs, L"kept.mp3");
  const std::wstring added = Recording(recs, L"added.mp3");
  UseList({gone, kept});
  MakeWindow();
  std::vector<std::wstring> shownUnderQuestion;
  PresenterSeam question([&](HWND, std::wstring_view text, std::wstring_view, UINT) {
    if (!text.starts_with(L"Do you accept to remove this song from the list?")) return IDOK;
    WriteBytes(kestrel::Lists[0].Path, text::ToAnsi(added + L"\r\n" + gone + L"\r\n" + kept + L"\r\n"));
    ::SendMessageW(window->HotKeys().Key(L"HotKeyRefresh")->ReceiverWindow(), WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL, VK_F5));
    shownUnderQuestion = Items(app::cmbSongs);
    return IDYES;
  });
  DialogDriver::Run([&] { Click(app::idPlay); },
                    [&](DialogDriver& d) {
                      EXPECT_EQ(d.Text(kestrel::form4::idFile), gone);
                      d.Press(kestrel::form4::idRemove);
                    });
  EXPECT_EQ(shownUnderQuestion, (std::vector<std::wstring>{L"gone", L"kept"}));
  EXPECT_EQ(ReadBytes(kestrel::Lists[0].Path), text::ToAnsi(added + L"\r\n" + kept + L"\r\n"));
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"added", L"kept"}));
}

}  // namespace
