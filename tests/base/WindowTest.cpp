// The window base keeps every failure of a handler inside the window
// procedure: the window reports it, and a failing WM_CREATE leaves no window.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "base/Window.h"

namespace {

constexpr wchar_t kClass[] = L"VocorderWindowBaseTest";
constexpr UINT kThrowStd = WM_APP + 1;
constexpr UINT kThrowOther = WM_APP + 2;

class TThrowing : public win::TWindow {
public:
  explicit TThrowing(bool failCreate) : failCreate_(failCreate) {
    WNDCLASSEXW wc{sizeof wc};
    wc.lpszClassName = kClass;
    RegisterWindowClass(wc);
  }
  bool Make() { return CreateBound(0, kClass, L"base test", WS_POPUP, 0, 0, 50, 50, nullptr) != nullptr; }

  std::vector<std::string> reported;

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CREATE:
        if (failCreate_) throw std::runtime_error("no controls");
        return 0;
      case kThrowStd:
        throw std::runtime_error("handler failed");
      case kThrowOther:
        throw 42;
    }
    return TWindow::HandleMessage(msg, wp, lp);
  }
  void ReportFailure(const std::exception& e) override { reported.push_back(e.what()); }

  bool failCreate_;
};

}  // namespace

TEST(WindowBase, AHandlerThatThrowsIsReportedAndTheWindowGoesOn) {
  TThrowing w(false);
  ASSERT_TRUE(w.Make());
  EXPECT_EQ(::SendMessageW(w.Handle(), kThrowStd, 0, 0), 0);
  EXPECT_EQ(::SendMessageW(w.Handle(), kThrowOther, 0, 0), 0);
  ASSERT_EQ(w.reported.size(), 2u);
  EXPECT_EQ(w.reported[0], "handler failed");
  EXPECT_TRUE(::IsWindow(w.Handle()));
  // The font messages are answered for every window of the base.
  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  ::SendMessageW(w.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(w.Handle(), WM_GETFONT, 0, 0)), font);
}

TEST(WindowBase, AFailingCreateMakesCreationFailAndLeavesNoWindow) {
  TThrowing w(true);
  EXPECT_FALSE(w.Make());
  EXPECT_EQ(w.Handle(), nullptr);
  EXPECT_EQ(::FindWindowW(kClass, nullptr), nullptr);
  EXPECT_EQ(w.reported, std::vector<std::string>{"no controls"});
}
