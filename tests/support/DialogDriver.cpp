#include "DialogDriver.h"

#include <gtest/gtest.h>

#include <utility>

#include "Pump.h"

namespace testing_support {
namespace {

struct Session {
  const DialogDriver::Script* script;
  std::chrono::steady_clock::time_point end;
  HWND dialog = nullptr;
  bool ran = false;
  bool timedOut = false;
};

thread_local Session* t_session = nullptr;

BOOL CALLBACK FindShown(HWND w, LPARAM found) {
  if (::IsWindowVisible(w) && ::IsWindowEnabled(w) && (::GetWindowLongPtrW(w, GWL_STYLE) & WS_CAPTION)) {
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
  }
  return TRUE;
}

// A shown, enabled top-level window of this thread: the modal dialog (its
// owner is disabled while it is up).
HWND ShownDialog() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindShown, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Session* s = t_session;
  if (!s) return;
  if (!s->ran) {
    if (HWND d = ShownDialog()) {
      s->ran = true;
      s->dialog = d;
      // The script runs once; its keys are handled by the loop after it.
      DialogDriver driver(d);
      (*s->script)(driver);
      return;
    }
  }
  if (std::chrono::steady_clock::now() > s->end && !s->timedOut) {
    s->timedOut = true;
    HWND d = s->dialog ? s->dialog : ShownDialog();
    if (d && ::IsWindowVisible(d)) ::PostMessageW(d, WM_CLOSE, 0, 0);
  }
}

}  // namespace

void DialogDriver::Run(const std::function<void()>& open, const Script& script, std::chrono::milliseconds timeout) {
  Session session{&script, std::chrono::steady_clock::now() + timeout};
  Session* outer = std::exchange(t_session, &session);
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, Tick);
  open();
  ::KillTimer(nullptr, timer);
  t_session = outer;
  EXPECT_TRUE(session.ran) << "no dialog was shown";
  EXPECT_FALSE(session.timedOut) << "the dialog was still open when the time was up";
}

std::wstring DialogDriver::Caption() const {
  wchar_t buf[512] = L"";
  ::GetWindowTextW(dialog_, buf, 512);
  return buf;
}

std::wstring DialogDriver::Text(int id) const {
  wchar_t buf[1024] = L"";
  ::GetWindowTextW(Control(id), buf, 1024);
  return buf;
}

void DialogDriver::SetText(int id, const std::wstring& text) { ::SetWindowTextW(Control(id), text.c_str()); }

bool DialogDriver::Checked(int id) const { return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void DialogDriver::SetChecked(int id, bool on) {
  if (Checked(id) != on) Press(id);
}

bool DialogDriver::Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }

void DialogDriver::Press(int id) { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }

void DialogDriver::Key(UINT virtualKey) {
  // The focus may still be on a window of this thread that the dialog does
  // not hold (a hidden dialog shown before it): its keys go to the dialog.
  // A dialog shown while another program is active may not have been given
  // the focus yet: it is brought forward first, as the user's click would.
  HWND target = ::GetFocus();
  if (!target || (target != dialog_ && !::IsChild(dialog_, target))) {
    ::SetForegroundWindow(dialog_);
    target = ::GetFocus();
    if (!target || (target != dialog_ && !::IsChild(dialog_, target))) target = dialog_;
  }
  ::PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
  ::PostMessageW(target, WM_KEYUP, virtualKey, 1 | (1u << 30) | (1u << 31));
}

}  // namespace testing_support
