#pragma once

// "SimClient": the one thread that talks with the simulator. It opens the connection, registers
// every identifier of the program, and then calls the dispatch every millisecond until its stop
// is requested. A lost simulator ends the run through the handler that the shell registers.

#include <functional>
#include <stop_token>

#include "platform/simconnect/simconnect.h"

namespace orv {

// The body of the thread.
void gf_simClientThread(std::stop_token stop);

// Start-up thread: starts "SimClient" for the run; a thread of an earlier run that is still
// held is stopped and joined first.
void gf_startSimClient();
// Start-up thread (closing down): requests the stop of "SimClient" and waits until it has ended.
void gf_stopSimClient();

// What "SimClient" calls, at most once per thread, when the simulator is lost; the argument is
// true when the simulator that answered is the other version. Set by the shell, which the link
// must not call.
void gf_setSimulatorLostHandler(std::function<void(bool otherVersion)> handler);

// The registration of the program's system events, data definitions, client events and group.
void lf_registerSimConnect(sc::Handle handle);
// The simulator that answered the open; throws UserErrorException with code 2024 for the other
// version of the two, and with code 77 for any other simulator.
void lf_onOpen(const sc::RecvOpen& record);
enum class DispatchEnd { Serving, SimulatorGone };
// One dispatch of "SimClient", which serves the simulator (SimClientServing). SimulatorGone when
// the dispatch failed or the simulator quit (logged; the caller reports the loss): a request that
// failed since the last dispatch failed for that reason. Serving otherwise, and such a request
// then ends the run as a SimConnect error.
[[nodiscard]] DispatchEnd lf_dispatchOnce(sc::Handle handle);
// Closes a handle that is not 0 and sets it to 0.
void lf_closeSimConnect(sc::Handle& handle);

}  // namespace orv
