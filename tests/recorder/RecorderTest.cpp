// The recording window under Xvfb, recording from Wine's wave input (fed
// with the spoken fixture) through our MPEG Layer-3 encoder.
#include "RecorderDriver.h"

#include "../player/PlayerTestSupport.h"
#include "../wave/WaveTestSupport.h"
#include "support/Desktop.h"
#include "support/Environments.h"
#include "core/globals.h"
#include "lists/ListFile.h"
#include "player/TPlayer.h"
#include "support/InputSeam.h"
#include "recorder/RecPaths.h"
#include "recorder/RecTexts.h"
#include "support/MessageSeam.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace recorder_test;
using testing_support::FileExists;
using testing_support::ReadBytes;
using testing_support::ScratchDir;

namespace {

[[maybe_unused]] testing::Environment* const mp3 =
    testing::AddGlobalTestEnvironment(new testing_support::Mp3EncoderEnvironment);

// A current list file whose first recording lies in the scratch folder.
struct ListFixture {
  ListFixture() {
    first = dir.file(L"first.mp3");
    list = dir.file(L"list.m3u");
    testing_support::WriteBytes(list, "");
    std::string line;
    for (wchar_t c : first) line += static_cast<char>(c);
    testing_support::WriteBytes(list, line + "\r\n");
    kestrel::Lists = {kestrel::list{list, L"list", dir.dir()}};
    kestrel::ListIndex = 0;
  }
  ~ListFixture() {
    kestrel::Lists.clear();
    // A dictation left unsaved would be offered to the next program start.
    ::DeleteFileW(recorder::TemporaryRecordingName().c_str());
  }
  ScratchDir dir;
  std::wstring first, list;
};

// Answers the input box in turn (the last answer again and again) and
// remembers what it asked.
struct InputSeam {
  explicit InputSeam(std::optional<std::wstring> a) : answers{std::move(a)} {}
  explicit InputSeam(std::vector<std::optional<std::wstring>> a) : answers(std::move(a)) {}
  std::vector<std::optional<std::wstring>> answers;
  std::function<void()> onAsk;
  std::wstring caption, prompt, value;
  int asked = 0;
  testing_support::InputSeam seam{[this](HWND, std::wstring_view c, std::wstring_view p, std::wstring_view v) {
    caption = c;
    prompt = p;
    value = v;
    if (onAsk) onAsk();
    return answers[std::min<size_t>(asked++, answers.size() - 1)];
  }};
};

// The capture holds stretches of the speech between silence (Wine's
// unpaced file device drops reads): the liveliest half second tells sound
// from the silence that an empty recording decodes to.
double LoudestSpread(const std::string& pcm) {
  double best = 0;
  for (size_t at = 0; at + 5512 <= pcm.size(); at += 2756) best = std::max(best, wave_test::Spread(pcm.substr(at, 5512)));
  return best;
}

int SecondsShown(TFRecMpeg& rec) { return _wtoi(TextOf(rec, TFRecMpeg::idLabel4).c_str()); }

// Štart, then wait until the timer has counted `seconds`.
void StartAndRecord(TFRecMpeg& rec, int seconds) {
  Click(rec, TFRecMpeg::idBitBtn1);
  EXPECT_FALSE(Enabled(rec, TFRecMpeg::idBitBtn1));
  EXPECT_TRUE(Enabled(rec, TFRecMpeg::idButton1));
  EXPECT_TRUE(Enabled(rec, TFRecMpeg::idStop));
  EXPECT_FALSE(Checked(rec, TFRecMpeg::idStop));
  EXPECT_TRUE(WaitUntil([&] { return SecondsShown(rec) >= seconds; }, 1500u * seconds + 2000));
}

}  // namespace

TEST(RecPaths, FolderTargetAndClockRules) {
  EXPECT_EQ(recorder::RecordingsFolder({L"d:\\rec\\a.mp3", L"e:\\b.mp3"}, L"x", L"y"), L"d:\\rec\\");
  EXPECT_EQ(recorder::RecordingsFolder({}, L"c:\\stored", L"c:\\docs"), L"c:\\stored");
  EXPECT_EQ(recorder::RecordingsFolder({}, L"", L"c:\\docs"), L"c:\\docs");
  EXPECT_EQ(recorder::TargetName(L"c:\\rec", L"zaznam.1"), L"c:\\rec\\zaznam.mp3");
  EXPECT_EQ(recorder::TargetName(L"c:\\rec\\", L"list"), L"c:\\rec\\list.mp3");
  EXPECT_EQ(recorder::TargetName(L"c:\\rec\\", L"a.wav"), L"c:\\rec\\a.mp3");
  // A first line without a full folder would save into the current folder
  // or the root of the current drive.
  for (const wchar_t* relative : {L"a.mp3", L"\\a.mp3", L"c:a.mp3", L"sub\\a.mp3"})
    EXPECT_EQ(recorder::RecordingsFolder({relative}, L"c:\\stored", L"c:\\docs"), L"c:\\stored") << relative;
  // Names Windows does not take as file names of their own.
  for (const wchar_t* bad : {L"10:30 porada", L"a/b", L"a\\b", L"co?", L"\"x\"", L"a<b", L"a|b", L"tab\t", L"CON",
                             L"nul.txt", L"Com1 ", L"lpt9.x.y", L"aux", L" . "})
    EXPECT_FALSE(recorder::IsUsableName(bad)) << bad;
  for (const wchar_t* good : {L"porada 10.30", L"console", L"com10", L"Štefan – návrh", L"con tract"})
    EXPECT_TRUE(recorder::IsUsableName(good)) << good;
  // Not in the temporary folder that clean-up tools and log-off empty.
  const std::wstring temp = recorder::TemporaryRecordingName();
  EXPECT_EQ(temp.substr(temp.size() - 25), L"\\Vocorder\\mpegrec_tmp.mp3");
  EXPECT_NE(temp, recorder::FormerTemporaryRecordingName());
  EXPECT_EQ(recorder::AsideName(L"c:\\v\\mpegrec_tmp.mp3", {2024, 5, 3, 1, 7, 8, 9, 0}),
            L"c:\\v\\mpegrec_tmp unreadable 2024-05-01 07-08-09.mp3");

  recorder::TRecClock clock;
  for (int i = 0; i < 61; ++i) clock.Tick();
  EXPECT_EQ(clock.Minutes, 1);
  EXPECT_EQ(clock.Seconds, 1);
  EXPECT_EQ(clock.Bar, 0) << "the bar is reset when it stands at its maximum";
  clock.Tick();
  EXPECT_EQ(clock.Bar, 1);
}

TEST(RecordingWindow, RecordsPausesSavesIntoTheFolderAndTheListAndThePlayerPlaysIt) {
  ListFixture lists;
  InputSeam input(std::wstring(L"zaznam.1"));
  testing_support::MessageSeam boxes;
  player_test::NotifyLog owner;
  TFRecMpeg rec(owner.window());
  int abouts = 0;
  rec.OnAbout = [&](HWND o, int top, int) {
    EXPECT_EQ(o, rec.Handle());
    RECT r;
    ::GetWindowRect(rec.Handle(), &r);
    EXPECT_EQ(top, r.top);
    ++abouts;
  };

  EXPECT_TRUE(::GetWindowLongW(rec.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  RunShown(rec, [&] {
    EXPECT_FALSE(::IsWindowEnabled(owner.window())) << "modal";
    // Nothing cut off by the window's edge.
    RECT client;
    ::GetClientRect(rec.Handle(), &client);
    for (HWND c = ::GetWindow(rec.Handle(), GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
      const RECT r = desktop::RectIn(c, rec.Handle());
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
          << "control " << ::GetDlgCtrlID(c) << " lies outside the window";
    }
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idStop));
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idButton1));
    Click(rec, TFRecMpeg::idSpeedButton2);
    EXPECT_EQ(abouts, 1);

    StartAndRecord(rec, 2);
    EXPECT_GE(BarPosition(rec), 2);

    // Paused: the timer is off, so a tick that arrives counts nothing.
    Click(rec, TFRecMpeg::idStop);
    EXPECT_TRUE(Checked(rec, TFRecMpeg::idStop));
    const std::wstring pausedAt = TextOf(rec, TFRecMpeg::idLabel4);
    ::SendMessageW(rec.Handle(), WM_TIMER, 1, 0);
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel4), pausedAt);
    Click(rec, TFRecMpeg::idStop);
    EXPECT_FALSE(Checked(rec, TFRecMpeg::idStop));
    const int resumed = SecondsShown(rec);
    EXPECT_TRUE(WaitUntil([&] { return SecondsShown(rec) >= resumed + 1; }, 3000));

    // Sixty-one ticks later the labels show one minute and one more second.
    const int before = SecondsShown(rec);
    for (int i = 0; i < 61; ++i) ::SendMessageW(rec.Handle(), WM_TIMER, 1, 0);
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel2), L"1");
    EXPECT_GE(SecondsShown(rec), (before + 1) % 60);

    Click(rec, TFRecMpeg::idButton1);
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel2), L"0");
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel4), L"0");
    EXPECT_EQ(BarPosition(rec), 0);
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idBitBtn1));
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idButton1));
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idStop));
  });
  EXPECT_FALSE(::IsWindowVisible(rec.Handle()));
  EXPECT_TRUE(::IsWindowEnabled(owner.window()));
  EXPECT_TRUE(boxes.boxes.empty());

  EXPECT_EQ(input.asked, 1);
  EXPECT_EQ(input.caption, L"Zvukový záznam");
  EXPECT_EQ(input.prompt, L"Uveďte názov");
  EXPECT_EQ(input.value, L"");
  const std::wstring saved = lists.dir.file(L"zaznam.mp3");
  ASSERT_TRUE(FileExists(saved));
  auto lines = kestrel::ReadListFile(lists.list);
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, (std::vector<std::wstring>{lists.first, saved}));

  const std::string bytes = ReadBytes(saved);
  wave_test::RiffLayout layout = wave_test::ParseRiff(bytes);
  ASSERT_TRUE(layout.valid);
  const wave_test::RiffChunk* fmt = layout.Find("fmt ");
  const wave_test::RiffChunk* data = layout.Find("data");
  ASSERT_TRUE(fmt && data);
  EXPECT_EQ(static_cast<unsigned char>(bytes[fmt->offset]), WAVE_FORMAT_MPEGLAYER3);
  EXPECT_EQ(layout.Find("fact"), nullptr);
  EXPECT_EQ(data->size % 2, 0u);
  EXPECT_EQ(data->offset + data->size, bytes.size());

  TPlayer player(owner.window());
  player.Open(saved);
  EXPECT_GT(player.Duration(), 15'000'000) << "longer than 1.5 s";
}

TEST(RecordingWindow, StartOverAnUnsavedDictationAsksAndTruncatesNothingUnlessTold) {
  ListFixture lists;
  InputSeam input({std::nullopt, std::nullopt, std::wstring(L"prvy")});
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  size_t kept = 0;
  RunShown(rec, [&] {
    StartAndRecord(rec, 2);
    Click(rec, TFRecMpeg::idButton1);  // the name prompt cancelled
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idButton1)) << "the dictation can still be saved";
    kept = ReadBytes(rec.TemporaryFile()).size();
    // Cancel, then No with its name prompt cancelled: nothing starts.
    boxes.answers = {IDCANCEL, IDNO};
    Click(rec, TFRecMpeg::idBitBtn1);
    Click(rec, TFRecMpeg::idBitBtn1);
    EXPECT_EQ(ReadBytes(rec.TemporaryFile()).size(), kept);
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idBitBtn1)) << "recording started";
    // No with a name: saved first, then the new recording starts.
    boxes.answers = {IDNO};
    Click(rec, TFRecMpeg::idBitBtn1);
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idBitBtn1));
  });
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.last().text, recorder::texts::kAskBeforeStart);
  EXPECT_EQ(boxes.last().type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2)) << "Enter must not throw it away";
  EXPECT_EQ(ReadBytes(lists.dir.file(L"prvy.mp3")).size(), kept);
  EXPECT_EQ(kestrel::ReadListFile(lists.list)->size(), 2u);
}

TEST(RecordingWindow, UkoncitWhileRecordingEndsItAndTheTitleBarOnlyHides) {
  ListFixture lists;
  InputSeam input(std::wstring(L"after"));
  TFRecMpeg rec(nullptr);
  RunShown(rec, [&] {
    StartAndRecord(rec, 1);
    // The close button hides the window: the recording goes on.
    ::SendMessageW(rec.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_FALSE(Enabled(rec, TFRecMpeg::idBitBtn1));
  RunShown(rec, [&] {
    const int shown = SecondsShown(rec);
    EXPECT_GE(shown, 1) << "the counters ran on";
    Click(rec, TFRecMpeg::idBitBtn2);
  });
  // Opened again it is stopped, with the dictation in hand.
  RunShown(rec, [&] {
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idBitBtn1));
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idStop));
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idButton1));
    ::SendMessageW(rec.Handle(), WM_TIMER, 1, 0);
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel4), L"0") << "the counters run";
    Click(rec, TFRecMpeg::idButton1);
  });
  const std::wstring saved = lists.dir.file(L"after.mp3");
  ASSERT_TRUE(FileExists(saved));
  EXPECT_GT(LoudestSpread(wave_test::DecodePcm(saved)), 1.5) << "what was saved holds no sound";
}

TEST(RecordingWindow, AnUnreadableListFileStopsSavingWithTheFileError) {
  ListFixture lists;
  ::DeleteFileW(lists.list.c_str());
  InputSeam input(std::wstring(L"x"));
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  RunShown(rec, [&] {
    StartAndRecord(rec, 1);
    Click(rec, TFRecMpeg::idButton1);
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idBitBtn1)) << "recording goes on";
  });
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.last().text.find(L"Cannot open file \"" + lists.list + L"\"."), 0u) << boxes.last().text;
  EXPECT_EQ(input.asked, 0);
}

TEST(RecordingWindow, QuittingWithADictationInHandAsksAndSavesOrDiscardsIt) {
  ListFixture lists;
  InputSeam input(std::wstring(L"diktat"));
  testing_support::MessageSeam boxes;
  {
    TFRecMpeg rec(nullptr);
    EXPECT_TRUE(rec.CloseQuery()) << "nothing recorded, nothing asked";
    EXPECT_TRUE(boxes.boxes.empty());
    RunShown(rec, [&] {
      StartAndRecord(rec, 2);
      ::SendMessageW(rec.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // hides; the recording goes on
    });
    boxes.answers = {IDCANCEL};
    EXPECT_FALSE(rec.CloseQuery()) << "the close box of the question keeps the program open";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.last().text, recorder::texts::kAskSaveOnQuit);
    EXPECT_EQ(boxes.last().buttons(), static_cast<UINT>(MB_YESNOCANCEL));
    EXPECT_TRUE(rec.HasUnsaved());
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idButton1)) << "still to be saved";
    boxes.answers = {IDYES};
    EXPECT_TRUE(rec.CloseQuery());
    EXPECT_EQ(input.asked, 1);
    EXPECT_FALSE(FileExists(rec.TemporaryFile()));
  }
  const std::wstring saved = lists.dir.file(L"diktat.mp3");
  ASSERT_TRUE(FileExists(saved));
  EXPECT_EQ(*kestrel::ReadListFile(lists.list), (std::vector<std::wstring>{lists.first, saved}));
  const std::string pcm = wave_test::DecodePcm(saved);
  EXPECT_GT(pcm.size(), 11025u * 3 / 2);
  EXPECT_GT(LoudestSpread(pcm), 1.5) << "what was saved holds no sound";

  // No: nothing is saved and the temporary file is gone.
  TFRecMpeg rec(nullptr);
  RunShown(rec, [&] {
    StartAndRecord(rec, 1);
    Click(rec, TFRecMpeg::idStop);  // paused counts as in hand too
    ::SendMessageW(rec.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  boxes.answers = {IDNO};
  EXPECT_TRUE(rec.CloseQuery());
  EXPECT_EQ(input.asked, 1);
  EXPECT_FALSE(FileExists(rec.TemporaryFile()));
  EXPECT_EQ(kestrel::ReadListFile(lists.list)->size(), 2u);
}

TEST(RecordingWindow, DestroyedWhileRecordingKeepsACompleteDictationThatTheNextStartOffers) {
  ListFixture lists;
  InputSeam input(std::wstring(L"nachodny"));
  testing_support::MessageSeam boxes;
  const std::wstring temp = recorder::TemporaryRecordingName();
  {
    TFRecMpeg rec(nullptr);
    RunShown(rec, [&] {
      StartAndRecord(rec, 1);
      ::SendMessageW(rec.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
  }  // destroyed while its input still delivers buffers
  const std::string bytes = ReadBytes(temp);
  wave_test::RiffLayout layout = wave_test::ParseRiff(bytes);
  ASSERT_TRUE(layout.valid);
  ASSERT_TRUE(layout.Find("data"));
  EXPECT_EQ(layout.Find("data")->offset + layout.Find("data")->size, bytes.size());

  {
    TFRecMpeg rec(nullptr);
    boxes.answers = {IDYES};
    EXPECT_TRUE(rec.OfferLeftover());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.last().text, recorder::texts::kAskSaveLeftover);
    EXPECT_EQ(boxes.last().buttons(), static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(input.asked, 1);
    EXPECT_TRUE(FileExists(lists.dir.file(L"nachodny.mp3")));
    EXPECT_FALSE(FileExists(temp));
  }
  // One at the place earlier versions used is offered too.
  const std::wstring former = recorder::FormerTemporaryRecordingName();
  ASSERT_TRUE(::CopyFileW(lists.dir.file(L"nachodny.mp3").c_str(), former.c_str(), FALSE));
  boxes.answers = {IDNO};
  EXPECT_FALSE(TFRecMpeg(nullptr).OfferLeftover());
  EXPECT_EQ(boxes.last().text, recorder::texts::kAskSaveLeftover);
  EXPECT_FALSE(FileExists(former));
  // One that cannot be read is kept aside for the user, and said so.
  testing_support::WriteBytes(temp, "RIFF");
  TFRecMpeg rec(nullptr);
  EXPECT_FALSE(rec.OfferLeftover());
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_FALSE(FileExists(temp));
  const std::wstring aside = boxes.last().text.substr(boxes.last().text.find(L" ako ") + 5);
  EXPECT_EQ(ReadBytes(aside), "RIFF");
  ::DeleteFileW(aside.c_str());
}

TEST(RecordingWindow, AFailingWriteStopsTheRecordingSaysSoAndKeepsWhatWasWritten) {
  ListFixture lists;
  InputSeam input(std::wstring(L"plny"));
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  static constexpr int32_t kLimit = 6000;  // about 3 s of 16 kbit/s data
  rec.Output().OpenTarget = [](const std::wstring& name) { return std::make_unique<wave_test::FullFile>(name, kLimit); };
  RunShown(rec, [&] {
    Click(rec, TFRecMpeg::idBitBtn1);
    EXPECT_TRUE(WaitUntil([&] { return !Enabled(rec, TFRecMpeg::idStop); }, 15000)) << "the recording did not stop";
    const std::wstring shown = TextOf(rec, TFRecMpeg::idLabel4);
    ::Sleep(1300);
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel4), shown) << "the counters run on";
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idBitBtn1));
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idButton1));
  });
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.last().text, recorder::texts::kWriteFailed);
  EXPECT_EQ(boxes.last().icon(), static_cast<UINT>(MB_ICONSTOP));

  const std::string bytes = ReadBytes(rec.TemporaryFile());
  EXPECT_LE(bytes.size(), static_cast<size_t>(kLimit));
  wave_test::RiffLayout layout = wave_test::ParseRiff(bytes);
  ASSERT_TRUE(layout.valid);
  ASSERT_TRUE(layout.Find("data"));
  EXPECT_EQ(layout.Find("data")->offset + layout.Find("data")->size, bytes.size());
  const std::string pcm = wave_test::DecodePcm(rec.TemporaryFile());
  EXPECT_GT(pcm.size(), 11025u * 2) << "it plays up to where the writes stopped";
  EXPECT_GT(LoudestSpread(pcm), 1.5);

  rec.Output().OpenTarget = nullptr;
  RunShown(rec, [&] { Click(rec, TFRecMpeg::idButton1); });
  EXPECT_TRUE(FileExists(lists.dir.file(L"plny.mp3"))) << "what was written can still be saved";
}

TEST(RecordingWindow, QuickPausesKeepRecordingAndNoButtonActsWhileASaveIsUnderWay) {
  ListFixture lists;
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  size_t before = 0, after = 0;
  auto old = win::SetInputPresenter([&](HWND, auto, auto, auto) {
    before = ReadBytes(rec.TemporaryFile()).size();
    // "Štart" while the dictation is being saved would truncate it.
    ::SendMessageW(rec.Handle(), WM_COMMAND, MAKEWPARAM(TFRecMpeg::idBitBtn1, BN_CLICKED), 0);
    after = ReadBytes(rec.TemporaryFile()).size();
    return std::optional<std::wstring>(L"pocas");
  });
  RunShown(rec, [&] {
    StartAndRecord(rec, 1);
    // Pause and resume within a buffer's time, again and again: each
    // buffer is queued again only once the device has returned it.
    for (int i = 0; i < 10; ++i) {
      Click(rec, TFRecMpeg::idStop);
      Click(rec, TFRecMpeg::idStop);
    }
    const uint64_t recorded = rec.RecordedBytes();
    EXPECT_TRUE(WaitUntil([&] { return rec.RecordedBytes() > recorded + 4096; }, 3000)) << "recording stalled";
    Click(rec, TFRecMpeg::idButton1);
  });
  win::SetInputPresenter(std::move(old));
  EXPECT_GT(before, 1000u);
  EXPECT_EQ(after, before) << "a button acted during the save";
  const std::wstring saved = lists.dir.file(L"pocas.mp3");
  ASSERT_TRUE(FileExists(saved));
  EXPECT_EQ(ReadBytes(saved).size(), before);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST(RecordingWindow, ATakenNameIsAskedAboutAndOnlyACompleteCopyCountsAsSaved) {
  ListFixture lists;
  testing_support::WriteBytes(lists.first, "the older recording");
  InputSeam input(std::wstring(L"first"));
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  // The older recording is in use: the copy over it fails.
  win::File busy(::CreateFileW(lists.first.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(busy);
  boxes.answers = {IDNO, IDYES};
  RunShown(rec, [&] {
    StartAndRecord(rec, 2);
    Click(rec, TFRecMpeg::idButton1);
  });
  EXPECT_EQ(input.asked, 2) << "No to replacing asks for another name";
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.boxes[0].text, recorder::texts::AskReplace(lists.first));
  EXPECT_EQ(boxes.last().text, recorder::texts::CopyFailed(lists.first));
  EXPECT_TRUE(rec.HasUnsaved());
  const std::string dictation = ReadBytes(rec.TemporaryFile());

  // Replaced once it is free; the list keeps its one line for it.
  busy.reset();
  boxes.answers = {IDYES};
  RunShown(rec, [&] { Click(rec, TFRecMpeg::idButton1); });
  EXPECT_FALSE(rec.HasUnsaved());
  EXPECT_EQ(ReadBytes(lists.first), dictation);
  EXPECT_FALSE(FileExists(rec.TemporaryFile()));
  EXPECT_EQ(*kestrel::ReadListFile(lists.list), std::vector<std::wstring>{lists.first});
}

TEST(RecordingWindow, ANameWindowsForbidsIsRefusedAndAskedForAgain) {
  ListFixture lists;
  InputSeam input({std::wstring(L"10:30 porada"), std::wstring(L"con.1"), std::wstring(L"porada")});
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  RunShown(rec, [&] {
    StartAndRecord(rec, 1);
    Click(rec, TFRecMpeg::idButton1);
  });
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, recorder::texts::UnusableName(L"10:30 porada"));
  EXPECT_EQ(input.value, L"con.1") << "the prompt comes again with what was typed";
  EXPECT_TRUE(FileExists(lists.dir.file(L"porada.mp3")));
  EXPECT_FALSE(FileExists(lists.dir.file(L"10"))) << "a file with a stream of the name's rest";
}

TEST(RecordingWindow, ATemporaryFileThatCannotBeMadeIsSaidSo) {
  ListFixture lists;
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  ASSERT_TRUE(::CreateDirectoryW(rec.TemporaryFile().c_str(), nullptr));
  RunShown(rec, [&] { Click(rec, TFRecMpeg::idBitBtn1); });
  ::RemoveDirectoryW(rec.TemporaryFile().c_str());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.last().text.find(L"Nahrávať sa nedá: dočasný súbor " + rec.TemporaryFile()), 0u) << boxes.last().text;
}

namespace {

int closes = 0;  // close requests to the owner below
LRESULT CALLBACK CountCloses(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return msg == WM_CLOSE ? ++closes, 0 : ::DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

TEST(RecordingWindow, QuittingWithTheNamePromptUpCancelsItAndAsksAgainOnceItIsGone) {
  ListFixture lists;
  WNDCLASSW wc{0, CountCloses, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"RecorderTestOwner"};
  ::RegisterClassW(&wc);
  win::Window owner(::CreateWindowW(wc.lpszClassName, L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
  InputSeam input(std::wstring(L"never"));
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(owner.get());
  // The program is closing while the prompt is up: the close reaches the
  // window from inside the prompt's loop.
  bool refused = false;
  input.onAsk = [&] { refused = !rec.CloseQuery(); };
  RunShown(rec, [&] {
    StartAndRecord(rec, 1);
    Click(rec, TFRecMpeg::idButton1);
  });
  EXPECT_TRUE(refused);
  EXPECT_TRUE(rec.HasUnsaved()) << "the answer of a cancelled prompt was taken";
  EXPECT_TRUE(testing_support::PumpUntil([] { return closes == 1; }, 5000)) << "the close was dropped";
  // Asked again, the dictation question comes first.
  input.onAsk = nullptr;
  boxes.answers = {IDNO};
  EXPECT_TRUE(rec.CloseQuery());
  EXPECT_EQ(boxes.last().text, recorder::texts::kAskSaveOnQuit);
  EXPECT_FALSE(FileExists(rec.TemporaryFile()));
}
