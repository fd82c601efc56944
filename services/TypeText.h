// Typing a text at the caret of whatever program has the focus, as key
// events that carry the characters themselves (KEYEVENTF_UNICODE): no key
// layout is involved and nothing has to be installed in the other program.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/Window.h"

namespace services {

// A key press and release for each UTF-16 unit of the text (a character
// outside the basic plane is its two surrogates, as the system expects).
std::vector<INPUT> UnicodeKeyEvents(std::wstring_view text);
// Sends the events; true when the system took all of them.
bool SendText(std::wstring_view text);

// Types texts asked for by a hot key. The hot key's own modifiers are
// usually still held when it arrives, and a program that sees Ctrl or Alt
// down may take the characters for commands; so the text waits until no
// modifier is held. Keys the user holds are never released for it: one
// still held after WaitMs means the typist is busy with other keys (Ctrl
// kept down for the next hot key), and the text is dropped untyped.
class TTextTyper : private win::TWindow {
public:
  TTextTyper();
  ~TTextTyper() override;

  // Replaces a text still waiting: only the latest one is typed.
  void Type(std::wstring text);
  bool Pending() const { return !pending_.empty(); }

  DWORD WaitMs = 2000;

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void TypeNow();

  std::wstring pending_;
  ULONGLONG deadline_ = 0;
};

}  // namespace services
