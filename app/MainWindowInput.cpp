// Input routing of the main window: commands of the controls, mouse input on
// the blocks and flat buttons, the key sink and the position editor's fields.
#include <windows.h>
#include <commctrl.h>

#include "app/MainWindow.h"
#include "base/ScopeExit.h"

namespace app {
namespace {

constexpr COLORREF kFieldFocus = RGB(196, 196, 200);

int FieldOfCaret(int caret) { return caret - idTimeEdit2aCursor + idTimeEdit2a; }

// The strip's flat buttons: a click on one must not leave it the focus, or
// the next Space would press it again.
bool IsFlatButton(int id) {
  return (id >= idPlay && id <= btnKonec) || (id >= idPrev && id <= idFind);
}

}  // namespace

void TfrmVocorder::OnCommand(int id, int code) {
  // Keys reach the program only as hot keys: after every click the focus
  // goes back to the key sink, also when the handler failed.
  ScopeExit refocus([this, click = code == BN_CLICKED && IsFlatButton(id)] {
    if (click) RefocusKeySink();
  });
  switch (id) {
    case idPlay: if (code == BN_CLICKED) idPlayClick(); return;
    case idStop: if (code == BN_CLICKED) idStopClick(); return;
    case SpeedButton1: if (code == BN_CLICKED) SpeedButton1Click(); return;
    case SpeedButton2: if (code == BN_CLICKED) SpeedButton2Click(); return;
    case SpeedButton3: if (code == BN_CLICKED) SpeedButton3Click(); return;
    case SpeedButton4: if (code == BN_CLICKED) SpeedButton4Click(); return;
    case btnKonec: if (code == BN_CLICKED) btnKonecClick(); return;
    case SpeedButton5: if (code == BN_CLICKED) SpeedButton5Click(); return;
    case SpeedButton6: if (code == BN_CLICKED) SpeedButton6Click(); return;
    case idSettings: if (code == BN_CLICKED) idSettingsClick(); return;
    case SpeedButton7: if (code == BN_CLICKED) SpeedButton7Click(); return;
    case SpeedButton8: if (code == BN_CLICKED) SpeedButton8Click(); return;
    case idNext: if (code == BN_CLICKED) idNextClick(); return;
    case idChangeList: if (code == BN_CLICKED) idChangeListClick(); return;
    case cmbSongs:
      if (code == CBN_SELCHANGE) {
        cmbSongsClick();
        cmbSongsChange();
      }
      return;
    case cmbArtists:
      if (code == CBN_SELCHANGE) {
        cmbArtistsClick();
        cmbArtistsChange();
      }
      return;
    case idTime1: if (code == STN_CLICKED) idTime1Click(); return;
    case idTimeEdit2a: if (code == STN_CLICKED) idTimeEdit2aEnter(); return;
    case idTimeEdit2b: if (code == STN_CLICKED) idTimeEdit2bEnter(); return;
    case idTimeEdit2c: if (code == STN_CLICKED) idTimeEdit2cEnter(); return;
    case idTimeEdit2d: if (code == STN_CLICKED) idTimeEdit2dEnter(); return;
    case idTimeEdit2aCursor: if (code == EN_SETFOCUS) idTimeEdit2aCursorEnter(); return;
    case idTimeEdit2bCursor: if (code == EN_SETFOCUS) idTimeEdit2bCursorEnter(); return;
    case idTimeEdit2cCursor: if (code == EN_SETFOCUS) idTimeEdit2cCursorEnter(); return;
    case idTimeEdit2dCursor: if (code == EN_SETFOCUS) idTimeEdit2dCursorEnter(); return;
    case idNull:
      if (code == EN_SETFOCUS) idNullEnter();
      if (code == EN_KILLFOCUS) idNullExit();
      return;
  }
}

void TfrmVocorder::OnControlMouse(int id, const BlockMouse& m) {
  switch (id) {
    case idTrackBar: if (m.message == WM_LBUTTONDOWN) idTrackBarMouseDown(m); return;
    case idTrackFrm: if (m.message == WM_LBUTTONDOWN) idTrackFrmMouseDown(m); return;
    case sldVolume:
      if (m.message == WM_LBUTTONDOWN) sldVolumeMouseDown(m);
      if (m.message == WM_MOUSEMOVE) sldVolumeMouseMove(m);
      if (m.message == WM_LBUTTONUP) sldVolumeMouseUp(m);
      return;
    case SpeedButton1:
      if (m.message == WM_LBUTTONDOWN) SpeedButton1MouseDown();
      if (m.message == WM_LBUTTONUP) SpeedButton1MouseUp();
      return;
    case SpeedButton2:
      if (m.message == WM_LBUTTONDOWN) SpeedButton2MouseDown();
      if (m.message == WM_LBUTTONUP) SpeedButton2MouseUp();
      return;
  }
}

// The key sink swallows every typed character; Esc typed in a combo box is
// dropped. The window has no key commands of its own.
LRESULT CALLBACK TfrmVocorder::KeySinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  if (msg == WM_CHAR && (id == idNull ? idNullKeyPress(wp) : idCmbKeyPress(wp))) return 0;
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, KeySinkProc, id);
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

void TfrmVocorder::SubclassKeySinks() {
  for (int id : {idNull, cmbSongs, cmbArtists}) ::SetWindowSubclass(Control(id), KeySinkProc, id, 0);
}

void TfrmVocorder::idTimeEditEnter(int field) {
  if (!TimeEditEnabled) return;
  static constexpr int kCursor[] = {8, 6, 4, 1};  // hours, minutes, seconds, milliseconds
  EditCursor = kCursor[field - idTimeEdit2a];
  ::SetFocus(::GetDlgItem(Control(idTime2Frm), field - idTimeEdit2a + idTimeEdit2aCursor));
}

void TfrmVocorder::idTimeEditCursorEnter(int caret) {
  focusedField_ = FieldOfCaret(caret);
  for (int f = idTimeEdit2a; f <= idTimeEdit2d; ++f) ::InvalidateRect(::GetDlgItem(Control(idTime2Frm), f), nullptr, TRUE);
}

HBRUSH TfrmVocorder::FieldColour(HWND control, HDC dc) {
  int id = ::GetDlgCtrlID(control);
  if (id < idTimeEdit2a || id > idTimeEdit2d || id != focusedField_) return nullptr;
  if (!fieldFocusBrush_) fieldFocusBrush_.reset(::CreateSolidBrush(kFieldFocus));
  ::SetBkColor(dc, kFieldFocus);
  return static_cast<HBRUSH>(fieldFocusBrush_.get());
}

}  // namespace app
