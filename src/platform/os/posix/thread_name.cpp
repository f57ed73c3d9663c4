#include "platform/os/thread_name.h"

#include <pthread.h>

#include <string>

namespace os {

void nameThisThread(std::string_view name) {
  // Linux refuses a longer name outright (ERANGE) rather than cutting it.
  constexpr std::size_t kLongest = 15;
  const std::string text(name.substr(0, kLongest));
  pthread_setname_np(pthread_self(), text.c_str());
}

}  // namespace os
