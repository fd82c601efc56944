// TKeySink: the window takes no keys of its own. The zero-width edit idNull
// holds the focus and swallows typed characters; Esc typed into a combo box
// is dropped; after every click the focus comes back here, or to the
// position editor's field while the editor is open (RefocusKeySink).
#pragma once

#include <windows.h>

#include "app/PositionEditor.h"
#include "app/Strip.h"

namespace app {

class TKeySink {
public:
  TKeySink(TStrip& strip, TPositionEditor& editor) : strip_(strip), editor_(editor) {}

  // Subclasses the sink and the combo boxes.
  void Attach();
  void RefocusKeySink();
  // The focus back to the position editor's field, when the editor is open.
  void ReturnToEditor() {
    if (editor_.IsOpen()) RefocusKeySink();
  }
  void idNullEnter() { focused_ = true; }
  void idNullExit() { focused_ = false; }
  bool Focused() const { return focused_; }

  // Typed characters never reach the window (the subclass drops them).
  static bool idNullKeyPress(WPARAM) { return true; }
  static bool idCmbKeyPress(WPARAM ch) { return ch == VK_ESCAPE; }

private:
  static LRESULT CALLBACK KeySinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);

  TStrip& strip_;
  TPositionEditor& editor_;
  bool focused_ = false;
};

}  // namespace app
