// The modal dialogs of the program: a window on TWindow built once from one
// table per dialog, hidden between uses and shown again by ShowModal. A
// dialog class is its table plus the handlers it needs:
//
//   const win::DialogItem kItems[] = {{IDOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 8, 8, 75, 23}, ...};
//   const win::DialogTemplate kBox{L"Caption", 200, 80, {L"MS Sans Serif", 8}, kItems};
//   class TFooBox : public win::TDialog { TFooBox() : TDialog(kBox) {} void OnInit() override; ... };
//
// Enter presses the template's enterId (or the push button that has the
// focus), Esc presses its escapeId; 0 makes the key do nothing. The font of
// the template is set on every control.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/WinHandles.h"
#include "base/Window.h"

namespace win {

struct DialogItem {
  int id;
  const wchar_t* cls;  // L"BUTTON", L"STATIC", L"EDIT", PROGRESS_CLASSW, ...
  const wchar_t* text;
  DWORD style;         // WS_CHILD | WS_VISIBLE are added
  int x, y, width, height;  // pixels in the client area
  DWORD exStyle = 0;
};

struct DialogFont {
  const wchar_t* face = L"MS Sans Serif";
  int points = 8;
  BYTE charset = DEFAULT_CHARSET;
};

enum class Placement {
  CentreOwner,       // centred over the owner on every showing
  CentreScreen,      // centred on the screen on every showing
  CentreScreenOnce,  // centred on the screen when created; then where the user left it
};

struct DialogTemplate {
  const wchar_t* caption;
  int clientWidth, clientHeight;
  DialogFont font;
  std::span<const DialogItem> items;
  int enterId = IDOK;
  int escapeId = IDCANCEL;
  Placement placement = Placement::CentreOwner;
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = WS_EX_DLGMODALFRAME;
  const wchar_t* className = L"VocorderDialog";
};

// A font made from a face, a size in points and a character set, for the
// screen's resolution.
HFONT CreatePointFont(const DialogFont& font, bool bold = false);
// Whether the window is a combo box, or inside one, whose list is open: Enter
// and Esc then close the list, not the dialog.
bool IsDroppedCombo(HWND h);

class TDialog : public TWindow {
public:
  explicit TDialog(const DialogTemplate& dialog) : template_(dialog) {}
  ~TDialog() override;

  // Builds the window and its controls (hidden). Called by the first
  // ShowModal; false when the window could not be made.
  bool Create(HWND owner);
  // Shows the dialog modally over `owner` (disabled meanwhile) and returns
  // the result given to EndModal; IDCANCEL when it could not be shown, or
  // when the program is closing (win::ModalScope), which ends it as by its
  // Cancel.
  int ShowModal(HWND owner);
  // Ends the modal loop; the dialog is hidden, not destroyed.
  void EndModal(int result);
  bool IsShownModal() const { return modal_; }

  // Presses a button as a click would (nothing when it is disabled).
  void Press(int id);
  std::wstring ItemText(int id) const;
  void SetItemText(int id, std::wstring_view text);

  // The hint (tooltip) shown while the mouse rests on a control of the
  // dialog, its pages' controls too; one tooltip per dialog, made on first use.
  void SetHint(HWND control, std::wstring_view text);
  void SetHint(int id, std::wstring_view text) { SetHint(Item(id), text); }
  std::wstring HintOf(HWND control) const;
  std::wstring Hint(int id) const { return HintOf(Item(id)); }

protected:
  // Once, after the controls were made.
  virtual void OnCreate() {}
  // Each time before the dialog is shown.
  virtual void OnInit() {}
  // A control's notification other than IDOK / IDCANCEL clicks.
  virtual void OnCommand(int id, int code);
  virtual void OnOK() { EndModal(IDOK); }
  virtual void OnCancel() { EndModal(IDCANCEL); }
  // The title bar's close button.
  virtual void OnClose() { OnCancel(); }
  // The program is closing: the dialog ends as by its Cancel, and ends
  // whatever that does.
  virtual void EndAsCancelled();
  // Where the dialog appears; by default as its template says.
  virtual void Place();
  // The control that takes the focus when shown: the first tab stop.
  virtual HWND InitialFocus();
  // A message of the dialog's loop before Enter, Esc and the dialog
  // navigation see it; true when it was taken.
  virtual bool PreTranslateMessage(const MSG&) { return false; }
  // A key message aimed at the dialog or one of its controls.
  bool IsOwnKey(const MSG& m) const;

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  const DialogTemplate& Template() const { return template_; }
  HWND Owner() const { return owner_; }

private:
  // Enter and Esc as the template says; true when the key was taken.
  bool TranslateDialogKey(const MSG& m);
  // One message of the modal loop: the dialog's keys, then the dialog manager.
  void Dispatch(const MSG& m);

  const DialogTemplate& template_;
  GdiObject font_;
  HWND tips_ = nullptr;  // owned by the dialog's window
  HWND owner_ = nullptr;
  bool modal_ = false;
  int result_ = IDCANCEL;
};

}  // namespace win
