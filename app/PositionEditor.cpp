#include "app/PositionEditor.h"

#include <commctrl.h>

#include <cwchar>
#include <utility>

#include "app/Controls.h"
#include "app/MediaTime.h"

namespace app {
namespace {

constexpr COLORREF kFieldFocus = RGB(196, 196, 200);
constexpr const wchar_t* kEditorHint = L"Press [Esc] to cancel time edit or press [Enter] to accept the new position";

constexpr int kFields[] = {idTimeEdit2a, idTimeEdit2b, idTimeEdit2c, idTimeEdit2d};
constexpr int kCarets[] = {idTimeEdit2aCursor, idTimeEdit2bCursor, idTimeEdit2cCursor, idTimeEdit2dCursor};
constexpr int kFieldCursor[] = {8, 6, 4, 1};  // EditCursor of hours, minutes, seconds, milliseconds

bool OfAnotherProgram(HWND window) {
  DWORD pid = 0;
  return window && ::GetWindowThreadProcessId(window, &pid) && pid != ::GetCurrentProcessId();
}

}  // namespace

void TPositionEditor::Create() {
  const HWND window = strip_.Window();
  // The millisecond part as the layout applied before left it.
  HWND editor = CreateBlock(window, idTime2Frm, Rect(52, 29, readouts_.ShowMillis() ? 80 + 21 : 80, 15),
                            ::GetSysColor(COLOR_BTNFACE), false);
  ::ShowWindow(editor, SW_HIDE);
  const int seps[] = {idTime2Sep1, idTime2Sep2, idTime2Sep3};
  for (int i = 0; i < 4; ++i) {
    int width = i == 3 ? 20 : 14;
    HWND f = CreateLabel(editor, kFields[i], Rect(2 + i * 20, 1, width, 13), i == 3 ? L"000" : L"00", SS_CENTER);
    HWND c = CreateChild(editor, L"EDIT", kCarets[i], Rect(2 + i * 20 + width, 1, 1, 13), ES_READONLY);
    ::SetWindowSubclass(c, CaretProc, 0, reinterpret_cast<DWORD_PTR>(this));
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

HWND TPositionEditor::FocusTarget() const { return open_ ? Item(kCarets[FieldIndex()]) : nullptr; }

LRESULT CALLBACK TPositionEditor::CaretProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto& editor = *reinterpret_cast<TPositionEditor*>(data);
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      switch (wp) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_RETURN: case VK_ESCAPE:
          editor.idTimeEditKeyDown(static_cast<UINT>(wp));
          return 0;
      }
      break;
    case WM_CHAR:
      editor.idTimeEditKeyPress(static_cast<wchar_t>(wp));
      return 0;  // the caret's own text stays empty
    case WM_KILLFOCUS: editor.idTimeEditExit(reinterpret_cast<HWND>(wp)); break;
    case WM_NCDESTROY: ::RemoveWindowSubclass(hwnd, CaretProc, 0); break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

void TPositionEditor::NoteKeyboardOwner(HWND window) { keyboardOwner_ = OfAnotherProgram(window) ? window : nullptr; }

void TPositionEditor::idTime1Click() {
  if (!readouts_.TimeSupported()) return;
  // The keyboard comes here, from the program that had it: the one in the
  // foreground now, or the one the click that activated the strip left.
  const HWND foreground = ::GetForegroundWindow();
  giveBackTo_ = OfAnotherProgram(foreground) ? foreground : std::exchange(keyboardOwner_, nullptr);
  if (foreground != strip_.Window()) ::SetForegroundWindow(strip_.Window());
  TimeFields f = SplitTimeText(readouts_.PositionText(), readouts_.ShowMillis());
  ::SetWindowTextW(Item(idTimeEdit2a), f.hours.c_str());
  ::SetWindowTextW(Item(idTimeEdit2b), f.minutes.c_str());
  ::SetWindowTextW(Item(idTimeEdit2c), f.seconds.c_str());
  ::SetWindowTextW(Item(idTimeEdit2d), f.millis.c_str());
  ShowTimeEditor(true);
}

void TPositionEditor::ShowTimeEditor(bool on) {
  Show(on);
  if (on) {
    editCursor_ = readouts_.ShowMillis() ? 1 : 4;
    digit_ = 0;
    ::SetFocus(Item(readouts_.ShowMillis() ? idTimeEdit2dCursor : idTimeEdit2cCursor));
  } else {
    ::SetFocus(strip_.Control(idNull));
  }
}

void TPositionEditor::Show(bool on) {
  open_ = on;
  if (!on) giveBackTo_ = nullptr;
  auto show = [&](int id, bool visible) { ::ShowWindow(Item(id), visible ? SW_SHOWNA : SW_HIDE); };
  for (int id : {idTimeEdit2a, idTimeEdit2b, idTimeEdit2c, idTimeEdit2aCursor, idTimeEdit2bCursor,
                 idTimeEdit2cCursor, idTime2Sep1, idTime2Sep2})
    show(id, on);
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3}) show(id, on && readouts_.ShowMillis());
  ::ShowWindow(Frame(), on ? SW_SHOWNA : SW_HIDE);
  // The editor stands in for the read-out; closed, the read-out shows
  // again, unless the layout that closed it hides it (ApplyVisibilityMask).
  ::ShowWindow(strip_.Control(idTime1), on ? SW_HIDE : SW_SHOWNA);
}

void TPositionEditor::Close() {
  const HWND back = giveBackTo_;
  ShowTimeEditor(false);
  if (back && ::IsWindow(back)) ::SetForegroundWindow(back);
}

int TPositionEditor::FieldIndex() const {
  for (int i = 0; i < 4; ++i)
    if (kFieldCursor[i] == editCursor_) return i;
  return 2;
}

bool TPositionEditor::MoveField(int step) {
  const int next = FieldIndex() + step;
  if (next < 0 || next > (readouts_.ShowMillis() ? 3 : 2)) return false;
  editCursor_ = kFieldCursor[next];
  ::SetFocus(Item(kCarets[next]));
  digit_ = 0;
  return true;
}

void TPositionEditor::ChangeField(int by) {
  // Minutes and seconds run round within 60, the others within their digits.
  const int index = FieldIndex();
  const HWND field = Item(kFields[index]);
  const std::wstring text = WindowText(field);
  int limit = 60;
  if (index != 1 && index != 2) {
    limit = 1;
    for (size_t i = 0; i < text.size() && limit < 100'000; ++i) limit *= 10;
  }
  const int value = (static_cast<int>(std::wcstol(text.c_str(), nullptr, 10) % limit) + by + limit) % limit;
  std::wstring digits = std::to_wstring(value);
  if (digits.size() < text.size()) digits.insert(0, text.size() - digits.size(), L'0');
  ::SetWindowTextW(field, digits.c_str());
  digit_ = 0;
}

int64_t TPositionEditor::Time() const {
  auto value = [&](int i) {
    return static_cast<int64_t>(std::wcstol(WindowText(Item(kFields[i])).c_str(), nullptr, 10));
  };
  const int64_t seconds = (value(0) * 60 + value(1)) * 60 + value(2);
  return seconds * 10'000'000 + (readouts_.ShowMillis() ? value(3) * 10'000 : 0);
}

void TPositionEditor::idTimeEditKeyDown(UINT key) {
  if (!open_) return;
  switch (key) {
    case VK_LEFT: MoveField(-1); break;
    case VK_RIGHT: MoveField(+1); break;
    case VK_UP: ChangeField(+1); break;
    case VK_DOWN: ChangeField(-1); break;
    case VK_ESCAPE: Close(); break;
    case VK_RETURN: {
      const int64_t time = Time();
      Close();
      if (OnAccept) OnAccept(time);
      break;
    }
  }
}

void TPositionEditor::idTimeEditKeyPress(wchar_t ch) {
  if (!open_ || ch < L'0' || ch > L'9') return;
  const HWND field = Item(kFields[FieldIndex()]);
  std::wstring text = WindowText(field);
  if (text.empty()) return;
  if (digit_ >= text.size()) digit_ = 0;
  text[digit_++] = ch;
  ::SetWindowTextW(field, text.c_str());
  // A full field moves on; the last one starts over.
  if (digit_ == text.size() && !MoveField(+1)) digit_ = 0;
}

bool TPositionEditor::IsCaret(HWND window) const {
  for (int caret : kCarets)
    if (window && window == Item(caret)) return true;
  return false;
}

void TPositionEditor::idTimeEditExit(HWND next) {
  if (!open_ || IsCaret(next)) return;
  // Closed at once, so that a click's refocusing leaves it; hidden once the
  // focus has settled: hiding the caret that is losing it would move the
  // focus again on the way.
  open_ = false;
  giveBackTo_ = nullptr;
  strip_.Post(ctEditorLeft);
}

void TPositionEditor::FocusLeft() {
  // A click elsewhere: the focus stays where it went.
  if (!open_ && ::IsWindowVisible(Frame())) Show(false);
}

void TPositionEditor::ClickedElsewhere() {
  if (!open_) return;
  const DWORD at = ::GetMessagePos();
  const POINT p{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  RECT r;
  ::GetWindowRect(Frame(), &r);
  if (!::PtInRect(&r, p)) ShowTimeEditor(false);
}

void TPositionEditor::FollowMillisMode(bool switched) {
  const bool millis = readouts_.ShowMillis();
  // The focus leaves the millisecond caret before it hides.
  if (switched && !millis && editCursor_ < 4 && open_) {
    editCursor_ = 4;
    ::SetFocus(Item(idTimeEdit2cCursor));
  }
  for (int id : {idTimeEdit2d, idTimeEdit2dCursor, idTime2Sep3})
    ::ShowWindow(Item(id), millis && open_ ? SW_SHOWNA : SW_HIDE);
  if (!switched) return;
  RECT r = ClientRectOf(strip_.Window(), Frame());
  ::SetWindowPos(Frame(), nullptr, 0, 0, r.right - r.left + (millis ? 21 : -21), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (millis && editCursor_ > 3 && open_) {
    editCursor_ = 1;
    ::SetFocus(Item(idTimeEdit2dCursor));
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
