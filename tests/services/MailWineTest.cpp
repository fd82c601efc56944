// The mail component against Wine's own mapi32: the registry check passes,
// the library binds, and a send goes through to the desktop's composer (a
// stand-in xdg-email that records its arguments).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestSupport.h"
#include "services/Email.h"
#include "services/Mapi.h"

using namespace services;

namespace {

std::wstring ComposerLog() { return testing_support::UnixPathFromEnvironment(L"VOCORDER_XDG_LOG"); }

}  // namespace

TEST(WineMapi, SendingWithTheComposeWindowReachesTheDesktopComposer) {
  const std::wstring log = ComposerLog();
  ASSERT_FALSE(log.empty());
  ::DeleteFileW(log.c_str());

  ASSERT_TRUE(MapiInstalled());
  InitMapi();
  ASSERT_TRUE(MapiAvailable());
  // The system's library, not a double from beside some other test.
  EXPECT_EQ(::GetProcAddress(::GetModuleHandleW(L"mapi32.dll"), "MapiDoubleState"), nullptr);

  testing_support::ScratchDir dir(L"winemail");
  std::wstring file = dir.file(L"zaznam.mp3");
  testing_support::WriteBytes(file, "RIFF");
  {
    TEmail mail;
    std::vector<int> errors;
    mail.OnMapiError = [&](TEmail&, int code) { errors.push_back(code); };
    mail.Attachment().push_back(file);
    EXPECT_EQ(mail.SendMail(), 0u);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(mail.Session(), 0u);
  }
  // The composer is started, not waited for.
  std::string called;
  for (int i = 0; i < 100 && called.empty(); ++i) {
    if (testing_support::FileExists(log)) called = testing_support::ReadBytes(log);
    if (called.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_NE(called.find("mailto:"), std::string::npos) << called;
  DoneMapi();
  EXPECT_FALSE(MapiAvailable());
}
