// Answers the recording window's input box for one scope.
#pragma once

#include "Seams.h"
#include "recorder/InputBox.h"

namespace testing_support {

using InputSeam = ScopedSeam<&recorder::SetInputPresenter, recorder::InputPresenter>;

}  // namespace testing_support
