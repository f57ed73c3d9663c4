#include "refdata/pieces.h"

namespace orv {

std::vector<std::string> gf_splitAtEveryComma(std::string_view text) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    pieces.emplace_back(text.substr(start, comma - start));
    if (comma == std::string_view::npos) return pieces;
    start = comma + 1;
  }
}

}  // namespace orv
