#include "refdata/downloader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "download_fixture.h"
#include "platform/os/environment.h"
#include "refdata/zip_archive.h"

namespace {

namespace fs = std::filesystem;
using namespace orv;
using download_testing::DownloadSite;
using testing_support::HttpFault;
using testing_support::HttpRoute;
using testing_support::readFile;
using testing_support::writeFile;

TEST(DownloadBase, ComesFromTheVariableWhenItIsAWebAddress) {
  struct BaseCase {
    std::optional<std::string> variable;
    std::string base;
  };
  const std::vector<BaseCase> cases = {
      {std::nullopt, std::string(kDefaultDownloadBase)},
      {"http://127.0.0.1:8000/downloads/", "http://127.0.0.1:8000/downloads/"},
      {"https://example.org/downloads", "https://example.org/downloads/"},
      {"ftp://example.org/downloads/", ""},
      {"file:///tmp/downloads/", ""},
      {"", ""},
  };
  for (const BaseCase& c : cases) {
    std::optional<testing_support::ScopedEnv> env;
    if (c.variable) {
      env.emplace("QLST_DOWNLOAD_URL", *c.variable);
    } else {
      env.emplace("QLST_DOWNLOAD_URL", "");
      os::removeEnvironmentVariable("QLST_DOWNLOAD_URL");
    }
    EXPECT_EQ(gf_downloadBase(), c.base) << c.variable.value_or("<unset>");
  }
}

class Downloader : public DownloadSite {};

TEST_F(Downloader, AnAddressThatIsNoWebAddressIsLoggedOnce) {
  EXPECT_EQ(gf_downloadBase(), server.url("/downloads/"));
  testing_support::ScopedEnv base("QLST_DOWNLOAD_URL", "gopher://127.0.0.1/downloads/");
  markLog();
  EXPECT_EQ(gf_downloadBase(), "");
  EXPECT_EQ(gf_downloadBase(), "");
  EXPECT_FALSE(gf_downloadDataFile("dbase.enc", "dbase.enc"));
  const auto lines = logSinceMark();
  EXPECT_EQ(
      std::count(
          lines.begin(), lines.end(),
          "==> QLST_DOWNLOAD_URL 'gopher://127.0.0.1/downloads/' is no http or https address: nothing is "
          "downloaded"),
      1);
  EXPECT_TRUE(server.requests().empty());
  EXPECT_FALSE(fs::exists("dbase.enc"));
}

TEST_F(Downloader, StoresTheWholeBodyWithTheProgramsUserAgent) {
  std::string body(300000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  serveBody("big.bin", body);
  DownloadHandle handle;
  ASSERT_TRUE(gf_downloadFile(handle, gf_downloadBase() + "big.bin", "big.bin", true));
  EXPECT_EQ(readFile("big.bin"), body);
  // The same handle serves a second download.
  serveBody("small.txt", "small");
  ASSERT_TRUE(gf_downloadFile(handle, gf_downloadBase() + "small.txt", "small.txt", false));
  EXPECT_EQ(readFile("small.txt"), "small");
  ASSERT_EQ(server.requests().size(), 2u);
  for (const auto& request : server.requests()) EXPECT_EQ(request.userAgent, "QLST");
  EXPECT_FALSE(partFileLeft());
}

TEST_F(Downloader, FollowsAFewRedirectsOnly) {
  serveBody("target.txt", "arrived");
  serve("hop1", {302, "", HttpFault::Redirect, "/downloads/target.txt"});
  serve("loop", {302, "", HttpFault::Redirect, "/downloads/loop"});
  DownloadHandle handle;
  EXPECT_TRUE(gf_downloadFile(handle, gf_downloadBase() + "hop1", "hop.txt", true));
  EXPECT_EQ(readFile("hop.txt"), "arrived");
  server.clearRequests();
  EXPECT_FALSE(gf_downloadFile(handle, gf_downloadBase() + "loop", "loop.txt", true));
  EXPECT_EQ(server.requests().size(), 6u);  // the first request and five redirects
  EXPECT_FALSE(fs::exists("loop.txt"));
}

TEST_F(Downloader, AFailureLeavesTheTargetAsItWas) {
  struct FailCase {
    const char* name;
    HttpRoute route;
  };
  const std::vector<FailCase> cases = {
      {"500", {500, "server error page", HttpFault::None, {}}},
      {"cut", {200, "half of it", HttpFault::CutShort, {}}},
      {"stall", {200, "", HttpFault::Silence, {}}},
      {"redirect to a 404", {302, "", HttpFault::Redirect, "/downloads/none"}},
  };
  for (const FailCase& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile("data.bin", "installed bytes");
    serve("data.bin", c.route);
    DownloadHandle handle;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(gf_downloadFile(handle, gf_downloadBase() + "data.bin", "data.bin", true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds{10});
    EXPECT_EQ(readFile("data.bin"), "installed bytes");
    EXPECT_FALSE(fs::exists("data.bin.part"));
    EXPECT_TRUE(logHas("Download error: '" +
                       std::string(c.name == std::string("cut")     ? "Transferred a partial file"
                                   : c.name == std::string("stall") ? "Timeout was reached"
                                                                    : "HTTP response code said error") +
                       "' for " + gf_downloadBase() + "data.bin"));
  }
}

TEST_F(Downloader, ACheckRefusesTheFileBeforeItReplacesTheTarget) {
  writeFile("data.bin", "installed bytes");
  serveBody("data.bin", "new bytes");
  DownloadHandle handle;
  fs::path seen;
  EXPECT_FALSE(
      gf_downloadFile(handle, gf_downloadBase() + "data.bin", "data.bin", true, [&](const fs::path& part) {
        seen = part;
        return readFile(part) == "something else";
      }));
  EXPECT_EQ(seen, fs::path("data.bin.part"));
  EXPECT_EQ(readFile("data.bin"), "installed bytes");
  EXPECT_FALSE(fs::exists("data.bin.part"));
}

TEST_F(Downloader, ATargetInAMissingFolderIsNotOpened) {
  serveBody("data.bin", "bytes");
  DownloadHandle handle;
  EXPECT_FALSE(gf_downloadFile(handle, gf_downloadBase() + "data.bin", "no/such/folder/data.bin", true));
  EXPECT_TRUE(logHas("Could not open output file: no/such/folder/data.bin"));
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(Downloader, DataFilesComeFromTheMajorVersionFolderAndMustDecipher) {
  fs::create_directories("input");
  writeFile("input/dbase.enc", "installed");
  const std::string good = download_testing::enciphered("<dbase/>");
  serveBody("11/dbase.enc", good);
  EXPECT_TRUE(gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
  EXPECT_EQ(readFile("input/dbase.enc"), good);
  EXPECT_TRUE(logHas("Downloaded '" + gf_downloadBase() + "11/dbase.enc' to 'input/dbase.enc'"));

  serveBody("11/dbase.enc", good.substr(0, good.size() - 1));  // the FINAL chunk cut
  EXPECT_FALSE(gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
  EXPECT_EQ(readFile("input/dbase.enc"), good);
  EXPECT_TRUE(logHas("==> Downloading '" + gf_downloadBase() + "11/dbase.enc' failed !"));
  EXPECT_FALSE(partFileLeft());
  for (const auto& entry : fs::directory_iterator("input")) EXPECT_EQ(entry.path().filename(), "dbase.enc");
}

TEST(ZipArchive, WritesAndReadsEntries) {
  testing_support::TempFolder temp;
  const fs::path path = temp.path() / "a.zip";
  {
    auto writer = ZipWriter::create(path);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->add("folder/", ""));
    ASSERT_TRUE(writer->add("folder/one.txt", "first"));
    ASSERT_TRUE(writer->add("two.bin", std::string("\0\1\2", 3)));
    // Without commit nothing is written.
  }
  EXPECT_FALSE(fs::exists(path));
  {
    auto writer = ZipWriter::create(path);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->add("folder/", ""));
    ASSERT_TRUE(writer->add("folder/one.txt", "first"));
    ASSERT_TRUE(writer->add("two.bin", std::string("\0\1\2", 3)));
    ASSERT_TRUE(writer->commit());
  }
  auto reader = ZipReader::open(path);
  ASSERT_TRUE(reader);
  const auto entries = reader->entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_TRUE(entries[0].isDirectory());
  EXPECT_EQ(entries[1].name, "folder/one.txt");
  EXPECT_FALSE(entries[1].isDirectory());
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_EQ(reader->read(entries[1], 100), "first");
  EXPECT_EQ(reader->read(entries[2], 100), std::string("\0\1\2", 3));
  EXPECT_EQ(reader->read(entries[1], 4), std::nullopt);  // over the limit
  std::string chunks;
  int calls = 0;
  EXPECT_EQ(reader->copyTo(entries[1], 2,
                           [&](std::span<const char> c) {
                             ++calls;
                             chunks.append(c.data(), c.size());
                             return true;
                           }),
            0);
  EXPECT_EQ(chunks, "first");
  EXPECT_EQ(calls, 3);
  EXPECT_NE(reader->copyTo(entries[1], 2, [](std::span<const char>) { return false; }), 0);
}

TEST(ZipArchive, SomethingElseIsNoArchive) {
  testing_support::TempFolder temp;
  std::string error;
  EXPECT_FALSE(ZipReader::open(temp.path() / "missing.zip", &error));
  EXPECT_FALSE(error.empty());
  writeFile(temp.path() / "text.zip", "this is no archive");
  EXPECT_FALSE(ZipReader::open(temp.path() / "text.zip"));
}

}  // namespace
