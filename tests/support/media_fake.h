#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A media layer that plays nothing and records every command, for testing what the controls send. Answers are
// scripted: result codes per command, the values of status items, and the error texts.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "media/media_layer.h"

namespace orbel::media {

class TRecordingMediaLayer : public TMediaLayer {
 public:
  struct TCommand {
    uint16_t DeviceID;
    uint32_t Command;
    uint32_t Flags;
    TMciParms Parms;  // as sent, before the layer wrote its answer
  };

  uint32_t SendCommand(uint16_t deviceId, uint32_t command, uint32_t flags, TMciParms& parms) override;
  bool GetErrorString(uint32_t error, std::string& text) const override;

  std::vector<TCommand> Commands;
  // The next results of a command, used up in order; afterwards 0, except that commands to a device that is
  // not open answer MCIERR_INVALID_DEVICE_ID.
  std::map<uint32_t, std::deque<uint32_t>> Results;
  // Answers to MCI_STATUS and MCI_GETDEVCAPS items (MCI_STATUS_MODE defaults to MCI_MODE_STOP).
  std::map<uint32_t, uint32_t> StatusValues;
  std::map<uint32_t, uint32_t> CapabilityValues;
  std::map<uint32_t, std::string> ErrorTexts;
  uint16_t NextDeviceID = 1;
  std::vector<uint16_t> OpenDevices;

  // Commands by name, for readable expectations: "OPEN", "CLOSE", "PLAY", ...
  std::vector<std::string> Names() const;
  static std::string Name(uint32_t command);
};

}  // namespace orbel::media
