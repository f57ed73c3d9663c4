#include "airports/bgl_records.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <exception>
#include <set>

namespace orv {
namespace {

constexpr std::uint32_t kHeaderSize = 56;
constexpr std::uint64_t kFirstSectionWord = 14;
constexpr std::uint64_t kSectionWords = 5;
constexpr std::uint32_t kAirportSection = 3;
constexpr std::uint16_t kAirportRecord = 0x56;
constexpr std::uint16_t kUnreadAirportRecord = 0x113;
constexpr std::uint16_t kHelipad = 0x26;
constexpr std::uint16_t kTaxiwayParking = 0xE7;
constexpr std::uint64_t kAirportSubRecords = 68;
constexpr std::uint64_t kHelipadBytes = 32;
constexpr std::uint64_t kParkingEntryBytes = 56;
constexpr int kLoopLimit = 9000;
constexpr std::uint32_t kParkingTypeMask = 0xCFFE;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

// The file as little-endian words, a last partial word completed with zero bytes. Every read
// outside the words gives 0; callers check their bounds first. A view: the file's bytes are held
// once, by the caller, for as long as the words are read.
class Words {
 public:
  explicit Words(std::string_view bytes) : bytes_(bytes), padded_((bytes.size() + 3) / 4 * 4) {}
  [[nodiscard]] std::uint64_t size() const { return padded_ / 4; }
  [[nodiscard]] std::uint64_t bytes() const { return padded_; }
  [[nodiscard]] bool has(std::uint64_t index) const { return index < size(); }
  [[nodiscard]] std::uint32_t at(std::uint64_t index) const { return has(index) ? u32(index * 4) : 0U; }
  [[nodiscard]] std::uint16_t u16(std::uint64_t offset) const {
    return static_cast<std::uint16_t>(byte(offset) | (byte(offset + 1) << 8));
  }
  [[nodiscard]] std::uint32_t u32(std::uint64_t offset) const {
    return static_cast<std::uint32_t>(u16(offset)) | (static_cast<std::uint32_t>(u16(offset + 2)) << 16);
  }
  [[nodiscard]] float f32(std::uint64_t offset) const {
    const std::uint32_t raw = u32(offset);
    float value = 0.0F;
    std::memcpy(&value, &raw, sizeof value);
    return value;
  }
  // The size of the record at the offset; a size too small for a header counts as 0.
  [[nodiscard]] std::uint64_t recordSize(std::uint64_t byteOffset) const {
    const std::uint64_t size = rawRecordSize(byteOffset);
    return size < 6 ? 0 : size;
  }
  [[nodiscard]] std::uint64_t rawRecordSize(std::uint64_t byteOffset) const {
    return static_cast<std::uint64_t>(u16(byteOffset + 2)) +
           static_cast<std::uint64_t>(u16(byteOffset + 4)) * 65536U;
  }

 private:
  [[nodiscard]] std::uint32_t byte(std::uint64_t offset) const {
    return offset < bytes_.size() ? static_cast<unsigned char>(bytes_[offset]) : 0U;
  }
  std::string_view bytes_;
  std::uint64_t padded_;
};

double packedLongitude(std::uint32_t value) {
  return value * 360.0 / (3.0 * 268435456.0) - 180.0;
}
double packedLatitude(std::uint32_t value) {
  return 90.0 - value * 180.0 / 536870912.0;
}

bool positionValid(double lat, double lon) {
  if (lat < -90.0 || lat > 90.0 || lon < -180.0 || lon > 180.0) return false;
  return !(std::fabs(lat) <= 0.0001 && std::fabs(lon) <= 0.0001);
}

std::string parkingPrefix(std::uint32_t name) {
  static constexpr std::array<const char*, 12> kPrefixes = {"",   "r",   "p",  "np",  "ep", "sep",
                                                            "sp", "swp", "wp", "nwp", "g",  ""};
  if (name < kPrefixes.size()) return kPrefixes[name];
  if (name <= 37) return std::string(1, static_cast<char>('A' + (name - 12)));
  return "";
}

class Decoder {
 public:
  Decoder(std::string_view bytes, const BglContext& context) : words_(bytes), context_(context) {}

  BglResult run() {
    try {
      walkFile();
    } catch (const std::exception& e) {
      result_.programLog.push_back(fmt::format("Exception in lf_processBGLfile (std::ex): {} \xE2\x80\x94 {}",
                                               context_.file, e.what()));
    } catch (...) {
      result_.programLog.push_back(fmt::format("Exception in lf_processBGLfile: {}", context_.file));
    }
    return std::move(result_);
  }

 private:
  void walkFile() {
    if (words_.size() <= 1 || words_.at(1) != kHeaderSize || words_.size() <= kFirstSectionWord) return;
    const std::uint64_t count = words_.at(5);
    if (count == 0 || kFirstSectionWord + kSectionWords * count > words_.size()) return;
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t entry = kFirstSectionWord + kSectionWords * i;
      const std::uint32_t sizeCode = words_.at(entry + 1);
      const std::uint32_t subsectionSize = ((sizeCode & 0x10000U) | 0x40000U) >> 14;
      const std::uint64_t firstRecordWord = static_cast<std::uint64_t>(words_.at(entry + 3)) / 4 + 2;
      if (words_.at(entry) != kAirportSection || subsectionSize != 16 || !words_.has(firstRecordWord))
        continue;
      walkSection(static_cast<std::uint64_t>(words_.at(firstRecordWord)) / 4);
    }
  }

  void walkSection(std::uint64_t o2) {
    int records = 0;
    while (words_.has(o2)) {
      if (++records > kLoopLimit) {
        result_.programLog.emplace_back("Error: Maximum loop iterations reached (2) ");
        return;
      }
      const std::uint64_t start = o2 * 4;
      const std::uint16_t type = words_.u16(start);
      const std::uint64_t size = words_.recordSize(start);
      if (type == kUnreadAirportRecord && context_.simulator == BglSimulator::Msfs2024) {
        ++result_.unrecognisedAirports;
      }
      if (type == kAirportRecord) {
        if (size == 0) {
          result_.programLog.push_back(fmt::format("   Warning: decodeSizeAtBoundary returned {} at o2 = {}",
                                                   words_.rawRecordSize(start), o2));
          return;
        }
        if (size >= 44 && words_.has(o2 + 10)) {
          if (auto icao = acceptedIcao(words_.at(o2 + 10))) readAirport(o2, size, *icao);
        }
      }
      if (size == 0) return;
      o2 += size / 4;
    }
  }

  std::optional<std::string> acceptedIcao(std::uint32_t packed) {
    auto icao = gf_decodeBglIcao(packed);
    if (!icao || icao->size() < 3 || icao->size() > 4) return std::nullopt;
    if (icao->size() == 4 && context_.isKnownAirport && context_.isKnownAirport(*icao)) return icao;
    result_.scanLog.push_back(fmt::format("{} is not an airport supported by RealTraffic ", *icao));
    return std::nullopt;
  }

  void readAirport(std::uint64_t o2, std::uint64_t size, const std::string& icao) {
    BglAirport found;
    found.airport.icao = icao;
    if (context_.findLink) found.link = context_.findLink(icao);
    if (found.link && context_.simulator == BglSimulator::Msfs2024) {
      result_.airports.push_back(std::move(found));
      return;
    }
    const std::uint64_t start = o2 * 4;
    if (size >= 24) {
      const auto millimetres = static_cast<std::int32_t>(words_.u32(start + 20));
      const double feet = std::round(millimetres * 3.2808399 / 1000.0);
      found.airport.altitude = (feet < -20.0 || feet > 10000.0) ? 0 : static_cast<std::int32_t>(feet);
    }
    airport_ = &found.airport;
    usedIds_.clear();
    helipads_.clear();
    walkSubRecords(start, start + size);
    airport_ = nullptr;

    std::stable_sort(found.airport.stands.begin(), found.airport.stands.end(),
                     [](const Stand& a, const Stand& b) { return a.id < b.id; });
    const std::int32_t archived = found.link ? found.link->archivedStands : 0;
    const bool simaddon = found.link && found.link->publisher == "simaddon";
    const bool more = static_cast<std::int64_t>(found.airport.stands.size()) > archived && !simaddon;
    if (more) {
      result_.scanLog.push_back(fmt::format("===> {} has {} parkpos while archived one has {}",
                                            icao.empty() ? std::string(20, ' ') : icao,
                                            found.airport.stands.size(), archived));
    }
    found.generate = !found.link || more;
    result_.airports.push_back(std::move(found));
  }

  void walkSubRecords(std::uint64_t begin, std::uint64_t recordEnd) {
    int subRecords = 0;
    for (std::uint64_t at = begin + kAirportSubRecords; at < recordEnd;) {
      if (++subRecords > kLoopLimit) {
        result_.programLog.emplace_back("Error: Maximum loop iterations reached (1) ");
        return;
      }
      const std::uint64_t o3 = at / 4;
      const std::uint64_t size = words_.recordSize(at);
      if (size == 0) {
        result_.programLog.push_back(
            fmt::format("   Warning: decodeSizeAtBoundary returned 0 at o3 = {}", o3));
        return;
      }
      if (at + size > words_.bytes()) {
        result_.programLog.push_back(
            fmt::format("   Error: o3={} exceeded data buffer size ({}), aborting.", o3, words_.size()));
        return;
      }
      if (at + size > recordEnd) {
        result_.programLog.push_back(
            fmt::format("   Error: o3={} exceeded airport record end ({}), aborting.", o3, recordEnd / 4));
        return;
      }
      const std::uint16_t type = words_.u16(at);
      if (type == kHelipad) {
        readHelipad(at, size);
      } else if (type == kTaxiwayParking) {
        readParkings(at, size);
        return;
      }
      at += size;
    }
  }

  void readHelipad(std::uint64_t at, std::uint64_t size) {
    if (size < kHelipadBytes) return;
    const double lon = packedLongitude(words_.u32(at + 12));
    const double lat = packedLatitude(words_.u32(at + 16));
    const float length = words_.f32(at + 28);
    if (!std::isfinite(length) || length < 0.0F) return;
    if (!positionValid(lat, lon)) {
      result_.scanLog.push_back(fmt::format("lat/lon helipad incorrect (skipped): {:.6f},{:.6f}", lat, lon));
      return;
    }
    for (const auto& [seenLat, seenLon] : helipads_) {
      if (std::fabs(seenLat - lat) < 1e-8 && std::fabs(seenLon - lon) < 1e-8) {
        result_.scanLog.push_back(fmt::format("double helipad {:.6f},{:.6f} (skipped) ", lat, lon));
        return;
      }
    }
    helipads_.emplace_back(lat, lon);
    std::string id = fmt::format("helipad{}", helipads_.size());
    usedIds_.insert(id);
    airport_->stands.emplace_back(std::move(id), std::vector<StandSchedule>{}, lat, lon, 0.0,
                                  static_cast<double>(length) / 2.0, false, false, true);
  }

  void readParkings(std::uint64_t at, std::uint64_t size) {
    if (size < 8) return;
    const std::uint64_t end = at + size;
    const std::uint16_t count = words_.u16(at + 6);
    std::uint64_t entry = at + 8;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t flags = words_.u32(entry);
      const std::uint64_t length = kParkingEntryBytes + 4ULL * (flags >> 24);
      if (entry + length > end) {
        result_.scanLog.push_back(
            fmt::format("===> Parking list cut short at entry {} of {} in {}", i + 1, count, context_.file));
        return;
      }
      readParking(entry, flags);
      entry += length;
    }
  }

  void readParking(std::uint64_t entry, std::uint32_t flags) {
    const float radius = words_.f32(entry + 4);
    if (!(radius > 1.0F && radius < 200.0F)) {
      result_.scanLog.push_back(
          fmt::format("Skipped position with radius {:.1F} m in {}", radius, context_.file));
      return;
    }
    const std::string id = parkingPrefix(flags & 0x3FU) + std::to_string((flags >> 12) & 0xFFFU);
    const std::uint32_t type = (flags >> 8) & 0xFU;
    if ((kParkingTypeMask & (1U << type)) == 0) return;
    const double lon = packedLongitude(words_.u32(entry + 28));
    const double lat = packedLatitude(words_.u32(entry + 32));
    if (!positionValid(lat, lon)) {
      result_.scanLog.push_back(fmt::format("LatLon {:.6f},{:.6f} invalid (skipped)", lat, lon));
      return;
    }
    auto unique = uniqueId(id);
    if (!unique) return;
    const float degrees = words_.f32(entry + 8);
    double heading = std::isfinite(degrees) ? static_cast<double>(degrees) * kPi / 180.0 : 0.0;
    if (std::isfinite(degrees) && degrees == 0.0F) heading = kTwoPi;
    airport_->stands.emplace_back(std::move(*unique), std::vector<StandSchedule>{}, lat, lon, heading,
                                  static_cast<double>(radius), type == 5,
                                  (type >= 1 && type <= 7) || type == 14, false);
  }

  std::optional<std::string> uniqueId(const std::string& id) {
    if (usedIds_.insert(id).second) return id;
    for (const char letter : std::string_view("abcdefghij")) {
      std::string candidate = id + letter;
      if (usedIds_.insert(candidate).second) return candidate;
    }
    result_.scanLog.push_back(
        fmt::format("===> Warning: more than 10 duplicate IDs {} in {}", id, context_.file));
    return std::nullopt;
  }

  Words words_;
  const BglContext& context_;
  BglResult result_;
  ScannedAirport* airport_ = nullptr;
  std::set<std::string> usedIds_;
  std::vector<std::pair<double, double>> helipads_;
};

}  // namespace

std::optional<std::string> gf_decodeBglIcao(std::uint32_t packed) {
  std::uint32_t value = packed >> 5;
  if (value == 0) return std::nullopt;
  std::string text;
  while (value != 0) {
    if (text.size() == 10) return std::nullopt;
    const std::uint32_t digit = value % 38;
    value /= 38;
    if (digit < 2) return std::nullopt;
    text.insert(text.begin(),
                digit < 12 ? static_cast<char>('0' + (digit - 2)) : static_cast<char>('A' + (digit - 12)));
  }
  return text;
}

BglResult gf_decodeBgl(std::string_view bytes, const BglContext& context) {
  return Decoder(bytes, context).run();
}

bool gf_bglHasAirportSection(std::string_view bytes) {
  if (bytes.size() < 57) return false;
  const Words words(bytes);
  const std::uint64_t listed = std::min<std::uint64_t>(words.at(5), (bytes.size() - 56) / 20);
  for (std::uint64_t i = 0; i < listed; ++i) {
    if (words.at(kFirstSectionWord + kSectionWords * i) == kAirportSection) return true;
  }
  return false;
}

}  // namespace orv
