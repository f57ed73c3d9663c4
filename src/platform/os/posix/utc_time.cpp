#include "platform/os/utc_time.h"

namespace os {

std::optional<std::tm> brokenDownUtc(std::time_t time) {
  std::tm tm{};
  if (!gmtime_r(&time, &tm)) return std::nullopt;
  return tm;
}

}  // namespace os
