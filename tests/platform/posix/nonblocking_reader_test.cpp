#include "platform/os/nonblocking_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/test_support.h"

namespace {

TEST(NonBlockingReader, AFifoOpensAndReadsWithoutWaitingForItsWriter) {
  testing_support::TempFolder folder;
  const auto fifo = folder.path() / "commands";
  os::NonBlockingReader reader;
  char buffer[16];
  EXPECT_FALSE(reader.open(fifo));  // not there yet
  EXPECT_EQ(reader.read(buffer), 0U);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // No writer: a blocking open or read would hang the test here.
  ASSERT_TRUE(reader.open(fifo));
  EXPECT_EQ(reader.read(buffer), 0U);

  const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  const std::string text = "click Start\nclose\n";
  ASSERT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  EXPECT_EQ(reader.read(buffer), sizeof buffer);  // no more than the buffer holds
  char rest[64];
  const std::size_t n = reader.read(rest);
  EXPECT_EQ(std::string(buffer, sizeof buffer) + std::string(rest, n), text);
  EXPECT_EQ(reader.read(rest), 0U);  // nothing waits
  ::close(writer);
  EXPECT_EQ(reader.read(rest), 0U);  // the writer went
}

}  // namespace
