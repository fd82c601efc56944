// The program's question boxes are the system's box, answered from the
// keyboard: Enter is Yes and Esc is No; a box with a Cancel button keeps
// Esc for Cancel.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "base/QuestionBox.h"

using testing_support::DialogDriver;

namespace {

int AnswerByKey(UINT type, UINT key, std::wstring* caption = nullptr, std::wstring* yes = nullptr) {
  int answer = 0;
  DialogDriver::Run([&] { answer = win::SystemMessageBox(nullptr, L"Remove it?", L"Confirm", type); },
                    [&](DialogDriver& box) {
                      if (caption) *caption = box.Caption();
                      if (yes) *yes = box.Text(IDYES);
                      box.Key(key);
                    });
  return answer;
}

TEST(QuestionBox, EnterAnswersYesAndEscAnswersNo) {
  std::wstring caption, yes;
  EXPECT_EQ(AnswerByKey(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1, VK_RETURN, &caption, &yes), IDYES);
  EXPECT_EQ(caption, L"Confirm");
  EXPECT_EQ(yes, L"&Yes");
  EXPECT_EQ(AnswerByKey(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1, VK_ESCAPE), IDNO);
  EXPECT_EQ(AnswerByKey(MB_YESNOCANCEL, VK_ESCAPE), IDCANCEL);
}

}  // namespace
