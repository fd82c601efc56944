#include "base/InputBox.h"

#include <utility>

#include "base/Dialog.h"

namespace win {
namespace {

InputPresenter& Presenter() {
  static InputPresenter p;
  return p;
}

enum { kPrompt = 101, kEdit = 100 };

const DialogItem kItems[] = {
    {kPrompt, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 9, 10, 252, 16},
    {kEdit, L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 9, 29, 252, 20},
    {IDOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 105, 65, 75, 23},
    {IDCANCEL, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 186, 65, 75, 23},
};

// Enter accepts, Esc cancels; centred over the window that asks.
const DialogTemplate kInputBox{L"", 270, 97, {L"MS Sans Serif", 8}, kItems};

class TInputBox : public TDialog {
public:
  TInputBox() : TDialog(kInputBox) {}

  std::optional<std::wstring> Ask(HWND owner, std::wstring_view caption, std::wstring_view prompt,
                                  std::wstring_view value) {
    caption_ = caption;
    prompt_ = prompt;
    value_ = value;
    if (ShowModal(owner) != IDOK) return std::nullopt;
    return value_;
  }

private:
  void OnInit() override {
    ::SetWindowTextW(Handle(), caption_.c_str());
    SetItemText(kPrompt, prompt_);
    SetItemText(kEdit, value_);
    ::SendMessageW(Item(kEdit), EM_SETSEL, 0, -1);
  }
  void OnOK() override {
    value_ = ItemText(kEdit);
    EndModal(IDOK);
  }

  std::wstring caption_, prompt_, value_;
};

// Made on first use and kept, as the program's other windows are.
TInputBox& RealBox() {
  static TInputBox box;
  return box;
}

}  // namespace

InputPresenter SetInputPresenter(InputPresenter presenter) { return std::exchange(Presenter(), std::move(presenter)); }

std::optional<std::wstring> InputQuery(HWND owner, std::wstring_view caption, std::wstring_view prompt,
                                       std::wstring_view value) {
  if (Presenter()) return Presenter()(owner, caption, prompt, value);
  return RealBox().Ask(owner, caption, prompt, value);
}

void CancelInputQuery() {
  if (RealBox().IsShownModal()) RealBox().EndModal(IDCANCEL);
}

}  // namespace win
