#include "platform/os/utc_time.h"

#include <time.h>

namespace os {

std::optional<std::tm> brokenDownUtc(std::time_t time) {
  std::tm tm{};
  if (gmtime_s(&tm, &time) != 0) return std::nullopt;
  return tm;
}

}  // namespace os
