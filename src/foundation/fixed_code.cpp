#include "foundation/fixed_code.h"

#include <stdexcept>

namespace orv {

void gf_throwFixedCodeError() {
  throw std::invalid_argument("FixedCode: invalid string (length/charset)");
}

}  // namespace orv
