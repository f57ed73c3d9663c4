#pragma once

// The "Traffic Reader": RealTraffic's traffic lines on UDP port 49005, one aircraft report per
// datagram, checked and converted into traffic records for the adding deque.

#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/geometry.h"
#include "traffic/adding_deque.h"
#include "traffic/traffic_record.h"
#include "traffic/udp_reader.h"

namespace orv {

inline constexpr std::uint16_t kTrafficPort = 49005;

// The park airport as the traffic lines are judged against it.
struct ParkAirportView {
  Position position;
  double elevationFt = 0.0;
};

// What a traffic line is checked against; written by the start-up thread, read by the reader's.
struct LineContext {
  Position reference;                          // the user aircraft, copied every 5th tick; (0, 0) until then
  std::optional<ParkAirportView> parkAirport;  // while a park airport is set
  std::optional<double> parkElevationFt;       // once its stand file is loaded
};

class TrafficReader final : public UdpReader {
 public:
  // Its records go to the deque, which outlives the reader.
  explicit TrafficReader(AddingDeque& deque)
      : UdpReader("Traffic Reader", WindowLamp::TrafficReader), deque_(deque) {}
  ~TrafficReader() override;

  // The handler, callable without the thread: drops a datagram holding " VEH", splits the rest at
  // the commas and hands it to processLineSub. Reader thread.
  void lf_onTrafficDatagram(std::string_view datagram);

  // Any thread.
  void setReferencePosition(Position position);
  void setParkAirport(std::optional<ParkAirportView> parkAirport);
  void setParkElevation(std::optional<double> elevationFt);
  [[nodiscard]] LineContext context() const;

  // The callsigns that static parking collects: emptied and the collection started; taken over
  // (the collection ends and the set is handed over empty-handed to the next round). Any thread.
  void startCallsignCollection();
  [[nodiscard]] std::unordered_set<std::string> takeCollectedCallsigns();
  [[nodiscard]] bool collectingCallsigns() const;
  // Empties the collected callsigns, leaving the collection running or not. Any thread.
  void clearCollectedCallsigns();

 protected:
  void onDatagram(std::string_view datagram) override { lf_onTrafficDatagram(datagram); }
  void onStopped() override;

 private:
  void processLineSub(std::string_view datagram);
  void lf_collectCallsign(std::string_view callsign);

  AddingDeque& deque_;
  std::vector<std::string_view> fields_;  // views into the current datagram, reader thread only

  mutable std::mutex contextMutex_;
  LineContext context_;

  // Held while a callsign goes in and while the set is taken over, so that neither sees half of
  // the other.
  mutable std::mutex callsignMutex_;
  bool collecting_ = false;
  std::unordered_set<std::string> callsigns_;
};

// Parses the fields of one traffic line against the context: a record, or nothing for a line
// that is dropped without a word. Throws std::runtime_error or std::invalid_argument with the text
// that processLineSub logs, there with control bytes shown as \xNN. The timestamp, once read,
// becomes the latest data time; the model code is entered in the model table only for a record;
// `collect` gets the callsign of a line that reaches the callsign collection. Any thread.
[[nodiscard]] std::optional<TrafficRecord> gf_parseTrafficLine(
    std::span<const std::string_view> fields, std::string_view datagram, const LineContext& context,
    const std::function<void(std::string_view)>& collect);

}  // namespace orv
