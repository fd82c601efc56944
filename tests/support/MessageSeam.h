// Answers the program's message boxes in tests and records what they showed.
// Header-only: include it from tests that link the lists library.
#pragma once

#include <windows.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/KestrelErrors.h"

namespace testing_support {

struct ShownBox {
  std::wstring text;
  std::wstring caption;
  UINT type = 0;
  UINT icon() const { return type & MB_ICONMASK; }
  UINT buttons() const { return type & MB_TYPEMASK; }
};

// Thrown instead of ending the process.
struct ProgramEnded : std::runtime_error {
  ProgramEnded() : std::runtime_error("program ended") {}
};

class MessageSeam {
public:
  MessageSeam() {
    oldPresenter_ = kestrel::SetMessagePresenter([this](HWND, std::wstring_view text, std::wstring_view caption,
                                                        UINT type) {
      boxes.push_back({std::wstring(text), std::wstring(caption), type});
      if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
      }
      switch (type & MB_TYPEMASK) {
        case MB_YESNO: return IDYES;
        case MB_RETRYCANCEL: return IDCANCEL;
        default: return IDOK;
      }
    });
    oldEnd_ = kestrel::SetProgramEndHandler([] { throw ProgramEnded(); });
  }
  ~MessageSeam() {
    kestrel::SetMessagePresenter(std::move(oldPresenter_));
    kestrel::SetProgramEndHandler(std::move(oldEnd_));
  }
  MessageSeam(const MessageSeam&) = delete;
  MessageSeam& operator=(const MessageSeam&) = delete;

  const ShownBox& last() const {
    if (boxes.empty()) throw std::logic_error("no box was shown");
    return boxes.back();
  }

  std::vector<ShownBox> boxes;
  std::deque<int> answers;  // ids returned in order; then a default answer

private:
  kestrel::MessagePresenter oldPresenter_;
  kestrel::ProgramEndHandler oldEnd_;
};

}  // namespace testing_support
