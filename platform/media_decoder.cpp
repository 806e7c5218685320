// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/media_decoder.h"

#include <algorithm>
#include <cmath>

#include "platform/media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace orbel::platform::media {

namespace {

// Limits against hostile headers: nothing in this era's material comes near them.
constexpr int MaxSide = 2048;
constexpr int MaxChannels = 8;
constexpr int MaxSampleRate = 384000;
// Consecutive packets that fail to decode before the file counts as broken.
constexpr int MaxDecodeErrors = 50;

}  // namespace

struct TMediaDecoder::TState {
  AVFormatContext* Format = nullptr;
  AVCodecContext* Video = nullptr;
  AVCodecContext* Audio = nullptr;
  int VideoIndex = -1, AudioIndex = -1;
  AVPacket* Packet = nullptr;
  AVFrame* Frame = nullptr;
  SwsContext* Scaler = nullptr;
  SwrContext* Resampler = nullptr;
  int ResampleRate = 0, ResampleFormat = -1;
  AVChannelLayout ResampleLayout{};
  AVCodecContext* Active = nullptr;  // the decoder that last got a packet and may hold frames
  bool Draining = false;
  bool DrainedVideo = false, DrainedAudio = false, FlushedResampler = false;
  int ErrorRun = 0;

  ~TState() {
    sws_freeContext(Scaler);
    swr_free(&Resampler);
    av_channel_layout_uninit(&ResampleLayout);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    avcodec_free_context(&Video);
    avcodec_free_context(&Audio);
    avformat_close_input(&Format);
  }
};

TMediaDecoder::TMediaDecoder() = default;
TMediaDecoder::~TMediaDecoder() = default;

void TMediaDecoder::Release() {
  State.reset();
}

namespace {

AVCodecContext* OpenCodec(AVStream* stream) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) return nullptr;
  AVCodecContext* context = avcodec_alloc_context3(codec);
  if (!context) return nullptr;
  context->thread_count = 1;  // one worker thread per device already
  if (avcodec_parameters_to_context(context, stream->codecpar) < 0 ||
      avcodec_open2(context, codec, nullptr) < 0) {
    avcodec_free_context(&context);
    return nullptr;
  }
  return context;
}

}  // namespace

uint32_t TMediaDecoder::Open(const std::string& path, bool wantVideo) {
  // Broken files are reported through result codes; the library's own chatter would only clutter stderr.
  av_log_set_level(AV_LOG_QUIET);
  Release();
  Path = path;
  WantVideo = wantVideo;
  InfoValue = TMediaInfo{};
  auto state = std::make_unique<TState>();

  // Probe by content among the two containers the engine plays; never follow references to other files.
  state->Format = avformat_alloc_context();
  if (!state->Format) return MCIERR_OUT_OF_MEMORY;
  state->Format->format_whitelist = av_strdup("avi,wav");
  state->Format->protocol_whitelist = av_strdup("file");
  // A "file:" prefix stops a name with a colon being read as another protocol.
  int result = avformat_open_input(&state->Format, ("file:" + path).c_str(), nullptr, nullptr);
  if (result < 0) {
    state->Format = nullptr;  // freed by avformat_open_input
    if (result == AVERROR(ENOENT)) return MCIERR_FILE_NOT_FOUND;
    return result == AVERROR(EACCES) || result == AVERROR(EIO) ? MCIERR_FILE_READ : MCIERR_INVALID_FILE;
  }
  if (avformat_find_stream_info(state->Format, nullptr) < 0) return MCIERR_INVALID_FILE;

  state->VideoIndex =
      wantVideo ? av_find_best_stream(state->Format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
  state->AudioIndex = av_find_best_stream(state->Format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (state->VideoIndex < 0) state->VideoIndex = -1;
  if (state->AudioIndex < 0) state->AudioIndex = -1;
  if (wantVideo && state->VideoIndex < 0) return MCIERR_INVALID_FILE;
  if (!wantVideo && state->AudioIndex < 0) return MCIERR_INVALID_FILE;

  if (state->VideoIndex >= 0) {
    AVStream* stream = state->Format->streams[state->VideoIndex];
    const AVCodecParameters* par = stream->codecpar;
    if (par->width <= 0 || par->height <= 0 || par->width > MaxSide || par->height > MaxSide)
      return MCIERR_INVALID_FILE;
    if (stream->time_base.num <= 0 || stream->time_base.den <= 0) return MCIERR_INVALID_FILE;
    state->Video = OpenCodec(stream);
    if (!state->Video) return MCIERR_INVALID_FILE;
    InfoValue.HasVideo = true;
    InfoValue.Width = par->width;
    InfoValue.Height = par->height;
    // AVI timestamps count frames, so the time base is the frame duration.
    InfoValue.FrameRate = 1.0 / av_q2d(stream->time_base);
    if (!(InfoValue.FrameRate > 0.01 && InfoValue.FrameRate < 10000)) return MCIERR_INVALID_FILE;
  }
  if (state->AudioIndex >= 0) {
    AVStream* stream = state->Format->streams[state->AudioIndex];
    const AVCodecParameters* par = stream->codecpar;
    bool sane = par->sample_rate > 0 && par->sample_rate <= MaxSampleRate && par->ch_layout.nb_channels > 0 &&
                par->ch_layout.nb_channels <= MaxChannels;
    if (sane) state->Audio = OpenCodec(stream);
    if (state->Audio) {
      InfoValue.HasAudio = true;
      InfoValue.SampleRate = par->sample_rate;
      InfoValue.BytesPerSecond = par->bit_rate > 0
                                     ? par->bit_rate / 8.0
                                     : double(par->sample_rate) * par->ch_layout.nb_channels *
                                           std::max(1, av_get_bits_per_sample(par->codec_id)) / 8.0;
    } else if (!wantVideo) {
      return MCIERR_INVALID_FILE;
    } else {
      state->AudioIndex = -1;  // a movie whose sound cannot be decoded still shows its pictures
    }
  }
  state->Packet = av_packet_alloc();
  state->Frame = av_frame_alloc();
  if (!state->Packet || !state->Frame) return MCIERR_OUT_OF_MEMORY;
  State = std::move(state);
  return 0;
}

uint32_t TMediaDecoder::Scan() {
  if (!State) return MCIERR_INVALID_FILE;
  TState& s = *State;
  int64_t videoEnd = 0;
  int64_t audioSamples = 0;
  AVStream* audioStream = s.AudioIndex >= 0 ? s.Format->streams[s.AudioIndex] : nullptr;
  while (av_read_frame(s.Format, s.Packet) >= 0) {
    if (s.Packet->stream_index == s.VideoIndex) {
      // Frame numbers may skip (dropped frames), so the last timestamp counts, not the packets.
      int64_t end = s.Packet->pts != AV_NOPTS_VALUE ? s.Packet->pts + std::max<int64_t>(1, s.Packet->duration)
                                                    : videoEnd + 1;
      videoEnd = std::max(videoEnd, end);
    } else if (audioStream && s.Packet->stream_index == s.AudioIndex) {
      int samples = av_get_audio_frame_duration2(audioStream->codecpar, s.Packet->size);
      if (samples <= 0 && s.Packet->duration > 0)
        samples = int(av_rescale_q(s.Packet->duration, audioStream->time_base,
                                   AVRational{1, audioStream->codecpar->sample_rate}));
      audioSamples += std::max(0, samples);
    }
    av_packet_unref(s.Packet);
  }
  TMediaInfo info = InfoValue;
  info.FrameCount = videoEnd;
  info.AudioSeconds = info.HasAudio ? double(audioSamples) / info.SampleRate : 0;
  info.LengthSeconds = info.HasVideo ? double(videoEnd) / info.FrameRate : info.AudioSeconds;
  if (info.HasVideo && info.FrameCount <= 0) return MCIERR_INVALID_FILE;
  if (!info.HasVideo && audioSamples <= 0) return MCIERR_INVALID_FILE;

  // Prove the main stream decodes: a garbage payload in a valid container must fail here, not mid-play.
  uint32_t result = Open(Path, WantVideo);
  if (result) return result;
  TVideoFrame frame;
  std::vector<int16_t> samples;
  bool proven = false;
  for (int items = 0; items < 1000 && !proven; ++items) {
    TDecodeItem item = Next(frame, samples);
    if (item == TDecodeItem::End || item == TDecodeItem::Error) break;
    proven = (item == TDecodeItem::Video) == info.HasVideo;
  }
  if (!proven) return MCIERR_INVALID_FILE;
  result = Open(Path, WantVideo);
  if (result) return result;
  InfoValue = info;
  return 0;
}

TDecodeItem TMediaDecoder::Next(TVideoFrame& frame, std::vector<int16_t>& samples) {
  if (!State) return TDecodeItem::Error;
  TState& s = *State;
  while (true) {
    if (s.Active) {
      int result = avcodec_receive_frame(s.Active, s.Frame);
      if (result == 0) {
        AVFrame* f = s.Frame;
        if (s.Active == s.Video) {
          if (f->width <= 0 || f->height <= 0 || f->width > MaxSide || f->height > MaxSide) {
            av_frame_unref(f);
            continue;
          }
          s.Scaler = sws_getCachedContext(s.Scaler, f->width, f->height, AVPixelFormat(f->format), f->width,
                                          f->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
          QImage image(f->width, f->height, QImage::Format_RGB32);
          if (!s.Scaler || image.isNull()) {
            av_frame_unref(f);
            return TDecodeItem::Error;
          }
          uint8_t* dst[4] = {image.bits(), nullptr, nullptr, nullptr};
          int dstStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
          // The palette of paletted frames rides in data[1] and is read again on every call.
          sws_scale(s.Scaler, f->data, f->linesize, 0, f->height, dst, dstStride);
          int64_t pts = f->best_effort_timestamp;
          AVStream* stream = s.Format->streams[s.VideoIndex];
          frame.Image = std::move(image);
          frame.Seconds = pts == AV_NOPTS_VALUE ? 0 : pts * av_q2d(stream->time_base);
          av_frame_unref(f);
          s.ErrorRun = 0;
          return TDecodeItem::Video;
        }
        AVChannelLayout inLayout{};
        if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels <= 0)
          av_channel_layout_default(&inLayout, std::max(1, f->ch_layout.nb_channels));
        else
          av_channel_layout_copy(&inLayout, &f->ch_layout);
        if (inLayout.nb_channels > MaxChannels || f->sample_rate <= 0 || f->sample_rate > MaxSampleRate) {
          av_channel_layout_uninit(&inLayout);
          av_frame_unref(f);
          continue;
        }
        if (!s.Resampler || s.ResampleRate != f->sample_rate || s.ResampleFormat != f->format ||
            av_channel_layout_compare(&s.ResampleLayout, &inLayout) != 0) {
          swr_free(&s.Resampler);
          AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
          if (swr_alloc_set_opts2(&s.Resampler, &stereo, AV_SAMPLE_FMT_S16, MixRate, &inLayout,
                                  AVSampleFormat(f->format), f->sample_rate, 0, nullptr) < 0 ||
              swr_init(s.Resampler) < 0) {
            swr_free(&s.Resampler);
            av_channel_layout_uninit(&inLayout);
            av_frame_unref(f);
            return TDecodeItem::Error;
          }
          s.ResampleRate = f->sample_rate;
          s.ResampleFormat = f->format;
          av_channel_layout_uninit(&s.ResampleLayout);
          av_channel_layout_copy(&s.ResampleLayout, &inLayout);
        }
        av_channel_layout_uninit(&inLayout);
        int capacity = swr_get_out_samples(s.Resampler, f->nb_samples);
        samples.assign(size_t(std::max(0, capacity)) * 2, 0);
        uint8_t* out = reinterpret_cast<uint8_t*>(samples.data());
        int got = swr_convert(s.Resampler, &out, capacity, const_cast<const uint8_t**>(f->extended_data),
                              f->nb_samples);
        av_frame_unref(f);
        samples.resize(size_t(std::max(0, got)) * 2);
        s.ErrorRun = 0;
        if (got > 0) return TDecodeItem::Audio;
        continue;
      }
      if (result != AVERROR(EAGAIN)) {
        if (s.Draining) {
          (s.Active == s.Video ? s.DrainedVideo : s.DrainedAudio) = true;
        } else if (result != AVERROR_EOF && ++s.ErrorRun > MaxDecodeErrors) {
          return TDecodeItem::Error;
        }
      }
      s.Active = nullptr;
    }
    if (s.Draining) {
      if (s.Video && !s.DrainedVideo) {
        s.Active = s.Video;
        continue;
      }
      if (s.Audio && !s.DrainedAudio) {
        s.Active = s.Audio;
        continue;
      }
      if (s.Resampler && !s.FlushedResampler) {
        s.FlushedResampler = true;
        int capacity = swr_get_out_samples(s.Resampler, 0);
        if (capacity > 0) {
          samples.assign(size_t(capacity) * 2, 0);
          uint8_t* out = reinterpret_cast<uint8_t*>(samples.data());
          int got = swr_convert(s.Resampler, &out, capacity, nullptr, 0);
          samples.resize(size_t(std::max(0, got)) * 2);
          if (got > 0) return TDecodeItem::Audio;
        }
      }
      return TDecodeItem::End;
    }
    int result = av_read_frame(s.Format, s.Packet);
    if (result < 0) {
      // End of file, or a read error in a truncated file: play out what was decoded.
      s.Draining = true;
      if (s.Video) avcodec_send_packet(s.Video, nullptr);
      if (s.Audio) avcodec_send_packet(s.Audio, nullptr);
      continue;
    }
    AVCodecContext* codec = s.Packet->stream_index == s.VideoIndex   ? s.Video
                            : s.Packet->stream_index == s.AudioIndex ? s.Audio
                                                                     : nullptr;
    // An empty chunk repeats the previous picture; sent as is it would read as end of stream.
    if (codec && s.Packet->size > 0) {
      result = avcodec_send_packet(codec, s.Packet);
      if (result < 0 && result != AVERROR(EAGAIN) && ++s.ErrorRun > MaxDecodeErrors) {
        av_packet_unref(s.Packet);
        return TDecodeItem::Error;
      }
      s.Active = codec;
    }
    av_packet_unref(s.Packet);
  }
}

}  // namespace orbel::platform::media
