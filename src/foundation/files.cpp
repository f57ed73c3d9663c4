#include "foundation/files.h"

#include <fmt/format.h>

#include <string>

#include "foundation/log.h"

namespace orv {
namespace {

// One step of a generation shift: copy `from` over `to` when `from` exists.
bool copyGeneration(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code ec;
  const bool exists = std::filesystem::exists(from, ec);
  if (ec) {
    gf_logImportant(fmt::format("exists({}): {}", from.string(), ec.message()));
    return false;
  }
  if (!exists) return true;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) {
    gf_logImportant(fmt::format("copy {} -> {} failed: {}", from.string(), to.string(), ec.message()));
    return false;
  }
  return true;
}

}  // namespace

std::filesystem::path gf_generationPath(const std::filesystem::path& path, int generation) {
  std::string text = path.string();
  const auto dot = text.rfind('.');
  if (dot == std::string::npos) return {};
  text.insert(dot, static_cast<std::size_t>(generation), '0');
  return text;
}

bool gf_save1GenerationOf(const std::filesystem::path& path) {
  const auto first = gf_generationPath(path, 1);
  if (first.empty()) {
    gf_logImportant(fmt::format("gf_save1GenerationOf: no dot in filename: {}", path.string()));
    return false;
  }
  return copyGeneration(path, first);
}

bool gf_saveUpto3GenerationsOf(const std::filesystem::path& path) {
  if (gf_generationPath(path, 1).empty()) {
    gf_logImportant(fmt::format("gf_saveUpto3GenerationsOf: no dot in filename: {}", path.string()));
    return false;
  }
  bool ok = true;
  for (int k = 3; k >= 1; --k) {
    const auto from = k == 1 ? path : gf_generationPath(path, k - 1);
    ok = copyGeneration(from, gf_generationPath(path, k)) && ok;
  }
  return ok;
}

}  // namespace orv
