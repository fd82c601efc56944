// TPositionEditor: the fields laid over the position read-out when it is
// clicked (idTime1Click): hours, minutes, seconds and, in milliseconds
// mode, milliseconds, each with a one-pixel caret that holds the focus.
// It takes the keyboard, also from the program that had it (given back when
// it closes): digits type into the field, the arrows move between fields and
// change them, Enter goes to the time, Esc, a click elsewhere or hiding the
// read-out closes it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

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

  // The time Enter accepted, for the window to go to; set by the window.
  std::function<void(int64_t position)> OnAccept;
  // A click that activates the strip: the window that had the keyboard
  // until then, given back when the editor it opens closes.
  void NoteKeyboardOwner(HWND window);

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
  // The carets' keys: the arrows, Enter and Esc; typed digits.
  void idTimeEditKeyDown(UINT key);
  void idTimeEditKeyPress(wchar_t ch);
  // The focus left a caret for `next` (null: for another program); unless
  // it went to another field, the editor closes (FocusLeft, ctEditorLeft).
  void idTimeEditExit(HWND next);
  void FocusLeft();
  // A press on the strip (the message's own point): outside the editor it
  // closes the editor.
  void ClickedElsewhere();
  // WM_CTLCOLORSTATIC of a field: the grey of the focused one, else null.
  HBRUSH FieldColour(HWND control, HDC dc);

private:
  static LRESULT CALLBACK CaretProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  void Place();
  // Shown or hidden, the focus left alone; hidden, the read-out shows again.
  void Show(bool on);
  bool IsCaret(HWND window) const;
  // Enter or Esc: the keyboard goes back to the program that had it.
  void Close();
  int FieldIndex() const;  // 0 hours, 1 minutes, 2 seconds, 3 milliseconds
  bool MoveField(int step);
  void ChangeField(int by);
  int64_t Time() const;

  TStrip& strip_;
  TReadouts& readouts_;
  win::GdiObject focusBrush_;
  bool open_ = false;
  bool timeEditEnabled_ = true;
  int editCursor_ = 4;    // EditCursor: 1 milliseconds, 4 seconds, 6 minutes, 8 hours
  int focusedField_ = 0;  // the field whose caret has the focus
  size_t digit_ = 0;      // where the next typed digit goes in the field
  HWND keyboardOwner_ = nullptr;  // noted by the click that activated the strip
  HWND giveBackTo_ = nullptr;     // the program that had the keyboard
};

}  // namespace app
