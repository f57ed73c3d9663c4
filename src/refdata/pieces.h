#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The pieces between the commas of a list attribute, taken as they are: no trimming, and empty
// pieces stay ("a,,b" gives three). Any thread.
[[nodiscard]] std::vector<std::string> gf_splitAtEveryComma(std::string_view text);

}  // namespace orv
