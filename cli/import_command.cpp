#include "cli/import_command.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/errors.h"
#include "base/paths.h"
#include "builder/build_files.h"

namespace quillmar::cli {

namespace {

std::string ReadInput(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError("cannot read '" + path + "'");
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) throw EInOutError("cannot read '" + path + "'");
  return text.str();
}

// A picture reference resolved against the directory of the file that names it.
std::filesystem::path PicturePath(const std::string& inputFile, const std::string& reference) {
  std::filesystem::path ref(reference);
  if (ref.is_absolute()) return ref;
  return std::filesystem::path(inputFile).parent_path() / ref;
}

}  // namespace

builder::ImportResult ImportFiles(const std::string& format, const Arguments& args, size_t first) {
  if (format != "tei" && format != "osis")
    throw UsageError("unknown import format '" + format + "' (tei or osis)");
  if (args.positional.size() <= first) throw UsageError("import needs at least one input file");
  std::vector<builder::ImportFile> files;
  for (size_t i = first; i < args.positional.size(); ++i)
    files.push_back({args.positional[i], ReadInput(args.positional[i])});
  builder::ImportOptions options;
  options.collectionId = args.collectionId;
  options.textLevel = args.textLevel;
  options.pictureExists = [](const std::string& input, const std::string& reference) {
    std::error_code error;
    return std::filesystem::is_regular_file(PicturePath(input, reference), error);
  };
  return format == "tei" ? builder::ImportTei(files, options) : builder::ImportOsis(files, options);
}

void CopyPictures(const builder::ImportResult& result, const std::string& mediaDir) {
  if (result.pictures.empty()) return;
  builder::MakeDirectories(mediaDir);
  for (const builder::ImportedPicture& p : result.pictures)
    builder::CopyWholeFile(PicturePath(p.inputFile, p.reference).string(),
                           JoinPath(mediaDir, p.name));
}

int RunImport(const Arguments& args, std::ostream& out) {
  if (args.positional.empty()) throw UsageError("import needs a format: tei or osis");
  if (args.output.empty()) throw UsageError("import needs -o SOURCE.qms");
  if (!args.collections.empty()) throw UsageError("import takes no --collection");
  const builder::ImportResult result = ImportFiles(args.positional.front(), args, 1);
  builder::WriteWholeFile(args.output, result.source);
  std::string dir = DirectoryOf(args.output);
  if (dir.empty()) dir = ".";
  CopyPictures(result, JoinPath(dir, "media"));
  out << result.summary << " -> " << args.output << "\n";
  return 0;
}

}  // namespace quillmar::cli
