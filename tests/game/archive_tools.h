#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Archives and disc images made by the tools people make them with, for the tests: each helper runs one tool
// on a folder and says whether it could.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <fstream>
#include <string>

namespace orbel::game {

// Runs `program` with `arguments` in `folder`; true when it ran and exited 0.
inline bool RunTool(const QString& program, const QStringList& arguments, const QString& folder) {
  QProcess process;
  process.setWorkingDirectory(folder);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) return false;
  const bool ok = process.exitCode() == 0;
  if (!ok) ADD_FAILURE() << program.toStdString() << ": " << process.readAll().toStdString();
  return ok;
}

inline bool HaveTool(const char* program) {
  return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A zip whose entries carry the given names as raw bytes, without the UTF-8 flag, as Japanese Windows zip
// tools wrote them. Python's zipfile stores any non-ASCII name as UTF-8, so each name is written as a
// same-length ASCII stand-in and the stand-in's bytes are then replaced in the finished file.
// `files`: pairs of (name bytes, content).
inline bool MakeRawNameZip(const std::string& zipPath, const std::vector<std::pair<std::string, std::string>>& files,
                           const QString& scratch) {
  std::string script = "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n";
  std::vector<std::pair<std::string, std::string>> standIns;
  for (size_t i = 0; i < files.size(); ++i) {
    std::string standIn = "@" + std::to_string(i) + "@";
    while (standIn.size() < files[i].first.size()) standIn += "_";
    if (standIn.size() != files[i].first.size()) return false;
    const std::string contentPath = scratch.toStdString() + "/content" + std::to_string(i);
    WriteAll(contentPath, files[i].second);
    script += "z.write('" + contentPath + "','" + standIn + "')\n";
    standIns.emplace_back(standIn, files[i].first);
  }
  script += "z.close()\n";
  if (!RunTool("python3", {"-c", QString::fromStdString(script), QString::fromStdString(zipPath)}, scratch))
    return false;
  std::string zip = ReadAll(zipPath);
  for (const auto& [standIn, name] : standIns)
    for (size_t at = zip.find(standIn); at != std::string::npos; at = zip.find(standIn, at + 1))
      zip.replace(at, standIn.size(), name);
  WriteAll(zipPath, zip);
  return true;
}

// Wraps each 2048-byte sector of an ISO image into a 2352-byte raw sector (sync pattern, header, user data;
// the error-correction bytes left zero): MODE1 puts the data at byte 16, MODE2 form 1 at byte 24.
inline std::string RawSectors(const std::string& iso, bool mode2) {
  std::string bin;
  const size_t sectors = iso.size() / 2048;
  bin.reserve(sectors * 2352);
  for (size_t i = 0; i < sectors; ++i) {
    std::string sector(2352, '\0');
    sector[0] = '\0';
    for (int k = 1; k <= 10; ++k) sector[static_cast<size_t>(k)] = '\xFF';
    const size_t address = i + 150;
    const auto bcd = [](size_t value) { return static_cast<char>(((value / 10) << 4) | (value % 10)); };
    sector[12] = bcd(address / 75 / 60);
    sector[13] = bcd(address / 75 % 60);
    sector[14] = bcd(address % 75);
    sector[15] = mode2 ? 2 : 1;
    sector.replace(mode2 ? 24 : 16, 2048, iso, i * 2048, 2048);
    bin += sector;
  }
  return bin;
}

}  // namespace orbel::game
