#include "WindowFixture.h"

#include <filesystem>
#include <thread>

#include "base/Text.h"
#include "lists/KestrelLists.h"
#include "core/globals.h"
#include "player/AudioDevices.h"
#include "settings/KestrelLayouts.h"
#include "settings/KestrelSettings.h"

namespace testing_support {
namespace {

class PlayerModule : public ::testing::Environment {
public:
  void SetUp() override { InitPlayerModule(); }
  void TearDown() override { DonePlayerModule(); }
};
[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new PlayerModule);

}  // namespace

void WindowTest::SetUp() {
  registry.SetDocumentsFolder(docs.path().wstring());

  kestrel::Settings = kestrel::TSettings{};
  kestrel::Settings.EnableTime3 = false;  // no waiting unless a test asks for it
  kestrel::Layouts.clear();
  kestrel::LayoutIndex = -1;
  kestrel::AppDir = home.dir();
  kestrel::SongDir.clear();
  kestrel::ListDir.clear();
  kestrel::Lists = {{home.file(L"listdir.m3u"), L"listdir.m3u", home.dir()}};
  kestrel::ListIndex = 0;
  kestrel::FirstListPath = kestrel::Lists[0].Path;
  kestrel::CurrentList = kestrel::ArtistTable{};
  kestrel::CurrentList.Grouped = kestrel::CurrentList.Sorted = true;
  kestrel::CurrentArtist = kestrel::CurrentSong = -1;
  WriteBytes(kestrel::Lists[0].Path, "");
  kestrel::SetResumePositionsFile(home.file(L"positions.txt"));
}

void WindowTest::TearDown() {
  window.reset();
  Pump(std::chrono::milliseconds(0));
  kestrel::SetResumePositionsFile({});
}

void WindowTest::UseList(const std::vector<std::wstring>& paths) {
  std::wstring content;
  for (const auto& p : paths) content += p + L"\r\n";
  WriteBytes(kestrel::Lists[0].Path, text::ToAnsi(content));
  kestrel::LoadList(kestrel::CurrentList, kestrel::CurrentList.Grouped, kestrel::CurrentList.Sorted, 0,
                    kestrel::Settings.RandomTimes);
}

std::wstring WindowTest::Recording(const ScratchDir& dir, const std::wstring& name, const wchar_t* fixture) {
  std::wstring path = dir.file(name);
  std::filesystem::copy_file(FixturePath(fixture), path, std::filesystem::copy_options::overwrite_existing);
  return path;
}

void WindowTest::MakeWindow(const std::function<void()>& afterShown) {
  window = std::make_unique<app::TfrmVocorder>();
  ASSERT_TRUE(window->Create(::GetModuleHandleW(nullptr), afterShown));
  // The first recording and the recording window come from the loop.
  ASSERT_TRUE(PumpUntil([&] { return window->Actions().FRecMpeg() != nullptr; }));
  Pump(std::chrono::milliseconds(50));
}

void WindowTest::Click(int id) {
  ::SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window->Control(id)));
  Pump();  // what the click posted, as the loop runs it after a click
}

std::wstring WindowTest::Text(int id) { return app::WindowText(window->Control(id)); }

std::vector<std::wstring> WindowTest::Items(int comboId) {
  HWND combo = window->Control(comboId);
  std::vector<std::wstring> items;
  int n = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t buf[512];
    ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
    items.emplace_back(buf);
  }
  return items;
}

int WindowTest::Selected(int comboId) {
  return static_cast<int>(::SendMessageW(window->Control(comboId), CB_GETCURSEL, 0, 0));
}

}  // namespace testing_support
