// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/data_files.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "script/script_text.h"

namespace orbel::app {

namespace fs = std::filesystem;

namespace {

bool IsFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(fs::path(path), error);
}

std::string AsciiUpper(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

// Splits a relative name at '/' and at backslashes that are not the trail byte of a double-byte character.
std::vector<std::string> PathComponents(const std::string& name) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (script::IsLeadByte(c) && i + 1 < name.size()) {
      parts.back() += name.substr(i, 2);
      ++i;
    } else if (c == '/' || c == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(c);
    }
  }
  return parts;
}

// Walks `components` from `directory`, each matched exactly or else case-blind against the folder's entries.
std::string ResolveCaseBlind(const std::string& directory, const std::vector<std::string>& components) {
  std::string current = directory;
  for (size_t i = 0; i < components.size(); ++i) {
    const std::string& part = components[i];
    if (part.empty() || part == ".") continue;
    std::string next = current + "/" + part;
    std::error_code error;
    if (part != ".." && !fs::exists(fs::path(next), error)) {
      next.clear();
      const std::string wanted = AsciiUpper(part);
      for (fs::directory_iterator it(fs::path(current), error), end; !error && it != end;
           it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (AsciiUpper(entry) == wanted) {
          next = current + "/" + entry;
          break;
        }
      }
      if (next.empty()) return {};
    }
    current = next;
  }
  return IsFile(current) ? current : std::string();
}

std::string FindIn(const std::string& directory, const std::string& name) {
  const std::string exact = directory + "/" + name;
  if (IsFile(exact)) return exact;
  return ResolveCaseBlind(directory, PathComponents(name));
}

}  // namespace

std::string FindDataFileIn(const std::string& directory, const std::string& name) {
  if (name.empty()) return {};
  std::vector<std::string> dataName = PathComponents(name);
  dataName.insert(dataName.begin(), "Data");
  if (IsFile(directory + "/Data/" + name)) return directory + "/Data/" + name;
  if (std::string found = ResolveCaseBlind(directory, dataName); !found.empty()) return found;
  return FindIn(directory, name);
}

std::string FindDataFile(const std::string& name) {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  if (error) return {};
  return FindDataFileIn(current.string(), name);
}

}  // namespace orbel::app
