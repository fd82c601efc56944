// TForm6: the one-line text dialog of the missing-file browser (its file
// filter). One seam, so that tests can answer it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

struct FilterRequest {
  std::wstring caption;
  std::wstring prompt;
  int promptPoints = 8;
  std::wstring text;         // shown first, all selected
  std::wstring defaultText;  // put into the edit whenever it becomes empty
  // Texts that OK refuses (without regard to case), with the message that says why.
  std::vector<std::wstring> forbidden;
  std::wstring forbiddenMessage;
  HWND owner = nullptr;
};

// The trimmed text on OK, nothing on Cancel, Esc or the close box.
using FilterPresenter = std::function<std::optional<std::wstring>(const FilterRequest&)>;
FilterPresenter SetFilterPresenter(FilterPresenter presenter);
std::optional<std::wstring> ShowFilterDialog(const FilterRequest& request);

}  // namespace kestrel
