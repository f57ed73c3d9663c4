#include "foundation/files.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "foundation/charset.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "platform/os/durable_file.h"
#include "platform/os/file_copy.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

// One step of a generation shift: copy `from` over `to` when `from` exists.
bool copyGeneration(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  const bool exists = fs::exists(from, ec);
  if (ec) {
    gf_logImportant(fmt::format("exists({}): {}", gf_pathToUtf8(from), ec.message()));
    return false;
  }
  if (!exists) return true;
  if (!os::copyFileReplacing(from, to, ec)) {
    gf_logImportant(
        fmt::format("copy {} -> {} failed: {}", gf_pathToUtf8(from), gf_pathToUtf8(to), ec.message()));
    return false;
  }
  return true;
}

template <typename Lines>
bool lf_writeLines(const Lines& lines, const fs::path& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  for (const std::string& line : lines) out << line << '\n';
  out.flush();
  return static_cast<bool>(out);
}

bool lf_hasXmlExtension(const fs::path& path) {
  return gf_toUpper(path.extension().string()) == ".XML";
}

// Removes the regular files directly in the folder that `wanted` accepts; never raises.
template <typename Wanted>
void lf_removeFilesIn(const fs::path& folder, std::string_view caller, Wanted wanted) {
  try {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return;
    for (const auto& entry : fs::directory_iterator(folder, fs::directory_options::skip_permission_denied)) {
      if (!entry.is_regular_file(ec) || !wanted(entry.path())) continue;
      if (!fs::remove(entry.path(), ec) && ec)
        gf_logImportant(fmt::format("Failed to remove {} ({})", gf_pathToUtf8(entry.path()), ec.message()));
    }
  } catch (const std::exception& e) {
    gf_logImportant(fmt::format("{} exception: {}", caller, e.what()));
  }
}

}  // namespace

fs::path gf_generationPath(const fs::path& path, int generation) {
  // The dot of the file name, not of a dotted folder above it.
  std::string name = path.filename().string();
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  name.insert(dot, static_cast<std::size_t>(generation), '0');
  return path.parent_path() / name;
}

bool gf_save1GenerationOf(const fs::path& path) {
  const auto first = gf_generationPath(path, 1);
  if (first.empty()) {
    gf_logImportant(fmt::format("gf_save1GenerationOf: no dot in filename: {}", gf_pathToUtf8(path)));
    return false;
  }
  return copyGeneration(path, first);
}

bool gf_saveUpto3GenerationsOf(const fs::path& path) {
  if (gf_generationPath(path, 1).empty()) {
    gf_logImportant(fmt::format("gf_saveUpto3GenerationsOf: no dot in filename: {}", gf_pathToUtf8(path)));
    return false;
  }
  bool ok = true;
  for (int k = 3; k >= 1; --k) {
    const auto from = k == 1 ? path : gf_generationPath(path, k - 1);
    ok = copyGeneration(from, gf_generationPath(path, k)) && ok;
  }
  return ok;
}

std::string gf_readFile(const fs::path& path, std::vector<std::string>& lines, std::size_t expectedLines) {
  lines.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string(kOpenFailed);
  lines.reserve(expectedLines);
  gf_readStreamLines(in, lines);
  return {};
}

bool gf_writeFile(std::string_view text, const fs::path& path, bool appendLineFeed) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << text;
  if (appendLineFeed) out << '\n';
  out.flush();
  return static_cast<bool>(out);
}

std::optional<std::string> gf_readFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) return std::nullopt;
  return bytes;
}

bool gf_writeLines(const std::vector<std::string>& lines, const fs::path& path) {
  return lf_writeLines(lines, path);
}

bool gf_writeLines(const std::list<std::string>& lines, const fs::path& path) {
  return lf_writeLines(lines, path);
}

bool gf_replaceWithTemporary(const fs::path& temporary, const fs::path& target, std::error_code& ec) {
  if (os::replaceFileDurably(temporary, target, ec)) return true;
  std::error_code ignored;
  fs::remove(temporary, ignored);
  return false;
}

void gf_removeFileIfExists(const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return;
  if (!fs::remove(path, ec) && ec)
    gf_logImportant(
        fmt::format("Warning: could not remove {}, errorcode: {}", gf_pathToUtf8(path), ec.value()));
}

void gf_removeFilesFromDirectory(const fs::path& folder) {
  lf_removeFilesIn(folder, "gf_removeFilesFromDirectory", [](const fs::path&) { return true; });
}

void gf_removeXMLFilesFromDirectory() {
  lf_removeFilesIn(gf_paths().tblo, "gf_removeXMLFilesFromDirectory", lf_hasXmlExtension);
}

std::size_t gf_countDirEntries(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return 0;
  std::size_t count = 0;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) ++count;
  return count;
}

std::vector<fs::path> gf_listMyThirdPartyXmlFiles() {
  std::vector<fs::path> files;
  files.reserve(64);
  std::error_code ec;
  const fs::path folder = gf_paths().myThirdparty;
  if (!fs::is_directory(folder, ec)) return files;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec) && lf_hasXmlExtension(it->path())) files.push_back(it->path());
  }
  // The folder's listing order differs between file systems.
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace orv
