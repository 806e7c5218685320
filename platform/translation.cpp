// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/translation.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>

namespace orbel::platform {

TText::TText(const char* context, const char* source, int count)
    : Translated(QCoreApplication::translate(context, source, nullptr, count).toStdString()) {}

TText& TText::Arg(std::string_view utf8) {
  Arguments.emplace_back(utf8);
  return *this;
}

std::string TText::Str() const {
  return FillPlaces(Translated, Arguments);
}

std::string SystemErrorText(int code) {
  // The reasons a player meets when a file cannot be written or read; the texts are the C library's own.
  static const struct {
    int Code;
    const char* Text;
  } kReasons[] = {
      {EACCES, ORBEL_TRANSLATE_NOOP("SystemError", "Permission denied")},
      {EPERM, ORBEL_TRANSLATE_NOOP("SystemError", "Operation not permitted")},
      {EROFS, ORBEL_TRANSLATE_NOOP("SystemError", "Read-only file system")},
      {ENOSPC, ORBEL_TRANSLATE_NOOP("SystemError", "No space left on device")},
      {EDQUOT, ORBEL_TRANSLATE_NOOP("SystemError", "Disk quota exceeded")},
      {EFBIG, ORBEL_TRANSLATE_NOOP("SystemError", "File too large")},
      {ENOENT, ORBEL_TRANSLATE_NOOP("SystemError", "No such file or directory")},
      {ENOTDIR, ORBEL_TRANSLATE_NOOP("SystemError", "Not a directory")},
      {EISDIR, ORBEL_TRANSLATE_NOOP("SystemError", "Is a directory")},
      {EEXIST, ORBEL_TRANSLATE_NOOP("SystemError", "File exists")},
      {ENAMETOOLONG, ORBEL_TRANSLATE_NOOP("SystemError", "File name too long")},
      {ELOOP, ORBEL_TRANSLATE_NOOP("SystemError", "Too many levels of symbolic links")},
      {EIO, ORBEL_TRANSLATE_NOOP("SystemError", "Input/output error")},
      {EMFILE, ORBEL_TRANSLATE_NOOP("SystemError", "Too many open files")},
      {ENOMEM, ORBEL_TRANSLATE_NOOP("SystemError", "Cannot allocate memory")},
  };
  for (const auto& reason : kReasons)
    if (reason.Code == code) return QCoreApplication::translate("SystemError", reason.Text).toStdString();
  return std::strerror(code);
}

}  // namespace orbel::platform
