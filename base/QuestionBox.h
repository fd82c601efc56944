// The system's message box, with one change for questions: a Yes/No box
// answers No to Esc (the system's own box ignores Esc when it has no Cancel
// button). Enter answers the default button, Yes unless the type says else.
#pragma once

#include <windows.h>

namespace win {

// As MessageBoxW; the result is the id of the button chosen.
int SystemMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

}  // namespace win
