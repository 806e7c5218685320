// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/video_export.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "media/decoder.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

namespace orbel::media {

namespace {

using platform::Tr;

constexpr int Channels = 2;
// A frame size for an encoder that takes any (FLAC may say 0): small enough to keep little sound waiting.
constexpr int AnyFrameSize = 1024;

struct TContainer {
  const char* Extension;
  const char* Muxer;
  const char* VideoEncoder;
  const char* AudioEncoder;
};

constexpr TContainer Containers[] = {
    {".mkv", "matroska", "libx264", "flac"},
    {".mp4", "mp4", "libx264", "aac"},
    {".webm", "webm", "libvpx-vp9", "libopus"},
};
// FFV1 keeps RGB as RGB, so the file gives back the very pixels; FLAC does the same for the sound.
constexpr TContainer Lossless = {".mkv", "matroska", "ffv1", "flac"};

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw EVideoExportError(
      Tr("VideoExport", "cannot export video to %1: %2").Arg(platform::FileNameToUtf8(path)).Arg(reason));
}

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// The last path element's extension in lower case, with its dot; empty when it has none.
std::string ExtensionOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
  return extension;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

const TContainer& ChooseContainer(const std::string& path, bool lossless) {
  const std::string extension = ExtensionOf(path);
  if (lossless) {
    if (extension != Lossless.Extension)
      Refuse(path, Tr("VideoExport", "a lossless export is written as .mkv only"));
    return Lossless;
  }
  for (const TContainer& container : Containers)
    if (extension == container.Extension) return container;
  Refuse(path,
         extension.empty()
             ? Tr("VideoExport", "the name has no extension (use .mkv, .mp4 or .webm)").Str()
             : Tr("VideoExport", "unknown extension '%1' (use .mkv, .mp4 or .webm)").Arg(extension).Str());
}

const AVCodec* FindEncoder(const std::string& path, const char* name) {
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  if (!codec) Refuse(path, Tr("VideoExport", "this system's FFmpeg has no %1 encoder").Arg(name));
  return codec;
}

// The sound format to hand the encoder, of those it takes: the mixer's own when it can.
AVSampleFormat ChooseSampleFormat(const AVCodec& codec) {
  constexpr AVSampleFormat preferred[] = {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT,
                                          AV_SAMPLE_FMT_S16P};
  if (!codec.sample_fmts) return AV_SAMPLE_FMT_S16;
  for (AVSampleFormat format : preferred)
    for (const AVSampleFormat* offered = codec.sample_fmts; *offered != AV_SAMPLE_FMT_NONE; ++offered)
      if (*offered == format) return format;
  return AV_SAMPLE_FMT_NONE;
}

// Copies count interleaved stereo frames to the start of the frame's planes, in the frame's format.
void ConvertSound(const int16_t* from, int count, AVFrame& to) {
  switch (to.format) {
    case AV_SAMPLE_FMT_S16:
      std::memcpy(to.data[0], from, size_t(count) * Channels * sizeof(int16_t));
      break;
    case AV_SAMPLE_FMT_S16P:
      for (int i = 0; i < count; ++i)
        for (int c = 0; c < Channels; ++c) reinterpret_cast<int16_t*>(to.data[c])[i] = from[i * Channels + c];
      break;
    case AV_SAMPLE_FMT_FLT:
      for (int i = 0; i < count * Channels; ++i) reinterpret_cast<float*>(to.data[0])[i] = from[i] / 32768.0f;
      break;
    case AV_SAMPLE_FMT_FLTP:
      for (int i = 0; i < count; ++i)
        for (int c = 0; c < Channels; ++c)
          reinterpret_cast<float*>(to.data[c])[i] = from[i * Channels + c] / 32768.0f;
      break;
    default:
      break;  // ChooseSampleFormat offers nothing else
  }
}

// Enlarges a 32-bit picture into dest by whole blocks: each source row is widened once and copied to the
// scale rows below, so every block is exactly one pixel's value.
void Enlarge(const QImage& source, int scale, uint8_t* dest, int destStride) {
  const int width = source.width();
  for (int y = 0; y < source.height(); ++y) {
    const auto* from = reinterpret_cast<const uint32_t*>(source.constScanLine(y));
    uint8_t* first = dest + size_t(y) * scale * destStride;
    auto* row = reinterpret_cast<uint32_t*>(first);
    if (scale == 1) {
      std::memcpy(row, from, size_t(width) * 4);
      continue;
    }
    for (int x = 0; x < width; ++x) std::fill_n(row + size_t(x) * scale, scale, from[x]);
    for (int copy = 1; copy < scale; ++copy)
      std::memcpy(first + size_t(copy) * destStride, first, size_t(width) * scale * 4);
  }
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The temporary names of a target: its own name, a dot, six hexadecimal digits and ".part".
constexpr size_t kPartSuffixLength = 1 + 6 + 5;

std::string PartName(const std::string& target, unsigned number) {
  char suffix[kPartSuffixLength + 1];
  std::snprintf(suffix, sizeof suffix, ".%06x.part", number & 0xffffffu);
  return target + suffix;
}

bool IsPartNameOf(const std::string& name, const std::string& base) {
  if (name.size() != base.size() + kPartSuffixLength || name.compare(0, base.size(), base) != 0 ||
      name[base.size()] != '.' || name.compare(name.size() - 5, 5, ".part") != 0)
    return false;
  return std::all_of(name.begin() + std::ptrdiff_t(base.size()) + 1, name.end() - 5,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool SameFile(int fd, const std::string& path) {
  struct stat held {};
  struct stat named {};
  return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

// An export holds a lock on its temporary file for as long as it writes it, so a temporary name of the same
// target that nobody holds was left by an export that was killed: it is removed. One that another running
// export holds stays.
void RemoveStaleParts(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = BaseNameOf(target);
  DIR* folder = opendir(prefix.empty() ? "." : prefix.c_str());
  if (!folder) return;
  while (const dirent* entry = readdir(folder)) {
    if (!IsPartNameOf(entry->d_name, base)) continue;
    const std::string path = prefix + entry->d_name;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat info {};
    // Taking the lock proves nobody writes the file; the name must still be that file when it goes.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        SameFile(fd, path))
      unlink(path.c_str());
    close(fd);
  }
  closedir(folder);
}

// The same picture, or one with the very same bytes (a picture grabbed anew while nothing changed).
bool SameBytes(const QImage& picture, const QImage& last) {
  if (last.isNull()) return false;
  if (picture.cacheKey() == last.cacheKey()) return true;
  return picture.format() == last.format() && picture.size() == last.size() &&
         picture.bytesPerLine() == last.bytesPerLine() &&
         std::memcmp(picture.constBits(), last.constBits(), size_t(picture.sizeInBytes())) == 0;
}

// The file being written, under a temporary name beside the target until Commit gives it the target's name.
// Written through its own descriptor rather than FFmpeg's protocols, so the name is used byte for byte and a
// colon in it never selects a protocol.
class TOutputFile {
 public:
  explicit TOutputFile(const std::string& target) : Target(target) {
    const std::string folder = FolderOf(target);
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0)
      Refuse(target, Tr("VideoExport", "the folder %1 does not exist").Arg(platform::FileNameToUtf8(folder)));
    if (!S_ISDIR(info.st_mode))
      Refuse(target, Tr("VideoExport", "%1 is not a folder").Arg(platform::FileNameToUtf8(folder)));
    if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      Refuse(target, Tr("VideoExport", "it is a folder"));
    RemoveStaleParts(target);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && Fd < 0; ++attempt) {
      Temporary = PartName(target, unsigned(random()));
      Fd = open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (Fd < 0 && errno != EEXIST) break;
      if (Fd < 0) continue;
      // Another export sweeping its stale files may have taken the new file for one between its creation and
      // the lock: a file whose name has gone is left for a new name. A file system without locks keeps its
      // files, since nobody can take a lock there either.
      const bool locked = flock(Fd, LOCK_EX | LOCK_NB) == 0;
      if ((!locked && errno == EWOULDBLOCK) || !SameFile(Fd, Temporary)) {
        close(Fd);
        Fd = -1;
      }
    }
    if (Fd < 0) {
      const int error = errno;
      if (error == EACCES || error == EPERM || error == EROFS)
        Refuse(target,
               Tr("VideoExport", "the folder %1 is not writable").Arg(platform::FileNameToUtf8(folder)));
      Refuse(target, platform::SystemErrorText(error));
    }
  }
  ~TOutputFile() {
    if (Fd >= 0) close(Fd);
    if (!Committed) unlink(Temporary.c_str());
  }
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  int Write(const uint8_t* data, int size) {
    for (int done = 0; done < size;) {
      const ssize_t written = write(Fd, data + done, size_t(size - done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        Errno = written < 0 ? errno : EIO;
        return AVERROR(Errno);
      }
      done += int(written);
      Position += written;
      Written = std::max(Written, Position);
    }
    return size;
  }

  int64_t Seek(int64_t offset, int whence) {
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
      struct stat info {};
      return fstat(Fd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
    }
    const off_t position = lseek(Fd, off_t(offset), whence);
    if (position < 0) return AVERROR(errno);
    Position = int64_t(position);
    return Position;
  }

  // The reason the last write failed, for the message; empty when no write failed.
  std::string WriteError() const { return Errno ? platform::SystemErrorText(Errno) : std::string(); }
  // The bytes the file holds so far.
  int64_t Size() const { return Written; }
  // The bytes still free to a user on the file's file system; none when it cannot say.
  std::optional<int64_t> FreeBytes() const {
    struct statvfs info {};
    if (Fd < 0 || fstatvfs(Fd, &info) != 0) return std::nullopt;
    return int64_t(info.f_bavail) * int64_t(info.f_frsize);
  }

  // Makes the content durable before the rename, so the target never names a file cut short by a crash.
  void Commit() {
    if (fsync(Fd) != 0 || close(Fd) != 0) {
      Fd = -1;
      Refuse(Target, Tr("VideoExport", "writing failed (%1)").Arg(platform::SystemErrorText(errno)));
    }
    Fd = -1;
    if (rename(Temporary.c_str(), Target.c_str()) != 0)
      Refuse(Target, Tr("VideoExport", "cannot give the finished file its name (%1)")
                         .Arg(platform::SystemErrorText(errno)));
    Committed = true;
  }

 private:
  std::string Target, Temporary;
  int Fd = -1;
  int Errno = 0;
  int64_t Position = 0, Written = 0;
  bool Committed = false;
};

}  // namespace

struct TVideoExport::TState {
  std::string Path;
  TVideoExportSettings Settings;
  int Width = 0, Height = 0;  // of the file's pictures
  std::unique_ptr<TOutputFile> File;
  AVIOContext* Io = nullptr;
  AVFormatContext* Format = nullptr;
  AVCodecContext* Video = nullptr;
  AVCodecContext* Audio = nullptr;
  AVStream* VideoStream = nullptr;
  AVStream* AudioStream = nullptr;
  AVFrame* Picture = nullptr;
  AVFrame* Sound = nullptr;
  AVPacket* Packet = nullptr;
  SwsContext* Converter = nullptr;  // to the encoder's pixel format, when that is not the picture's own
  std::vector<uint32_t> Enlarged;   // the enlarged picture on its way to the converter
  QImage LastSource;                // the picture Picture holds, converted: the next one is often the same
  int64_t PacketBytes = 0;          // the encoded pictures and sound handed to the container
  int64_t HeaderBytes = 0;
  std::vector<int16_t> Pending;  // sound not yet a whole encoder frame, from PendingStart
  size_t PendingStart = 0;
  int SoundFrameSize = AnyFrameSize;
  bool SmallLastFrame = true;
  int64_t Frames = 0, SoundFrames = 0, SoundSent = 0;
  bool Finished = false, Failed = false;
  bool AddPrimingToSound = false;

  ~TState() {
    sws_freeContext(Converter);
    av_packet_free(&Packet);
    av_frame_free(&Sound);
    av_frame_free(&Picture);
    avcodec_free_context(&Video);
    avcodec_free_context(&Audio);
    avformat_free_context(Format);  // the custom I/O context is ours to free
    if (Io) av_freep(&Io->buffer);
    avio_context_free(&Io);
  }

  [[noreturn]] void Fail(const std::string& reason) {
    Failed = true;
    Refuse(Path, reason);
  }
  // `what` is the step, in the user's language.
  void Check(int result, const std::string& what) {
    if (result < 0) Fail(Tr("VideoExport", "%1 failed (%2)").Arg(what).Arg(AvErrorText(result)));
  }
  void CheckWrite(int result) {
    if (result >= 0) return;
    const std::string reason = File->WriteError();
    Fail(Tr("VideoExport", "writing failed (%1)").Arg(reason.empty() ? AvErrorText(result) : reason));
  }
  void CheckUsable() const {
    if (Failed) Refuse(Path, Tr("VideoExport", "an earlier error ended this export"));
    if (Finished) Refuse(Path, Tr("VideoExport", "the export is already finished"));
  }

  void OpenOutput(const TContainer& container);
  void OpenVideo(const AVCodec* codec);
  void OpenAudio(const AVCodec* codec);
  void Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);
  void SendSound(int count);
};

void TVideoExport::TState::OpenOutput(const TContainer& container) {
  File = std::make_unique<TOutputFile>(Path);
  constexpr int bufferSize = 1 << 16;
  auto* buffer = static_cast<unsigned char*>(av_malloc(bufferSize));
  if (!buffer) Fail(Tr("VideoExport", "out of memory"));
  // The generic parameter fits whichever constness of the buffer this FFmpeg's callback type has.
  Io = avio_alloc_context(
      buffer, bufferSize, 1, File.get(), nullptr,
      [](void* file, auto* data, int size) { return static_cast<TOutputFile*>(file)->Write(data, size); },
      [](void* file, int64_t offset, int whence) {
        return static_cast<TOutputFile*>(file)->Seek(offset, whence);
      });
  if (!Io) {
    av_free(buffer);
    Fail(Tr("VideoExport", "out of memory"));
  }
  Check(avformat_alloc_output_context2(&Format, nullptr, container.Muxer, nullptr),
        Tr("VideoExport", "setting up the container"));
  Format->pb = Io;
  Format->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (std::strcmp(container.Muxer, "mp4") != 0) {
    // Matroska would otherwise move every stream later by the sound encoder's priming (Opus's 6.5 ms), which
    // puts the first picture there too. Its sound gets the priming added below instead.
    Format->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
#if LIBAVFORMAT_VERSION_MAJOR < 60
    // Matroska counts a block's time from before the priming the reader drops (CodecDelay); this muxer
    // version leaves adding it to the writer, later ones add it themselves.
    AddPrimingToSound = true;
#endif
  }
}

void TVideoExport::TState::OpenVideo(const AVCodec* codec) {
  Video = avcodec_alloc_context3(codec);
  if (!Video) Fail(Tr("VideoExport", "out of memory"));
  const bool lossless = codec->id == AV_CODEC_ID_FFV1;
  Video->width = Width;
  Video->height = Height;
  Video->time_base = AVRational{1, Settings.FramesPerSecond};
  Video->framerate = AVRational{Settings.FramesPerSecond, 1};
  Video->sample_aspect_ratio = AVRational{1, 1};
  // Both cores: an export runs at its own pace, so the encoder may have the machine.
  Video->thread_count = int(std::max(1u, std::thread::hardware_concurrency()));
  AVDictionary* options = nullptr;
  if (lossless) {
    // RGB32 as Qt keeps it in memory: the picture goes in without any conversion.
    Video->pix_fmt = AV_PIX_FMT_0RGB32;
    Video->level = 3;   // the version that codes slices in parallel and checks each with a CRC
    Video->slices = 4;  // at least one per thread
  } else {
    Video->pix_fmt = AV_PIX_FMT_YUV420P;
    Video->bit_rate = 0;  // quality-driven, not a target rate
    // The picture is standard definition: say which matrix the converter used, so players undo the same one.
    Video->colorspace = AVCOL_SPC_SMPTE170M;
    Video->color_primaries = AVCOL_PRI_SMPTE170M;
    Video->color_trc = AVCOL_TRC_SMPTE170M;
    Video->color_range = AVCOL_RANGE_MPEG;
    // A game's pictures are flat and mostly still, and at 60 pictures a second most of them repeat the one
    // before: what costs is each picture's fixed share of the encoder's work, not the detail. The fastest
    // settings, at a quality that keeps the pictures as well as the slower ones did (bench/fast_and_export.py
    // measures both).
    if (codec->id == AV_CODEC_ID_H264) {
      av_dict_set(&options, "preset", "ultrafast", 0);
      av_dict_set(&options, "x264-params", "cabac=1", 0);  // costs little on still pictures, saves a fifth
      av_dict_set(&options, "crf", "23", 0);
    } else {
      av_dict_set(&options, "deadline", "realtime", 0);
      av_dict_set(&options, "cpu-used", "6", 0);
      av_dict_set(&options, "tune-content", "screen", 0);
      av_dict_set(&options, "row-mt", "1", 0);
      av_dict_set(&options, "tile-columns", "1", 0);  // two columns of tiles, one per core
      av_dict_set(&options, "crf", "28", 0);
    }
    Converter = sws_getContext(Width, Height, AV_PIX_FMT_RGB32, Width, Height, Video->pix_fmt,
                               SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!Converter) Fail(Tr("VideoExport", "setting up the colour conversion failed"));
    if (Settings.Scale > 1) Enlarged.resize(size_t(Width) * Height);
  }
  if (Format->oformat->flags & AVFMT_GLOBALHEADER) Video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int opened = avcodec_open2(Video, codec, &options);
  av_dict_free(&options);
  Check(opened, Tr("VideoExport", "opening the %1 encoder").Arg(codec->name));

  VideoStream = avformat_new_stream(Format, nullptr);
  if (!VideoStream) Fail(Tr("VideoExport", "out of memory"));
  VideoStream->time_base = Video->time_base;
  VideoStream->avg_frame_rate = Video->framerate;
  VideoStream->sample_aspect_ratio = Video->sample_aspect_ratio;
  Check(avcodec_parameters_from_context(VideoStream->codecpar, Video),
        Tr("VideoExport", "setting up the video stream"));

  Picture = av_frame_alloc();
  if (!Picture) Fail(Tr("VideoExport", "out of memory"));
  Picture->format = Video->pix_fmt;
  Picture->width = Width;
  Picture->height = Height;
  Check(av_frame_get_buffer(Picture, 0), Tr("VideoExport", "allocating a picture"));
}

void TVideoExport::TState::OpenAudio(const AVCodec* codec) {
  Audio = avcodec_alloc_context3(codec);
  if (!Audio) Fail(Tr("VideoExport", "out of memory"));
  Audio->sample_fmt = ChooseSampleFormat(*codec);
  if (Audio->sample_fmt == AV_SAMPLE_FMT_NONE)
    Fail(Tr("VideoExport", "the %1 encoder takes no sample format this program can give").Arg(codec->name));
  Audio->sample_rate = MixRate;
  av_channel_layout_default(&Audio->ch_layout, Channels);
  Audio->time_base = AVRational{1, MixRate};
  Audio->bit_rate = codec->id == AV_CODEC_ID_AAC ? 192000 : codec->id == AV_CODEC_ID_OPUS ? 128000 : 0;
  if (Format->oformat->flags & AVFMT_GLOBALHEADER) Audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(avcodec_open2(Audio, codec, nullptr), Tr("VideoExport", "opening the %1 encoder").Arg(codec->name));
  const bool anySize = codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
  SoundFrameSize = anySize || Audio->frame_size <= 0 ? AnyFrameSize : Audio->frame_size;
  SmallLastFrame = anySize || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);

  AudioStream = avformat_new_stream(Format, nullptr);
  if (!AudioStream) Fail(Tr("VideoExport", "out of memory"));
  AudioStream->time_base = Audio->time_base;
  Check(avcodec_parameters_from_context(AudioStream->codecpar, Audio),
        Tr("VideoExport", "setting up the sound stream"));

  Sound = av_frame_alloc();
  if (!Sound) Fail(Tr("VideoExport", "out of memory"));
}

// Sends one frame (or, with none, the end) and writes every packet the encoder has ready.
void TVideoExport::TState::Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
  Check(avcodec_send_frame(codec, frame), Tr("VideoExport", "the %1 encoder").Arg(codec->codec->name));
  while (true) {
    const int received = avcodec_receive_packet(codec, Packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    Check(received, Tr("VideoExport", "the %1 encoder").Arg(codec->codec->name));
    // Each picture lasts one frame; said on every packet, it gives the last one its time in the file too.
    if (codec == Video && Packet->duration <= 0) Packet->duration = 1;
    if (codec == Audio && AddPrimingToSound) {
      Packet->pts += codec->initial_padding;
      Packet->dts += codec->initial_padding;
    }
    av_packet_rescale_ts(Packet, codec->time_base, stream->time_base);
    Packet->stream_index = stream->index;
    PacketBytes += Packet->size;
    CheckWrite(av_interleaved_write_frame(Format, Packet));
  }
}

// Encodes count frames from the front of Pending; a short last frame is padded with silence where the
// encoder takes only whole ones.
void TVideoExport::TState::SendSound(int count) {
  av_frame_unref(Sound);
  Sound->format = Audio->sample_fmt;
  Sound->sample_rate = MixRate;
  Sound->nb_samples = SmallLastFrame ? count : SoundFrameSize;
  Check(av_channel_layout_copy(&Sound->ch_layout, &Audio->ch_layout),
        Tr("VideoExport", "setting up a sound frame"));
  Check(av_frame_get_buffer(Sound, 0), Tr("VideoExport", "allocating a sound frame"));
  if (Sound->nb_samples > count)
    av_samples_set_silence(Sound->data, 0, Sound->nb_samples, Channels, AVSampleFormat(Sound->format));
  ConvertSound(Pending.data() + PendingStart, count, *Sound);
  PendingStart += size_t(count) * Channels;
  Sound->pts = SoundSent;
  SoundSent += Sound->nb_samples;
  Encode(Audio, AudioStream, Sound);
}

TVideoExport::TVideoExport(const std::string& path, const TVideoExportSettings& settings)
    : State(std::make_unique<TState>()) {
  // Failures are reported through exceptions; the libraries' own chatter would only clutter the terminal.
  av_log_set_level(AV_LOG_QUIET);
  TState& s = *State;
  s.Path = path;
  s.Settings = settings;
  const TContainer& container = ChooseContainer(path, settings.Lossless);
  if (settings.Scale < 1 || settings.Scale > MaxScale)
    Refuse(path, Tr("VideoExport", "the scale must be a whole number from 1 to %1").Arg(MaxScale));
  if (settings.FramesPerSecond < 1 || settings.FramesPerSecond > MaxFramesPerSecond)
    Refuse(path, Tr("VideoExport", "the frame rate must be from 1 to %1 per second").Arg(MaxFramesPerSecond));
  const AVCodec* videoCodec = FindEncoder(path, container.VideoEncoder);
  const AVCodec* audioCodec = FindEncoder(path, container.AudioEncoder);
  s.Width = PictureWidth * settings.Scale;
  s.Height = PictureHeight * settings.Scale;

  s.OpenOutput(container);
  s.Packet = av_packet_alloc();
  if (!s.Packet) s.Fail(Tr("VideoExport", "out of memory"));
  s.OpenVideo(videoCodec);
  s.OpenAudio(audioCodec);
  s.CheckWrite(avformat_write_header(s.Format, nullptr));
  avio_flush(s.Io);
  s.HeaderBytes = s.File->Size();
}

TVideoExport::~TVideoExport() = default;

void TVideoExport::AddFrame(const QImage& picture) {
  TState& s = *State;
  s.CheckUsable();
  if (picture.width() != PictureWidth || picture.height() != PictureHeight)
    Refuse(s.Path, Tr("VideoExport", "a picture of %1x%2 was given, the export takes %3x%4")
                       .Arg(picture.width())
                       .Arg(picture.height())
                       .Arg(PictureWidth)
                       .Arg(PictureHeight));
  // ARGB32 has RGB32's layout; the alpha byte is left out by both pixel formats used below.
  const bool direct = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
  const QImage source = direct ? picture : picture.convertToFormat(QImage::Format_RGB32);

  // A writable frame keeps what it held: a picture like the last one needs no conversion.
  s.Check(av_frame_make_writable(s.Picture), Tr("VideoExport", "allocating a picture"));
  const bool same = SameBytes(source, s.LastSource);
  s.LastSource = source;
  if (!same && !s.Converter) {
    Enlarge(source, s.Settings.Scale, s.Picture->data[0], s.Picture->linesize[0]);
  } else if (!same) {
    const uint8_t* data = source.constBits();
    int stride = int(source.bytesPerLine());
    if (s.Settings.Scale > 1) {
      stride = s.Width * 4;
      Enlarge(source, s.Settings.Scale, reinterpret_cast<uint8_t*>(s.Enlarged.data()), stride);
      data = reinterpret_cast<const uint8_t*>(s.Enlarged.data());
    }
    sws_scale(s.Converter, &data, &stride, 0, s.Height, s.Picture->data, s.Picture->linesize);
  }
  s.Picture->pts = s.Frames;
  s.Encode(s.Video, s.VideoStream, s.Picture);
  ++s.Frames;
}

void TVideoExport::AddSound(const int16_t* frames, size_t count) {
  TState& s = *State;
  s.CheckUsable();
  s.Pending.insert(s.Pending.end(), frames, frames + count * Channels);
  s.SoundFrames += int64_t(count);
  while ((s.Pending.size() - s.PendingStart) / Channels >= size_t(s.SoundFrameSize))
    s.SendSound(s.SoundFrameSize);
  // What is left is less than one encoder frame; move it to the front rather than let the buffer grow.
  s.Pending.erase(s.Pending.begin(), s.Pending.begin() + std::ptrdiff_t(s.PendingStart));
  s.PendingStart = 0;
}

void TVideoExport::Finish() {
  TState& s = *State;
  s.CheckUsable();
  if (const size_t rest = (s.Pending.size() - s.PendingStart) / Channels) s.SendSound(int(rest));
  s.Encode(s.Audio, s.AudioStream, nullptr);
  s.Encode(s.Video, s.VideoStream, nullptr);
  s.CheckWrite(av_write_trailer(s.Format));
  avio_flush(s.Io);
  s.CheckWrite(s.Io->error);
  try {
    s.File->Commit();
  } catch (...) {
    s.Failed = true;
    throw;
  }
  s.Finished = true;
}

int64_t TVideoExport::FrameCount() const {
  return State->Frames;
}

int64_t TVideoExport::SoundFrameCount() const {
  return State->SoundFrames;
}

int64_t TVideoExport::Bytes() const {
  return State->HeaderBytes + State->PacketBytes;
}

int64_t TVideoExport::BytesOnDisk() const {
  return State->File ? State->File->Size() : 0;
}

std::optional<int64_t> TVideoExport::FreeBytes() const {
  return State->File ? State->File->FreeBytes() : std::nullopt;
}

}  // namespace orbel::media
