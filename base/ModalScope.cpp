#include "base/ModalScope.h"

#include <algorithm>
#include <cwchar>
#include <utility>

namespace win {
namespace {

struct State {
  std::vector<ModalScope*> open;  // outermost first
  bool ending = false;
  std::function<void()> then;
};

State& ThreadState() {
  thread_local State state;
  return state;
}

BOOL CALLBACK CollectDialog(HWND w, LPARAM found) {
  wchar_t cls[16] = L"";
  ::GetClassNameW(w, cls, 16);
  if (std::wcscmp(cls, L"#32770") == 0) reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
  return TRUE;
}

// The system's dialog windows of this thread (message boxes, common dialogs).
std::vector<HWND> SystemDialogs() {
  std::vector<HWND> found;
  ::EnumThreadWindows(::GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

ModalScope::ModalScope(std::function<void()> cancel) : cancel_(std::move(cancel)) {
  ThreadState().open.push_back(this);
}

ModalScope::ModalScope() : dialogsBefore_(SystemDialogs()) { ThreadState().open.push_back(this); }

ModalScope::~ModalScope() {
  State& s = ThreadState();
  std::erase(s.open, this);
  if (s.open.empty() && s.then) std::exchange(s.then, nullptr)();
}

int ModalScope::Depth() { return static_cast<int>(ThreadState().open.size()); }

bool ModalScope::Ending() { return ThreadState().ending; }

void ModalScope::Resume() { ThreadState().ending = false; }

void ModalScope::EndAll(std::function<void()> then) {
  State& s = ThreadState();
  s.ending = true;
  if (s.open.empty()) {
    if (then) then();
    return;
  }
  s.then = std::move(then);
  // Ending a loop only marks it (its caller returns later), so the list
  // stays as it is while it is walked.
  const std::vector<ModalScope*> open = s.open;
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    if ((*it)->cancel_)
      (*it)->cancel_();
    else
      (*it)->CancelSystemDialogs();
  }
}

void ModalScope::CancelSystemDialogs() const {
  for (HWND dialog : SystemDialogs()) {
    if (std::find(dialogsBefore_.begin(), dialogsBefore_.end(), dialog) != dialogsBefore_.end()) continue;
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
  }
}

}  // namespace win
