// SPDX-License-Identifier: GPL-3.0-or-later

#include "translation/mo_file.h"

#include <QCoreApplication>
#include <cstdint>

#include "platform/texts.h"

namespace orbel::translation {

namespace {

constexpr uint32_t kMagic = 0x950412DE;
constexpr uint32_t kMagicSwapped = 0xDE120495;
// The context and the original text are stored as one string with this byte between them.
constexpr char kContextEnd = '\x04';

uint32_t Swap(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

class TMoReader {
 public:
  TMoReader(std::string_view bytes, const std::string& name) : Bytes(bytes), Name(name) {}

  TCatalogue Read() {
    Swapped = Word(0) == kMagicSwapped;
    // Revision 0 and 1 share the tables read here; a later major revision may not.
    if (Word(4) >> 16 > 1)
      Fail(ORBEL_TRANSLATE_NOOP("Catalogue", "a .mo file of a revision this reader does not know"));
    const uint32_t count = Word(8);
    const uint32_t originals = Word(12);
    const uint32_t translations = Word(16);
    // Each entry takes 8 bytes in each of the two tables.
    if (count > Bytes.size() / 16)
      Fail(ORBEL_TRANSLATE_NOOP("Catalogue", "its entry count is larger than the file"));
    TCatalogue catalogue;
    catalogue.Name = Name;
    catalogue.Entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      const std::string_view original = String(uint64_t{originals} + 8 * uint64_t{i});
      const std::string_view translation = String(uint64_t{translations} + 8 * uint64_t{i});
      TCatalogueEntry entry;
      // Plural forms follow the first after a zero byte; no board text has them.
      if (original.find('\0') != std::string_view::npos) continue;
      const size_t contextEnd = original.find(kContextEnd);
      if (contextEnd != std::string_view::npos) {
        entry.Context = original.substr(0, contextEnd);
        entry.Id = original.substr(contextEnd + 1);
      } else {
        entry.Id = original;
      }
      entry.Text = translation;
      catalogue.Entries.push_back(std::move(entry));
    }
    return catalogue;
  }

 private:
  [[noreturn]] void Fail(const char* why) const {
    throw ECatalogueError(Name + ": " + QCoreApplication::translate("Catalogue", why).toStdString());
  }

  uint32_t Word(uint64_t offset) const {
    if (offset > Bytes.size() || Bytes.size() - offset < 4)
      Fail(ORBEL_TRANSLATE_NOOP("Catalogue", "the file is cut short"));
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = (value << 8) | static_cast<unsigned char>(Bytes[offset + k]);
    return Swapped ? Swap(value) : value;
  }

  // The string whose length and offset stand at `descriptor`; it must end with a zero byte in the file.
  std::string_view String(uint64_t descriptor) const {
    const uint64_t length = Word(descriptor);
    const uint64_t offset = Word(descriptor + 4);
    if (offset > Bytes.size() || Bytes.size() - offset <= length || Bytes[offset + length] != '\0')
      Fail(ORBEL_TRANSLATE_NOOP("Catalogue", "a string lies outside the file"));
    return Bytes.substr(offset, length);
  }

  std::string_view Bytes;
  const std::string& Name;
  bool Swapped = false;
};

}  // namespace

bool IsMoFile(std::string_view bytes) {
  if (bytes.size() < 4) return false;
  uint32_t value = 0;
  for (int k = 3; k >= 0; --k) value = (value << 8) | static_cast<unsigned char>(bytes[k]);
  return value == kMagic || value == kMagicSwapped;
}

TCatalogue ParseMoFile(std::string_view bytes, const std::string& name) {
  return TMoReader(bytes, name).Read();
}

}  // namespace orbel::translation
