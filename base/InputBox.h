// The input box: a caption, a prompt and one line of text, OK and Cancel.
// One seam, so that tests answer it while the program shows a real box.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// The typed text, or nothing when the user cancelled.
using InputPresenter = std::function<std::optional<std::wstring>(HWND owner, std::wstring_view caption,
                                                                 std::wstring_view prompt, std::wstring_view value)>;

// Installs a presenter (an empty one restores the real box); the old one.
InputPresenter SetInputPresenter(InputPresenter presenter);
std::optional<std::wstring> InputQuery(HWND owner, std::wstring_view caption, std::wstring_view prompt,
                                       std::wstring_view value);
// Ends the box that is up, if any, as by Cancel (the program is closing).
void CancelInputQuery();

}  // namespace win
