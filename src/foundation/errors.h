#pragma once

// The program's own exception for failures that the user must see.

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace orv {

// what() is "{code}: {text}", or the text alone for code 99. The code tells the throw sites apart
// in the log; it is kept as well, so that a catcher can test it rather than the message's text.
class UserErrorException : public std::runtime_error {
 public:
  UserErrorException(std::int32_t code, std::string_view text);
  [[nodiscard]] std::int32_t code() const noexcept { return code_; }

 private:
  std::int32_t code_;
};

}  // namespace orv
