#include "refdata/downloader.h"

#include <curl/curl.h>
#include <fmt/format.h>

#include <cstdlib>
#include <exception>
#include <fstream>
#include <mutex>
#include <optional>

#include "foundation/data_cipher.h"
#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/program.h"
#include "platform/os/environment.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

std::mutex limitsMutex;
DownloadLimits limits;

std::mutex baseMutex;
std::optional<std::string> lastRefusedBase;

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

size_t writeToFile(char* data, size_t size, size_t count, void* user) {
  auto& out = *static_cast<std::ofstream*>(user);
  out.write(data, static_cast<std::streamsize>(size * count));
  return out ? size * count : 0;
}

void removeQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

// The ".part" file of a transfer: removed unless it was renamed over the target. A stream opened
// by path, so that a folder name outside ASCII works where paths are wide (Windows).
struct PartFile {
  fs::path path;
  std::ofstream file;
  bool kept = false;
  ~PartFile() {
    if (file.is_open()) file.close();  // an open file cannot be removed everywhere
    if (!kept) removeQuietly(path);
  }
  bool close() {
    file.close();
    return !file.fail();
  }
};

}  // namespace

std::string gf_downloadBase() {
  std::string base =
      os::environmentVariable(std::string(kDownloadUrlVariable)).value_or(std::string(kDefaultDownloadBase));
  std::scoped_lock lock(baseMutex);
  if (!startsWith(base, "http://") && !startsWith(base, "https://")) {
    if (lastRefusedBase != base) {
      lastRefusedBase = base;
      gf_logImportant(fmt::format("{} '{}' is no http or https address: nothing is downloaded",
                                  kDownloadUrlVariable, base));
    }
    return {};
  }
  // A good address seen: the next bad one is logged again.
  lastRefusedBase.reset();
  if (base.back() != '/') base += '/';
  return base;
}

DownloadLimits gf_downloadLimits() {
  std::scoped_lock lock(limitsMutex);
  return limits;
}

void gf_setDownloadLimits(const DownloadLimits& newLimits) {
  std::scoped_lock lock(limitsMutex);
  limits = newLimits;
}

DownloadHandle::DownloadHandle(Kind kind) : kind_(kind) {
  initCurlOnce();
  curl_ = curl_easy_init();
}

DownloadHandle::~DownloadHandle() {
  if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

bool gf_downloadFile(DownloadHandle& handle, const std::string& url, const fs::path& target, bool byteMode,
                     const DownloadCheck& check) {
  if (!handle.valid()) return false;
  try {
    PartFile part;
    part.path = target;
    part.path += ".part";
    part.file.open(part.path, byteMode ? std::ios::binary | std::ios::trunc : std::ios::trunc);
    if (!part.file) {
      gf_logLine(fmt::format("Could not open output file: {}", target.string()));
      return false;
    }

    const DownloadLimits limit = gf_downloadLimits();
    const long fileSeconds = static_cast<long>(
        (handle.kind() == DownloadHandle::Kind::Installer ? limit.installer : limit.file).count());
    CURL* curl = static_cast<CURL*>(handle.native());
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, std::string(kUserAgent).c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &writeToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &part.file);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limit.connect.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limit.stall.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, fileSeconds);

    const CURLcode code = curl_easy_perform(curl);
    if (code != CURLE_OK) {
      gf_logLine(fmt::format("Download error: '{}' for {}", curl_easy_strerror(code), url));
      return false;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
      gf_logLine(fmt::format("Download error: 'HTTP status {}' for {}", status, url));
      return false;
    }
    if (!part.close()) {
      gf_logLine(fmt::format("Download error: 'could not write {}' for {}", part.path.string(), url));
      return false;
    }
    if (check && !check(part.path)) {
      gf_logImportant(fmt::format("Download refused: '{}' is no usable file", url));
      return false;
    }
    std::error_code ec;
    if (!gf_replaceWithTemporary(part.path, target, ec)) {
      gf_logLine(fmt::format("Download error: 'could not rename {}: {}' for {}", part.path.string(),
                             ec.message(), url));
      return false;
    }
    part.kept = true;
    return true;
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("Downloader exception: '{}', {} => {}", e.what(), url, target.string()));
    return false;
  }
}

bool gf_deciphersWhole(const fs::path& file) {
  fs::path plain = file;
  plain += ".plain";
  const bool ok = gf_streamDecrypt(file, plain);
  removeQuietly(plain);
  return ok;
}

bool gf_downloadDataFile(std::string_view fileName, const fs::path& target) {
  const std::string base = gf_downloadBase();
  const std::string url = fmt::format("{}{}/{}", base, kVersionMajor, fileName);
  DownloadCheck check;
  if (fs::path(fileName).extension() == ".enc") check = &gf_deciphersWhole;
  DownloadHandle handle;
  const bool ok = !base.empty() && gf_downloadFile(handle, url, target, true, check);
  if (ok)
    gf_logLine(fmt::format("Downloaded '{}' to '{}'", url, target.string()));
  else
    gf_logImportant(fmt::format("Downloading '{}' failed !", url));
  return ok;
}

}  // namespace orv
