#include "refdata/updates.h"

namespace orv {

bool gf_checkForUpdates() {
  return true;
}

}  // namespace orv
