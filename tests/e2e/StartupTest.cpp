// Vocorder.exe started as a user would: its start-up data and fatal errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "Program.h"
#include "TestSupport.h"
#include "base/Text.h"

using namespace std::chrono_literals;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

class Startup : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::copy_file(desktop::VocorderExe(), dir.file(L"Vocorder.exe"));
  }
  std::wstring Exe() const { return dir.file(L"Vocorder.exe"); }
  std::wstring AppDir() const { return text::LowerAscii(dir.dir()); }

  ScratchDir dir{L"e2e"};
};

TEST_F(Startup, ShowsOneWindowAndEndsWithCodeZeroWhenClosed) {
  WriteBytes(dir.file(L"Player.ini"), "; demo\r\nlist=listdir.m3u\r\n");
  WriteBytes(dir.file(L"listdir.m3u"), "c:\\old\\recording.mp3\r\n");
  desktop::Program p(Exe(), L"", dir.path().wstring());
  ASSERT_TRUE(p.started());
  // The stored list is emptied at start; with no folder of its own the
  // program lists the documents folder, and says so when it holds nothing.
  std::vector<desktop::Box> boxes;
  HWND main = p.WaitForMainWindow(30s, &boxes);
  ASSERT_TRUE(main);
  for (const auto& box : boxes) EXPECT_EQ(box.text, L"Zložka neobsahuje súbory formátu MP3 !!!");
  EXPECT_EQ(testing_support::ReadBytes(dir.file(L"listdir.m3u")).find("old"), std::string::npos);
  EXPECT_TRUE(::GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // A second copy hands over to the first and ends without a window.
  {
    desktop::Program second(Exe(), L"", dir.path().wstring());
    EXPECT_EQ(second.WaitForExit(30s), 0u);
    EXPECT_TRUE(second.TopLevelWindows().empty() || !::IsWindowVisible(second.TopLevelWindows()[0]));
  }
  EXPECT_TRUE(::IsWindow(main));

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(30s), 0u);
}

TEST_F(Startup, ABrokenPlayerIniShowsTheErrorAndEndsAfterOk) {
  WriteBytes(dir.file(L"Player.ini"), "list=listdir.m3u\r\nvolume=5\r\n");
  desktop::Program p(Exe(), L"", dir.path().wstring());
  auto box = p.WaitForBox(20s);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, L"Error");
  std::wstring expected = L"Syntax error on line 2 in settings file,\r" + AppDir() + L"player.ini";
  // The box may show the line break as CR or as CR LF.
  std::wstring shown = box->text;
  std::erase(shown, L'\n');
  EXPECT_EQ(shown, expected);
  EXPECT_FALSE(p.WaitForExit(300ms)) << "ended before the box was answered";
  desktop::Answer(*box, IDOK);
  EXPECT_EQ(p.WaitForExit(20s), 0u);
}

TEST_F(Startup, NoPlayerIniAndNoListEndTheProgram) {
  {
    desktop::Program p(Exe(), L"", dir.path().wstring());
    auto box = p.WaitForBox(20s);
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find(AppDir() + L"player.ini"), std::wstring::npos);
    desktop::Answer(*box, IDOK);
    EXPECT_EQ(p.WaitForExit(20s), 0u);
  }
  WriteBytes(dir.file(L"Player.ini"), "list=nothere.m3u\r\n");
  desktop::Program p(Exe(), L"", dir.path().wstring());
  auto box = p.WaitForBox(20s);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"Can not find any of song lists specified in Player.ini.");
  desktop::Answer(*box, IDOK);
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
    desktop::Program p(Exe(), L"Cd", dir.path().wstring());
    EXPECT_EQ(p.WaitForExit(20s), 0u);
    EXPECT_TRUE(p.TopLevelWindows().empty());
  }
  desktop::Program p(Exe(), L"", dir.path().wstring());
  auto box = p.WaitForBox(20s);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, L"Warning");
  EXPECT_NE(box->text.find(L"contains 1 songs with illegal characters"), std::wstring::npos);
  desktop::Answer(*box, IDOK);
  // The warning does not stop the start: the window follows.
  HWND main = p.WaitForMainWindow(30s);
  ASSERT_TRUE(main);
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitForExit(30s), 0u);
}

// Start-up files as they come from elsewhere: lines of any length, control
// characters, files cut short. Whatever they hold, the program shows a
// message or its window and ends with exit code 0.
struct StartFiles {
  std::string what, ini, list;
};

std::vector<StartFiles> MutatedStartFiles() {
  const std::string ini = "; demo\r\nlistdir=.\r\nlist=mine.m3u : Mine\r\n";
  const std::string list = "c:\\rec\\one.mp3\r\nsub\\two.mp3\r\n\\\\server\\share\\three.mp3\r\n";
  std::vector<StartFiles> cases = {
      {"5,000 N, no line end", "list=mine.m3u\r\n", std::string(5000, 'N')},
      {"28,073 X, no line end", "list=mine.m3u\r\n", std::string(28073, 'X')},
  };
  std::mt19937 rng(20261209);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n)(rng); };
  for (int i = 0; i < 6; ++i) {
    StartFiles c{"", ini, list};
    std::string& target = i % 3 == 2 ? c.ini : c.list;
    const char* name = i % 3 == 2 ? "ini" : "list";
    switch (i % 4) {
      case 0: {  // a long line, of a letter or of any byte
        const size_t n = 1000 + pick(40000);
        std::string run(n, static_cast<char>('A' + pick(25)));
        if (i % 2) std::generate(run.begin(), run.end(), [&] { return static_cast<char>(1 + pick(254)); });
        target.insert(pick(target.size()), run);
        c.what = std::string(name) + ": a line of " + std::to_string(n);
        break;
      }
      case 1:  // control characters among the text
        for (int k = 0; k < 8; ++k) target.insert(pick(target.size()), 1, static_cast<char>(pick(31)));
        c.what = std::string(name) + ": control characters";
        break;
      case 2:  // cut short
        target.resize(pick(target.size() - 1));
        c.what = std::string(name) + ": cut to " + std::to_string(target.size());
        break;
      case 3:  // a long line with control characters in it, then cut
        target.insert(pick(target.size()), std::string(3000 + pick(9000), '\\') + '\x1A');
        target.resize(pick(target.size()));
        c.what = std::string(name) + ": backslashes and Ctrl-Z, cut to " + std::to_string(target.size());
        break;
    }
    cases.push_back(std::move(c));
  }
  return cases;
}

TEST_F(Startup, StartFilesOfAnyShapeEndInAMessageOrTheWindowAndCodeZero) {
  for (const StartFiles& c : MutatedStartFiles()) {
    SCOPED_TRACE(c.what);
    WriteBytes(dir.file(L"Player.ini"), c.ini);
    WriteBytes(dir.file(L"mine.m3u"), c.list);
    desktop::Program p(Exe(), L"", dir.path().wstring());
    ASSERT_TRUE(p.started());
    const auto course = p.RunToEnd(60s);
    EXPECT_TRUE(course.windowShown || !course.boxes.empty());
    EXPECT_EQ(course.exitCode, 0u);
  }
}

}  // namespace
