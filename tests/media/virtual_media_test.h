#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The media layer on the virtual engine clock, as its test programs drive it: what the decoder makes of a
// sample file, and a fixture with a layer made on virtual time, the host's loop and a movie shown in a
// window.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <string>
#include <vector>

#include "media/decoder.h"
#include "media/media_layer.h"
#include "platform/engine_clock.h"
#include "tests/media/media_test_support.h"

namespace orbel::media::tests {

using orbel::platform::EngineClock;

// What the decoder itself makes of a file: its pictures, its sound and its lengths.
struct TReference {
  std::vector<TVideoFrame> Frames;
  std::vector<int16_t> Sound;
  TMediaInfo Info;
};

inline TReference Decode(const std::string& file, bool video) {
  TReference reference;
  TMediaDecoder decoder;
  EXPECT_EQ(decoder.Open(Sample(file), video), 0u);
  EXPECT_EQ(decoder.Scan(), 0u);
  reference.Info = decoder.Info();
  TVideoFrame frame;
  std::vector<int16_t> samples;
  for (TDecodeItem item; (item = decoder.Next(frame, samples)) != TDecodeItem::End;) {
    EXPECT_NE(item, TDecodeItem::Error);
    if (item == TDecodeItem::Video) reference.Frames.push_back(frame);
    if (item == TDecodeItem::Audio)
      reference.Sound.insert(reference.Sound.end(), samples.begin(), samples.end());
  }
  return reference;
}

// A moment in seconds of a play started at startMs, as the engine clock's millisecond it falls due at.
inline int64_t DueMs(int64_t startMs, double seconds) {
  return startMs + int64_t(std::ceil(seconds * 1000 - 1e-3));
}

class VirtualMediaTest : public TMciLayerTest {
 protected:
  VirtualMediaTest() {
    EngineClock().SetVirtual(true);
    Layer = CreateMediaLayer();
  }
  ~VirtualMediaTest() override {
    Layer.reset();
    SetVirtualSoundSink({});
    EngineClock().SetVirtual(false);
  }

  // A committed sample by its name, or any file by its path.
  uint16_t OpenFile(const std::string& file, const char* type) {
    TMciParms parms;
    parms.Callback = &Sink;
    parms.DeviceType = type;
    parms.ElementName = file.starts_with('/') ? file : Sample(file);
    EXPECT_EQ(Send(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, parms), 0u);
    return parms.DeviceID;
  }
  // The host's loop: posted events first, then the clock on to the next due moment, up to ms.
  static void RunTo(int64_t ms) {
    while (true) {
      QCoreApplication::sendPostedEvents();
      if (EngineClock().NowMs() >= ms) break;
      EngineClock().AdvanceTo(ms);
    }
    QCoreApplication::sendPostedEvents();
  }
  // Shows `window` at `size` and opens `file` as a movie in it: MovieId is the device, Picture the one widget
  // the movie shows its pictures in.
  void ShowMovie(QWidget& window, QSize size, const std::string& file) {
    window.resize(size);
    window.show();
    MovieId = OpenFile(file, "AVIVideo");
    ASSERT_NE(MovieId, 0);
    TMciParms parms;
    parms.Window = &window;
    ASSERT_EQ(Send(MovieId, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, parms), 0u);
    const QList<QWidget*> pictures = window.findChildren<QWidget*>();
    ASSERT_EQ(pictures.size(), 1);
    Picture = pictures[0];
  }

  uint16_t MovieId = 0;
  QWidget* Picture = nullptr;
};

inline QImage Shown(QWidget* picture) {
  return picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace orbel::media::tests
