#include "builder/collection_writer.h"

#include <set>

#include "base/errors.h"
#include "base/paths.h"
#include "builder/build_files.h"
#include "builder/catalog_writer.h"
#include "builder/cross_reference_writer.h"
#include "builder/text_stream_writer.h"

namespace quillmar::builder {
namespace {

constexpr const char* kTextInfoName = "textinfo.dat";
// Link targets name anchors by position, and positions move with the length of the targets
// written before them; the texts are rewritten until the anchor positions no longer change.
constexpr int kMaxAnchorRounds = 16;

std::vector<WrittenText> WriteAllStreams(const SourceCollection& source) {
  const DateSettings dates{source.header.no_date_marker, source.header.year_offset};
  AnchorMap anchors;
  std::vector<WrittenText> written;
  for (int round = 0; round < kMaxAnchorRounds; ++round) {
    written.clear();
    AnchorMap found;
    for (const SourceText& text : source.texts) {
      written.push_back(WriteTextStreams(text, source.header.id, dates, anchors));
      found.insert(written.back().anchors.begin(), written.back().anchors.end());
    }
    if (found == anchors) return written;
    anchors = std::move(found);
  }
  RaiseInternalError("BLD-WC-ANCHOR 1");
}

// Names from the model become file names inside the output directory: they must not reach
// outside it.
void RequirePlainName(const std::string& name, const char* what) {
  const bool ok = !name.empty() && name != "." && name != ".." &&
                  name.find_first_of("/\\:") == std::string::npos;
  if (!ok) throw Exception(std::string(what) + " '" + name + "' is not a plain file name");
}

// Every file of the media directory that the collection names: pictures, the files of the
// short-information parts and the programs.
std::set<std::string> MediaFiles(const SourceCollection& source) {
  std::set<std::string> files;
  for (const SourceText& text : source.texts)
    for (const SourcePicture& picture : text.pictures) files.insert(picture.file);
  for (const SourceShortInfo& info : source.header.short_infos)
    for (const SourceShortInfoPart& part : info.parts) {
      files.insert(part.first);
      if (!part.second.empty()) files.insert(part.second);
    }
  for (const SourceProgram& program : source.header.programs) files.insert(program.file);
  return files;
}

}  // namespace

IndexEntries WriteCollection(const SourceCollection& source, const std::string& outDir,
                             const std::string& mediaSourceDir) {
  if (!source.has_header) throw Exception("the collection has no header (@collection)");
  RequirePlainName(source.header.id, "collection identifier");
  for (const SourceSchema& schema : source.header.schemas)
    RequirePlainName(schema.file, "schema file");
  const std::set<std::string> media = MediaFiles(source);
  for (const std::string& file : media) RequirePlainName(file, "media file");
  const std::vector<WrittenText> written = WriteAllStreams(source);

  const std::string id_dir = JoinPath(outDir, "ID");
  const std::string data_dir = JoinPath(outDir, "data");
  MakeDirectories(id_dir);
  MakeDirectories(data_dir);
  WriteWholeFile(JoinPath(id_dir, source.header.id + ".hid"), source.header.id);
  WriteWholeFile(JoinPath(id_dir, "metainfo.dat"), MetainfoBytes(source.header, kTextInfoName));

  std::vector<const SourceText*> texts;
  std::vector<const WrittenText*> results;
  std::vector<TextFileNames> names;
  IndexEntries entries;
  for (size_t i = 0; i < source.texts.size(); ++i) {
    const SourceText& text = source.texts[i];
    const WrittenText& w = written[i];
    const TextFileNames n = NamesFor(text, w);
    for (size_t layer = 0; layer < 3; ++layer)
      if (!n.layer[layer].empty())
        WriteWholeFile(JoinPath(data_dir, n.layer[layer]), w.layers[layer].Bytes());
    if (!n.pages.empty()) WriteWholeFile(JoinPath(data_dir, n.pages), PageFileBytes(w.pages));
    WriteWholeFile(JoinPath(data_dir, n.chapters), ChapterFileBytes(w.chapters));
    if (!n.pictures.empty())
      WriteWholeFile(JoinPath(data_dir, n.pictures), PictureFileBytes(text.pictures));
    if (!n.sync.empty()) WriteWholeFile(JoinPath(data_dir, n.sync), SyncFileBytes(w.sync));
    texts.push_back(&text);
    results.push_back(&w);
    names.push_back(n);
    entries.insert(entries.end(), w.entries.begin(), w.entries.end());
  }
  WriteWholeFile(JoinPath(data_dir, kTextInfoName), TextInfoBytes(texts, names, results));
  for (const SourceSchema& schema : source.header.schemas)
    WriteWholeFile(JoinPath(data_dir, schema.file), SchemaBytes(schema));
  if (!source.header.short_infos.empty())
    WriteWholeFile(JoinPath(data_dir, ShortInfoFileName(source.header)),
                   ShortInfoBytes(source.header.short_infos));

  if (source.header.has_cross_references) {
    std::vector<WrittenCrossReference> references;
    for (const WrittenText& w : written)
      references.insert(references.end(), w.cross_references.begin(), w.cross_references.end());
    WriteWholeFile(JoinPath(data_dir, CrossReferenceFileName(source.header)),
                   CrossReferenceBytes(references));
    WriteWholeFile(JoinPath(data_dir, LinkTableFileName(source.header)),
                   LinkTableBytes(references));
  }

  if (!media.empty()) {
    const std::string media_dir = JoinPath(outDir, "media");
    MakeDirectories(media_dir);
    for (const std::string& file : media)
      CopyWholeFile(JoinPath(mediaSourceDir, file), JoinPath(media_dir, file));
  }
  return entries;
}

}  // namespace quillmar::builder
