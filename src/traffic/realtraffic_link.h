#pragma once

// The TCP control link with RealTraffic: its server, the handshake and the messages the run
// sends. Start-up thread, except gf_closeRealTrafficLink (any thread).

#include <string>
#include <string_view>

namespace orv {

class TrafficRun;

// Opens the server on the port; throws when the port cannot be opened. Not built yet: nothing
// is opened.
void gf_openServer(std::string_view port);
// Not built yet: no client connects; false.
[[nodiscard]] bool waitForClient();
// Not built yet: nothing is sent; false.
bool sendDataPacket(std::string_view text);
// Not built yet: nothing is received; empty.
[[nodiscard]] std::string gf_receiveRealTraffic();
// The user aircraft's state ("Qs121="). Not built yet: nothing is sent.
void gf_sendQs121(TrafficRun& run);
// The simulator time to a professional peer ("Qs123="). Not built yet: nothing is sent.
void gf_sendQs123(TrafficRun& run);
// Sends "exit" and closes the link. Not built yet: there is no link.
void gf_closeRealTrafficLink();

}  // namespace orv
