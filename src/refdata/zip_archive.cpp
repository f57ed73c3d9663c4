#include "refdata/zip_archive.h"

#include <zip.h>

#include <deque>

#include "foundation/utf.h"

namespace orv {

namespace {

std::string errorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

}  // namespace

struct ZipReader::Handle {
  zip_t* archive = nullptr;
  ~Handle() {
    if (archive) zip_discard(archive);  // read only: nothing to write back
  }
};

ZipReader::ZipReader(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
ZipReader::ZipReader(ZipReader&&) noexcept = default;
ZipReader& ZipReader::operator=(ZipReader&&) noexcept = default;
ZipReader::~ZipReader() = default;

std::optional<ZipReader> ZipReader::open(const std::filesystem::path& path, std::string* error) {
  int code = 0;
  zip_t* archive = zip_open(gf_pathToUtf8(path).c_str(), ZIP_RDONLY, &code);
  if (!archive) {
    if (error) *error = errorText(code);
    return std::nullopt;
  }
  auto handle = std::make_unique<Handle>();
  handle->archive = archive;
  return ZipReader(std::move(handle));
}

std::vector<ZipEntry> ZipReader::entries() const {
  std::vector<ZipEntry> list;
  const zip_int64_t count = zip_get_num_entries(handle_->archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(handle_->archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0) continue;
    ZipEntry entry;
    entry.index = static_cast<std::uint64_t>(i);
    entry.name = (stat.valid & ZIP_STAT_NAME) && stat.name ? stat.name : "";
    entry.size = (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0;
    list.push_back(std::move(entry));
  }
  return list;
}

int ZipReader::copyTo(const ZipEntry& entry, std::size_t chunkBytes,
                      const std::function<bool(std::span<const char>)>& sink) const {
  zip_file_t* file = zip_fopen_index(handle_->archive, entry.index, 0);
  if (!file) return zip_error_code_zip(zip_get_error(handle_->archive));
  std::vector<char> buffer(chunkBytes == 0 ? 1 : chunkBytes);
  int result = 0;
  for (;;) {
    const zip_int64_t got = zip_fread(file, buffer.data(), buffer.size());
    if (got < 0) {
      result = zip_error_code_zip(zip_file_get_error(file));
      if (result == 0) result = -1;
      break;
    }
    if (got == 0) break;
    if (!sink(std::span<const char>(buffer.data(), static_cast<std::size_t>(got)))) {
      result = -1;
      break;
    }
  }
  zip_fclose(file);
  return result;
}

std::optional<std::string> ZipReader::read(const ZipEntry& entry, std::uint64_t limit) const {
  std::string bytes;
  const int result = copyTo(entry, 0x10000, [&](std::span<const char> chunk) {
    if (bytes.size() + chunk.size() > limit) return false;
    bytes.append(chunk.data(), chunk.size());
    return true;
  });
  if (result != 0) return std::nullopt;
  return bytes;
}

struct ZipWriter::Handle {
  zip_t* archive = nullptr;
  // libzip reads the added buffers only at commit, so they live here until then.
  std::deque<std::string> buffers;
  ~Handle() {
    if (archive) zip_discard(archive);
  }
};

ZipWriter::ZipWriter(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
ZipWriter::ZipWriter(ZipWriter&&) noexcept = default;
ZipWriter& ZipWriter::operator=(ZipWriter&&) noexcept = default;
ZipWriter::~ZipWriter() = default;

std::optional<ZipWriter> ZipWriter::create(const std::filesystem::path& path, std::string* error) {
  int code = 0;
  zip_t* archive = zip_open(gf_pathToUtf8(path).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!archive) {
    if (error) *error = errorText(code);
    return std::nullopt;
  }
  auto handle = std::make_unique<Handle>();
  handle->archive = archive;
  return ZipWriter(std::move(handle));
}

bool ZipWriter::add(const std::string& name, std::string bytes) {
  if (!handle_->archive) return false;
  if (!name.empty() && name.back() == '/')
    return zip_dir_add(handle_->archive, name.c_str(), ZIP_FL_ENC_UTF_8) >= 0;
  const std::string& stored = handle_->buffers.emplace_back(std::move(bytes));
  zip_source_t* source = zip_source_buffer(handle_->archive, stored.data(), stored.size(), 0);
  if (!source) return false;
  if (zip_file_add(handle_->archive, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
    zip_source_free(source);
    return false;
  }
  return true;
}

bool ZipWriter::commit(std::string* error) {
  if (!handle_->archive) return false;
  if (zip_close(handle_->archive) != 0) {
    if (error) *error = zip_strerror(handle_->archive);
    return false;  // the handle stays; the destructor discards it
  }
  handle_->archive = nullptr;
  return true;
}

}  // namespace orv
