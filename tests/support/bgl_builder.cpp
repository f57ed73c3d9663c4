#include "support/bgl_builder.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace orv::test {
namespace {

constexpr std::size_t kHeaderBytes = 56;
constexpr std::size_t kSectionEntryBytes = 20;
constexpr std::size_t kSubsectionEntryBytes = 16;
constexpr std::size_t kAirportFixedBytes = 68;
constexpr std::size_t kParkingFixedBytes = 56;

void putU16(std::string& out, std::uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFFU));
  out.push_back(static_cast<char>(value >> 8));
}
void putU32(std::string& out, std::uint32_t value) {
  putU16(out, static_cast<std::uint16_t>(value & 0xFFFFU));
  putU16(out, static_cast<std::uint16_t>(value >> 16));
}
void putF32(std::string& out, float value) {
  std::uint32_t raw = 0;
  std::memcpy(&raw, &value, sizeof raw);
  putU32(out, raw);
}
void pad(std::string& out, std::size_t until) {
  out.resize(until, '\0');
}

std::string helipad(const BglHelipadSpec& spec) {
  std::string out;
  putU16(out, 0x26);
  putU32(out, spec.size);
  pad(out, 12);
  putU32(out, bglLongitude(spec.lon));
  putU32(out, bglLatitude(spec.lat));
  pad(out, 28);
  putF32(out, spec.length);
  pad(out, spec.size);
  return out;
}

std::string parkings(const BglParkingListSpec& spec) {
  std::string body;
  for (const auto& p : spec.parkings) {
    const std::size_t start = body.size();
    putU32(body,
           (p.name & 0x3FU) | ((p.type & 0xFU) << 8) | ((p.number & 0xFFFU) << 12) | (p.airlineCodes << 24));
    putF32(body, p.radius);
    putF32(body, p.heading);
    pad(body, start + 28);
    putU32(body, bglLongitude(p.lon));
    putU32(body, bglLatitude(p.lat));
    pad(body, start + kParkingFixedBytes);
    for (std::uint32_t i = 0; i < p.airlineCodes; ++i) body.append("BAW\0", 4);
  }
  std::string out;
  putU16(out, 0xE7);
  putU32(out, static_cast<std::uint32_t>(8 + body.size()));
  putU16(out,
         static_cast<std::uint16_t>(spec.countOverride >= 0 ? spec.countOverride : spec.parkings.size()));
  return out + body;
}

std::string raw(const BglRawSpec& spec) {
  std::string out;
  putU16(out, spec.type);
  putU32(out, spec.size);
  pad(out, spec.size < 6 ? 6 : spec.size);
  return out;
}

}  // namespace

std::uint32_t bglIdent(std::string_view code) {
  std::uint32_t value = 0;
  for (const char c : code) {
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = 2U + static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'Z') {
      digit = 12U + static_cast<std::uint32_t>(c - 'A');
    } else {
      throw std::invalid_argument("not a packable code");
    }
    value = value * 38U + digit;
  }
  return value << 5;
}

std::uint32_t bglLatitude(double degrees) {
  return static_cast<std::uint32_t>(std::llround((90.0 - degrees) * 536870912.0 / 180.0));
}
std::uint32_t bglLongitude(double degrees) {
  return static_cast<std::uint32_t>(std::llround((degrees + 180.0) * 805306368.0 / 360.0));
}

BglFile BglSpec::build() const {
  BglFile file;
  std::string& out = file.bytes;
  pad(out, 4);
  putU32(out, headerSize);
  pad(out, 20);
  putU32(out, static_cast<std::uint32_t>(sections.size()));
  pad(out, kHeaderBytes);
  // Section table, then per section one subsection entry and its records.
  const std::size_t tableEnd = kHeaderBytes + kSectionEntryBytes * sections.size();
  std::string rest;
  std::vector<std::size_t> subTables;
  for (const auto& section : sections) {
    subTables.push_back(tableEnd + rest.size());
    const std::size_t entry = rest.size();
    pad(rest, entry + kSubsectionEntryBytes);
    const std::size_t firstRecord = tableEnd + rest.size();
    std::string one;
    putU32(one, static_cast<std::uint32_t>(firstRecord));
    rest.replace(entry + 8, 4, one);
    for (const auto& record : section.records) {
      if (const auto* airport = std::get_if<BglAirportSpec>(&record)) {
        const std::size_t start = rest.size();
        file.airportOffsets.push_back(tableEnd + start);
        std::string subs;
        for (const auto& sub : airport->subRecords) {
          file.subOffsets.push_back(tableEnd + start + kAirportFixedBytes + subs.size());
          subs += std::visit(
              [](const auto& s) {
                using T = std::decay_t<decltype(s)>;
                if constexpr (std::is_same_v<T, BglHelipadSpec>) return helipad(s);
                if constexpr (std::is_same_v<T, BglParkingListSpec>) return parkings(s);
                if constexpr (std::is_same_v<T, BglRawSpec>) return raw(s);
              },
              sub);
        }
        putU16(rest, 0x56);
        putU32(rest, static_cast<std::uint32_t>(kAirportFixedBytes + subs.size()));
        pad(rest, start + 20);
        putU32(rest, static_cast<std::uint32_t>(airport->altitudeMm));
        pad(rest, start + 40);
        putU32(rest, airport->identOverride != 0 ? airport->identOverride : bglIdent(airport->icao));
        pad(rest, start + kAirportFixedBytes);
        rest += subs;
      } else {
        rest += raw(std::get<BglRawSpec>(record));
      }
    }
  }
  for (std::size_t i = 0; i < sections.size(); ++i) {
    putU32(out, sections[i].type);
    putU32(out, sections[i].sizeCode);
    putU32(out, 1);
    putU32(out, static_cast<std::uint32_t>(subTables[i]));
    putU32(out, static_cast<std::uint32_t>(kSubsectionEntryBytes));
  }
  out += rest;
  return file;
}

BglSpec bglOf(std::vector<BglAirportSpec> airports) {
  BglSpec spec;
  BglSectionSpec section;
  for (auto& airport : airports) section.records.emplace_back(std::move(airport));
  spec.sections.push_back(std::move(section));
  return spec;
}

void bglSetU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  std::string four;
  putU32(four, value);
  bytes.replace(offset, 4, four);
}
void bglSetU16(std::string& bytes, std::size_t offset, std::uint16_t value) {
  std::string two;
  putU16(two, value);
  bytes.replace(offset, 2, two);
}
void bglSetF32(std::string& bytes, std::size_t offset, float value) {
  std::uint32_t raw = 0;
  std::memcpy(&raw, &value, sizeof raw);
  bglSetU32(bytes, offset, raw);
}

}  // namespace orv::test
