// Early return on a failed HRESULT, so that a chain of COM calls reads as a
// list rather than a cascade of nested ifs.
#pragma once

#include <windows.h>

#define RETURN_IF_FAILED(expr)        \
  do {                                \
    const HRESULT hr_rif_ = (expr);   \
    if (FAILED(hr_rif_)) return hr_rif_; \
  } while (0)
