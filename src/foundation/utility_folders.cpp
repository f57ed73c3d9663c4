#include "foundation/utility_folders.h"

namespace orv {

std::filesystem::path gf_tbloPath() {
  return "tblo";
}

std::filesystem::path gf_myThirdPartyPath() {
  return std::filesystem::path("airports") / "my_thirdparty";
}

}  // namespace orv
