#pragma once

// A setting changed for the lifetime of the object and given back its value afterwards, so that
// no test leaves a setting behind for the next one in the same process.

#include <utility>

namespace testing_support {

template <typename Parameter>
class ScopedSetting {
 public:
  template <typename Value>
  ScopedSetting(Parameter& parameter, Value value) : parameter_(parameter), previous_(parameter.value()) {
    parameter_.set(std::move(value));
  }
  ~ScopedSetting() { parameter_.set(previous_); }
  ScopedSetting(const ScopedSetting&) = delete;
  ScopedSetting& operator=(const ScopedSetting&) = delete;

 private:
  Parameter& parameter_;
  decltype(std::declval<Parameter&>().value()) previous_;
};

}  // namespace testing_support
