#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for the download tests and for serving a folder by hand
// (quillstar-serve). Each path has a route: a status and a body, or a fault that a download must
// survive. Paths without a route come from the folder, when one is served. Every request's path
// and User-Agent are recorded. One connection per request ("Connection: close").

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/socket.h"

namespace testing_support {

enum class HttpFault {
  None,      // the status and the whole body
  CutShort,  // a Content-Length longer than the body, then the connection closes
  Silence,   // the headers and then nothing until the client gives up
  Redirect,  // 302 to the route's location
};

struct HttpRoute {
  int status = 200;
  std::string body;
  HttpFault fault = HttpFault::None;
  std::string location;  // Redirect: an absolute URL or a path on this server
};

struct HttpRequestRecord {
  std::string path;
  std::string userAgent;
};

class HttpServer {
 public:
  // Listens on an ephemeral port of 127.0.0.1 (or the given port); throws std::runtime_error when
  // it cannot. An empty folder serves the routes only.
  explicit HttpServer(std::filesystem::path folder = {}, std::uint16_t port = 0);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  [[nodiscard]] std::uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by the path.
  [[nodiscard]] std::string url(const std::string& path = "/") const;

  void setRoute(const std::string& path, HttpRoute route);
  void removeRoute(const std::string& path);

  [[nodiscard]] std::vector<HttpRequestRecord> requests() const;
  void clearRequests();

  // Closes the listener and every open connection; waits for the threads. The destructor calls it.
  void stop();

 private:
  void acceptLoop();
  void serve(net::Socket& client);
  [[nodiscard]] std::optional<HttpRoute> routeOf(const std::string& path) const;

  std::filesystem::path folder_;
  std::uint16_t port_ = 0;
  net::Socket listener_;
  mutable std::mutex mutex_;
  std::map<std::string, HttpRoute> routes_;
  std::vector<HttpRequestRecord> requests_;
  std::vector<std::shared_ptr<net::Socket>> clients_;
  std::vector<std::thread> workers_;
  bool stopping_ = false;
  std::thread acceptor_;
};

}  // namespace testing_support
