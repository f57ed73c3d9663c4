#include "traffic/qnh_reader.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <gsl/narrow>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "foundation/log.h"
#include "foundation/text.h"

namespace orv {
namespace {

// gsl::narrow would cast first and compare after, which is undefined for a double out of range.
std::int32_t lf_exactInt32(double value) {
  if (!(value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max()))
    throw gsl::narrowing_error{};
  return gsl::narrow<std::int32_t>(value);
}

std::optional<std::int32_t> lf_leadingInteger(std::string_view text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{}) return std::nullopt;
  return value;
}

}  // namespace

QnhReader::~QnhReader() {
  requestStop();
  waitUntilStopped();
}

void QnhReader::resetQnh() {
  qnh_ = kStandardQnh;
  gf_windowView().setCount(WindowCount::Qnh, kStandardQnh);
  gf_windowView().repaint(WindowBand::Status);
}

void QnhReader::onStopped() {
  gf_logLine("QNH Reader has stopped");
}

void QnhReader::lf_onQnhDatagram(std::string_view datagram) {
  try {
    const nlohmann::json message = nlohmann::json::parse(datagram);
    const auto member = message.is_object() ? message.find("QNH") : message.end();
    if (member == message.end() || !(member->is_number() || member->is_string())) {
      logDatagramError(fmt::format("no QNH {}", gf_printableText(gf_logQuote(datagram))));
      return;
    }
    std::int32_t value;
    if (member->is_number_integer()) {
      value = gsl::narrow<std::int32_t>(member->get<std::int64_t>());
    } else if (member->is_number()) {
      // Beyond float's range the conversion to single precision would be undefined.
      const double number = member->get<double>();
      if (!(std::abs(number) <= std::numeric_limits<float>::max())) throw gsl::narrowing_error{};
      value = lf_exactInt32(std::round(static_cast<float>(number)));
    } else {
      const std::string text = member->get<std::string>();
      const auto parsed = lf_leadingInteger(text);
      if (!parsed) {
        logDatagramError(fmt::format("QNH string parse error: {} in {}", gf_printableText(gf_logQuote(text)),
                                     gf_printableText(gf_logQuote(datagram))),
                         DatagramErrorLog::Kind::Important);
        return;
      }
      value = *parsed;
    }
    if (value > 1100) value = lf_exactInt32(std::round(value * 0.33865307));
    value = std::clamp(value, 900, 1100);
    // A standard QNH is written again every time, any other only when it changes.
    if (value == qnh_.load() && value != kStandardQnh) return;
    gf_windowView().setCount(WindowCount::Qnh, value);
    if (status() == ReaderStatus::Silent)
      setStatus(ReaderStatus::Receiving);
    else
      setStatus(status());
    // Published last: whoever sees the new value sees the lamp and the window that go with it.
    qnh_ = value;
  } catch (const std::exception& e) {
    logDatagramError(fmt::format("Exception {}, in {}",
                                 gf_printableText(gf_logQuote(e.what(), 2 * kLogQuoteBytes)),
                                 gf_printableText(gf_logQuote(datagram))));
  }
}

}  // namespace orv
