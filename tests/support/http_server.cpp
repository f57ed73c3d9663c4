#include "support/http_server.h"

#include <fstream>
#include <span>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

std::string reasonOf(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 302:
      return "Found";
    case 400:
      return "Bad Request";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void sendText(net::Socket& socket, const std::string& text) {
  (void)socket.send(std::span<const char>(text.data(), text.size()));
}

std::string headers(int status, std::size_t length, const std::string& extra = {}) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reasonOf(status) +
         "\r\nContent-Length: " + std::to_string(length) +
         "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n" + extra + "\r\n";
}

// The path without its query, with %xx decoded; nothing for a path that would leave the folder.
std::optional<fs::path> folderPath(const fs::path& folder, const std::string& path) {
  std::string decoded;
  for (std::size_t i = 0; i < path.size() && path[i] != '?'; ++i) {
    if (path[i] == '%' && i + 2 < path.size()) {
      decoded += static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      decoded += path[i];
    }
  }
  fs::path relative = fs::path(decoded).relative_path();
  for (const auto& part : relative)
    if (part == "..") return std::nullopt;
  return folder / relative;
}

}  // namespace

HttpServer::HttpServer(fs::path folder, std::uint16_t port) : folder_(std::move(folder)) {
  listener_ = net::Socket::open(net::Socket::Type::Stream);
  if (!listener_.isOpen() || !listener_.setReuseAddress(true) ||
      !listener_.bind({net::kLoopbackAddress, port}) || !listener_.listen())
    throw std::runtime_error("the HTTP server could not listen on 127.0.0.1");
  const auto endpoint = listener_.localEndpoint();
  if (!endpoint) throw std::runtime_error("the HTTP server has no port");
  port_ = endpoint->port;
  acceptor_ = std::thread([this] { acceptLoop(); });
}

HttpServer::~HttpServer() {
  stop();
}

std::string HttpServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::setRoute(const std::string& path, HttpRoute route) {
  std::scoped_lock lock(mutex_);
  routes_[path] = std::move(route);
}

void HttpServer::removeRoute(const std::string& path) {
  std::scoped_lock lock(mutex_);
  routes_.erase(path);
}

std::vector<HttpRequestRecord> HttpServer::requests() const {
  std::scoped_lock lock(mutex_);
  return requests_;
}

void HttpServer::clearRequests() {
  std::scoped_lock lock(mutex_);
  requests_.clear();
}

void HttpServer::stop() {
  std::vector<std::thread> workers;
  {
    std::scoped_lock lock(mutex_);
    if (stopping_ && !acceptor_.joinable()) return;
    stopping_ = true;
    for (auto& client : clients_) client->close();
  }
  listener_.close();
  if (acceptor_.joinable()) acceptor_.join();
  {
    std::scoped_lock lock(mutex_);
    for (auto& client : clients_) client->close();
    workers.swap(workers_);
  }
  for (auto& worker : workers) worker.join();
}

void HttpServer::acceptLoop() {
  for (;;) {
    net::Socket accepted = listener_.accept();
    if (!accepted.isOpen()) return;
    auto client = std::make_shared<net::Socket>(std::move(accepted));
    std::scoped_lock lock(mutex_);
    if (stopping_) return;
    clients_.push_back(client);
    workers_.emplace_back([this, client] {
      serve(*client);
      client->close();
    });
  }
}

std::optional<HttpRoute> HttpServer::routeOf(const std::string& path) const {
  {
    std::scoped_lock lock(mutex_);
    const auto it = routes_.find(path);
    if (it != routes_.end()) return it->second;
  }
  if (folder_.empty()) return std::nullopt;
  const auto file = folderPath(folder_, path);
  std::error_code ec;
  if (!file || !fs::is_regular_file(*file, ec)) return std::nullopt;
  std::ifstream in(*file, std::ios::binary);
  std::ostringstream body;
  body << in.rdbuf();
  return HttpRoute{200, body.str(), HttpFault::None, {}};
}

void HttpServer::serve(net::Socket& client) {
  client.setReceiveTimeout(std::chrono::seconds{10});
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const long got = client.receive(std::span<char>(buffer, sizeof buffer));
    if (got <= 0) return;
    request.append(buffer, static_cast<std::size_t>(got));
    if (request.size() > 65536) return;
  }
  std::istringstream lines(request.substr(0, request.find("\r\n\r\n")));
  std::string line;
  std::getline(lines, line);
  std::istringstream first(line);
  std::string method, path, version;
  first >> method >> path >> version;
  HttpRequestRecord record{path, {}};
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (lower(line.substr(0, colon)) == "user-agent") {
      std::string value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.erase(value.begin());
      record.userAgent = value;
    }
  }
  {
    std::scoped_lock lock(mutex_);
    requests_.push_back(record);
  }
  if (method != "GET" && method != "HEAD") {
    sendText(client, headers(400, 0));
    return;
  }
  const auto route = routeOf(path);
  if (!route) {
    const std::string body = "not found\n";
    sendText(client, headers(404, body.size()) + (method == "HEAD" ? "" : body));
    return;
  }
  switch (route->fault) {
    case HttpFault::None:
      sendText(client, headers(route->status, route->body.size()) + (method == "HEAD" ? "" : route->body));
      return;
    case HttpFault::CutShort:
      sendText(client, headers(route->status, route->body.size() + 1000) + route->body);
      return;
    case HttpFault::Silence: {
      sendText(client, headers(route->status, route->body.size() + 1000));
      // Waits until the client gives up or the server stops.
      client.setReceiveTimeout(std::nullopt);
      while (client.receive(std::span<char>(buffer, sizeof buffer)) > 0) {
      }
      return;
    }
    case HttpFault::Redirect: {
      const std::string location = route->location.starts_with("/") ? url(route->location) : route->location;
      sendText(client, headers(302, 0, "Location: " + location + "\r\n"));
      return;
    }
  }
}

}  // namespace testing_support
