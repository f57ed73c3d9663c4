#pragma once

// The working-folder paths that the shared file routines need.

#include <filesystem>

namespace orv {

// "tblo": the bundle folder of generated stand files.
[[nodiscard]] std::filesystem::path gf_tbloPath();
// "airports/my_thirdparty": the generated stand files of the user's add-on airports.
[[nodiscard]] std::filesystem::path gf_myThirdPartyPath();

}  // namespace orv
