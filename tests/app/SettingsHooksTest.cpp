// The main window's ways into the settings dialog.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "WindowFixture.h"
#include "core/globals.h"
#include "settings/SettingsDialog.h"

using namespace testing_support;
using kestrel::TForm2;

namespace {

using SettingsHooks = WindowTest;

TEST_F(SettingsHooks, AFailedOpenAsksAndYesOpensTheDevicePage) {
  kestrel::Settings.PlaySelected = false;
  WriteBytes(recs.file(L"empty.mp3"), "");
  UseList({recs.file(L"empty.mp3")});
  MakeWindow();
  ASSERT_TRUE(kestrel::Settings.ErrPlaytime);
  DialogDriver::Run([&] { Click(app::idPlay); },
                    [&](DialogDriver& d) {
                      EXPECT_EQ(d.Caption(), L"Vocorder - nastavenia");
                      ASSERT_NE(window->Actions().Form2(), nullptr);
                      EXPECT_EQ(window->Actions().Form2()->ActivePage(), TForm2::kDevicePage);
                      EXPECT_TRUE(::IsWindowVisible(window->Actions().Form2()->Control(kestrel::form2::idDevices)));
                      d.Press(kestrel::form2::idCancel);
                    });
  ASSERT_EQ(seam.boxes.size(), 1u);
  const std::wstring& text = seam.last().text;
  EXPECT_EQ(text.rfind(L"Device reported the following error:\r", 0), 0u);
  EXPECT_NE(text.find(L"\r\rWould you like now to edit current device settings?"), std::wstring::npos);
  EXPECT_EQ(seam.last().buttons(), static_cast<UINT>(MB_YESNO));
}

TEST_F(SettingsHooks, TheSettingsButtonStopsPlaybackFirst) {
  kestrel::Settings.PlaySelected = false;
  UseList({Recording(recs, L"a.mp3")});
  MakeWindow();
  Click(app::idPlay);
  ASSERT_EQ(window->Player()->State(), PlayerState::Running);
  DialogDriver::Run([&] { Click(app::SpeedButton6); },
                    [&](DialogDriver& d) {
                      EXPECT_EQ(window->Player()->State(), PlayerState::Stopped);
                      d.Key(VK_ESCAPE);
                    });
  EXPECT_FALSE(::IsWindowVisible(window->Actions().Form2()->Handle()));
  EXPECT_TRUE(seam.boxes.empty());
}

}  // namespace
