#include "missing/DlgBrowseFilter.h"

#include <utility>

#include "base/Dialog.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/SettingsRecord.h"

namespace kestrel {
namespace {

FilterPresenter& Presenter() {
  static FilterPresenter p;
  return p;
}

enum ControlId : int { Label1 = 100, idFilter = 101, idOK = IDOK, idCancel = IDCANCEL };

const win::DialogItem kItems[] = {
    {Label1, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 8, 8, 314, 44},
    {idFilter, L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 8, 58, 314, 21},
    {idOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 166, 90, 75, 25},
    {idCancel, L"BUTTON", L"&Cancel", BS_PUSHBUTTON | WS_TABSTOP, 247, 90, 75, 25},
};

const win::DialogTemplate kForm6{L"", 330, 123, {L"MS Sans Serif", 8}, kItems, IDOK, IDCANCEL,
                                 win::Placement::CentreOwner, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                 WS_EX_DLGMODALFRAME, L"VocorderTForm6"};

class TForm6 : public win::TDialog {
public:
  TForm6() : TDialog(kForm6) {}

  std::optional<std::wstring> Execute(const FilterRequest& request) {
    request_ = &request;
    result_.reset();
    ShowModal(request.owner);
    request_ = nullptr;
    return result_;
  }

private:
  void OnInit() override {
    ::SetWindowTextW(Handle(), request_->caption.c_str());
    win::GdiObject font(win::CreatePointFont({Template().font.face, request_->promptPoints}));
    ::SendMessageW(Item(Label1), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    promptFont_ = std::move(font);
    SetItemText(Label1, request_->prompt);
    SetItemText(idFilter, request_->text);
    SelectAll();
    ::SetWindowPos(Handle(), Settings.AlwaysTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  HWND InitialFocus() override { return Item(idFilter); }

  void OnCommand(int id, int code) override {
    if (id == idFilter && code == EN_CHANGE) idFilterChange();
  }

  void idFilterChange() {
    if (!request_ || ::GetWindowTextLengthW(Item(idFilter)) > 0) return;
    SetItemText(idFilter, request_->defaultText);
    SelectAll();
  }

  void OnOK() override {
    std::wstring t(text::Trim(ItemText(idFilter)));
    if (t.empty()) t = request_->defaultText;  // what an emptied edit shows
    SetItemText(idFilter, t);
    for (const std::wstring& f : request_->forbidden) {
      if (!text::Same(t, f)) continue;
      ShowBox(BoxKind::Plain, BoxButtons::Ok, request_->forbiddenMessage);
      SelectAll();
      ::SetFocus(Item(idFilter));
      return;
    }
    result_ = std::move(t);
    EndModal(IDOK);
  }

  // Alt with a key does nothing in the edit (no mnemonic, no beep); Alt+F4
  // still closes.
  bool PreTranslateMessage(const MSG& m) override {
    if (m.hwnd != Item(idFilter)) return false;
    if (m.message != WM_SYSKEYDOWN && m.message != WM_SYSCHAR && m.message != WM_SYSKEYUP) return false;
    if (m.message == WM_SYSKEYDOWN && m.wParam == VK_F4) return false;
    return (::GetKeyState(VK_CONTROL) & 0x8000) == 0 && (::GetKeyState(VK_SHIFT) & 0x8000) == 0;
  }

  void SelectAll() { ::SendMessageW(Item(idFilter), EM_SETSEL, 0, -1); }

  const FilterRequest* request_ = nullptr;
  std::optional<std::wstring> result_;
  win::GdiObject promptFont_;
};

// Made on first use and kept for the rest of the run.
TForm6& Form6() {
  static TForm6 form;
  return form;
}

}  // namespace

FilterPresenter SetFilterPresenter(FilterPresenter presenter) { return std::exchange(Presenter(), std::move(presenter)); }

std::optional<std::wstring> ShowFilterDialog(const FilterRequest& request) {
  if (Presenter()) return Presenter()(request);
  return Form6().Execute(request);
}

}  // namespace kestrel
