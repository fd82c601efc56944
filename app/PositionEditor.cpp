#include "app/PositionEditor.h"

#include "app/MediaTime.h"

namespace app {
namespace {

constexpr COLORREF kFieldFocus = RGB(196, 196, 200);
constexpr const wchar_t* kEditorHint = L"Press [Esc] to cancel time edit or press [Enter] to accept the new position";

RECT ClientRectOf(HWND parent, HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

void TPositionEditor::Create() {
  const HWND window = strip_.Window();
  // The millisecond part as the layout applied before left it.
  HWND editor = CreateBlock(window, idTime2Frm, Rect(52, 29, readouts_.ShowMillis() ? 80 + 21 : 80, 15),
                            ::GetSysColor(COLOR_BTNFACE), false);
  ::ShowWindow(editor, SW_HIDE);
  const int fields[] = {idTimeEdit2a, idTimeEdit2b, idTimeEdit2c, idTimeEdit2d};
  const int carets[] = {idTimeEdit2aCursor, idTimeEdit2bCursor, idTimeEdit2cCursor, idTimeEdit2dCursor};
  const int seps[] = {idTime2Sep1, idTime2Sep2, idTime2Sep3};
  for (int i = 0; i < 4; ++i) {
    int width = i == 3 ? 20 : 14;
    HWND f = CreateLabel(editor, fields[i], Rect(2 + i * 20, 1, width, 13), i == 3 ? L"000" : L"00", SS_CENTER);
    HWND c = CreateChild(editor, L"EDIT", carets[i], Rect(2 + i * 20 + width, 1, 1, 13), ES_READONLY);
    strip_.SetHint(f, kEditorHint);
    strip_.SetHint(c, kEditorHint);
    if (i < 3) strip_.SetHint(CreateLabel(editor, seps[i], Rect(16 + i * 20, 1, 4, 13), L":"), kEditorHint);
  }
  strip_.SetHint(editor, kEditorHint);
  // In the stacking order where the strip's other elements leave it.
  ::SetWindowPos(editor, strip_.Control(sldVolumeFrm), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3}) ::ShowWindow(Item(id), SW_HIDE);
  Place();
}

// The editor lies over idTime1, its fields 2 pixels further in.
void TPositionEditor::Place() {
  RECT r = ClientRectOf(strip_.Window(), strip_.Control(idTime1));
  ::SetWindowPos(Frame(), nullptr, r.left - 2, r.top - 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TPositionEditor::FocusTarget() const {
  static constexpr int kCarets[] = {idTimeEdit2dCursor, 0, 0, idTimeEdit2cCursor, 0, idTimeEdit2bCursor, 0, 0,
                                    idTimeEdit2aCursor};
  const int id = open_ && editCursor_ >= 1 && editCursor_ <= 8 ? kCarets[editCursor_] : 0;
  return id ? Item(id) : nullptr;
}

void TPositionEditor::idTime1Click() {
  if (!readouts_.TimeSupported()) return;
  TimeFields f = SplitTimeText(readouts_.PositionText(), readouts_.ShowMillis());
  ::SetWindowTextW(Item(idTimeEdit2a), f.hours.c_str());
  ::SetWindowTextW(Item(idTimeEdit2b), f.minutes.c_str());
  ::SetWindowTextW(Item(idTimeEdit2c), f.seconds.c_str());
  ::SetWindowTextW(Item(idTimeEdit2d), f.millis.c_str());
  ShowTimeEditor(true);
}

void TPositionEditor::ShowTimeEditor(bool on) {
  open_ = on;
  auto show = [&](int id, bool visible) { ::ShowWindow(Item(id), visible ? SW_SHOWNA : SW_HIDE); };
  for (int id : {idTimeEdit2a, idTimeEdit2b, idTimeEdit2c, idTimeEdit2aCursor, idTimeEdit2bCursor,
                 idTimeEdit2cCursor, idTime2Sep1, idTime2Sep2})
    show(id, on);
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3}) show(id, on && readouts_.ShowMillis());
  ::ShowWindow(Frame(), on ? SW_SHOWNA : SW_HIDE);
  // The editor stands in for the read-out; closed, the layout decides
  // whether the read-out shows again (ApplyVisibilityMask).
  if (on) ::ShowWindow(strip_.Control(idTime1), SW_HIDE);
  if (on) {
    editCursor_ = readouts_.ShowMillis() ? 1 : 4;
    ::SetFocus(Item(readouts_.ShowMillis() ? idTimeEdit2dCursor : idTimeEdit2cCursor));
  } else {
    ::SetFocus(strip_.Control(idNull));
  }
}

void TPositionEditor::FollowMillisMode(bool switched) {
  const bool millis = readouts_.ShowMillis();
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3})
    ::ShowWindow(Item(id), millis && open_ ? SW_SHOWNA : SW_HIDE);
  if (!switched) return;
  RECT r = ClientRectOf(strip_.Window(), Frame());
  ::SetWindowPos(Frame(), nullptr, 0, 0, r.right - r.left + (millis ? 21 : -21), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (millis && editCursor_ > 3 && open_) {
    editCursor_ = 1;
    ::SetFocus(Item(idTimeEdit2dCursor));
  } else if (!millis && editCursor_ < 4 && open_) {
    editCursor_ = 4;
    ::SetFocus(Item(idTimeEdit2cCursor));
  }
}

void TPositionEditor::idTimeEditEnter(int field) {
  if (!timeEditEnabled_) return;
  static constexpr int kCursor[] = {8, 6, 4, 1};  // hours, minutes, seconds, milliseconds
  editCursor_ = kCursor[field - idTimeEdit2a];
  ::SetFocus(Item(field - idTimeEdit2a + idTimeEdit2aCursor));
}

void TPositionEditor::idTimeEditCursorEnter(int caret) {
  focusedField_ = caret - idTimeEdit2aCursor + idTimeEdit2a;
  for (int f = idTimeEdit2a; f <= idTimeEdit2d; ++f) ::InvalidateRect(Item(f), nullptr, TRUE);
}

HBRUSH TPositionEditor::FieldColour(HWND control, HDC dc) {
  int id = ::GetDlgCtrlID(control);
  if (id < idTimeEdit2a || id > idTimeEdit2d || id != focusedField_ || ::GetParent(control) != Frame()) return nullptr;
  if (!focusBrush_) focusBrush_.reset(::CreateSolidBrush(kFieldFocus));
  ::SetBkColor(dc, kFieldFocus);
  return static_cast<HBRUSH>(focusBrush_.get());
}

}  // namespace app
