#pragma once

namespace orv {

// Links the settings into the foundation routines that follow them (the random choices, the
// detected simulator folders), which cannot read the settings themselves. Once per process,
// before the run's threads start.
void gf_linkSettingsIntoFoundation();

}  // namespace orv
