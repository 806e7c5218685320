// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/media_fake.h"

#include <algorithm>

namespace orbel::media {

uint32_t TRecordingMediaLayer::SendCommand(uint16_t deviceId, uint32_t command, uint32_t flags,
                                           TMciParms& parms) {
  Commands.push_back({deviceId, command, flags, parms});
  uint32_t result = 0;
  auto& queued = Results[command];
  bool known = command == MCI_OPEN || std::count(OpenDevices.begin(), OpenDevices.end(), deviceId) > 0;
  if (!queued.empty()) {
    result = queued.front();
    queued.pop_front();
  } else if (!known) {
    result = MCIERR_INVALID_DEVICE_ID;
  }
  if (result) return result;
  switch (command) {
    case MCI_OPEN:
      parms.DeviceID = NextDeviceID++;
      OpenDevices.push_back(parms.DeviceID);
      break;
    case MCI_CLOSE:
      OpenDevices.erase(std::remove(OpenDevices.begin(), OpenDevices.end(), deviceId), OpenDevices.end());
      break;
    case MCI_STATUS: {
      auto it = StatusValues.find(parms.Item);
      parms.Return = it != StatusValues.end()        ? it->second
                     : parms.Item == MCI_STATUS_MODE ? MCI_MODE_STOP
                                                     : 0;
      break;
    }
    case MCI_GETDEVCAPS: {
      auto it = CapabilityValues.find(parms.Item);
      parms.Return = it != CapabilityValues.end() ? it->second : 0;
      break;
    }
    default:
      break;
  }
  return 0;
}

bool TRecordingMediaLayer::GetErrorString(uint32_t error, std::string& text) const {
  auto it = ErrorTexts.find(error);
  if (it == ErrorTexts.end()) return false;
  text = it->second;
  return true;
}

std::string TRecordingMediaLayer::Name(uint32_t command) {
  switch (command) {
    case MCI_OPEN:
      return "OPEN";
    case MCI_CLOSE:
      return "CLOSE";
    case MCI_PLAY:
      return "PLAY";
    case MCI_SEEK:
      return "SEEK";
    case MCI_STOP:
      return "STOP";
    case MCI_GETDEVCAPS:
      return "GETDEVCAPS";
    case MCI_SET:
      return "SET";
    case MCI_STATUS:
      return "STATUS";
    case MCI_WINDOW:
      return "WINDOW";
    default:
      return "?";
  }
}

std::vector<std::string> TRecordingMediaLayer::Names() const {
  std::vector<std::string> names;
  for (const TCommand& command : Commands) names.push_back(Name(command.Command));
  return names;
}

}  // namespace orbel::media
