#include "traffic/realtraffic_link.h"

namespace orv {

void gf_openServer(std::string_view) {}

bool waitForClient() {
  return false;
}

bool sendDataPacket(std::string_view) {
  return false;
}

std::string gf_receiveRealTraffic() {
  return {};
}

void gf_sendQs121(TrafficRun&) {}

void gf_sendQs123(TrafficRun&) {}

void gf_closeRealTrafficLink() {}

}  // namespace orv
