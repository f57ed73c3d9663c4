#include "standin/journal_entries.h"

namespace orv::standin {

std::string_view callName(Call call) {
  switch (call) {
    case Call::Open:
      return "open";
    case Call::Close:
      return "close";
    case Call::CallDispatch:
      return "dispatch";
    case Call::SubscribeToSystemEvent:
      return "subscribe";
    case Call::AddToDataDefinition:
      return "define";
    case Call::MapClientEventToSimEvent:
      return "map_event";
    case Call::AddClientEventToNotificationGroup:
      return "group_add";
    case Call::SetNotificationGroupPriority:
      return "group_priority";
    case Call::RequestDataOnSimObject:
      return "request";
    case Call::RequestDataOnSimObjectType:
      return "request_by_type";
    case Call::SetDataOnSimObject:
      return "set_data";
    case Call::TransmitClientEvent:
      return "event";
    case Call::AICreateNonATCAircraft:
      return "create";
    case Call::AIRemoveObject:
      return "remove";
    case Call::AIReleaseControl:
      return "release";
    case Call::AISetAircraftFlightPlan:
      return "flight_plan";
    case Call::GetLastSentPacketID:
      return "packet_id";
  }
  return "unknown";
}

Entry positionFields(const SimObject& o) {
  return Entry{{"lat", o.latDeg},         {"lon", o.lonDeg},
               {"alt_ft", o.altFt},       {"heading_deg", o.headingDeg},
               {"pitch_deg", o.pitchDeg}, {"bank_deg", o.bankDeg},
               {"on_ground", o.onGround}};
}

bool OncePerSecond::due(std::uint32_t key, std::chrono::milliseconds now) {
  const std::int64_t second = now.count() / 1000;
  auto [it, added] = lastSecond_.emplace(key, second);
  if (added) return true;
  if (it->second == second) return false;
  it->second = second;
  return true;
}

}  // namespace orv::standin
