// SPDX-License-Identifier: GPL-3.0-or-later
// Gettext's reader and writer work on files by name and report problems through a handler kept in the
// library's globals; so every call goes through one lock, and the bytes go to and from a file in memory the
// library opens by name.

#include "translation/catalogue.h"

#include <fcntl.h>
#include <gettext-po.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QByteArrayView>
#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

#include "game/data_files.h"
#include "translation/mo_file.h"

namespace orbel::translation {

namespace {

// An unnamed file in memory (a temporary file where there is no such thing), named for the library through
// its descriptor.
class TMemoryFile {
 public:
  TMemoryFile() {
    Descriptor = ::memfd_create("orbel-catalogue", MFD_CLOEXEC);
    if (Descriptor < 0) {
      const char* folder = std::getenv("TMPDIR");
      Path = std::string(folder && *folder ? folder : "/tmp") + "/orbel-catalogue-XXXXXX";
      Descriptor = ::mkstemp(Path.data());
      if (Descriptor < 0) Path.clear();
    }
  }
  ~TMemoryFile() {
    if (Descriptor >= 0) ::close(Descriptor);
    if (!Path.empty()) ::unlink(Path.c_str());
  }
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;

  bool Valid() const { return Descriptor >= 0; }
  std::string Name() const { return Path.empty() ? "/proc/self/fd/" + std::to_string(Descriptor) : Path; }

  bool Write(std::string_view bytes) const {
    for (size_t written = 0; written < bytes.size();) {
      const ssize_t n =
          ::pwrite(Descriptor, bytes.data() + written, bytes.size() - written, static_cast<off_t>(written));
      if (n <= 0) return false;
      written += static_cast<size_t>(n);
    }
    return true;
  }
  std::optional<std::string> ReadAll() const {
    std::string bytes;
    char buffer[65536];
    for (off_t offset = 0;;) {
      const ssize_t n = ::pread(Descriptor, buffer, sizeof buffer, offset);
      if (n < 0) return std::nullopt;
      if (n == 0) return bytes;
      bytes.append(buffer, static_cast<size_t>(n));
      offset += n;
    }
  }

 private:
  int Descriptor = -1;
  std::string Path;
};

// What the library reported during one call. The handler must not return from a fatal error, so it jumps
// back to where the call was made; only plain data lives between the two.
struct TReport {
  bool Failed = false;
  size_t Line = 0;  // of the first error, 0 when unknown
  std::string Text;
  // Locating: the line the library gives for this message.
  po_message_t Located = nullptr;
  size_t LocatedLine = 0;
};

std::mutex LibraryLock;
TReport* Current = nullptr;
std::jmp_buf FatalJump;

void OnProblem(int severity, po_message_t message, const char* fileName, size_t line, size_t, int,
               const char* text) {
  if (Current->Located) {
    if (message == Current->Located && fileName && line != static_cast<size_t>(-1) && !Current->LocatedLine)
      Current->LocatedLine = line;
  } else if (severity >= PO_SEVERITY_ERROR && !Current->Failed) {
    Current->Failed = true;
    Current->Line = fileName && line != static_cast<size_t>(-1) ? line : 0;
    Current->Text = text ? text : "";
    while (!Current->Text.empty() && Current->Text.back() == '\n') Current->Text.pop_back();
  }
  if (severity == PO_SEVERITY_FATAL_ERROR) std::longjmp(FatalJump, 1);
}

void OnTwoProblems(int severity, po_message_t message, const char* fileName, size_t line, size_t column,
                   int multiline, const char* text, po_message_t, const char*, size_t, size_t, int,
                   const char*) {
  OnProblem(severity, message, fileName, line, column, multiline, text);
}

const po_xerror_handler kHandler{OnProblem, OnTwoProblems};

// One use of the library: its lock held, its problems collected in Report.
class TLibraryUse {
 public:
  TLibraryUse() : Lock(LibraryLock) { Current = &Report; }
  ~TLibraryUse() { Current = nullptr; }
  TLibraryUse(const TLibraryUse&) = delete;
  TLibraryUse& operator=(const TLibraryUse&) = delete;

 private:
  std::lock_guard<std::mutex> Lock;

 public:
  TReport Report;
};

// The library's calls, each returning to here after a fatal error.
po_file_t GuardedRead(const char* path) {
  if (setjmp(FatalJump) != 0) return nullptr;
  return po_file_read(path, &kHandler);
}
bool GuardedWrite(po_file_t file, const char* path) {
  if (setjmp(FatalJump) != 0) return false;
  return po_file_write(file, path, &kHandler) != nullptr;
}
void GuardedCheck(po_message_t message, po_message_iterator_t iterator) {
  if (setjmp(FatalJump) != 0) return;
  po_message_check_all(message, iterator, &kHandler);
}

// Frees a catalogue of the library's. Freeing a file leaves its messages' contexts behind, while setting one
// frees the one before: so they go first.
void FreePoFile(po_file_t file) {
  po_message_iterator_t iterator = po_message_iterator(file, nullptr);
  while (po_message_t message = po_next_message(iterator)) po_message_set_msgctxt(message, nullptr);
  po_message_iterator_free(iterator);
  po_file_free(file);
}

using TPoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, decltype(&FreePoFile)>;
using TIterator =
    std::unique_ptr<std::remove_pointer_t<po_message_iterator_t>, decltype(&po_message_iterator_free)>;

std::string Where(const std::string& name, size_t line) {
  return line ? name + ":" + std::to_string(line) + ": " : name + ": ";
}

std::string Text(const char* text) {
  return text ? text : "";
}

// The line of the file `message` stands on. The library keeps it but tells it only with a problem it finds,
// so the message is given one for a moment: an original and a translation that do not both begin with a
// line break, which the check of every message reports.
size_t LineOf(po_message_t message, po_message_iterator_t iterator, TReport& report) {
  const std::string id = Text(po_message_msgid(message));
  const std::string text = Text(po_message_msgstr(message));
  const bool fuzzy = po_message_is_fuzzy(message);
  po_message_set_msgid(message, "\nx");
  po_message_set_msgstr(message, "x");
  po_message_set_fuzzy(message, 0);
  report.Located = message;
  report.LocatedLine = 0;
  GuardedCheck(message, iterator);
  report.Located = nullptr;
  po_message_set_msgid(message, id.c_str());
  po_message_set_msgstr(message, text.c_str());
  po_message_set_fuzzy(message, fuzzy);
  return report.LocatedLine;
}

// The header's charset must be UTF-8; a template's placeholder and plain ASCII are too.
bool IsUtf8Charset(const char* header) {
  if (!header) return true;
  std::unique_ptr<char, decltype(&std::free)> type(po_header_field(header, "Content-Type"), &std::free);
  if (!type) return true;
  const std::string value(type.get());
  const size_t at = value.find("charset=");
  if (at == std::string::npos) return true;
  std::string charset = value.substr(at + 8);
  charset = charset.substr(0, charset.find_first_of(" ;\t"));
  for (char& c : charset) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return charset == "utf-8" || charset == "utf8" || charset == "charset" || charset == "ascii" ||
         charset == "us-ascii";
}

std::string HeaderLanguage(const char* header) {
  if (!header) return {};
  std::unique_ptr<char, decltype(&std::free)> language(po_header_field(header, "Language"), &std::free);
  return language && IsLanguageCode(language.get()) ? std::string(language.get()) : std::string();
}

bool IsUtf8Text(std::string_view text) {
  return QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8();
}

TCatalogue ParsePoFile(std::string_view bytes, const std::string& name) {
  TMemoryFile input;
  if (!input.Valid() || !input.Write(bytes))
    throw ECatalogueError(
        name + ": " +
        QCoreApplication::translate("Catalogue", "cannot be read: no room in memory").toStdString());
  TLibraryUse use;
  TReport& report = use.Report;
  TPoFile file(GuardedRead(input.Name().c_str()), &FreePoFile);
  if (report.Failed || !file) throw ECatalogueError(Where(name, report.Line) + report.Text);
  TCatalogue catalogue;
  catalogue.Name = name;
  TIterator iterator(po_message_iterator(file.get(), nullptr), &po_message_iterator_free);
  while (po_message_t message = po_next_message(iterator.get())) {
    if (po_message_is_obsolete(message) || po_message_msgid_plural(message)) continue;
    const size_t line = LineOf(message, iterator.get(), report);
    TCatalogueEntry entry;
    entry.Context = Text(po_message_msgctxt(message));
    entry.Id = Text(po_message_msgid(message));
    entry.Text = Text(po_message_msgstr(message));
    entry.Fuzzy = po_message_is_fuzzy(message);
    entry.Line = static_cast<int>(line);
    catalogue.Entries.push_back(std::move(entry));
  }
  return catalogue;
}

}  // namespace

bool IsLanguageCode(std::string_view code) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  size_t letters = 0;
  while (letters < code.size() && letter(code[letters])) ++letters;
  if (letters < 2 || code.size() > 32 || code.find("..") != std::string_view::npos) return false;
  for (const char c : code)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '-' && c != '@' && c != '.') return false;
  return letters <= 3;
}

const TCatalogueEntry* TCatalogue::Find(std::string_view context, std::string_view id) const {
  std::string key(context);
  key += '\x04';
  key += id;
  const auto found = ByKey.find(key);
  return found == ByKey.end() ? nullptr : &Entries[found->second];
}

const std::string* TCatalogue::Translation(std::string_view context, std::string_view id) const {
  const TCatalogueEntry* entry = Find(context, id);
  return entry && !entry->Fuzzy && !entry->Text.empty() ? &entry->Text : nullptr;
}

void TCatalogue::Index() {
  ByKey.clear();
  for (size_t i = 0; i < Entries.size(); ++i) ByKey.emplace(Entries[i].Context + '\x04' + Entries[i].Id, i);
}

TCatalogue ParseCatalogue(std::string_view bytes, const std::string& name) {
  if (bytes.size() > kMaxCatalogueBytes)
    throw ECatalogueError(
        name + ": " + QCoreApplication::translate("Catalogue", "too large to be a catalogue").toStdString());
  TCatalogue catalogue = IsMoFile(bytes) ? ParseMoFile(bytes, name) : ParsePoFile(bytes, name);
  for (const TCatalogueEntry& entry : catalogue.Entries)
    if (!IsUtf8Text(entry.Context) || !IsUtf8Text(entry.Id) || !IsUtf8Text(entry.Text))
      throw ECatalogueError(Where(name, static_cast<size_t>(entry.Line)) +
                            QCoreApplication::translate("Catalogue", "the text is not UTF-8").toStdString());
  // The header is the translation of the empty text without a context (the .po reader's own accessor for it
  // leaks its copy).
  const auto header =
      std::find_if(catalogue.Entries.begin(), catalogue.Entries.end(),
                   [](const TCatalogueEntry& entry) { return entry.Context.empty() && entry.Id.empty(); });
  if (header != catalogue.Entries.end()) {
    if (!IsUtf8Charset(header->Text.c_str()))
      throw ECatalogueError(
          Where(name, static_cast<size_t>(header->Line)) +
          QCoreApplication::translate("Catalogue", "the catalogue is not in UTF-8: save it as UTF-8")
              .toStdString());
    catalogue.Language = HeaderLanguage(header->Text.c_str());
    catalogue.Entries.erase(header);
  }
  catalogue.Index();
  return catalogue;
}

TCatalogue ReadCatalogue(const std::string& path, const std::string& name) {
  const game::TFileText file = game::ReadWholeFile(path, kMaxCatalogueBytes);
  if (file.Result == game::frTooLarge)
    throw ECatalogueError(
        name + ": " + QCoreApplication::translate("Catalogue", "too large to be a catalogue").toStdString());
  if (file.Result != game::frRead)
    throw ECatalogueError(name + ": " +
                          QCoreApplication::translate("Catalogue", "cannot be read").toStdString());
  return ParseCatalogue(file.Text, name);
}

std::string TemplateText(const std::string& project, const std::vector<TTemplateEntry>& entries) {
  TLibraryUse use;
  TReport& report = use.Report;
  TPoFile file(po_file_create(), &FreePoFile);
  {
    TIterator iterator(po_message_iterator(file.get(), nullptr), &po_message_iterator_free);
    // The header as gettext's extractor writes one: its placeholders are the translator's to fill in.
    po_message_t header = po_message_create();
    po_message_set_msgid(header, "");
    std::string fields = "Project-Id-Version: " + project +
                         "\nReport-Msgid-Bugs-To: \nPO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\n"
                         "Last-Translator: FULL NAME <EMAIL@ADDRESS>\nLanguage-Team: LANGUAGE <LL@li.org>\n"
                         "Language: \nMIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n"
                         "Content-Transfer-Encoding: 8bit\n";
    po_message_set_msgstr(header, fields.c_str());
    po_message_set_comments(header, ("The board texts of " + project + ".\n").c_str());
    po_message_set_fuzzy(header, 1);
    po_message_insert(iterator.get(), header);
    for (const TTemplateEntry& entry : entries) {
      po_message_t message = po_message_create();
      po_message_set_msgctxt(message, entry.Context.c_str());
      po_message_set_msgid(message, entry.Id.c_str());
      po_message_set_msgstr(message, "");
      po_message_add_filepos(message, entry.File.c_str(), static_cast<size_t>(entry.Line));
      if (!entry.Comment.empty()) po_message_set_extracted_comments(message, (entry.Comment + "\n").c_str());
      po_message_insert(iterator.get(), message);
    }
  }
  TMemoryFile output;
  const auto fail = [](const std::string& why) {
    return ECatalogueError(QCoreApplication::translate("Catalogue", "the template cannot be made: %1")
                               .arg(QString::fromStdString(why))
                               .toStdString());
  };
  if (!output.Valid() || !GuardedWrite(file.get(), output.Name().c_str()) || report.Failed)
    throw fail(report.Text.empty()
                   ? QCoreApplication::translate("Catalogue", "no room in memory").toStdString()
                   : report.Text);
  const std::optional<std::string> bytes = output.ReadAll();
  if (!bytes) throw fail(QCoreApplication::translate("Catalogue", "no room in memory").toStdString());
  return *bytes;
}

}  // namespace orbel::translation
