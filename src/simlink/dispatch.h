#pragma once

// Every record that the simulator sends arrives in lf_dispatch, on the "SimClient" thread.

#include <cstdint>

#include "platform/simconnect/simconnect.h"

namespace orv {

// The callback of SimConnect_CallDispatch. May throw UserErrorException (an unrecognised or
// mismatched simulator), which ends "SimClient".
void lf_dispatch(const sc::Recv* data, std::uint32_t cbData, void* context);

// For the next run, with "SimClient" ended: the state of the dispatch, the user aircraft, the
// queues, the messages and the display back to their start values.
void gf_resetSimLink();

}  // namespace orv
