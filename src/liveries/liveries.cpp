#include "liveries/liveries.h"

namespace orv {

bool isFailedTitle(std::string_view) {
  return false;
}

}  // namespace orv
