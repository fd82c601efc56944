// The real input box, on the dialog base, driven from the test's thread:
// Enter accepts what was typed, Esc cancels, and the box is made once.
#include <gtest/gtest.h>

#include "base/InputBox.h"
#include "support/DialogDriver.h"

using testing_support::DialogDriver;

namespace {

constexpr int kEdit = 100, kPrompt = 101;

std::optional<std::wstring> Ask(const DialogDriver::Script& script, HWND* shown = nullptr) {
  std::optional<std::wstring> answer;
  DialogDriver::Run([&] { answer = win::InputQuery(nullptr, L"Zvukový záznam", L"Uveďte názov", L"old"); },
                    [&](DialogDriver& d) {
                      if (shown) *shown = d.Window();
                      EXPECT_EQ(d.Caption(), L"Zvukový záznam");
                      EXPECT_EQ(d.Text(kPrompt), L"Uveďte názov");
                      EXPECT_EQ(d.Text(kEdit), L"old");
                      EXPECT_EQ(d.Focus(), d.Control(kEdit));
                      // Every control has the dialog's font.
                      HFONT font = reinterpret_cast<HFONT>(::SendMessageW(d.Window(), WM_GETFONT, 0, 0));
                      ASSERT_NE(font, nullptr);
                      for (int id : {kEdit, kPrompt, IDOK, IDCANCEL})
                        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(d.Control(id), WM_GETFONT, 0, 0)), font);
                      script(d);
                    });
  return answer;
}

}  // namespace

TEST(InputBox, EnterAcceptsTheTypedNameAndEscOrTheProgramsEndCancels) {
  HWND first = nullptr, second = nullptr;
  EXPECT_EQ(Ask(
                [](DialogDriver& d) {
                  d.SetText(kEdit, L"zaznam.1");
                  d.Key(VK_RETURN);
                },
                &first),
            std::optional<std::wstring>(L"zaznam.1"));
  EXPECT_FALSE(::IsWindowVisible(first));

  // Opened again: the same window, its old text replaced by the default.
  EXPECT_EQ(Ask(
                [](DialogDriver& d) {
                  d.SetText(kEdit, L"typed");
                  d.Key(VK_ESCAPE);
                },
                &second),
            std::nullopt);
  EXPECT_EQ(first, second);

  EXPECT_EQ(Ask([](DialogDriver& d) { d.Press(IDCANCEL); }), std::nullopt);
  EXPECT_EQ(Ask([](DialogDriver& d) { d.Press(IDOK); }), std::optional<std::wstring>(L"old"));
  // The program closing under it ends it as Cancel does, whatever was typed.
  EXPECT_EQ(Ask([](DialogDriver& d) {
              d.SetText(kEdit, L"typed");
              win::CancelInputQuery();
            }),
            std::nullopt);
}
