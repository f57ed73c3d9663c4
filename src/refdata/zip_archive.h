#pragma once

// A small owner of libzip archives: one archive open for reading, or one being written. The
// archive is closed (a written one committed only by commit()) when the object goes.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orv {

struct ZipEntry {
  std::uint64_t index = 0;
  std::string name;  // as stored, with '/' or '\' between the folders
  std::uint64_t size = 0;
  [[nodiscard]] bool isDirectory() const { return !name.empty() && name.back() == '/'; }
};

class ZipReader {
 public:
  // Nothing when the file cannot be opened as an archive; the libzip error text goes to error.
  [[nodiscard]] static std::optional<ZipReader> open(const std::filesystem::path& path,
                                                     std::string* error = nullptr);

  ZipReader(ZipReader&&) noexcept;
  ZipReader& operator=(ZipReader&&) noexcept;
  ~ZipReader();

  [[nodiscard]] std::vector<ZipEntry> entries() const;

  // The whole entry; nothing when it cannot be read or holds more than limit bytes.
  [[nodiscard]] std::optional<std::string> read(const ZipEntry& entry, std::uint64_t limit) const;

  // Hands the entry's bytes to the sink in chunks of at most chunkBytes. 0 when all were read and
  // taken, else a libzip error code (or -1 when the sink refused a chunk).
  [[nodiscard]] int copyTo(const ZipEntry& entry, std::size_t chunkBytes,
                           const std::function<bool(std::span<const char>)>& sink) const;

 private:
  struct Handle;
  explicit ZipReader(std::unique_ptr<Handle> handle);
  std::unique_ptr<Handle> handle_;
};

class ZipWriter {
 public:
  // A new archive at the path (an existing file is replaced on commit); nothing on failure.
  [[nodiscard]] static std::optional<ZipWriter> create(const std::filesystem::path& path,
                                                       std::string* error = nullptr);

  ZipWriter(ZipWriter&&) noexcept;
  ZipWriter& operator=(ZipWriter&&) noexcept;
  // Without commit() the archive is discarded.
  ~ZipWriter();

  // An entry with the bytes; a name ending in '/' adds a folder entry.
  [[nodiscard]] bool add(const std::string& name, std::string bytes);
  // Writes the archive; false (error text kept) when that failed.
  [[nodiscard]] bool commit(std::string* error = nullptr);

 private:
  struct Handle;
  explicit ZipWriter(std::unique_ptr<Handle> handle);
  std::unique_ptr<Handle> handle_;
};

}  // namespace orv
