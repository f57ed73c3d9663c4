#pragma once

// The "QNH Reader": RealTraffic's weather datagrams on UDP port 49004, a JSON object whose "QNH"
// is hectopascals, or inches of mercury times 100 above 1100.

#include <atomic>
#include <cstdint>
#include <string_view>

#include "traffic/udp_reader.h"

namespace orv {

inline constexpr std::uint16_t kQnhPort = 49004;
inline constexpr std::int32_t kStandardQnh = 1013;

class QnhReader final : public UdpReader {
 public:
  QnhReader() : UdpReader("QNH Reader", WindowLamp::QnhReader) {}
  ~QnhReader() override;

  // The handler, callable without the thread. Reader thread.
  void lf_onQnhDatagram(std::string_view datagram);

  // The QNH in hectopascals for the live aircraft; the status band shows the same value. Any thread.
  [[nodiscard]] std::int32_t qnh() const { return qnh_.load(); }
  // Back to 1013, also in the window (a new RealTraffic connection). Any thread.
  void resetQnh();

 protected:
  void onDatagram(std::string_view datagram) override { lf_onQnhDatagram(datagram); }
  void onStopped() override;

 private:
  std::atomic<std::int32_t> qnh_{kStandardQnh};
};

}  // namespace orv
