#include "app/About.h"

#include "app/resource.h"

namespace app {

namespace {

constexpr wchar_t kKeys[] =
    L"Štart/Pause  : CTRL+medzerník \r\n"
    L"Vpred pomaly : CTRL+šipka vpravo\r\n"
    L"Vpred rýchlo : CTRL+PageUp\r\n"
    L"Vzad pomaly  : CTRL+šipka vľavo\r\n"
    L"Vzad rýchlo  : CTRL+PageDown";

constexpr int kWidth = 280;

const win::DialogItem kItems[] = {
    {TFAbout::Image1, L"STATIC", L"", SS_ICON, 12, 12, 32, 32},
    {TFAbout::Label1, L"STATIC", L"Program Vocorder", SS_LEFT, 56, 14, 210, 16},
    {TFAbout::Label2, L"STATIC", L"v. 1.05", SS_LEFT, 56, 32, 210, 16},
    {TFAbout::Label3, L"STATIC", kKeys, SS_LEFT | SS_NOPREFIX, 12, 58, 260, 76},
    {TFAbout::btnOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, (kWidth - 75) / 2, 142, 75, 25},
};

const win::DialogTemplate kAbout{L"O programe ", kWidth, 178, {L"MS Sans Serif", 8}, kItems,
                                 // OK is the default and the cancel button: Enter and Esc both press it.
                                 IDOK, IDOK, win::Placement::CentreScreen};

}  // namespace

TFAbout::TFAbout() : TDialog(kAbout) {}

void TFAbout::ShowCentred(HWND owner) {
  anchor_.reset();
  ShowModal(owner);
}

void TFAbout::ShowModalAt(HWND owner, int top, int centreX) {
  anchor_ = POINT{centreX, top};
  ShowModal(owner);
  anchor_.reset();
}

void TFAbout::OnCreate() {
  keysFont_.reset(win::CreatePointFont({L"Courier New", 9}));
  ::SendMessageW(Item(Label3), WM_SETFONT, reinterpret_cast<WPARAM>(keysFont_.get()), FALSE);
  // A resource icon is shared: the system frees it with the program.
  HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VOCORDER));
  ::SendMessageW(Item(Image1), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void TFAbout::Place() {
  if (!anchor_) return TDialog::Place();
  RECT r;
  ::GetWindowRect(Handle(), &r);
  const int w = r.right - r.left;
  ::SetWindowPos(Handle(), nullptr, anchor_->x - w / 2, anchor_->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace app
