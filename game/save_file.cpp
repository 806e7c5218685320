// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/save_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "game/data_files.h"
#include "platform/text_codec.h"

namespace orbel::game {

namespace {

constexpr const char* kFormatName = "orbel-save";
// JSON numbers are doubles: whole numbers are exact up to 2^53, far beyond any game's milliseconds or steps.
constexpr double kMaxWholeNumber = 9007199254740992.0;

[[noreturn]] void Refuse(const std::string& fileName, const std::string& why) {
  throw ESaveError("the save " + platform::FileNameToUtf8(fileName) + " " + why);
}

bool IsHexDigest(const QString& text) {
  if (text.size() != 64) return false;
  for (const QChar c : text)
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
  return true;
}

// A whole number from `low` to `high`, or the error naming the field.
int64_t WholeField(const QJsonObject& object, const char* name, double low, double high,
                   const std::string& fileName) {
  const QJsonValue value = object.value(QLatin1String(name));
  if (!value.isDouble()) Refuse(fileName, std::string("has no number \"") + name + "\"");
  const double number = value.toDouble();
  if (!std::isfinite(number) || number != std::floor(number) || number < low || number > high)
    Refuse(fileName, std::string("has an impossible \"") + name + "\"");
  return static_cast<int64_t>(number);
}

QString TextField(const QJsonObject& object, const char* name, const std::string& fileName) {
  const QJsonValue value = object.value(QLatin1String(name));
  if (!value.isString()) Refuse(fileName, std::string("has no text \"") + name + "\"");
  return value.toString();
}

}  // namespace

std::string ScriptSha256(std::string_view scriptBytes) {
  return QCryptographicHash::hash(
             QByteArrayView(scriptBytes.data(), static_cast<qsizetype>(scriptBytes.size())),
             QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

QByteArray SaveToJson(const TSave& save) {
  QJsonObject object;
  object["format"] = QLatin1String(kFormatName);
  object["version"] = kSaveVersion;
  object["script_sha256"] = QString::fromStdString(save.ScriptSha256);
  object["game_folder"] = QString::fromUtf8(save.GameFolder);
  if (!save.GameName.empty()) object["game_name"] = QString::fromUtf8(save.GameName);
  object["time_ms"] = static_cast<double>(save.TimeMs);
  object["steps"] = static_cast<double>(save.Steps);
  object["tick_phase_ms"] = static_cast<double>(save.TickPhaseMs);
  object["line"] = save.Line;
  object["text"] = QString::fromUtf8(save.Text);
  object["date"] = QString::fromStdString(save.Date);
  object["thumbnail_png"] = QString::fromLatin1(save.Thumbnail.toBase64());
  return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

TSave ParseSave(const QByteArray& bytes, const std::string& fileName) {
  if (bytes.isEmpty()) Refuse(fileName, "is empty");
  if (static_cast<size_t>(bytes.size()) > kMaxSaveBytes) Refuse(fileName, "is too large to be a save");
  QJsonParseError problem;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &problem);
  if (problem.error != QJsonParseError::NoError)
    Refuse(fileName, "is damaged or not a save (" + problem.errorString().toStdString() + " at byte " +
                         std::to_string(problem.offset) + ")");
  if (!document.isObject()) Refuse(fileName, "is not a save");
  const QJsonObject object = document.object();
  if (object.value("format").toString() != QLatin1String(kFormatName)) Refuse(fileName, "is not a save");
  const int64_t version = WholeField(object, "version", 0, kMaxWholeNumber, fileName);
  if (version != kSaveVersion)
    Refuse(fileName, "has version " + std::to_string(version) + "; this program reads version " +
                         std::to_string(kSaveVersion));
  TSave save;
  const QString hash = TextField(object, "script_sha256", fileName);
  if (!IsHexDigest(hash)) Refuse(fileName, "has an impossible \"script_sha256\"");
  save.ScriptSha256 = hash.toStdString();
  save.GameFolder = TextField(object, "game_folder", fileName).toStdString();
  if (object.contains(QLatin1String("game_name")))
    save.GameName = TextField(object, "game_name", fileName).toStdString();
  save.TimeMs = WholeField(object, "time_ms", 0, kMaxWholeNumber, fileName);
  save.Steps = WholeField(object, "steps", 0, kMaxWholeNumber, fileName);
  if (object.contains(QLatin1String("tick_phase_ms")))
    save.TickPhaseMs = WholeField(object, "tick_phase_ms", 0, kMaxTickPhaseMs, fileName);
  save.Line = static_cast<int32_t>(WholeField(object, "line", 1, INT32_MAX, fileName));
  save.Text = TextField(object, "text", fileName).toStdString();
  save.Date = TextField(object, "date", fileName).toStdString();
  const QByteArray base64 = TextField(object, "thumbnail_png", fileName).toLatin1();
  const auto thumbnail = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
  if (!thumbnail) Refuse(fileName, "has a damaged \"thumbnail_png\"");
  save.Thumbnail = *thumbnail;
  return save;
}

TSave ReadSaveFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(std::filesystem::path(path), error);
  if (error || !std::filesystem::exists(status)) Refuse(path, "does not exist");
  if (std::filesystem::is_directory(status)) Refuse(path, "is a folder, not a file");
  const TFileText file = ReadWholeFile(path, kMaxSaveBytes);
  if (file.Result == frTooLarge) Refuse(path, "is too large to be a save");
  if (file.Result != frRead) Refuse(path, "cannot be read");
  return ParseSave(QByteArray(file.Text.data(), static_cast<qsizetype>(file.Text.size())), path);
}

void WriteSaveFile(const TSave& save, const std::string& path) {
  const QByteArray bytes = SaveToJson(save);
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string temporary = (folder / (target.filename().string() + ".XXXXXX")).string();
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) Refuse(path, std::string("cannot be written: ") + std::strerror(errno));
  const auto fail = [&](int code) {
    ::close(descriptor);
    ::unlink(temporary.c_str());
    Refuse(path, std::string("cannot be written: ") + std::strerror(code));
  };
  // mkstemp makes it readable by its owner only; a save is an ordinary file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(descriptor, 0666 & ~mask) != 0) fail(errno);
  for (qsizetype written = 0; written < bytes.size();) {
    const ssize_t n =
        ::write(descriptor, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(n < 0 ? errno : EIO);
    written += n;
  }
  if (::fsync(descriptor) != 0) fail(errno);
  if (::close(descriptor) != 0) {
    const int code = errno;
    ::unlink(temporary.c_str());
    Refuse(path, std::string("cannot be written: ") + std::strerror(code));
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int code = errno;
    ::unlink(temporary.c_str());
    Refuse(path, std::string("cannot be written: ") + std::strerror(code));
  }
  // The rename itself reaches the disk with the folder.
  const int folderDescriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderDescriptor >= 0) {
    ::fsync(folderDescriptor);
    ::close(folderDescriptor);
  }
}

}  // namespace orbel::game
