// TPositionEditor: the fields laid over the position read-out when it is
// clicked (idTime1Click): hours, minutes, seconds and, in milliseconds
// mode, milliseconds, each with a one-pixel caret that holds the focus.
// In this version it takes no keys; it closes when the read-out is hidden.
#pragma once

#include <windows.h>

#include "app/Readouts.h"
#include "app/Strip.h"
#include "base/WinHandles.h"

namespace app {

class TPositionEditor {
public:
  TPositionEditor(TStrip& strip, TReadouts& readouts) : strip_(strip), readouts_(readouts) {}

  // Made once the window shows: its dozen controls held up the start.
  void Create();
  bool IsOpen() const { return open_; }
  HWND Frame() const { return strip_.Control(idTime2Frm); }
  HWND Item(int id) const { return ::GetDlgItem(Frame(), id); }
  // The caret of the field being edited (EditCursor), which keeps the focus
  // while the editor is open.
  HWND FocusTarget() const;

  void idTime1Click();
  // ShowTimeEditor on or off.
  void ShowTimeEditor(bool on);
  // The millisecond field follows the mode while the editor is open;
  // `switched` when the mode has just changed.
  void FollowMillisMode(bool switched);
  void SetTimeEditEnabled(bool enabled) { timeEditEnabled_ = enabled; }

  // Clicking a field moves the focus to its caret; a caret that receives
  // the focus paints its field grey.
  void idTimeEditEnter(int field);
  void idTimeEdit2aEnter() { idTimeEditEnter(idTimeEdit2a); }
  void idTimeEdit2bEnter() { idTimeEditEnter(idTimeEdit2b); }
  void idTimeEdit2cEnter() { idTimeEditEnter(idTimeEdit2c); }
  void idTimeEdit2dEnter() { idTimeEditEnter(idTimeEdit2d); }
  void idTimeEditCursorEnter(int caret);
  void idTimeEdit2aCursorEnter() { idTimeEditCursorEnter(idTimeEdit2aCursor); }
  void idTimeEdit2bCursorEnter() { idTimeEditCursorEnter(idTimeEdit2bCursor); }
  void idTimeEdit2cCursorEnter() { idTimeEditCursorEnter(idTimeEdit2cCursor); }
  void idTimeEdit2dCursorEnter() { idTimeEditCursorEnter(idTimeEdit2dCursor); }
  // WM_CTLCOLORSTATIC of a field: the grey of the focused one, else null.
  HBRUSH FieldColour(HWND control, HDC dc);

private:
  void Place();

  TStrip& strip_;
  TReadouts& readouts_;
  win::GdiObject focusBrush_;
  bool open_ = false;
  bool timeEditEnabled_ = true;
  int editCursor_ = 4;    // EditCursor: 1 milliseconds, 4 seconds, 6 minutes, 8 hours
  int focusedField_ = 0;  // the field whose caret has the focus
};

}  // namespace app
