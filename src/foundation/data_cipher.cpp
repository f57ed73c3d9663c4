#include "foundation/data_cipher.h"

#include <fmt/format.h>
#include <sodium.h>

#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "foundation/files.h"
#include "foundation/log.h"
#include "foundation/utf.h"

namespace orv {
namespace {

static_assert(kDataFileHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(kDataFileChunkBytes == kDataFilePlainChunkBytes + crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(std::tuple_size_v<DataFileKey> == crypto_secretstream_xchacha20poly1305_KEYBYTES);

constexpr DataFileKey kKey = {0x9e, 0x3c, 0x51, 0xd7, 0xa0, 0xb2, 0x4f, 0x68, 0xc1, 0xd5, 0xe7,
                              0xf9, 0x0a, 0x2b, 0x4c, 0x6d, 0x8e, 0x0f, 0x1a, 0x2b, 0x3c, 0x4d,
                              0x5e, 0x6f, 0x7a, 0x8b, 0x9c, 0x0d, 0x1e, 0x2f, 0x3a, 0x4b};

// libsodium wants sodium_init() once before any other call; later calls are cheap but the
// first must not race, so it sits in a function-local static.
void lf_initSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw std::runtime_error("libsodium could not be initialised");
}

std::streamsize lf_read(std::ifstream& in, unsigned char* buffer, std::size_t size) {
  in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
  return in.gcount();
}

void lf_write(std::ofstream& out, const unsigned char* buffer, std::size_t size,
              const std::filesystem::path& path) {
  out.write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("Could not write output file: " + gf_pathToUtf8(path));
}

// Both files of one pass, opened without translation; the output is created or truncated.
struct Streams {
  Streams(const std::filesystem::path& input, const std::filesystem::path& output)
      : in(input, std::ios::binary), out() {
    if (!in.is_open()) throw std::runtime_error("Could not open input file: " + gf_pathToUtf8(input));
    out.open(output, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) throw std::runtime_error("Could not open output file: " + gf_pathToUtf8(output));
  }
  std::ifstream in;
  std::ofstream out;
};

void lf_decryptStream(const DataFileKey& key, const std::filesystem::path& input,
                      const std::filesystem::path& output) {
  lf_initSodium();
  Streams streams(input, output);
  std::ifstream& in = streams.in;
  std::ofstream& out = streams.out;

  std::array<unsigned char, kDataFileHeaderBytes> header{};
  // A file shorter than its header was cut short: nothing in it can be trusted.
  if (lf_read(in, header.data(), header.size()) != static_cast<std::streamsize>(header.size()))
    throw std::runtime_error("Decryption failed");
  crypto_secretstream_xchacha20poly1305_state state;
  if (crypto_secretstream_xchacha20poly1305_init_pull(&state, header.data(), key.data()) != 0)
    throw std::runtime_error("Invalid header or key");

  std::vector<unsigned char> inBuffer(kDataFileChunkBytes);
  std::vector<unsigned char> outBuffer(kDataFilePlainChunkBytes);
  bool final = false;
  for (std::streamsize got = lf_read(in, inBuffer.data(), inBuffer.size()); got > 0;
       got = lf_read(in, inBuffer.data(), inBuffer.size())) {
    unsigned long long plainBytes = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&state, outBuffer.data(), &plainBytes, &tag,
                                                   inBuffer.data(), static_cast<unsigned long long>(got),
                                                   nullptr, 0) != 0)
      throw std::runtime_error("Decryption failed");
    lf_write(out, outBuffer.data(), static_cast<std::size_t>(plainBytes), output);
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
      final = true;
      break;  // whatever follows the final chunk is not part of the file
    }
  }
  // Without its FINAL chunk the stream was cut short, a truncated download say.
  if (!final) throw std::runtime_error("Decryption failed");
  out.close();
  if (!out) throw std::runtime_error("Could not write output file: " + gf_pathToUtf8(output));
}

}  // namespace

const DataFileKey& gf_dataFileKey() {
  return kKey;
}

bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output) {
  try {
    lf_decryptStream(kKey, input, output);
    return true;
  } catch (const std::exception& e) {
    gf_logLine(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
    gf_removeFileIfExists(output);
    return false;
  }
}

void gf_streamEncrypt(const std::filesystem::path& input, const std::filesystem::path& output) {
  gf_streamEncrypt(kKey, input, output);
}

namespace {

void lf_encryptStream(const DataFileKey& key, Streams& streams, const std::filesystem::path& input,
                      const std::filesystem::path& output) {
  std::ifstream& in = streams.in;
  std::ofstream& out = streams.out;

  std::array<unsigned char, kDataFileHeaderBytes> header{};
  crypto_secretstream_xchacha20poly1305_state state;
  if (crypto_secretstream_xchacha20poly1305_init_push(&state, header.data(), key.data()) != 0)
    throw std::runtime_error("Could not start the stream");
  lf_write(out, header.data(), header.size(), output);

  std::vector<unsigned char> plain(kDataFilePlainChunkBytes);
  std::vector<unsigned char> cipher(kDataFileChunkBytes);
  bool final = false;
  while (!final) {
    const std::streamsize got = lf_read(in, plain.data(), plain.size());
    if (in.bad()) throw std::runtime_error("Could not read input file: " + gf_pathToUtf8(input));
    // The last chunk is the one after which the input has nothing more; an empty file gives
    // one empty FINAL chunk.
    final = in.peek() == std::ifstream::traits_type::eof();
    const unsigned char tag = final ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                    : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
    unsigned long long cipherBytes = 0;
    if (crypto_secretstream_xchacha20poly1305_push(&state, cipher.data(), &cipherBytes, plain.data(),
                                                   static_cast<unsigned long long>(got), nullptr, 0,
                                                   tag) != 0)
      throw std::runtime_error("Encryption failed");
    lf_write(out, cipher.data(), static_cast<std::size_t>(cipherBytes), output);
  }
  out.close();
  if (!out) throw std::runtime_error("Could not write output file: " + gf_pathToUtf8(output));
}

}  // namespace

void gf_streamEncrypt(const DataFileKey& key, const std::filesystem::path& input,
                      const std::filesystem::path& output) {
  lf_initSodium();
  Streams streams(input, output);
  try {
    lf_encryptStream(key, streams, input, output);
  } catch (...) {
    // The output was made here and is only part of a data file: it goes. Whatever stood at the
    // path before, when the output could not be opened at all, is left alone.
    streams.out.close();
    std::error_code ec;
    std::filesystem::remove(output, ec);
    throw;
  }
}

}  // namespace orv
