#pragma once

// A working folder with the program's installed data, a test HTTP server as the download site,
// and the settings, flags and limits that the update check changes, restored afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/http_server.h"
#include "support/test_support.h"

namespace download_testing {

// The bytes of a zip archive with the (name, content) entries; a name ending in '/' is a folder.
std::string zipBytes(const std::vector<std::pair<std::string, std::string>>& entries);
// The text enciphered with the program's key, as the site delivers a data file.
std::string enciphered(const std::string& plain);

// A versions.json with every item at the version, except the given (item, "a.b.c") ones; an
// item given with an empty version is left out.
std::string versionsJson(const std::string& all,
                         const std::vector<std::pair<std::string, std::string>>& changes = {});

class DownloadSite : public testing::Test {
 protected:
  DownloadSite();
  ~DownloadSite() override;

  // Each installed data file and version, a livery scan result and a filled "my_simaddon".
  void installEverything(const std::string& version = "11.4.0");

  void serve(const std::string& path, testing_support::HttpRoute route) {
    server.setRoute("/downloads/" + path, std::move(route));
  }
  void serveBody(const std::string& path, std::string body) { serve(path, {200, std::move(body), {}, {}}); }

  [[nodiscard]] std::vector<std::string> requestedPaths() const;
  [[nodiscard]] bool requested(const std::string& path) const;
  // The log lines after the last markLog() (all of them before the first).
  void markLog();
  [[nodiscard]] std::vector<std::string> logSinceMark() const;
  [[nodiscard]] bool logHas(const std::string& line) const;
  // Any file ending in ".part" under the working folder.
  [[nodiscard]] bool partFileLeft() const;

  testing_support::WorkingFolder folder;
  testing_support::HttpServer server;

 private:
  std::size_t logMark_ = 0;
  struct Saved;
  std::unique_ptr<Saved> saved_;
};

}  // namespace download_testing
