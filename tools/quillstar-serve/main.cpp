// Serves a folder over HTTP on 127.0.0.1, as the program's download site does, for the demo and
// for trying the update check by hand:
//   quillstar-serve <folder> [port]
// then QLST_DOWNLOAD_URL=http://127.0.0.1:<port>/downloads/ when the folder holds "downloads".

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>

#include "platform/os/close_signals.h"
#include "support/http_server.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s <folder> [port]\n", argv[0]);
    return 2;
  }
  std::mutex mutex;
  std::condition_variable ended;
  bool stop = false;
  os::CloseSignals signals([&] {
    std::scoped_lock lock(mutex);
    stop = true;
    ended.notify_all();
  });
  try {
    const long port = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    if (port < 0 || port > 65535) {
      std::fprintf(stderr, "no port: %s\n", argv[2]);
      return 2;
    }
    testing_support::HttpServer server(argv[1], static_cast<std::uint16_t>(port));
    std::printf("Serving %s at %s\n", argv[1], server.url().c_str());
    std::fflush(stdout);
    std::unique_lock lock(mutex);
    ended.wait(lock, [&] { return stop; });
    lock.unlock();
    server.stop();
    for (const auto& request : server.requests())
      std::printf("%s  (%s)\n", request.path.c_str(), request.userAgent.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillstar-serve: %s\n", e.what());
    return 1;
  }
}
