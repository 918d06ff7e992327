#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace quillmar::test {

// Writers of collection records with their byte offsets spelled out independently of the
// readers, so that a misread offset in a reader shows up as a failing test. Strings are written
// as given (Windows-1252) and cut to their field's capacity.

// ID/metainfo.dat, 160-byte records (docs/formats/metainfo.md).
std::vector<uint8_t> MetaHeader(const std::string& title, const std::string& cdid, int32_t major,
                                int32_t minor);
std::vector<uint8_t> MetaProperty(char key, const std::string& value);                 // type 1
std::vector<uint8_t> MetaCopyright(const std::string& line);                           // type 2
std::vector<uint8_t> MetaPlugIn(const std::string& library, const std::string& name);  // type 3
std::vector<uint8_t> MetaMedia4(int32_t number, const std::string& text, const std::string& code);
std::vector<uint8_t> MetaMedia5(const std::string& text, const std::string& code);
std::vector<uint8_t> MetaUInt16(int32_t type, uint16_t value);  // types 6 and 7
std::vector<uint8_t> MetaLink(const std::string& title, const std::string& fileName,
                              const std::string& third);  // type 9
// A record of any type with zero bytes after the type.
std::vector<uint8_t> MetaRecord(int32_t type);

// data/textinfo.dat, 496-byte records (docs/formats/textinfo.md).
struct TextRecord {
  int32_t number = 0;  // 0: the record's ordinal when written by WriteCollection; -1 empty slot
  std::string title, long_label, short_label, layer1, layer2, layer3, page_file, chapter_file,
      picture_file, sync_file;
  int32_t sync = 0;
};

// Per-text files (docs/formats/).
std::vector<uint8_t> ChapterRecord(const std::string& n1, const std::string& n2,
                                   const std::string& n3, int32_t l1, int32_t l2, int32_t l3,
                                   int32_t pos);  // 200 bytes
std::vector<uint8_t> PageRecord(int32_t number, const std::string& text, bool arabic, int32_t p1,
                                int32_t p2, int32_t p3);                      // 200 bytes
std::vector<uint8_t> PictureRecord(int32_t number, const std::string& name);  // 28 bytes
std::vector<uint8_t> SyncRecord(int32_t pos, int32_t target);                 // 8 bytes

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts);

// A small collection.
struct CollectionSpec {
  std::string cdid = "TEST0001";
  std::string title = "Test Collection";
  std::vector<TextRecord> texts;
  std::vector<std::string> schemas;                          // 'm' properties
  std::string fs_id;                                         // 'o' property when not empty
  std::vector<std::pair<std::string, std::string>> plugins;  // (library, name)
  uint16_t year_offset = 0;
  bool upper = false;  // every directory and file name on disk in capitals
};

// Writes under `root`: id/<CDID>.hid; id/metainfo.dat with the header (version 0.0), 'j' =
// "textinfo.dat", an 'm' per schema, 'o' when fs_id is set, the plug-ins, type 6 (0), type 7
// (year_offset) and a copyright line; data/textinfo.dat with one record per text (number 0
// becomes the ordinal); and for each text that is not an empty slot a small stream file
// data/<layer1> (default "t<N>.txt", which is then written into the record); and per schema a
// tree schema file data/<schema> with one group "[1]" named after the file that lists every
// text. Names inside the records are written as given, whatever `upper` says. Returns root.
std::string WriteCollection(const std::string& root, const CollectionSpec& layout);

}  // namespace quillmar::test
