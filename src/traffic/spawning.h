#pragma once

// The spawning of live aircraft: livery, stand or flying start, the adding stack. Start-up thread.

namespace orv {

class TrafficRun;

// Aircraft that found no livery are tried again. Not built yet: no such set is kept.
void emptyNoLiverySet(TrafficRun& run);

}  // namespace orv
