#include "builder/catalog_writer.h"

#include <array>
#include <cstdio>
#include <span>

#include "base/bytes.h"
#include "base/codepage.h"
#include "builder/cross_reference_writer.h"

namespace quillmar::builder {
namespace {

// metainfo.dat: 160-byte records, type int32 at 0.
constexpr size_t kMetaRecord = 160;
// header: 12 minor, 16 major, 20 string[128] title, 149 string[8] identifier
constexpr size_t kMetaMinor = 12, kMetaMajor = 16, kMetaTitle = 20, kMetaId = 149;
// type 1 property: 4 string[131] value, 136 key
constexpr size_t kPropValue = 4, kPropKey = 136;
// type 2 copyright: 20 string[139]; types 6/7: uint16 at 4
constexpr size_t kCopyright = 20, kMetaWord = 4;
// type 4 presentation: 4 int32 type, 8 string[80] caption, 89 string[10] module
constexpr size_t kPresType = 4, kPresCaption = 8, kPresModule = 89;
// type 5 program: 4 string[80] caption, 85 string[30] file name
constexpr size_t kProgCaption = 4, kProgFile = 85;
// type 9 linked file: 4 string[30] title, 35 string[20] file name, 56 string[20] third field
constexpr size_t kLinkedTitle = 4, kLinkedFile = 35;
constexpr int32_t kTypeProperty = 1, kTypeCopyright = 2, kTypePresentation = 4, kTypeProgram = 5,
                  kTypeNoDate = 6, kTypeYearOffset = 7, kTypeLinkedFile = 9, kTypeEnd = -1;

// short-information file: 3999-byte records: 0 string[80] caption, from 129 ten parts of 387
// bytes, each three string[128]
constexpr size_t kShortInfoRecord = 3999, kShortInfoParts = 129, kShortInfoPart = 387,
                 kShortInfoString = 129;

// textinfo.dat: 496-byte records: 0 number, 4 string[80] title, 85 string[40] long label,
// 126 string[20] short label, 147/168/189 string[20] layers 1-3, 210 string[20] pages,
// 252 string[20] chapters, 294 string[20] pictures, 380 sync flag, 384 string[20] sync file,
// 492 margin flag
constexpr size_t kTextRecord = 496;
constexpr size_t kTiTitle = 4, kTiLong = 85, kTiShort = 126, kTiLayer[3] = {147, 168, 189},
                 kTiPages = 210, kTiChapters = 252, kTiPictures = 294, kTiSyncFlag = 380,
                 kTiSync = 384, kTiMargin = 492, kTiName = 20;

// page file: 200-byte records: 0 number, 4 string[180] label, 185 arabic flag, 188/192/196
// start in layers 1-3
constexpr size_t kPageRecord = 200, kPageLabel = 4, kPageArabic = 185, kPageStart = 188;
// chapter file: 200-byte records: 0/61/122 string[60] names, 184 L1, 188 L2, 192 L3, 196 start
constexpr size_t kChapterRecord = 200, kChapterName = 61, kChapterLevels = 184, kChapterStart = 196;
// picture file: 28-byte records: 0 number, 4 string[23] file name
constexpr size_t kPictureRecord = 28, kPictureName = 4;
// sync file: 8-byte records: 0 position, 4 target
constexpr size_t kSyncRecord = 8;

using Record = std::vector<uint8_t>;

void Append(std::string& out, const Record& r) { out.append(r.begin(), r.end()); }

Record TypedRecord(int32_t type) {
  Record r(kMetaRecord, 0);
  WriteInt32(r, 0, type);
  return r;
}

std::string TextName(int32_t number, const char* suffix) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "t%03d%s", static_cast<int>(number), suffix);
  return buffer;
}

}  // namespace

TextFileNames NamesFor(const SourceText& text, const WrittenText& written) {
  TextFileNames n;
  n.layer[0] = TextName(text.number, ".txt");
  if (!written.layers[1].Empty()) n.layer[1] = TextName(text.number, "f.txt");
  if (!written.layers[2].Empty()) n.layer[2] = TextName(text.number, "s.txt");
  if (!written.pages.empty()) n.pages = TextName(text.number, ".pag");
  n.chapters = TextName(text.number, ".kap");
  if (!text.pictures.empty()) n.pictures = TextName(text.number, ".bld");
  if (!written.sync.empty()) n.sync = TextName(text.number, ".syn");
  return n;
}

std::string MetainfoBytes(const SourceHeader& header, const std::string& textInfoName) {
  std::string out;
  Record head(kMetaRecord, 0);
  WriteInt32(head, kMetaMinor, header.minor_version);
  WriteInt32(head, kMetaMajor, header.major_version);
  WriteShortString(head, kMetaTitle, 128, Utf8ToCp1252(header.title));
  WriteShortString(head, kMetaId, 8, header.id);
  Append(out, head);
  auto property = [&out](char key, const std::string& value) {
    Record r = TypedRecord(kTypeProperty);
    WriteShortString(r, kPropValue, 131, value);
    r[kPropKey] = static_cast<uint8_t>(key);
    Append(out, r);
  };
  property('j', textInfoName);
  for (const SourceSchema& schema : header.schemas) property('m', Utf8ToCp1252(schema.file));
  for (const SourceProperty& p : header.properties) property(p.key, Utf8ToCp1252(p.value));
  if (!header.short_infos.empty()) property('h', ShortInfoFileName(header));
  if (header.has_cross_references) property('p', LinkTableFileName(header));
  Record copyright = TypedRecord(kTypeCopyright);
  WriteShortString(copyright, kCopyright, 139, Utf8ToCp1252(header.copyright));
  Append(out, copyright);
  Record no_date = TypedRecord(kTypeNoDate);
  WriteUInt16(no_date, kMetaWord, header.no_date_marker);
  Append(out, no_date);
  Record offset = TypedRecord(kTypeYearOffset);
  WriteUInt16(offset, kMetaWord, header.year_offset);
  Append(out, offset);
  for (const SourcePresentation& p : header.presentations) {
    Record r = TypedRecord(kTypePresentation);
    WriteInt32(r, kPresType, p.type);
    WriteShortString(r, kPresCaption, 80, Utf8ToCp1252(p.caption));
    WriteShortString(r, kPresModule, 10, Utf8ToCp1252(p.module));
    Append(out, r);
  }
  for (const SourceProgram& p : header.programs) {
    Record r = TypedRecord(kTypeProgram);
    WriteShortString(r, kProgCaption, 80, Utf8ToCp1252(p.caption));
    WriteShortString(r, kProgFile, 30, Utf8ToCp1252(p.file));
    Append(out, r);
  }
  if (header.has_cross_references) {
    Record r = TypedRecord(kTypeLinkedFile);
    WriteShortString(r, kLinkedTitle, 30, kCrossReferenceTitle);
    WriteShortString(r, kLinkedFile, 20, CrossReferenceFileName(header));
    Append(out, r);
  }
  Append(out, TypedRecord(kTypeEnd));
  return out;
}

std::string ShortInfoFileName(const SourceHeader& header) {
  return LowerAscii(header.id) + "ki.dat";
}

std::string ShortInfoBytes(const std::vector<SourceShortInfo>& entries) {
  std::string out;
  for (const SourceShortInfo& entry : entries) {
    Record r(kShortInfoRecord, 0);
    WriteShortString(r, 0, 80, Utf8ToCp1252(entry.caption));
    for (size_t i = 0; i < entry.parts.size() && i < 10; ++i) {
      const SourceShortInfoPart& part = entry.parts[i];
      const size_t at = kShortInfoParts + i * kShortInfoPart;
      WriteShortString(r, at, 128, Utf8ToCp1252(part.first));
      WriteShortString(r, at + kShortInfoString, 128, Utf8ToCp1252(part.second));
      WriteShortString(r, at + 2 * kShortInfoString, 128, Utf8ToCp1252(part.label));
    }
    Append(out, r);
  }
  return out;
}

std::string TextInfoBytes(const std::vector<const SourceText*>& texts,
                          const std::vector<TextFileNames>& names,
                          const std::vector<const WrittenText*>& written) {
  int32_t highest = 0;
  for (const SourceText* t : texts) highest = std::max(highest, t->number);
  std::vector<Record> records(static_cast<size_t>(highest), Record(kTextRecord, 0));
  for (Record& r : records) WriteInt32(r, 0, -1);
  for (size_t i = 0; i < texts.size(); ++i) {
    const SourceText& t = *texts[i];
    if (t.number < 1) continue;
    Record& r = records[static_cast<size_t>(t.number - 1)];
    const TextFileNames& n = names[i];
    WriteInt32(r, 0, t.number);
    WriteShortString(r, kTiTitle, 80, Utf8ToCp1252(t.title));
    WriteShortString(r, kTiLong, 40, Utf8ToCp1252(t.long_label));
    WriteShortString(r, kTiShort, 20, Utf8ToCp1252(t.short_label));
    for (size_t layer = 0; layer < 3; ++layer)
      WriteShortString(r, kTiLayer[layer], kTiName, n.layer[layer]);
    WriteShortString(r, kTiPages, kTiName, n.pages);
    WriteShortString(r, kTiChapters, kTiName, n.chapters);
    WriteShortString(r, kTiPictures, kTiName, n.pictures);
    WriteInt32(r, kTiSyncFlag, written[i]->sync.empty() ? 0 : 1);
    WriteShortString(r, kTiSync, kTiName, n.sync);
    WriteInt32(r, kTiMargin, t.has_margin ? 1 : 0);
  }
  std::string out;
  for (const Record& r : records) Append(out, r);
  return out;
}

std::string PageFileBytes(const std::vector<WrittenPage>& pages) {
  std::string out;
  for (const WrittenPage& page : pages) {
    Record r(kPageRecord, 0);
    WriteInt32(r, 0, page.number);
    WriteShortString(r, kPageLabel, 180, page.label);
    r[kPageArabic] = page.arabic ? 1 : 0;
    for (size_t layer = 0; layer < 3; ++layer)
      WriteInt32(r, kPageStart + 4 * layer, page.position[layer]);
    Append(out, r);
  }
  return out;
}

std::string ChapterFileBytes(const std::vector<WrittenChapter>& chapters) {
  std::string out;
  for (const WrittenChapter& c : chapters) {
    Record r(kChapterRecord, 0);
    for (size_t level = 0; level < 3; ++level)
      WriteShortString(r, kChapterName * level, 60, c.names[level]);
    WriteInt32(r, kChapterLevels, c.l1);
    WriteInt32(r, kChapterLevels + 4, c.l2);
    WriteInt32(r, kChapterLevels + 8, c.l3);
    WriteInt32(r, kChapterStart, c.position);
    Append(out, r);
  }
  return out;
}

std::string PictureFileBytes(const std::vector<SourcePicture>& pictures) {
  std::string out;
  for (const SourcePicture& p : pictures) {
    Record r(kPictureRecord, 0);
    WriteInt32(r, 0, p.number);
    WriteShortString(r, kPictureName, 23, Utf8ToCp1252(p.file));
    Append(out, r);
  }
  return out;
}

std::string SyncFileBytes(const std::vector<std::pair<int32_t, int32_t>>& points) {
  std::string out;
  for (const auto& [position, target] : points) {
    Record r(kSyncRecord, 0);
    WriteInt32(r, 0, position);
    WriteInt32(r, 4, target);
    Append(out, r);
  }
  return out;
}

std::string SchemaBytes(const SourceSchema& schema) {
  std::string out;
  for (const SourceGroup& g : schema.groups) {
    out += "[" + g.path + "]\r\nname=" + Utf8ToCp1252(g.name) + "\r\ntexts=";
    for (size_t i = 0; i < g.text_numbers.size(); ++i) {
      if (i > 0) out += ' ';
      out += std::to_string(g.text_numbers[i]);
    }
    out += "\r\n\r\n";
  }
  return out;
}

}  // namespace quillmar::builder
