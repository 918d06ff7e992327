#include "cli/build_command.h"

#include <fstream>
#include <sstream>

#include "base/errors.h"
#include "base/paths.h"
#include "builder/collection_writer.h"
#include "builder/index_writer.h"
#include "builder/source_parser.h"

namespace quillmar::cli {

namespace {

std::string ReadSource(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError("cannot read '" + path + "'");
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) throw EInOutError("cannot read '" + path + "'");
  return text.str();
}

}  // namespace

int RunBuild(const Arguments& args, std::ostream& out) {
  if (args.positional.empty()) throw UsageError("build needs at least one source file");
  if (args.output.empty()) throw UsageError("build needs -o DIR");
  if (!args.collections.empty()) throw UsageError("build takes no --collection");

  std::vector<builder::SourceCollection> parts;
  for (const auto& source : args.positional)
    parts.push_back(builder::ParseSource(ReadSource(source), source));
  const builder::SourceCollection collection = builder::MergeSources(std::move(parts));

  std::string sourceDir = DirectoryOf(args.positional.front());
  if (sourceDir.empty()) sourceDir = ".";
  const std::string media = JoinPath(sourceDir, "media");
  const builder::IndexEntries entries = builder::WriteCollection(collection, args.output, media);
  builder::WriteIndex(entries, JoinPath(args.output, "data"));

  out << collection.header.id << ": " << collection.texts.size() << " texts, " << entries.size()
      << " indexed words -> " << args.output << "\n";
  return 0;
}

}  // namespace quillmar::cli
