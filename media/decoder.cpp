// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/decoder.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "media/known_files.h"
#include "media/media_layer.h"
#include "platform/files.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace orbel::media {

namespace {

// Limits against hostile headers: nothing in this era's material comes near them.
constexpr int MaxSide = 2048;
constexpr int MaxChannels = 8;
constexpr int MaxSampleRate = 384000;
// Consecutive packets that fail to decode before the file counts as broken.
constexpr int MaxDecodeErrors = 50;

}  // namespace

// One round of the decoding loop: an item to hand out, or nothing yet.
using TStep = std::optional<TDecodeItem>;

struct TMediaDecoder::TState {
  AVFormatContext* Format = nullptr;
  AVCodecContext* Video = nullptr;
  AVCodecContext* Audio = nullptr;
  int VideoIndex = -1, AudioIndex = -1;
  AVPacket* Packet = nullptr;
  AVFrame* Frame = nullptr;
  AVFrame* LastVideo = nullptr;  // the latest frame handed out without its picture
  bool MakePictures = true;
  SwsContext* Scaler = nullptr;
  int ScalerWidth = 0, ScalerHeight = 0, ScalerFormat = -1;  // what Scaler converts
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
    av_frame_free(&LastVideo);
    av_packet_free(&Packet);
    avcodec_free_context(&Video);
    avcodec_free_context(&Audio);
    avformat_close_input(&Format);
  }

  uint32_t OpenInput(const std::string& path);
  uint32_t OpenVideo(TMediaInfo& info);
  uint32_t OpenAudio(TMediaInfo& info, bool wantVideo);
  void Measure(int64_t& videoEnd, int64_t& audioSamples);

  TStep Receive(TVideoFrame& frame, std::vector<int16_t>& samples);
  TStep ReceiveVideo(TVideoFrame& frame);
  bool UpdateScaler(const AVFrame& frame);
  QImage Convert(const AVFrame& frame);
  TStep ReceiveAudio(std::vector<int16_t>& samples);
  bool UpdateResampler(const AVFrame& frame, AVChannelLayout& inLayout);
  TStep Drain(std::vector<int16_t>& samples);
  TStep FlushResampler(std::vector<int16_t>& samples);
  TStep FeedPacket();
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

uint32_t TMediaDecoder::TState::OpenInput(const std::string& path) {
  // Probe by content among the two containers the engine plays; never follow references to other files.
  Format = avformat_alloc_context();
  if (!Format) return MCIERR_OUT_OF_MEMORY;
  Format->format_whitelist = av_strdup("avi,wav");
  Format->protocol_whitelist = av_strdup("file");
  // A "file:" prefix stops a name with a colon being read as another protocol.
  int result = avformat_open_input(&Format, ("file:" + path).c_str(), nullptr, nullptr);
  if (result < 0) {
    Format = nullptr;  // freed by avformat_open_input
    if (result == AVERROR(ENOENT)) return MCIERR_FILE_NOT_FOUND;
    return result == AVERROR(EACCES) || result == AVERROR(EIO) ? MCIERR_FILE_READ : MCIERR_INVALID_FILE;
  }
  if (avformat_find_stream_info(Format, nullptr) < 0) return MCIERR_INVALID_FILE;
  return 0;
}

uint32_t TMediaDecoder::TState::OpenVideo(TMediaInfo& info) {
  AVStream* stream = Format->streams[VideoIndex];
  const AVCodecParameters* par = stream->codecpar;
  if (par->width <= 0 || par->height <= 0 || par->width > MaxSide || par->height > MaxSide)
    return MCIERR_INVALID_FILE;
  if (stream->time_base.num <= 0 || stream->time_base.den <= 0) return MCIERR_INVALID_FILE;
  Video = OpenCodec(stream);
  if (!Video) return MCIERR_INVALID_FILE;
  info.HasVideo = true;
  info.Width = par->width;
  info.Height = par->height;
  // AVI timestamps count frames, so the time base is the frame duration.
  info.FrameRate = 1.0 / av_q2d(stream->time_base);
  if (!(info.FrameRate > 0.01 && info.FrameRate < 10000)) return MCIERR_INVALID_FILE;
  return 0;
}

uint32_t TMediaDecoder::TState::OpenAudio(TMediaInfo& info, bool wantVideo) {
  AVStream* stream = Format->streams[AudioIndex];
  const AVCodecParameters* par = stream->codecpar;
  bool sane = par->sample_rate > 0 && par->sample_rate <= MaxSampleRate && par->ch_layout.nb_channels > 0 &&
              par->ch_layout.nb_channels <= MaxChannels;
  if (sane) Audio = OpenCodec(stream);
  if (Audio) {
    info.HasAudio = true;
    info.SampleRate = par->sample_rate;
    info.BytesPerSecond = par->bit_rate > 0 ? par->bit_rate / 8.0
                                            : double(par->sample_rate) * par->ch_layout.nb_channels *
                                                  std::max(1, av_get_bits_per_sample(par->codec_id)) / 8.0;
  } else if (!wantVideo) {
    return MCIERR_INVALID_FILE;
  } else {
    AudioIndex = -1;  // a movie whose sound cannot be decoded still shows its pictures
  }
  return 0;
}

uint32_t TMediaDecoder::Open(const std::string& path, bool wantVideo) {
  // Broken files are reported through result codes; the library's own chatter would only clutter stderr.
  av_log_set_level(AV_LOG_QUIET);
  Release();
  Path = path;
  WantVideo = wantVideo;
  InfoValue = TMediaInfo{};
  auto state = std::make_unique<TState>();
  if (uint32_t error = state->OpenInput(path)) return error;

  state->VideoIndex =
      wantVideo ? av_find_best_stream(state->Format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
  state->AudioIndex = av_find_best_stream(state->Format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (state->VideoIndex < 0) state->VideoIndex = -1;
  if (state->AudioIndex < 0) state->AudioIndex = -1;
  if (wantVideo && state->VideoIndex < 0) return MCIERR_INVALID_FILE;
  if (!wantVideo && state->AudioIndex < 0) return MCIERR_INVALID_FILE;

  if (state->VideoIndex >= 0)
    if (uint32_t error = state->OpenVideo(InfoValue)) return error;
  if (state->AudioIndex >= 0)
    if (uint32_t error = state->OpenAudio(InfoValue, wantVideo)) return error;
  state->Packet = av_packet_alloc();
  state->Frame = av_frame_alloc();
  state->LastVideo = av_frame_alloc();
  if (!state->Packet || !state->Frame || !state->LastVideo) return MCIERR_OUT_OF_MEMORY;
  State = std::move(state);
  return 0;
}

void TMediaDecoder::TState::Measure(int64_t& videoEnd, int64_t& audioSamples) {
  AVStream* audioStream = AudioIndex >= 0 ? Format->streams[AudioIndex] : nullptr;
  while (av_read_frame(Format, Packet) >= 0) {
    if (Packet->stream_index == VideoIndex) {
      // Frame numbers may skip (dropped frames), so the last timestamp counts, not the packets.
      int64_t end =
          Packet->pts != AV_NOPTS_VALUE ? Packet->pts + std::max<int64_t>(1, Packet->duration) : videoEnd + 1;
      videoEnd = std::max(videoEnd, end);
    } else if (audioStream && Packet->stream_index == AudioIndex) {
      int samples = av_get_audio_frame_duration2(audioStream->codecpar, Packet->size);
      if (samples <= 0 && Packet->duration > 0)
        samples = int(av_rescale_q(Packet->duration, audioStream->time_base,
                                   AVRational{1, audioStream->codecpar->sample_rate}));
      audioSamples += std::max(0, samples);
    }
    av_packet_unref(Packet);
  }
}

uint32_t TMediaDecoder::Scan() {
  if (!State) return MCIERR_INVALID_FILE;
  const std::optional<platform::TFileStamp> stamp = platform::FileStampOf(Path);
  if (stamp)
    if (std::optional<TKnownFile> known = FindKnownFile(Path, WantVideo, *stamp)) {
      InfoValue = known->Info;
      return 0;
    }
  int64_t videoEnd = 0;
  int64_t audioSamples = 0;
  State->Measure(videoEnd, audioSamples);
  TMediaInfo info = InfoValue;
  info.FrameCount = videoEnd;
  info.AudioSeconds = info.HasAudio ? double(audioSamples) / info.SampleRate : 0;
  info.LengthSeconds = info.HasVideo ? double(videoEnd) / info.FrameRate : info.AudioSeconds;
  if (info.HasVideo && info.FrameCount <= 0) return MCIERR_INVALID_FILE;
  if (!info.HasVideo && audioSamples <= 0) return MCIERR_INVALID_FILE;
  if (uint32_t error = ProveDecodes(info.HasVideo)) return error;
  InfoValue = info;
  // Kept only when the file is still the one measured.
  if (stamp && platform::FileStampOf(Path) == stamp) KeepScan(Path, WantVideo, *stamp, info);
  return 0;
}

uint32_t TMediaDecoder::ProveDecodes(bool hasVideo) {
  // A garbage payload in a valid container must fail here, not mid-play.
  uint32_t result = Open(Path, WantVideo);
  if (result) return result;
  TVideoFrame frame;
  std::vector<int16_t> samples;
  bool proven = false;
  for (int items = 0; items < 1000 && !proven; ++items) {
    TDecodeItem item = Next(frame, samples);
    if (item == TDecodeItem::End || item == TDecodeItem::Error) break;
    proven = (item == TDecodeItem::Video) == hasVideo;
  }
  if (!proven) return MCIERR_INVALID_FILE;
  return Open(Path, WantVideo);
}

TDecodeItem TMediaDecoder::Next(TVideoFrame& frame, std::vector<int16_t>& samples) {
  if (!State) return TDecodeItem::Error;
  TState& s = *State;
  s.MakePictures = MakePictures;
  while (true) {
    if (s.Active) {
      if (TStep step = s.Receive(frame, samples)) return *step;
      if (s.Active) continue;  // a frame was skipped: the same decoder may hold more
    }
    if (TStep step = s.Draining ? s.Drain(samples) : s.FeedPacket()) return *step;
  }
}

// Takes one frame from the active decoder; lets the decoder go when it has nothing more for now.
TStep TMediaDecoder::TState::Receive(TVideoFrame& frame, std::vector<int16_t>& samples) {
  int result = avcodec_receive_frame(Active, Frame);
  if (result == 0) return Active == Video ? ReceiveVideo(frame) : ReceiveAudio(samples);
  if (result != AVERROR(EAGAIN)) {
    if (Draining) {
      (Active == Video ? DrainedVideo : DrainedAudio) = true;
    } else if (result != AVERROR_EOF && ++ErrorRun > MaxDecodeErrors) {
      return TDecodeItem::Error;
    }
  }
  Active = nullptr;
  return std::nullopt;
}

TStep TMediaDecoder::TState::ReceiveVideo(TVideoFrame& frame) {
  AVFrame* f = Frame;
  if (f->width <= 0 || f->height <= 0 || f->width > MaxSide || f->height > MaxSide) {
    av_frame_unref(f);
    return std::nullopt;
  }
  const int64_t pts = f->best_effort_timestamp;
  frame.Seconds = pts == AV_NOPTS_VALUE ? 0 : pts * av_q2d(Format->streams[VideoIndex]->time_base);
  frame.Bytes = size_t(f->width) * 4 * size_t(f->height);
  if (MakePictures) {
    frame.Image = Convert(*f);
    av_frame_unref(f);
  } else {
    // Only timed, yet failing where making the picture would: the converter is all that can.
    frame.Image = QImage();
    const bool convertible = UpdateScaler(*f);
    av_frame_unref(LastVideo);
    if (convertible) av_frame_move_ref(LastVideo, f);
    av_frame_unref(f);
    if (!convertible) return TDecodeItem::Error;
  }
  if (MakePictures && frame.Image.isNull()) return TDecodeItem::Error;
  ErrorRun = 0;
  return TDecodeItem::Video;
}

// A converter for the frame's size and format; false when there is none. The library's own check for a
// context that fits would make most formats' converters anew for every frame.
bool TMediaDecoder::TState::UpdateScaler(const AVFrame& f) {
  if (Scaler && ScalerWidth == f.width && ScalerHeight == f.height && ScalerFormat == f.format) return true;
  Scaler = sws_getCachedContext(Scaler, f.width, f.height, AVPixelFormat(f.format), f.width, f.height,
                                AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
  ScalerWidth = f.width;
  ScalerHeight = f.height;
  ScalerFormat = f.format;
  return Scaler != nullptr;
}

// The frame as a picture; null when the converter or the memory for it cannot be had.
QImage TMediaDecoder::TState::Convert(const AVFrame& f) {
  if (!UpdateScaler(f)) return QImage();
  QImage image(f.width, f.height, QImage::Format_RGB32);
  if (image.isNull()) return QImage();
  uint8_t* dst[4] = {image.bits(), nullptr, nullptr, nullptr};
  int dstStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
  // The palette of paletted frames rides in data[1] and is read again on every call.
  sws_scale(Scaler, f.data, f.linesize, 0, f.height, dst, dstStride);
  return image;
}

QImage TMediaDecoder::LastPicture() const {
  if (!State || !State->LastVideo->data[0]) return QImage();
  return State->Convert(*State->LastVideo);
}

TStep TMediaDecoder::TState::ReceiveAudio(std::vector<int16_t>& samples) {
  AVFrame* f = Frame;
  AVChannelLayout inLayout{};
  if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels <= 0)
    av_channel_layout_default(&inLayout, std::max(1, f->ch_layout.nb_channels));
  else
    av_channel_layout_copy(&inLayout, &f->ch_layout);
  bool sane = inLayout.nb_channels <= MaxChannels && f->sample_rate > 0 && f->sample_rate <= MaxSampleRate;
  bool ready = sane && UpdateResampler(*f, inLayout);
  av_channel_layout_uninit(&inLayout);
  if (!ready) {
    av_frame_unref(f);
    // A frame with impossible parameters is skipped; a resampler that cannot be built ends the file.
    return sane ? TStep(TDecodeItem::Error) : std::nullopt;
  }
  int capacity = swr_get_out_samples(Resampler, f->nb_samples);
  samples.assign(size_t(std::max(0, capacity)) * 2, 0);
  uint8_t* out = reinterpret_cast<uint8_t*>(samples.data());
  int got =
      swr_convert(Resampler, &out, capacity, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
  av_frame_unref(f);
  samples.resize(size_t(std::max(0, got)) * 2);
  ErrorRun = 0;
  if (got > 0) return TDecodeItem::Audio;
  return std::nullopt;
}

// Rebuilds the resampler when the sound's rate, format or layout changed; false when that fails.
bool TMediaDecoder::TState::UpdateResampler(const AVFrame& frame, AVChannelLayout& inLayout) {
  if (Resampler && ResampleRate == frame.sample_rate && ResampleFormat == frame.format &&
      av_channel_layout_compare(&ResampleLayout, &inLayout) == 0)
    return true;
  swr_free(&Resampler);
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (swr_alloc_set_opts2(&Resampler, &stereo, AV_SAMPLE_FMT_S16, MixRate, &inLayout,
                          AVSampleFormat(frame.format), frame.sample_rate, 0, nullptr) < 0 ||
      swr_init(Resampler) < 0) {
    swr_free(&Resampler);
    return false;
  }
  ResampleRate = frame.sample_rate;
  ResampleFormat = frame.format;
  av_channel_layout_uninit(&ResampleLayout);
  av_channel_layout_copy(&ResampleLayout, &inLayout);
  return true;
}

// At the end of the file: each decoder gives up what it still holds, then the resampler; then the end.
TStep TMediaDecoder::TState::Drain(std::vector<int16_t>& samples) {
  if (Video && !DrainedVideo) {
    Active = Video;
    return std::nullopt;
  }
  if (Audio && !DrainedAudio) {
    Active = Audio;
    return std::nullopt;
  }
  if (TStep step = FlushResampler(samples)) return step;
  return TDecodeItem::End;
}

TStep TMediaDecoder::TState::FlushResampler(std::vector<int16_t>& samples) {
  if (!Resampler || FlushedResampler) return std::nullopt;
  FlushedResampler = true;
  int capacity = swr_get_out_samples(Resampler, 0);
  if (capacity <= 0) return std::nullopt;
  samples.assign(size_t(capacity) * 2, 0);
  uint8_t* out = reinterpret_cast<uint8_t*>(samples.data());
  int got = swr_convert(Resampler, &out, capacity, nullptr, 0);
  samples.resize(size_t(std::max(0, got)) * 2);
  if (got > 0) return TDecodeItem::Audio;
  return std::nullopt;
}

// Reads one packet and hands it to its stream's decoder, which becomes the active one.
TStep TMediaDecoder::TState::FeedPacket() {
  int result = av_read_frame(Format, Packet);
  if (result < 0) {
    // End of file, or a read error in a truncated file: play out what was decoded.
    Draining = true;
    if (Video) avcodec_send_packet(Video, nullptr);
    if (Audio) avcodec_send_packet(Audio, nullptr);
    return std::nullopt;
  }
  AVCodecContext* codec = Packet->stream_index == VideoIndex   ? Video
                          : Packet->stream_index == AudioIndex ? Audio
                                                               : nullptr;
  // An empty chunk repeats the previous picture; sent as is it would read as end of stream.
  if (codec && Packet->size > 0) {
    result = avcodec_send_packet(codec, Packet);
    if (result < 0 && result != AVERROR(EAGAIN) && ++ErrorRun > MaxDecodeErrors) {
      av_packet_unref(Packet);
      return TDecodeItem::Error;
    }
    Active = codec;
  }
  av_packet_unref(Packet);
  return std::nullopt;
}

}  // namespace orbel::media
