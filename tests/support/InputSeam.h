// Answers the input box for one scope.
#pragma once

#include "Seams.h"
#include "base/InputBox.h"

namespace testing_support {

using InputSeam = ScopedSeam<&win::SetInputPresenter, win::InputPresenter>;

}  // namespace testing_support
