#pragma once

#include <string>
#include <vector>

#include "builder/source_model.h"
#include "builder/text_stream_writer.h"

namespace quillmar::builder {

// File names of one text's files in the data directory; empty when the text has no such file.
struct TextFileNames {
  std::string layer[3];
  std::string pages, chapters, pictures, sync;
};

// The names used for text `number`: "t001.txt", "t001f.txt", "t001s.txt", "t001.pag", ...
TextFileNames NamesFor(const SourceText& text, const WrittenText& written);

// metainfo.dat: header record, properties ('j' = textInfoName and one 'm' per schema first,
// 'h' = ShortInfoFileName when the header has short-information entries, 'p' = the link table
// with cross-references), copyright, NoDateMarker, YearOffset, the presentations (type 4) and
// programs (type 5), the cross-reference lookup file (type 9), end marker.
std::string MetainfoBytes(const SourceHeader& header, const std::string& textInfoName);
// textinfo.dat: one record per number 1..highest text number; unused numbers are empty slots.
std::string TextInfoBytes(const std::vector<const SourceText*>& texts,
                          const std::vector<TextFileNames>& names,
                          const std::vector<const WrittenText*>& written);
std::string PageFileBytes(const std::vector<WrittenPage>& pages);
std::string ChapterFileBytes(const std::vector<WrittenChapter>& chapters);
std::string PictureFileBytes(const std::vector<SourcePicture>& pictures);
std::string SyncFileBytes(const std::vector<std::pair<int32_t, int32_t>>& points);
// The name of the short-information file in the data directory: "<id in lower case>ki.dat".
std::string ShortInfoFileName(const SourceHeader& header);
// The short-information file: one 3999-byte record per entry (docs/formats/short-info.md).
std::string ShortInfoBytes(const std::vector<SourceShortInfo>& entries);
// An INI-style tree schema: one section per group with "name" and "texts" (Windows-1252).
std::string SchemaBytes(const SourceSchema& schema);

}  // namespace quillmar::builder
