#include "liveries/liveries.h"

namespace orv {

void gf_scanLiveries() {}

bool isFailedTitle(std::string_view) {
  return false;
}

}  // namespace orv
