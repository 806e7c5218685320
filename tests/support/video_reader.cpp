// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/support/video_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace orbel::tests {

namespace {

double Seconds(int64_t t, AVRational base) {
  return double(t) * av_q2d(base);
}

void AppendSound(const AVFrame& frame, std::vector<float>& to) {
  for (int i = 0; i < frame.nb_samples; ++i)
    for (int c = 0; c < 2; ++c) {
      float value = 0;
      switch (frame.format) {
        case AV_SAMPLE_FMT_S16:
          value = reinterpret_cast<const int16_t*>(frame.data[0])[i * 2 + c] / 32768.0f;
          break;
        case AV_SAMPLE_FMT_S16P:
          value = reinterpret_cast<const int16_t*>(frame.data[c])[i] / 32768.0f;
          break;
        case AV_SAMPLE_FMT_S32:
          value = float(reinterpret_cast<const int32_t*>(frame.data[0])[i * 2 + c] / 2147483648.0);
          break;
        case AV_SAMPLE_FMT_FLT:
          value = reinterpret_cast<const float*>(frame.data[0])[i * 2 + c];
          break;
        case AV_SAMPLE_FMT_FLTP:
          value = reinterpret_cast<const float*>(frame.data[c])[i];
          break;
        default:
          ADD_FAILURE() << "sample format " << frame.format;
          return;
      }
      to.push_back(value);
    }
}

}  // namespace

TDecoded Decode(const std::string& path) {
  TDecoded result;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, ("file:" + path).c_str(), nullptr, nullptr) < 0) {
    ADD_FAILURE() << "cannot open " << path;
    return result;
  }
  avformat_find_stream_info(format, nullptr);
  result.Duration = format->duration / double(AV_TIME_BASE);
  std::vector<AVCodecContext*> decoders(format->nb_streams, nullptr);
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters* par = format->streams[i]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    decoders[i] = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoders[i], par);
    avcodec_open2(decoders[i], codec, nullptr);
    (par->codec_type == AVMEDIA_TYPE_VIDEO ? result.VideoCodec : result.AudioCodec) =
        avcodec_get_name(par->codec_id);
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      result.Width = par->width;
      result.Height = par->height;
    }
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  bool soundStarted = false;
  const auto receive = [&](unsigned index) {
    AVStream* stream = format->streams[index];
    while (avcodec_receive_frame(decoders[index], frame) >= 0) {
      const double at = Seconds(frame->best_effort_timestamp, stream->time_base);
      if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        QImage image(frame->width, frame->height, QImage::Format_RGB32);
        SwsContext* converter =
            sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                           frame->height, AV_PIX_FMT_RGB32, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* data[1] = {image.bits()};
        const int stride[1] = {int(image.bytesPerLine())};
        sws_scale(converter, frame->data, frame->linesize, 0, frame->height, data, stride);
        sws_freeContext(converter);
        result.Frames.push_back(image);
        result.FrameSeconds.push_back(at);
      } else {
        if (!soundStarted) result.SoundStart = at;
        soundStarted = true;
        AppendSound(*frame, result.Sound);
      }
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    const unsigned index = unsigned(packet->stream_index);
    AVStream* stream = format->streams[index];
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      result.VideoEnd = std::max(result.VideoEnd, Seconds(packet->pts + packet->duration, stream->time_base));
    avcodec_send_packet(decoders[index], packet);
    av_packet_unref(packet);
    receive(index);
  }
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    avcodec_send_packet(decoders[i], nullptr);
    receive(i);
    avcodec_free_context(&decoders[i]);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&format);
  return result;
}

bool SamePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  for (int y = 0; y < a.height(); ++y) {
    const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x)
      if ((ra[x] ^ rb[x]) & 0xffffff) return false;
  }
  return true;
}

double Rms(const std::vector<float>& sound, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from * 2; i < to * 2 && i < sound.size(); ++i) sum += double(sound[i]) * sound[i];
  return std::sqrt(sum / double(std::max<size_t>(1, (to - from) * 2)));
}

}  // namespace orbel::tests
