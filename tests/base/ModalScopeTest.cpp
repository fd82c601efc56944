// The modal loops' one rule over real dialogs and a real system box: a close
// ends every open one as by its Cancel, innermost first; the close itself
// comes after the last has returned; until it goes on, none starts again.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "base/Dialog.h"
#include "base/ModalScope.h"
#include "base/QuestionBox.h"

using testing_support::DialogDriver;

namespace {

const win::DialogItem kItems[] = {{IDCANCEL, L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 70, 23}};
const win::DialogTemplate kTemplate{L"Modal scope test", 120, 50, {L"MS Sans Serif", 8}, kItems};

class TCountingDialog : public win::TDialog {
public:
  TCountingDialog() : TDialog(kTemplate) {}
  int cancels = 0;

private:
  void OnCancel() override {
    ++cancels;
    TDialog::OnCancel();
  }
};

TEST(ModalScope, EndAllEndsABoxAndTheDialogUnderItThenCloses) {
  TCountingDialog dialog;
  int box = 0;
  int closes = 0, depthAtClose = -1;
  DialogDriver::Run([&] { dialog.ShowModal(nullptr); },
                    [&](DialogDriver&) {
                      DialogDriver::Run(
                          [&] {
                            win::ModalScope scope;
                            box = win::SystemMessageBox(nullptr, L"Remove it?", L"Confirm", MB_YESNO);
                          },
                          [&](DialogDriver&) {
                            win::ModalScope::EndAll([&] {
                              ++closes;
                              depthAtClose = win::ModalScope::Depth();
                            });
                          });
                      EXPECT_EQ(closes, 0) << "closed while the dialog's loop was still open";
                    });
  EXPECT_EQ(box, IDNO);
  EXPECT_EQ(dialog.cancels, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(depthAtClose, 0);

  EXPECT_TRUE(win::ModalScope::Ending());
  EXPECT_EQ(dialog.ShowModal(nullptr), IDCANCEL);
  EXPECT_FALSE(::IsWindowVisible(dialog.Handle()));
  win::ModalScope::Resume();
  EXPECT_FALSE(win::ModalScope::Ending());
}

}  // namespace
