#pragma once

// The check for a new program version and new data files at the first start of the process.

namespace orv {

// False when a new program version was handed over (the run then ends with NEW VERSION).
// Not built yet: nothing is checked; true.
[[nodiscard]] bool gf_checkForUpdates();

}  // namespace orv
