// A test seam set for one scope: the object installs a replacement through
// the seam's setter and puts the old one back when it goes, also when the
// test fails half way (a failed ASSERT returns through the destructor).
#pragma once

#include <utility>

namespace testing_support {

// Setter: a function that installs a value and returns the old one, such as
// win::SetInputPresenter or app::SetOpenFileDialog.
template <auto Setter, typename Value>
class ScopedSeam {
public:
  explicit ScopedSeam(Value replacement) : old_(Setter(std::move(replacement))) {}
  ~ScopedSeam() { Setter(std::move(old_)); }
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;

private:
  Value old_;
};

}  // namespace testing_support
