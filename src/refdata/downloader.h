#pragma once

// Downloads from the program's site over HTTP or HTTPS (libcurl's easy interface). A file is
// received into "<target>.part" beside the target and renamed over it only when the whole body
// came with a final 2xx status (and passed its check); on any failure the ".part" goes and an
// installed file stays as it was.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace orv {

// The site's "downloads/" folder, always ending in '/': $QLST_DOWNLOAD_URL when set (http or
// https only), else the program's own site. Empty, logged once while it keeps that value, when the variable
// holds anything else: then nothing is downloaded.
[[nodiscard]] std::string gf_downloadBase();
inline constexpr std::string_view kDownloadUrlVariable = "QLST_DOWNLOAD_URL";
inline constexpr std::string_view kDefaultDownloadBase = "https://www.tessavane.com/downloads/";
inline constexpr std::string_view kUserAgent = "QLST";

// How long a transfer may take before it is abandoned, so that no download hangs the start-up.
struct DownloadLimits {
  std::chrono::seconds connect{10};
  std::chrono::seconds stall{15};  // below 1 byte/s for this long
  std::chrono::seconds file{60};
  std::chrono::seconds installer{600};
};
[[nodiscard]] DownloadLimits gf_downloadLimits();
// For tests, which cannot wait for the real limits.
void gf_setDownloadLimits(const DownloadLimits& limits);

// One libcurl easy handle for one download task, released on every way out.
class DownloadHandle {
 public:
  enum class Kind { File, Installer };
  explicit DownloadHandle(Kind kind = Kind::File);
  ~DownloadHandle();
  DownloadHandle(const DownloadHandle&) = delete;
  DownloadHandle& operator=(const DownloadHandle&) = delete;

  [[nodiscard]] bool valid() const { return curl_ != nullptr; }
  [[nodiscard]] void* native() const { return curl_; }
  [[nodiscard]] Kind kind() const { return kind_; }

 private:
  void* curl_ = nullptr;
  Kind kind_;
};

// Looks at the complete ".part" before it replaces the target; false refuses the file.
using DownloadCheck = std::function<bool(const std::filesystem::path& part)>;

// True when the whole body was stored at the target. byteMode: "wb" rather than "w" (the same
// bytes on this system).
[[nodiscard]] bool gf_downloadFile(DownloadHandle& handle, const std::string& url,
                                   const std::filesystem::path& target, bool byteMode,
                                   const DownloadCheck& check = {});

// The data file of that name from the folder of the program's major version, on a handle of its
// own. An ".enc" file is taken only when it deciphers whole with the program's key.
[[nodiscard]] bool gf_downloadDataFile(std::string_view fileName, const std::filesystem::path& target);

// The check of the ".enc" files.
[[nodiscard]] bool gf_deciphersWhole(const std::filesystem::path& file);

}  // namespace orv
