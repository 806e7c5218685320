// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

namespace orbel::platform {

bool OpenFile(QFile& file, const std::string& path, QIODevice::OpenMode mode) {
  const bool write = mode & QIODevice::WriteOnly;
  const int descriptor =
      ::open(path.c_str(), write ? O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0666);
  if (descriptor < 0) return false;
  if (file.open(descriptor, write ? QIODevice::WriteOnly : QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    return true;
  ::close(descriptor);
  return false;
}

}  // namespace orbel::platform
