#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/net/socket.h"
#include "platform/os/child_process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::WorkingFolder;
using testing_support::writeFile;

// The whole answer of the server to one GET.
std::string get(std::uint16_t port, const std::string& path) {
  net::Socket socket = net::Socket::open(net::Socket::Type::Stream);
  if (!socket.connect({net::kLoopbackAddress, port})) return "no connection";
  const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: QLST\r\n\r\n";
  (void)socket.send(std::span<const char>(request.data(), request.size()));
  socket.setReceiveTimeout(std::chrono::seconds{5});
  std::string answer;
  char buffer[4096];
  for (long got; (got = socket.receive(std::span<char>(buffer, sizeof buffer))) > 0;)
    answer.append(buffer, static_cast<std::size_t>(got));
  return answer;
}

TEST(ServeTool, ServesTheFilesOfItsFolderAndNothingAboveIt) {
  WorkingFolder folder;
  fs::create_directories("site/downloads/11");
  writeFile("site/downloads/11/dbase.enc", "enciphered bytes");
  writeFile("secret.txt", "not to be served");
  // The server started here goes with the test, whatever fails.
  auto server = os::ChildProcess::start(QUILLSTAR_SERVE_PROGRAM, {"site"}, {"out.txt", "err.txt"});
  ASSERT_TRUE(server.has_value());
  ASSERT_TRUE(testing_support::waitFor([] { return readFile("out.txt").find('\n') != std::string::npos; },
                                       std::chrono::seconds{10}));
  const std::string banner = readFile("out.txt");
  const auto colon = banner.rfind(':');
  ASSERT_NE(colon, std::string::npos) << banner;
  const auto port = static_cast<std::uint16_t>(std::stoi(banner.substr(colon + 1)));

  const std::string found = get(port, "/downloads/11/dbase.enc");
  EXPECT_TRUE(found.starts_with("HTTP/1.1 200 ")) << found;
  EXPECT_TRUE(found.ends_with("\r\n\r\nenciphered bytes")) << found;
  EXPECT_NE(found.find("Content-Length: 16\r\n"), std::string::npos);
  for (const char* path :
       {"/downloads/11/missing.enc", "/../secret.txt", "/downloads/../../secret.txt", "/%2e%2e/secret.txt"}) {
    const std::string answer = get(port, path);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 404 ")) << path;
    EXPECT_EQ(answer.find("not to be served"), std::string::npos) << path;
  }

  ASSERT_TRUE(server->requestClose());
  EXPECT_EQ(server->waitForExit(std::chrono::seconds{10}), 0);
  EXPECT_NE(readFile("out.txt").find("/downloads/11/dbase.enc  (QLST)"), std::string::npos);
}

}  // namespace
