// Runs a function when the scope is left, by return or by exception: for
// flags and states that must come back whatever happens in between.
#pragma once

#include <utility>

template <typename F>
class [[nodiscard]] ScopeExit {
public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() {
    if (armed_) f_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

  // The function will not run.
  void Release() { armed_ = false; }

private:
  F f_;
  bool armed_ = true;
};
