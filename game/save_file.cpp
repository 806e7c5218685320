// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/save_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cerrno>
#include <cmath>
#include <filesystem>

#include "game/data_files.h"
#include "platform/file_locks.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::game {

namespace {

constexpr const char* kFormatName = "orbel-save";
// JSON numbers are doubles: whole numbers are exact up to 2^53, far beyond any game's milliseconds or steps.
constexpr double kMaxWholeNumber = 9007199254740992.0;

[[noreturn]] void Refuse(const platform::TText& text) {
  throw ESaveError(text.Str());
}

std::string Shown(const std::string& fileName) {
  return platform::FileNameToUtf8(fileName);
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
  if (!value.isDouble())
    Refuse(platform::Tr("Saves", "the save %1 has no number \"%2\"").Arg(Shown(fileName)).Arg(name));
  const double number = value.toDouble();
  if (!std::isfinite(number) || number != std::floor(number) || number < low || number > high)
    Refuse(platform::Tr("Saves", "the save %1 has an impossible \"%2\"").Arg(Shown(fileName)).Arg(name));
  return static_cast<int64_t>(number);
}

QString TextField(const QJsonObject& object, const char* name, const std::string& fileName) {
  const QJsonValue value = object.value(QLatin1String(name));
  if (!value.isString())
    Refuse(platform::Tr("Saves", "the save %1 has no text \"%2\"").Arg(Shown(fileName)).Arg(name));
  return value.toString();
}

// Removes the leftover temporaries in `folder` of the file that `finalName` gives for each name there (empty:
// the name is none of them).
template <typename TFinalName>
void RemoveLeftovers(const std::filesystem::path& folder, const TFinalName& finalName) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string final = finalName(it->path().filename().native());
    if (!final.empty() && platform::IsLeftoverTemporary(it->path().native(), (folder / final).native()))
      ::unlink(it->path().c_str());
  }
}

// The optional history: at most kMaxSavedTexts texts, each with its instant, in the order they were shown and
// none after the save's own instant.
std::vector<TSavedText> HistoryField(const QJsonObject& object, const TSave& save, const std::string& fileName) {
  std::vector<TSavedText> history;
  if (!object.contains(QLatin1String("history"))) return history;
  const QJsonValue value = object.value(QLatin1String("history"));
  const auto impossible = [&fileName] {
    Refuse(platform::Tr("Saves", "the save %1 has an impossible \"%2\"").Arg(Shown(fileName)).Arg("history"));
  };
  if (!value.isArray() || static_cast<size_t>(value.toArray().size()) > kMaxSavedTexts) impossible();
  for (const QJsonValue& item : value.toArray()) {
    if (!item.isObject()) impossible();
    const QJsonObject entry = item.toObject();
    TSavedText text;
    const QString shown = TextField(entry, "text", fileName);
    if (shown.size() > kMaxSavedTextChars) impossible();
    text.Text = shown.toStdString();
    text.TimeMs = WholeField(entry, "time_ms", 0, static_cast<double>(save.TimeMs), fileName);
    text.Steps = WholeField(entry, "steps", 0, static_cast<double>(save.Steps), fileName);
    if (!history.empty() && (text.TimeMs < history.back().TimeMs || text.Steps < history.back().Steps))
      impossible();
    history.push_back(std::move(text));
  }
  return history;
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
  if (!save.History.empty()) {
    QJsonArray history;
    for (const TSavedText& text : save.History)
      history.append(QJsonObject{{"text", QString::fromUtf8(text.Text)},
                                 {"time_ms", static_cast<double>(text.TimeMs)},
                                 {"steps", static_cast<double>(text.Steps)}});
    object["history"] = history;
  }
  return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

TSave ParseSave(const QByteArray& bytes, const std::string& fileName) {
  if (bytes.isEmpty()) Refuse(platform::Tr("Saves", "the save %1 is empty").Arg(Shown(fileName)));
  if (static_cast<size_t>(bytes.size()) > kMaxSaveBytes)
    Refuse(platform::Tr("Saves", "the save %1 is too large to be a save").Arg(Shown(fileName)));
  QJsonParseError problem;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &problem);
  if (problem.error != QJsonParseError::NoError)
    Refuse(platform::Tr("Saves", "the save %1 is damaged or not a save (%2 at byte %3)")
               .Arg(Shown(fileName))
               .Arg(problem.errorString())
               .Arg(problem.offset));
  if (!document.isObject()) Refuse(platform::Tr("Saves", "the save %1 is not a save").Arg(Shown(fileName)));
  const QJsonObject object = document.object();
  if (object.value("format").toString() != QLatin1String(kFormatName))
    Refuse(platform::Tr("Saves", "the save %1 is not a save").Arg(Shown(fileName)));
  const int64_t version = WholeField(object, "version", 0, kMaxWholeNumber, fileName);
  if (version != kSaveVersion)
    Refuse(platform::Tr("Saves", "the save %1 has version %2; this program reads version %3")
               .Arg(Shown(fileName))
               .Arg(version)
               .Arg(kSaveVersion));
  TSave save;
  const QString hash = TextField(object, "script_sha256", fileName);
  if (!IsHexDigest(hash))
    Refuse(platform::Tr("Saves", "the save %1 has an impossible \"%2\"")
               .Arg(Shown(fileName))
               .Arg("script_sha256"));
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
  if (!thumbnail)
    Refuse(
        platform::Tr("Saves", "the save %1 has a damaged \"%2\"").Arg(Shown(fileName)).Arg("thumbnail_png"));
  save.Thumbnail = *thumbnail;
  save.History = HistoryField(object, save, fileName);
  return save;
}

TSave ReadSaveFile(const std::string& path) {
  const TFileText file = ReadWholeFile(path, kMaxSaveBytes);
  if (file.Result == frTooLarge)
    Refuse(platform::Tr("Saves", "the save %1 is too large to be a save").Arg(Shown(path)));
  if (file.Result != frRead) {
    if (file.Kind == platform::fkMissing && (file.Error == ENOENT || file.Error == ENOTDIR))
      Refuse(platform::Tr("Saves", "the save %1 does not exist").Arg(Shown(path)));
    if (file.Kind == platform::fkFile)
      Refuse(platform::Tr("Saves", "the save %1 cannot be read").Arg(Shown(path)));
    throw ESaveError(platform::NotReadableText(platform::Tr("Saves", "the save %1").Arg(Shown(path)),
                                               file.Kind, file.Error));
  }
  return ParseSave(QByteArray(file.Text.data(), static_cast<qsizetype>(file.Text.size())), path);
}

namespace {

[[noreturn]] void RefuseWrite(const std::string& path, int code) {
  Refuse(platform::Tr("Saves", "the save %1 cannot be written: %2")
             .Arg(Shown(path))
             .Arg(platform::SystemErrorText(code)));
}

}  // namespace

void MakeSaveFolder(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code error;
  if (folder.empty() || std::filesystem::create_directories(folder, error) || !error) return;
  Refuse(platform::Tr("Saves", "the save %1 cannot be written: the folder %2 cannot be made: %3")
             .Arg(Shown(path))
             .Arg(Shown(folder.string()))
             .Arg(platform::SystemErrorText(error.value())));
}

void CheckSaveTarget(const std::string& path) {
  const std::filesystem::path target(path);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0)
    Refuse(platform::Tr("Saves", "the save %1 cannot be written: the folder %2 does not exist")
               .Arg(Shown(path))
               .Arg(Shown(folder)));
  if (!S_ISDIR(info.st_mode))
    Refuse(platform::Tr("Saves", "the save %1 cannot be written: %2 is not a folder")
               .Arg(Shown(path))
               .Arg(Shown(folder)));
  if (::access(folder.c_str(), W_OK | X_OK) != 0) RefuseWrite(path, errno);
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    Refuse(platform::Tr("Saves", "the save %1 cannot be written: it is a folder").Arg(Shown(path)));
}

void WriteSaveFile(const TSave& save, const std::string& path) {
  const QByteArray bytes = SaveToJson(save);
  const int code = platform::WriteFileAtomically(
      path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  if (code != 0) RefuseWrite(path, code);
}

void RemoveSaveLeftovers(const std::string& folder) {
  RemoveLeftovers(std::filesystem::path(folder), [](const std::string& name) {
    const size_t json = name.find(".json.");
    return json == std::string::npos ? std::string() : name.substr(0, json + 5);
  });
}

}  // namespace orbel::game
