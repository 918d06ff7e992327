#include "support/collection_writer.h"

#include <algorithm>

#include "base/paths.h"
#include "support/temp_dir.h"

namespace quillmar::test {

namespace {

using Bytes = std::vector<uint8_t>;

void PutInt32(Bytes& r, size_t at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) r.at(at + i) = static_cast<uint8_t>(u >> (8 * i));
}

void PutUInt16(Bytes& r, size_t at, uint16_t v) {
  r.at(at) = static_cast<uint8_t>(v);
  r.at(at + 1) = static_cast<uint8_t>(v >> 8);
}

// Length byte at `at`, then up to `capacity` bytes of the string.
void PutString(Bytes& r, size_t at, size_t capacity, const std::string& s) {
  const size_t n = std::min(s.size(), capacity);
  r.at(at) = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) r.at(at + 1 + i) = static_cast<uint8_t>(s[i]);
}

Bytes Meta(int32_t type) {
  Bytes r(160, 0);
  PutInt32(r, 0, type);
  return r;
}

std::string Upper(std::string s, bool upper) {
  if (upper)
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// data/textinfo.dat record; bytes 492-495 (margin flag) stay 0.
Bytes TextInfoRecord(const TextRecord& t) {
  Bytes r(496, 0);
  PutInt32(r, 0, t.number);
  PutString(r, 4, 80, t.title);
  PutString(r, 85, 40, t.long_label);
  PutString(r, 126, 20, t.short_label);
  PutString(r, 147, 20, t.layer1);
  PutString(r, 168, 20, t.layer2);
  PutString(r, 189, 20, t.layer3);
  PutString(r, 210, 20, t.page_file);
  PutString(r, 252, 20, t.chapter_file);
  PutString(r, 294, 20, t.picture_file);
  PutInt32(r, 380, t.sync);
  PutString(r, 384, 20, t.sync_file);
  return r;
}

}  // namespace

Bytes MetaHeader(const std::string& title, const std::string& cdid, int32_t major, int32_t minor) {
  Bytes r = Meta(0);
  PutInt32(r, 12, minor);
  PutInt32(r, 16, major);
  PutString(r, 20, 128, title);
  PutString(r, 149, 8, cdid);
  return r;
}

Bytes MetaProperty(char key, const std::string& value) {
  Bytes r = Meta(1);
  PutString(r, 4, 131, value);
  r[136] = static_cast<uint8_t>(key);
  return r;
}

Bytes MetaCopyright(const std::string& line) {
  Bytes r = Meta(2);
  PutString(r, 20, 139, line);
  return r;
}

Bytes MetaPlugIn(const std::string& library, const std::string& name) {
  Bytes r = Meta(3);
  PutString(r, 4, 20, library);
  PutString(r, 25, 20, name);
  return r;
}

Bytes MetaMedia4(int32_t number, const std::string& text, const std::string& code) {
  Bytes r = Meta(4);
  PutInt32(r, 4, number);
  PutString(r, 8, 80, text);
  PutString(r, 89, 10, code);
  return r;
}

Bytes MetaMedia5(const std::string& text, const std::string& code) {
  Bytes r = Meta(5);
  PutString(r, 4, 80, text);
  PutString(r, 85, 30, code);
  return r;
}

Bytes MetaUInt16(int32_t type, uint16_t value) {
  Bytes r = Meta(type);
  PutUInt16(r, 4, value);
  return r;
}

Bytes MetaLink(const std::string& title, const std::string& fileName, const std::string& third) {
  Bytes r = Meta(9);
  PutString(r, 4, 30, title);
  PutString(r, 35, 20, fileName);
  PutString(r, 56, 20, third);
  return r;
}

Bytes MetaRecord(int32_t type) { return Meta(type); }

Bytes ChapterRecord(const std::string& n1, const std::string& n2, const std::string& n3, int32_t l1,
                    int32_t l2, int32_t l3, int32_t pos) {
  Bytes r(200, 0);
  PutString(r, 0, 60, n1);
  PutString(r, 61, 60, n2);
  PutString(r, 122, 60, n3);
  PutInt32(r, 184, l1);
  PutInt32(r, 188, l2);
  PutInt32(r, 192, l3);
  PutInt32(r, 196, pos);
  return r;
}

Bytes PageRecord(int32_t number, const std::string& text, bool arabic, int32_t p1, int32_t p2,
                 int32_t p3) {
  Bytes r(200, 0);
  PutInt32(r, 0, number);
  PutString(r, 4, 180, text);
  r[185] = arabic ? 1 : 0;
  PutInt32(r, 188, p1);
  PutInt32(r, 192, p2);
  PutInt32(r, 196, p3);
  return r;
}

Bytes PictureRecord(int32_t number, const std::string& name) {
  Bytes r(28, 0);
  PutInt32(r, 0, number);
  PutString(r, 4, 23, name);
  return r;
}

Bytes SyncRecord(int32_t pos, int32_t target) {
  Bytes r(8, 0);
  PutInt32(r, 0, pos);
  PutInt32(r, 4, target);
  return r;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string WriteCollection(const std::string& root, const CollectionSpec& layout) {
  const bool up = layout.upper;
  const std::string id_dir = JoinPath(root, Upper("id", up));
  const std::string data_dir = JoinPath(root, Upper("data", up));
  WriteFile(JoinPath(id_dir, Upper(layout.cdid + ".hid", up)), layout.cdid);

  Bytes meta = MetaHeader(layout.title, layout.cdid, 0, 0);
  auto add = [&meta](const Bytes& r) { meta.insert(meta.end(), r.begin(), r.end()); };
  add(MetaProperty('j', "textinfo.dat"));
  for (const std::string& schema : layout.schemas) add(MetaProperty('m', schema));
  if (!layout.fs_id.empty()) add(MetaProperty('o', layout.fs_id));
  for (const auto& [library, name] : layout.plugins) add(MetaPlugIn(library, name));
  add(MetaUInt16(6, 0));
  add(MetaUInt16(7, layout.year_offset));
  add(MetaCopyright("Copyright line of " + layout.title));
  WriteFile(JoinPath(id_dir, Upper("metainfo.dat", up)), meta);

  Bytes catalog;
  std::string numbers;  // of the texts that are not empty slots, for the schema files
  for (size_t i = 0; i < layout.texts.size(); ++i) {
    TextRecord text = layout.texts[i];
    const int32_t ordinal = static_cast<int32_t>(i + 1);
    if (text.number == 0) text.number = ordinal;
    if (text.number != -1) {
      if (text.layer1.empty()) text.layer1 = "t" + std::to_string(ordinal) + ".txt";
      WriteFile(JoinPath(data_dir, Upper(text.layer1, up)), "Text " + text.title + "\r\n");
      numbers += (numbers.empty() ? "" : " ") + std::to_string(text.number);
    }
    const Bytes record = TextInfoRecord(text);
    catalog.insert(catalog.end(), record.begin(), record.end());
  }
  WriteFile(JoinPath(data_dir, Upper("textinfo.dat", up)), catalog);
  for (const std::string& schema : layout.schemas)
    WriteFile(JoinPath(data_dir, Upper(schema, up)),
              "[1]\r\nname=" + schema + "\r\ntexts=" + numbers + "\r\n");
  return root;
}

}  // namespace quillmar::test
