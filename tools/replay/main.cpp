// quillstar-replay: sends a recording of RealTraffic traffic lines to the program as UDP
// datagrams, one line per datagram, paced by the lines' timestamps or at a fixed rate, with a
// QNH datagram every 10 seconds. Ends at the end of the file.

#include <fmt/format.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/socket.h"
#include "replay/replay.h"

namespace {

void usage() {
  fmt::print(stderr,
             "usage: quillstar-replay FILE [--host ADDRESS] [--port N] [--qnh-port N] [--qnh HPA]\n"
             "                        [--speed FACTOR | --rate LINES_PER_SECOND] [--keep-timestamps]\n"
             "  Sends each line of FILE as one UDP datagram (default 127.0.0.1:49005), paced by the\n"
             "  lines' timestamps (field 14) divided by FACTOR, or at a fixed rate; timestamps are\n"
             "  moved to start now unless --keep-timestamps; a QNH datagram goes to --qnh-port\n"
             "  (default 49004) every 10 s.\n");
}

// The address text as a host-order IPv4 address; throws for anything else.
std::uint32_t ipv4Address(const std::string& host) {
  const auto address = net::parseIpv4Address(host);
  if (!address) throw std::invalid_argument("not an IPv4 address: " + host);
  return *address;
}

volatile std::sig_atomic_t interrupted = 0;

}  // namespace

int main(int argc, char** argv) {
  std::string file, host = "127.0.0.1";
  std::uint32_t address = 0;
  int port = 49005, qnhPort = 49004, qnh = 1013;
  bool keepTimestamps = false;
  replay::Pacing pacing;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      auto value = [&]() -> std::string {
        if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
        return argv[++i];
      };
      if (arg == "--host")
        host = value();
      else if (arg == "--port")
        port = std::stoi(value());
      else if (arg == "--qnh-port")
        qnhPort = std::stoi(value());
      else if (arg == "--qnh")
        qnh = std::stoi(value());
      else if (arg == "--speed")
        pacing.speed = std::stod(value());
      else if (arg == "--rate")
        pacing.linesPerSecond = std::stod(value());
      else if (arg == "--keep-timestamps")
        keepTimestamps = true;
      else if (arg == "--help" || arg == "-h") {
        usage();
        return 0;
      } else if (file.empty() && !arg.starts_with("--"))
        file = arg;
      else
        throw std::invalid_argument("unknown argument " + arg);
    }
    if (file.empty()) throw std::invalid_argument("no file given");
    address = ipv4Address(host);
    if (pacing.speed <= 0 || (pacing.linesPerSecond && *pacing.linesPerSecond <= 0))
      throw std::invalid_argument("speed and rate must be above 0");
  } catch (const std::exception& e) {
    fmt::print(stderr, "quillstar-replay: {}\n", e.what());
    usage();
    return 2;
  }

  std::ifstream in(file);
  if (!in) {
    fmt::print(stderr, "quillstar-replay: cannot read {}\n", file);
    return 1;
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  std::signal(SIGINT, [](int) { interrupted = 1; });
  std::signal(SIGTERM, [](int) { interrupted = 1; });

  const double now =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  const auto planned =
      replay::plan(lines, pacing, keepTimestamps ? std::nullopt : std::optional<double>(now));
  net::Socket sender = net::Socket::open(net::Socket::Type::Datagram);
  if (!sender.isOpen()) {
    fmt::print(stderr, "quillstar-replay: no UDP socket\n");
    return 1;
  }
  const auto send = [&](int toPort, const std::string& text) {
    (void)sender.sendTo(text, net::Ipv4Endpoint{address, static_cast<std::uint16_t>(toPort)});
  };
  const std::string qnhDatagram = fmt::format("{{\"QNH\": {}}}", qnh);
  const auto start = std::chrono::steady_clock::now();
  auto nextQnh = start;
  std::size_t sent = 0;
  for (const auto& line : planned) {
    while (!interrupted) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= nextQnh) {
        send(qnhPort, qnhDatagram);
        nextQnh += std::chrono::seconds{10};
      }
      const auto due = start + line.due;
      if (now >= due) break;
      std::this_thread::sleep_until(std::min(due, nextQnh));
    }
    if (interrupted) break;
    send(port, line.text);
    ++sent;
  }
  fmt::print("quillstar-replay: sent {} of {} lines to {}:{}\n", sent, planned.size(), host, port);
  return interrupted ? 130 : 0;
}
