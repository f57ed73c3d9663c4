#pragma once

namespace orv {

// One run: the start-up, the main cycle and the closing down. The body of the start-up thread.
void lf_startUpQLST();

}  // namespace orv
