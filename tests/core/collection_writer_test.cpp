#include "builder/collection_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "base/errors.h"
#include "base/paths.h"
#include "builder/source_parser.h"
#include "builder/word_splitter.h"
#include "collection/cd_info.h"
#include "collection/text_info.h"
#include "support/temp_dir.h"
#include "text/paragraph_cutter.h"
#include "text/paragraph_parser.h"
#include "text/paragraph_sink.h"
#include "text/stream_codes.h"

namespace quillmar::builder {
namespace {

using test::ReadFile;
using test::TempDir;

const std::filesystem::path kSampleDir =
    std::filesystem::path(QUILLMAR_SOURCE_DIR) / "samples/sample";

SourceCollection Sample() {
  std::ifstream in(kSampleDir / "sample.qms", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return MergeSources({ParseSource(ss.str(), "sample.qms")});
}

class AllWords : public ParagraphSink {
 public:
  std::map<int32_t, StreamWord> words;
  void AddWord(const StreamWord& w) override { words[w.start_position] = w; }
  void AddMarginWord(const StreamWord& w) override { words[w.start_position] = w; }
  void SetCentred(bool) override {}
  void SetJustified(bool) override {}
  void SetIndentMode(uint8_t) override {}
  void SetParagraphNumber(int32_t) override {}
};

// Every word of a stream file as the reader decodes it, by start position.
std::map<int32_t, StreamWord> Decode(const std::string& file) {
  AllWords sink;
  for (const TAbsatzDataRecord& p : ParagraphCutter::Split(ReadFile(file)))
    ParagraphParser().Parse(p.text, p.start, sink);
  return sink.words;
}

class CollectionWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    entries_ = WriteCollection(Sample(), dir_.path(), (kSampleDir / "media").string());
  }
  std::string Data(const std::string& name) const { return dir_.Sub("data/" + name); }
  const IndexEntry* Find(const std::string& word, uint8_t text, uint8_t layer) const {
    for (const IndexEntry& e : entries_)
      if (e.word == word && e.text == text && e.layer == layer) return &e;
    return nullptr;
  }
  TempDir dir_;
  IndexEntries entries_;
};

TEST_F(CollectionWriterTest, ReadersSeeHeaderCatalogPagesChaptersAndPictures) {
  EXPECT_TRUE(FileExists(dir_.Sub("ID/QMSA0001.hid")));
  TCDInfo cd(dir_.path());
  EXPECT_EQ(cd.CDID(), "QMSA0001");
  EXPECT_EQ(cd.Name(), "Quillmar Sample: Herodotus, Histories I 1-7");
  EXPECT_EQ(cd.MajorVersion(), 1);
  EXPECT_EQ(cd.MinorVersion(), 0);
  EXPECT_EQ(cd.GetTextInfoFileName(), "textinfo.dat");
  EXPECT_EQ(cd.GetSchemas(), std::vector<std::string>{"schema1.ini"});
  EXPECT_EQ(cd.GetYearOffset(), 1000);
  EXPECT_EQ(cd.GetNoDateMarker(), 0);
  EXPECT_NE(cd.Copyright().find("public domain"), std::string::npos);
  const std::string schema = ReadFile(Data("schema1.ini"));
  EXPECT_NE(schema.find("[1.1]\r\nname=Herodotus\r\ntexts=1 2\r\n"), std::string::npos);

  TTextInfo info;
  ASSERT_TRUE(info.Load(Data("textinfo.dat")));
  info.Select(1);
  EXPECT_EQ(info.Title(), "Histories, Book I (Clio), 1-7");
  EXPECT_EQ(info.GetLongTextName(), "Herodotus: Histories, Book I (Clio), 1-7");
  EXPECT_EQ(info.ShortLabel(), "Hdt.");
  EXPECT_TRUE(info.HasMargin());
  EXPECT_TRUE(info.HasSync());
  EXPECT_EQ(info.GetBildName(1), "lydia.png");
  EXPECT_EQ(ReadFile(dir_.Sub("media/lydia.png")),
            ReadFile((kSampleDir / "media/lydia.png").string()));

  // Roman front matter, then arabic pages; the notes layers start their pages at the first note
  // linked from the page.
  EXPECT_EQ(info.GetSeitenPosition("iii", 1), 1);
  const int32_t page1 = info.GetSeitenPosition("1", 1);
  const int32_t page2 = info.GetSeitenPosition("2", 1);
  EXPECT_GT(page1, 1);
  EXPECT_GT(page2, page1);
  EXPECT_EQ(info.GetSeitenPosition("1", 2), 1);
  EXPECT_EQ(info.GetSeitenPosition("2", 2), -1);
  EXPECT_EQ(info.GetSeitenPosition("1", 3), 1);
  EXPECT_GT(info.GetSeitenPosition("2", 3), 1);
  const PageFileRecord front = info.GetPositionSeite(2, 1);
  EXPECT_FALSE(front.Arabic);
  EXPECT_EQ(front.Text, "Translator's note");

  TextTreeInfo text;
  text.TextNr = 1;
  const TTextTreeInfos chapters = info.ListChapters(text);
  ASSERT_EQ(chapters.size(), 2u);
  EXPECT_EQ(chapters[0].Name1, "Book I: Clio");
  EXPECT_EQ(chapters[1].Name1, "Book I: The Lydian Kings");
  const TTextTreeInfos sections = info.ListChapters(chapters[0]);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[1].Name2, "The Rapes of Io, Europa and Medea");
  // A chapter starts with its heading paragraph: right after a separator, on page 1.
  const std::string main = ReadFile(info.GetLayer1DateiName());
  const std::string separator{stream::kEscape, stream::kParagraphSeparator};
  for (const TextTreeInfo& c : {chapters[0], sections[0], sections[1]}) {
    ASSERT_GT(c.Position, 2);
    EXPECT_EQ(main.substr(static_cast<size_t>(c.Position) - 3, 2), separator);
  }
  EXPECT_EQ(chapters[0].Position, page1);

  info.Select(2);
  EXPECT_FALSE(info.HasMargin());
  EXPECT_EQ(info.GetLayer3DateiName(), "");
  EXPECT_NE(info.GetLayer2DateiName(), "");
}

TEST_F(CollectionWriterTest, EveryIndexEntryStartsADecodedWord) {
  ASSERT_GT(entries_.size(), 300u);
  TTextInfo info;
  ASSERT_TRUE(info.Load(Data("textinfo.dat")));
  std::map<std::pair<int, int>, std::map<int32_t, StreamWord>> streams;
  for (int text = 1; text <= 2; ++text) {
    info.Select(text);
    const std::string names[3] = {info.GetLayer1DateiName(), info.GetLayer2DateiName(),
                                  info.GetLayer3DateiName()};
    for (int layer = 1; layer <= 3; ++layer)
      if (!names[layer - 1].empty()) streams[{text, layer}] = Decode(names[layer - 1]);
  }
  // Conversely every decoded word with something left to index has an entry.
  size_t indexable = 0;
  for (const auto& [key, words] : streams)
    for (const auto& [position, w] : words)
      if (!w.link && !IndexWord(w.bytes, w.font_code == stream::kGreekFont).empty()) ++indexable;
  EXPECT_EQ(indexable, entries_.size());
  for (const IndexEntry& e : entries_) {
    const auto& words = streams[{e.text, e.layer}];
    const auto it = words.find(e.position);
    ASSERT_NE(it, words.end()) << e.word << " at " << e.position;
    EXPECT_FALSE(it->second.link);
    EXPECT_EQ(IndexWord(it->second.bytes, it->second.font_code == stream::kGreekFont), e.word);
  }
}

TEST_F(CollectionWriterTest, EntriesCarryPartLanguageDatesAndPlace) {
  const IndexEntry* greek = Find(".Hrod'otou", 1, 1);
  ASSERT_NE(greek, nullptr);
  EXPECT_EQ(greek->language, lang::kGreek);
  EXPECT_EQ(greek->dateYear, 560);
  EXPECT_EQ(greek->dateYearTo, 575);
  EXPECT_EQ(greek->chapter, 1);
  EXPECT_EQ(greek->subChapter, 1);
  EXPECT_EQ(greek->page, 1);

  const IndexEntry* heading = Find("Clio", 1, 1);
  ASSERT_NE(heading, nullptr);
  EXPECT_EQ(heading->textPart, 1);
  int margin_words = 0;
  for (const IndexEntry& e : entries_)
    if (e.textPart == 12) {
      ++margin_words;
      EXPECT_TRUE(e.word == "I" || (e.word >= "1" && e.word <= "7")) << e.word;
    }
  EXPECT_EQ(margin_words, 8);  // "I 1", "I 2", "I 3", "I 7"
  const IndexEntry* footnote = Find("renown", 1, 2);
  ASSERT_NE(footnote, nullptr);
  EXPECT_EQ(footnote->textPart, 11);
  EXPECT_EQ(footnote->page, 1);
  const IndexEntry* remark = Find("Argos", 1, 3);
  ASSERT_NE(remark, nullptr);
  EXPECT_EQ(remark->textPart, 10);
  EXPECT_EQ(remark->page, 2);
  // Punctuation split off, Windows-1252 bytes.
  EXPECT_NE(Find("another", 1, 1), nullptr);
  const IndexEntry* german = Find(
      "\xDC"
      "bersetzung",
      2, 1);
  ASSERT_NE(german, nullptr);
  EXPECT_EQ(german->language, lang::kGerman);
  EXPECT_EQ(german->dateYear, 2890);
  // Word numbers run through each text, layer by layer.
  for (size_t i = 1; i < entries_.size(); ++i)
    if (entries_[i].text == entries_[i - 1].text)
      EXPECT_EQ(entries_[i].wordNumber, entries_[i - 1].wordNumber + 1);
    else
      EXPECT_EQ(entries_[i].wordNumber, 1);
  const IndexEntry* table = Find("Gyges", 2, 1);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->chapter, 2);
}

TEST_F(CollectionWriterTest, AnchorLinksPointAtTheAnchoredWord) {
  // Text 1 links to the anchor "kings" in text 2; the target names its final position.
  TTextInfo info;
  ASSERT_TRUE(info.Load(Data("textinfo.dat")));
  info.Select(1);
  AllWords sink;
  for (const auto& p : ParagraphCutter::Split(ReadFile(info.GetLayer1DateiName())))
    ParagraphParser().Parse(p.text, p.start, sink);
  std::string target;
  for (const auto& [pos, w] : sink.words)
    if (w.link_kind == stream::kKindPlace && w.link_target.find(" 2 1 ") != std::string::npos)
      target = w.link_target;
  ASSERT_FALSE(target.empty());
  const int32_t position = std::stoi(target.substr(target.rfind(' ') + 1));
  info.Select(2);
  const auto words = Decode(info.GetLayer1DateiName());
  ASSERT_TRUE(words.count(position));
  EXPECT_EQ(words.at(position).bytes, "Herodotus");
}

TEST(CollectionWriter, IndexWordSplitsPunctuationAndStrayCodes) {
  EXPECT_EQ(IndexWord("another.", false), "another");
  EXPECT_EQ(IndexWord("(\x93Hellas\x94),", false), "Hellas");
  EXPECT_EQ(IndexWord("Translator's", false), "Translator's");
  EXPECT_EQ(IndexWord("1200/1201", false), "1200/1201");
  EXPECT_EQ(IndexWord("\x96", false), "");
  // A style change inside the word stays; one left standing at an end goes with the punctuation.
  EXPECT_EQ(IndexWord("ab\x01\x06"
                      "cd",
                      false),
            "ab\x01\x06"
            "cd");
  EXPECT_EQ(IndexWord("kl'eo's\x01\x03,", true), "kl'eo's");
  EXPECT_EQ(IndexWord("x\x01\\", false), "x");
  // Greek keeps the breathing and accent marks of its transliteration.
  EXPECT_EQ(IndexWord(".Hrod'otou", true), ".Hrod'otou");
  EXPECT_EQ(IndexWord("`ap'odexi's;", true), "`ap'odexi's");
  // A full stop, an elision mark or a closing quote after a Greek word is no mark of it.
  EXPECT_EQ(IndexWord("`Acille'u's\x01\x03.", true), "`Acille'u's");
  EXPECT_EQ(IndexWord("mur'i\x01\x03\x92", true), "mur'i");
  EXPECT_EQ(IndexWord("\x93"
                      "d'\x94",
                      true),
            "d");
}

TEST(CollectionWriter, WriteFailuresRaiseInOutError) {
  TempDir dir;
  test::WriteFile(dir.Sub("file"), "x");
  EXPECT_THROW(WriteCollection(Sample(), dir.Sub("file"), (kSampleDir / "media").string()),
               EInOutError);
  EXPECT_THROW(WriteCollection(Sample(), dir.Sub("out"), dir.Sub("no-media")), EInOutError);
  // A picture name from a model not made by the parser must not leave the output directory.
  SourceCollection escaping = Sample();
  escaping.texts[0].pictures[0].file = "../lydia.png";
  EXPECT_THROW(WriteCollection(escaping, dir.Sub("out2"), (kSampleDir / "media").string()),
               Exception);
  EXPECT_FALSE(FileExists(dir.Sub("lydia.png")));
}

}  // namespace
}  // namespace quillmar::builder
