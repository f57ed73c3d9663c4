#include "foundation/data_cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "foundation/log.h"
#include "support/foundation_state.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;

std::string plainText(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return text;
}

std::string encipher(const std::string& plain, const orv::DataFileKey& key = orv::gf_dataFileKey()) {
  writeFile("plain.xml", plain);
  orv::gf_streamEncrypt(key, "plain.xml", "data.enc");
  fs::remove("plain.xml");
  return readFile("data.enc");
}

// The log lines written so far, the log closed.
std::vector<std::string> logLines() {
  orv::gf_closeLog();
  return readLines(orv::gf_logPath());
}

bool logHas(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using DataCipher = testing_support::FreshFoundationTest;

TEST_F(DataCipher, RoundTripsAcrossChunkBoundaries) {
  WorkingFolder folder;
  struct Case {
    std::size_t plainBytes;
    std::size_t encipheredBytes;  // header plus chunks of 4096 + 17
  };
  const Case cases[] = {
      {0, 24 + 17},      {1, 24 + 18},           {4095, 24 + 4112},
      {4096, 24 + 4113}, {4097, 24 + 4113 + 18}, {10000, 24 + 2 * 4113 + (10000 - 8192) + 17},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plainBytes);
    const std::string plain = plainText(c.plainBytes);
    EXPECT_EQ(encipher(plain).size(), c.encipheredBytes);
    ASSERT_TRUE(orv::gf_streamDecrypt("data.enc", "out.xml"));
    EXPECT_EQ(readFile("out.xml"), plain);
  }
}

// A file enciphered by another implementation of the secret stream (PyNaCl, with the program's
// key and 4096-byte chunks): the program's key and framing must read what the site makes, not
// only what the program's own encipherer makes.
TEST_F(DataCipher, AFileMadeElsewhereDecryptsToItsKnownText) {
  WorkingFolder folder;
  const fs::path data = QUILLSTAR_FOUNDATION_DATA;
  const std::string plain = readFile(data / "known_answer.xml");
  ASSERT_GT(plain.size(), 2 * orv::kDataFilePlainChunkBytes);  // two full chunks and a shorter last one
  EXPECT_EQ(fs::file_size(data / "known_answer.enc"),
            orv::kDataFileHeaderBytes + 2 * orv::kDataFileChunkBytes +
                (plain.size() - 2 * orv::kDataFilePlainChunkBytes) + 17);
  ASSERT_TRUE(orv::gf_streamDecrypt(data / "known_answer.enc", "known_answer.xml"));
  EXPECT_EQ(readFile("known_answer.xml"), plain);
}

TEST_F(DataCipher, DataAfterTheFinalChunkIsIgnored) {
  WorkingFolder folder;
  // Chunks are read 4113 bytes at a time, so the bytes after a full-size final chunk are never
  // part of it.
  for (const std::size_t size : {4096u, 8192u}) {
    SCOPED_TRACE(size);
    const std::string plain = plainText(size);
    writeFile("data.enc", encipher(plain) + "trailing bytes of a longer download");
    ASSERT_TRUE(orv::gf_streamDecrypt("data.enc", "out.xml"));
    EXPECT_EQ(readFile("out.xml"), plain);
  }
}

TEST_F(DataCipher, DamagedOrForeignFilesFailAndLeaveNoOutput) {
  WorkingFolder folder;
  orv::gf_openLog();
  const std::string good = encipher(plainText(10000));
  orv::DataFileKey otherKey = orv::gf_dataFileKey();
  otherKey[5] ^= 0x01;
  std::string secondChunkFlipped = good;
  secondChunkFlipped[24 + 4113 + 100] ^= 0x40;

  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"another key", encipher(plainText(10000), otherKey)},
      {"a byte of the second chunk flipped", secondChunkFlipped},
      {"the final chunk missing", good.substr(0, 24 + 2 * 4113)},
      {"cut in the middle of a chunk", good.substr(0, 24 + 4113 + 2000)},
      {"a header alone", good.substr(0, 24)},
      {"shorter than the header", good.substr(0, 10)},
      {"empty", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile("data.enc", c.file);
    writeFile("out.xml", "stale plain text of an earlier reading");
    EXPECT_FALSE(orv::gf_streamDecrypt("data.enc", "out.xml"));
    EXPECT_FALSE(fs::exists("out.xml"));
  }
  const auto lines = logLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "gf_streamDecrypt exception: Decryption failed"),
            static_cast<long>(std::size(cases)));
}

TEST_F(DataCipher, FilesThatCannotBeOpened) {
  WorkingFolder folder;
  orv::gf_openLog();
  EXPECT_FALSE(orv::gf_streamDecrypt("input/missing.enc", "out.xml"));
  EXPECT_FALSE(fs::exists("out.xml"));
  encipher("<root/>");
  EXPECT_FALSE(orv::gf_streamDecrypt("data.enc", "no such folder/out.xml"));
  EXPECT_THROW(orv::gf_streamEncrypt("missing.xml", "x.enc"), std::runtime_error);
  EXPECT_FALSE(fs::exists("x.enc"));
  const auto lines = logLines();
  EXPECT_TRUE(logHas(lines, "gf_streamDecrypt exception: Could not open input file: input/missing.enc"));
  EXPECT_TRUE(
      logHas(lines, "gf_streamDecrypt exception: Could not open output file: no such folder/out.xml"));
}

TEST_F(DataCipher, AFailedEncipheringLeavesNoPartOfAFile) {
  WorkingFolder folder;
  // A folder opens as a file here and fails at the first read, after the header was written.
  fs::create_directory("plain");
  EXPECT_THROW(orv::gf_streamEncrypt("plain", "data.enc"), std::runtime_error);
  EXPECT_FALSE(fs::exists("data.enc"));
  // An output that cannot be opened is not the encipherer's to remove.
  writeFile("plain.xml", "<root/>");
  fs::create_directory("input");
  EXPECT_THROW(orv::gf_streamEncrypt("plain.xml", "input"), std::runtime_error);
  EXPECT_TRUE(fs::is_directory("input"));
}

}  // namespace
