// Vocorder.exe started as a user would: its start-up data and fatal errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "Driver.h"
#include "TestSupport.h"
#include "base/Text.h"

using namespace std::chrono_literals;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

class Startup : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::copy_file(e2e::VocorderExe(), dir.file(L"Vocorder.exe"));
  }
  std::wstring Exe() const { return dir.file(L"Vocorder.exe"); }
  std::wstring AppDir() const { return text::LowerAscii(dir.dir()); }

  ScratchDir dir{L"e2e"};
};

TEST_F(Startup, ShowsOneWindowAndEndsWithCodeZeroWhenClosed) {
  WriteBytes(dir.file(L"Player.ini"), "; demo\r\nlist=listdir.m3u\r\n");
  WriteBytes(dir.file(L"listdir.m3u"), "c:\\old\\recording.mp3\r\n");
  e2e::Program p(Exe(), L"", dir.path().wstring());
  ASSERT_TRUE(p.started());
  // The stored list is emptied at start; with no folder of its own the
  // program lists the documents folder, and says so when it holds nothing.
  std::vector<e2e::Box> boxes;
  HWND main = p.WaitForMainWindow(30s, &boxes);
  ASSERT_TRUE(main);
  for (const auto& box : boxes) EXPECT_EQ(box.text, L"Zložka neobsahuje súbory formátu MP3 !!!");
  EXPECT_EQ(testing_support::ReadBytes(dir.file(L"listdir.m3u")).find("old"), std::string::npos);
  EXPECT_TRUE(::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // A second copy hands over to the first and ends without a window.
  {
    e2e::Program second(Exe(), L"", dir.path().wstring());
    EXPECT_EQ(second.WaitForExit(30s), 0u);
    EXPECT_TRUE(second.TopLevelWindows().empty() || !::IsWindowVisible(second.TopLevelWindows()[0]));
  }
  EXPECT_TRUE(::IsWindow(main));

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(30s), 0u);
}

TEST_F(Startup, ABrokenPlayerIniShowsTheErrorAndEndsAfterOk) {
  WriteBytes(dir.file(L"Player.ini"), "list=listdir.m3u\r\nvolume=5\r\n");
  e2e::Program p(Exe(), L"", dir.path().wstring());
  auto box = p.WaitForBox(20s);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, L"Error");
  std::wstring expected = L"Syntax error on line 2 in settings file,\r" + AppDir() + L"player.ini";
  // The box may show the line break as CR or as CR LF.
  std::wstring shown = box->text;
  std::erase(shown, L'\n');
  EXPECT_EQ(shown, expected);
  EXPECT_FALSE(p.WaitForExit(300ms)) << "ended before the box was answered";
  e2e::Answer(*box, IDOK);
  EXPECT_EQ(p.WaitForExit(20s), 0u);
}

TEST_F(Startup, NoPlayerIniAndNoListEndTheProgram) {
  {
    e2e::Program p(Exe(), L"", dir.path().wstring());
    auto box = p.WaitForBox(20s);
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find(AppDir() + L"player.ini"), std::wstring::npos);
    e2e::Answer(*box, IDOK);
    EXPECT_EQ(p.WaitForExit(20s), 0u);
  }
  WriteBytes(dir.file(L"Player.ini"), "list=nothere.m3u\r\n");
  e2e::Program p(Exe(), L"", dir.path().wstring());
  auto box = p.WaitForBox(20s);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"Can not find any of song lists specified in Player.ini.");
  e2e::Answer(*box, IDOK);
  EXPECT_EQ(p.WaitForExit(20s), 0u);
}

TEST_F(Startup, AStartFromCdEndsBeforeTheListWhenNotAllowed) {
  // The list holds a line with an illegal character: loading it warns.
  WriteBytes(dir.file(L"Player.ini"), "list=mine.m3u\r\n");
  WriteBytes(dir.file(L"mine.m3u"), "c:\\r\\what?.mp3\r\n");
  HKEY key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tarnwell\\Kestrel v.5.1", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD off = 0;
  ::RegSetValueExW(key, L"LoadFromCD", 0, REG_DWORD, reinterpret_cast<BYTE*>(&off), sizeof(off));
  ::RegCloseKey(key);
  struct Cleanup {
    ~Cleanup() { ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tarnwell\\Kestrel v.5.1"); }
  } cleanup;

  {
    e2e::Program p(Exe(), L"Cd", dir.path().wstring());
    EXPECT_EQ(p.WaitForExit(20s), 0u);
    EXPECT_TRUE(p.TopLevelWindows().empty());
  }
  e2e::Program p(Exe(), L"", dir.path().wstring());
  auto box = p.WaitForBox(20s);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, L"Warning");
  EXPECT_NE(box->text.find(L"contains 1 songs with illegal characters"), std::wstring::npos);
  e2e::Answer(*box, IDOK);
  // The warning does not stop the start: the window follows.
  HWND main = p.WaitForMainWindow(30s);
  ASSERT_TRUE(main);
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(30s), 0u);
}

}  // namespace
