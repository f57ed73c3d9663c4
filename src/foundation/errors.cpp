#include "foundation/errors.h"

#include <fmt/format.h>

#include <string>

namespace orv {
namespace {

std::string lf_messageOf(std::int32_t code, std::string_view text) {
  return code == 99 ? std::string(text) : fmt::format("{}: {}", code, text);
}

}  // namespace

UserErrorException::UserErrorException(std::int32_t code, std::string_view text)
    : std::runtime_error(lf_messageOf(code, text)), code_(code) {}

}  // namespace orv
