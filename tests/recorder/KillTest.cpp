// A recording process killed in the middle: the temporary file plays up to
// a few seconds before the end, and the next start offers it. The test runs
// this executable a second time as the recording child.
#include "RecorderDriver.h"

#include "../player/PlayerTestSupport.h"
#include "../wave/WaveTestSupport.h"
#include "player/TPlayer.h"
#include "recorder/RecPaths.h"
#include "recorder/RecTexts.h"
#include "support/MessageSeam.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace recorder_test;

namespace {

constexpr wchar_t kReportVariable[] = L"VOCORDER_KILL_REPORT";

std::wstring Report() {
  wchar_t buf[MAX_PATH] = {};
  return ::GetEnvironmentVariableW(kReportVariable, buf, MAX_PATH) ? buf : L"";
}

uint64_t ReadReport(const std::wstring& file) {
  return std::strtoull(testing_support::ReadBytes(file).c_str(), nullptr, 10);
}

}  // namespace

// The child: records until it is killed, writing down how many bytes it has
// handed to the writer.
TEST(Killed, RecordingChild) {
  const std::wstring report = Report();
  if (report.empty()) GTEST_SKIP() << "only as the child of the test below";
  TFRecMpeg rec(nullptr);
  rec.BitBtn1Click();
  for (;;) {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);
    const std::wstring part = report + L".part";
    testing_support::WriteBytes(
        part, std::to_string(rec.RecordedBytes()) + " " + std::to_string(reinterpret_cast<uintptr_t>(rec.Handle())));
    ::MoveFileExW(part.c_str(), report.c_str(), MOVEFILE_REPLACE_EXISTING);
    ::Sleep(50);
  }
}

// The recording child started from this executable; its window once it
// records (the report's second number).
struct Child {
  explicit Child(const std::wstring& report) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=Killed.RecordingChild";
    ::SetEnvironmentVariableW(kReportVariable, report.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(kReportVariable, nullptr);
    if (started && WaitUntil([&] { return ReadReport(report) > 0; }, 20000)) {
      const std::string text = testing_support::ReadBytes(report);
      window = reinterpret_cast<HWND>(std::strtoull(text.c_str() + text.find(' '), nullptr, 10));
    }
  }
  ~Child() {
    ::TerminateProcess(pi.hProcess, 1);
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  PROCESS_INFORMATION pi{};
  HWND window = nullptr;
};

TEST(Killed, AKilledRecordingPlaysToNearItsEndAndTheNextStartOffersIt) {
  if (!Report().empty()) GTEST_SKIP();
  testing_support::ScratchDir dir;
  const std::wstring report = dir.file(L"recorded.txt");
  const std::wstring temp = recorder::TemporaryRecordingName();
  ::DeleteFileW(temp.c_str());
  uint64_t recorded = 0;
  {
    Child child(report);
    ASSERT_TRUE(child.window) << "the child never recorded";
    ::Sleep(20000);
    recorded = ReadReport(report);
  }
  const std::string bytes = testing_support::ReadBytes(temp);
  wave_test::RiffLayout layout = wave_test::ParseRiff(bytes);
  ASSERT_TRUE(layout.valid) << "the temporary file is no RIFF WAVE file";
  const double recordedSeconds = recorded / 11025.0;
  const double decodedSeconds = wave_test::DecodePcm(temp).size() / 11025.0;
  EXPECT_GE(decodedSeconds, 15.0);
  EXPECT_GE(decodedSeconds, recordedSeconds - 5.0) << "recorded " << recordedSeconds << " s";
  {
    player_test::NotifyLog owner;
    TPlayer player(owner.window());
    player.Open(temp);
    EXPECT_GT(player.Duration(), 150'000'000) << "the player finds less than 15 s";
  }

  testing_support::MessageSeam boxes;
  boxes.answers = {IDNO};
  TFRecMpeg rec(nullptr);
  EXPECT_FALSE(rec.OfferLeftover());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.last().text, recorder::texts::kAskSaveLeftover);
  EXPECT_FALSE(testing_support::FileExists(temp)) << "discarded when the user says so";
}

TEST(Killed, LogOffWhileRecordingCompletesTheDictationWithoutAsking) {
  if (!Report().empty()) GTEST_SKIP();
  testing_support::ScratchDir dir;
  const std::wstring report = dir.file(L"recorded.txt");
  const std::wstring temp = recorder::TemporaryRecordingName();
  ::DeleteFileW(temp.c_str());
  uint64_t recorded = 0;
  {
    Child child(report);
    ASSERT_TRUE(child.window) << "the child never recorded";
    ASSERT_TRUE(WaitUntil([&] { return ReadReport(report) > 3 * 11025; }, 20000));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(child.window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer))
        << "held up, by a question perhaps";
    EXPECT_EQ(answer, TRUE);
    ASSERT_TRUE(::SendMessageTimeoutW(child.window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer));
    // The system ends the process after this; the last report follows.
    ULONGLONG since = ::GetTickCount64();
    EXPECT_TRUE(WaitUntil([&] {
      const uint64_t now = ReadReport(report);
      if (now != recorded) recorded = now, since = ::GetTickCount64();
      return ::GetTickCount64() - since > 300;
    })) << "the recording went on";
  }
  const double decodedSeconds = wave_test::DecodePcm(temp).size() / 11025.0;
  EXPECT_GE(decodedSeconds, recorded / 11025.0 - 0.2) << "what was still to be written was lost";
  ::DeleteFileW(temp.c_str());
}
