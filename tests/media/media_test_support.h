#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the media layer's test programs share: the committed sample files, a receiver of the layer's notices,
// and a fixture that sends the layer its commands.

#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "media/media_layer.h"

namespace orbel::media::tests {

// The path of a committed sample file.
inline std::string Sample(const std::string& name) {
  return std::string(ORBEL_SOURCE_DIR) + "/tests/data/media/" + name;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Notes the code of every notice posted to it.
struct TNoticeSink : QObject {
  std::vector<uint32_t> Codes;
  void customEvent(QEvent* event) override {
    if (event->type() == TMciNotifyEvent::EventType)
      Codes.push_back(static_cast<TMciNotifyEvent*>(event)->Code);
  }
};

// A layer, made by the fixture that derives from this one, and its commands, with notices going to Sink.
class TMciLayerTest : public testing::Test {
 protected:
  uint32_t Send(uint16_t id, uint32_t command, uint32_t flags, TMciParms& parms) {
    return Layer->SendCommand(id, command, flags, parms);
  }
  uint32_t Status(uint16_t id, uint32_t item) {
    TMciParms parms;
    parms.Item = item;
    EXPECT_EQ(Send(id, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, parms), 0u);
    return parms.Return;
  }
  // A command with no parameters but the notice's receiver.
  uint32_t Simple(uint16_t id, uint32_t command, uint32_t flags) {
    TMciParms parms;
    parms.Callback = &Sink;
    return Send(id, command, flags, parms);
  }

  std::unique_ptr<TMediaLayer> Layer;
  TNoticeSink Sink;
};

}  // namespace orbel::media::tests
