#pragma once

// The enciphered data files (".enc"): a libsodium secret stream (XChaCha20-Poly1305) under one
// key built into the program. A 24-byte header, then chunks of 4096 plain bytes plus 17 bytes of
// authentication each, the last one shorter and tagged FINAL.

#include <array>
#include <cstddef>
#include <filesystem>

namespace orv {

inline constexpr std::size_t kDataFileHeaderBytes = 24;
inline constexpr std::size_t kDataFilePlainChunkBytes = 4096;
inline constexpr std::size_t kDataFileChunkBytes = 4096 + 17;

using DataFileKey = std::array<unsigned char, 32>;

// The program's key.
[[nodiscard]] const DataFileKey& gf_dataFileKey();

// Decrypts an enciphered file into the output file with the program's key. On any failure
// (logged as "gf_streamDecrypt exception: ...") the output file is removed and the result is
// false; a file cut short before its FINAL chunk is such a failure.
[[nodiscard]] bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output);

// Enciphers a plain file into the ".enc" format; throws std::runtime_error on failure, leaving no
// partial output behind. The data files come from the download site; the project's tools and
// tests make their own with this.
void gf_streamEncrypt(const std::filesystem::path& input, const std::filesystem::path& output);
void gf_streamEncrypt(const DataFileKey& key, const std::filesystem::path& input,
                      const std::filesystem::path& output);

}  // namespace orv
