#include "simlink/sim_messages.h"

#include <mutex>
#include <vector>

namespace orv {
namespace {

std::mutex simMessageMutex;
std::vector<SimMessage> simMessages;  // guarded by simMessageMutex

}  // namespace

void gf_postSimMessage(const SimMessage& message) {
  std::scoped_lock lock(simMessageMutex);
  simMessages.push_back(message);
}

void gf_drainSimMessages(const std::function<void(std::span<SimMessage>)>& handler) {
  std::scoped_lock lock(simMessageMutex);
  handler(simMessages);
  simMessages.clear();
}

void gf_resetSimMessages() {
  std::scoped_lock lock(simMessageMutex);
  simMessages.clear();
}

}  // namespace orv
