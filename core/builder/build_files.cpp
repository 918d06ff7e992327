#include "builder/build_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/errors.h"
#include "base/language.h"
#include "base/paths.h"

namespace quillmar::builder {
namespace {

constexpr LangText kCannotCreateDir{"Das Verzeichnis '%s' kann nicht angelegt werden.",
                                    "Cannot create the directory '%s'."};
constexpr LangText kCannotWrite{"Fehler beim Schreiben der Datei '%s'.",
                                "Error writing the file '%s'."};
constexpr LangText kCannotRead{"Die Datei '%s' kann nicht gelesen werden.",
                               "Cannot read the file '%s'."};

}  // namespace

void MakeDirectories(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(FsPath(NativeSeparators(path)), error);
  if (error || !DirectoryExists(path)) throw EInOutError(Format(Tr(kCannotCreateDir), {path}));
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::FILE* file = FOpenUtf8(NativeSeparators(path), "wb");
  if (file == nullptr) throw EInOutError(Format(Tr(kCannotWrite), {path}));
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  if (!ok) throw EInOutError(Format(Tr(kCannotWrite), {path}));
}

void CopyWholeFile(const std::string& from, const std::string& to) {
  std::ifstream in(FsPath(NativeSeparators(from)), std::ios::binary);
  if (!in) throw EInOutError(Format(Tr(kCannotRead), {from}));
  std::string bytes = ReadAll(in);
  if (in.bad()) throw EInOutError(Format(Tr(kCannotRead), {from}));
  WriteWholeFile(to, bytes);
}

}  // namespace quillmar::builder
