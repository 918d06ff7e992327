#include "search_ui/word_browser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/language.h"
#include "builder/index_writer.h"
#include "support/temp_dir.h"

namespace quillmar::search_ui {
namespace {

using Key = WordBrowser::Key;

// A collection root whose word list lies in "DATA/wortlst.dat": 300 filler words and a few
// neighbourhoods ("ka...", "m...", equal keys "groß"/"gross").
class WordBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentLanguage(kGerman);
    std::vector<std::string> words = {"kahn",     "Kaiser",    "kaiserin", "kalb", "maus",
                                      "M\xFChle", "m\xFCller", "m\xFCtze", "mund", "mut",
                                      "gro\xDF",  "gross",     "\xC4pfel", "zebra"};
    for (int i = 1000; i < 1300; ++i) words.push_back("w" + std::to_string(i).substr(1));
    builder::IndexEntries entries(words.size());
    for (size_t i = 0; i < words.size(); ++i) {
      entries[i].text = 1;
      entries[i].position = static_cast<int32_t>(i + 1);
      entries[i].word = words[i];
    }
    std::filesystem::create_directories(dir.Sub("cd/DATA"));
    builder::WriteIndex(entries, dir.Sub("cd/DATA"));
  }
  void TearDown() override { SetCurrentLanguage(kEnglish); }

  static std::string FokusWort(WordBrowser& b) {
    for (const WordRow& z : b.VisibleRows())
      if (z.Focused) return z.Wort;
    return "<none>";
  }
  static std::string Auswahl(WordBrowser& b) { return b.Auswahl().AlsText(); }
  static BrowserQueryLine Zeile(const std::string& text, int32_t cursor) { return {text, cursor}; }
  // The record numbers as the selection lists them.
  static std::string Nummern(std::initializer_list<int32_t> nummern) {
    std::string s;
    for (int32_t n : nummern) s += (s.empty() ? "" : " ") + std::to_string(n);
    return s;
  }

  test::TempDir dir;
};

// The word under the caret with its start and end.
std::string WordAtCursor(const std::string& zeile, int32_t cursor) {
  const WordRange w = WordBrowser::WordAtCursor(zeile, cursor);
  return w.Wort + " " + std::to_string(w.Anfang) + "-" + std::to_string(w.Ende);
}

TEST(WordBrowserCaretTest, WordUnderTheCaret) {
  EXPECT_EQ(WordAtCursor("kai* UND gro*", 4), "kai* 0-4");
  EXPECT_EQ(WordAtCursor("kai* UND gro*", 5), "UND 5-8");
  EXPECT_EQ(WordAtCursor("(kai ODER gro)", 14), "gro 10-13");
  EXPECT_EQ(WordAtCursor("(kai ODER gro)", 0), "kai 1-4");
  EXPECT_EQ(WordAtCursor("kai(gro", 3), "kai 0-3");
  EXPECT_EQ(WordAtCursor("a.b?c", 3), "b?c 2-5");
  EXPECT_EQ(WordAtCursor("x  y", 2), " 2-2");
  EXPECT_EQ(WordAtCursor("", 0), " 0-0");
  EXPECT_EQ(WordAtCursor("abc", 99), "abc 0-3");
}

TEST_F(WordBrowserTest, PositioningAndTypingFollowTheWordKey) {
  WordBrowser b(dir.Sub("cd"));
  ASSERT_TRUE(b.Verfuegbar());
  EXPECT_EQ(b.Anzahl(), 314);  // "groß" and "gross" are two records with one key

  // No "kai" in the list: the first word beginning with it, selected; the mask is no prefix.
  b.Positionieren(Zeile("kai* UND gro*", 2));
  EXPECT_EQ(FokusWort(b), "kaiser");
  EXPECT_EQ(Auswahl(b), std::to_string(b.Fokus()));
  EXPECT_EQ(b.Tippwort(), "kai");
  b.TypeChar('s');
  EXPECT_EQ(FokusWort(b), "kaiser");

  // A prefix no word begins with: the following word, not selected.
  b.Positionieren(Zeile("kaj", 3));
  EXPECT_EQ(FokusWort(b), "kalb");
  EXPECT_EQ(Auswahl(b), "");

  // "m" then "ü": "mü" is looked up as "mue".
  b.Positionieren(Zeile("", 0));
  b.TypeChar('m');
  EXPECT_EQ(FokusWort(b), "maus");
  b.TypeChar('\xFC');
  EXPECT_EQ(FokusWort(b), "m\xFChle");
  EXPECT_EQ(Auswahl(b), std::to_string(b.Fokus()));
  b.TypeChar('-');  // no word character
  EXPECT_EQ(b.Tippwort(), "m\xFC");
  EXPECT_FALSE(b.PressKey(Key::Backspace, false));
  EXPECT_EQ(FokusWort(b), "maus");

  // Equal keys: the first of the run.
  b.Positionieren(Zeile("GROSS", 0));
  EXPECT_EQ(FokusWort(b), "gross");
  // Beyond the last word: the first record.
  b.Positionieren(Zeile("zzz", 0));
  EXPECT_EQ(b.Fokus(), 1);
  EXPECT_EQ(b.Oben(), 1);
}

TEST_F(WordBrowserTest, ClicksAndEnterReplaceTheWordUnderTheCaret) {
  WordBrowser b(dir.Sub("cd"));
  b.Positionieren(Zeile("kaj* UND gro*", 2));  // no word begins with it: nothing selected
  const std::vector<WordRow> rows = b.VisibleRows();
  b.Click(1, true, false);
  b.Click(3, true, false);
  b.Click(WordBrowser::kRows, false, false);  // outside the rows
  EXPECT_EQ(b.Fokus(), b.Oben() + 3);
  EXPECT_TRUE(b.PressKey(Key::Eingabe, false));
  b.Close();
  const std::string erwartet = "(" + rows[1].Wort + " ODER " + rows[3].Wort + ")";
  EXPECT_EQ(b.Einfuegetext(), erwartet);
  EXPECT_EQ(b.Zeile().Text, erwartet + " UND gro*");
  EXPECT_EQ(b.Zeile().Cursor, static_cast<int32_t>(erwartet.size()));
  EXPECT_EQ(b.CurrentReplacement().Anfang, 0);
  EXPECT_EQ(b.CurrentReplacement().Length, 4);

  // English keyword; a selection in the line is what gets replaced; Enter without a selection
  // takes the focused row.
  SetCurrentLanguage(kEnglish);
  WordBrowser c(dir.Sub("cd"));
  c.Positionieren({"a mut b", 3, 2, 3});
  EXPECT_EQ(FokusWort(c), "mut");
  c.Click(11, false, false);
  c.Click(13, false, true);
  c.PressKey(Key::Eingabe, false);
  c.Close();
  EXPECT_EQ(c.Zeile().Text, "a (mund OR mut OR w000) b");

  // Escape leaves the line as it was.
  WordBrowser e(dir.Sub("cd"));
  e.Positionieren(Zeile("kai* UND gro*", 2));
  e.Click(1, true, false);
  EXPECT_TRUE(e.PressKey(Key::Escape, false));
  e.Close();
  EXPECT_EQ(e.Ergebnis(), WordBrowser::kDiscard);
  EXPECT_EQ(e.Zeile().Text, "kai* UND gro*");
  EXPECT_EQ(e.CurrentReplacement().Anfang, -1);
}

TEST_F(WordBrowserTest, KeysMoveAndSelect) {
  WordBrowser b(dir.Sub("cd"));
  b.Positionieren(Zeile("mut", 0));
  const int32_t f = b.Fokus();
  for (int i = 0; i < 2; ++i) b.PressKey(Key::Down, true);
  EXPECT_EQ(Auswahl(b), Nummern({f, f + 1, f + 2}));
  b.PressKey(Key::Up, true);  // back into the selection: gives up the row it leaves
  EXPECT_EQ(b.Fokus(), f + 1);
  EXPECT_EQ(Auswahl(b), Nummern({f, f + 1}));
  for (int i = 0; i < 2; ++i) b.PressKey(Key::Up, true);
  EXPECT_EQ(Auswahl(b), Nummern({f - 1, f}));

  // Around a gap the focus still moves one row per key.
  b.Click(3, false, false);
  b.Click(1, true, false);
  b.PressKey(Key::Down, true);
  EXPECT_EQ(b.Fokus(), b.Oben() + 2);
  EXPECT_EQ(b.Auswahl().Anzahl(), 3);

  // Without Shift an unselected focus only gets selected.
  b.Click(5, true, false);
  b.Click(5, true, false);  // focused and not selected
  const int32_t g = b.Fokus();
  b.PressKey(Key::Down, false);
  EXPECT_EQ(b.Fokus(), g);
  EXPECT_EQ(Auswahl(b), std::to_string(g));

  // Page Down on the last page keeps the focus on the last row.
  b.GeheZu(b.Anzahl() - 5);
  EXPECT_EQ(b.Oben(), b.Anzahl() - 19);
  b.PressKey(Key::Down, false);
  for (int i = 0; i < 2; ++i) {
    b.PressKey(Key::PageDown, false);
    EXPECT_EQ(b.Fokus(), b.Anzahl());
    EXPECT_EQ(b.Oben(), b.Anzahl() - 19);
    EXPECT_EQ(Auswahl(b), std::to_string(b.Anzahl()));
  }
  b.PressKey(Key::PageUp, false);
  EXPECT_EQ(b.Fokus(), b.Anzahl() - 20);
  EXPECT_EQ(b.Oben(), b.Anzahl() - 20);

  // The scroll bar moves the first row only; its position follows the first row.
  b.ApplyScroll(WordBrowser::Scroll::Dragged, 32500);
  EXPECT_EQ(b.Oben(), 157);
  EXPECT_EQ(b.Fokus(), b.Anzahl() - 20);
  b.ApplyScroll(WordBrowser::Scroll::Ende);
  EXPECT_EQ(b.LetzteScrollPos(), 61067);  // 295 / 314 * 65000
}

TEST_F(WordBrowserTest, TooLongLineStaysUnchanged) {
  // "kal" becomes "kalb": line plus insertion at 3980 characters fits, at 3981 it does not.
  for (size_t laenge : {3976u, 3977u}) {
    WordBrowser b(dir.Sub("cd"));
    const std::string zeile = "kal " + std::string(laenge - 4, 'x');
    b.Positionieren(Zeile(zeile, 1));
    b.PressKey(Key::Eingabe, false);
    b.Close();
    const bool zu_lang = laenge == 3977;
    EXPECT_EQ(b.TooLong(), zu_lang);
    EXPECT_EQ(b.Zeile().Text, zu_lang ? zeile : "kalb " + std::string(laenge - 4, 'x'));
  }
}

TEST_F(WordBrowserTest, UnreadableListIsHarmless) {
  WordBrowser fehlt(dir.Sub("nothing"));
  EXPECT_FALSE(fehlt.Verfuegbar());
  fehlt.Positionieren(Zeile("kai", 1));
  fehlt.Click(0, false, false);
  EXPECT_TRUE(fehlt.PressKey(Key::Down, false));
  EXPECT_TRUE(fehlt.VisibleRows().empty());
  fehlt.Close();
  EXPECT_EQ(fehlt.Zeile().Text, "kai");
  EXPECT_EQ(fehlt.Ergebnis(), WordBrowser::kDiscard);

  test::WriteFile(dir.Sub("leer/data/wortlst.dat"), std::string(10, 'x'));
  EXPECT_FALSE(WordBrowser(dir.Sub("leer")).Verfuegbar());

  // The medium goes away while the window is open.
  WordBrowser b(dir.Sub("cd"));
  b.Positionieren(Zeile("kai", 1));
  std::filesystem::remove(b.DateiName());
  EXPECT_TRUE(b.PressKey(Key::Eingabe, false));
  EXPECT_FALSE(b.Verfuegbar());
  b.Close();
  EXPECT_EQ(b.Ergebnis(), WordBrowser::kDiscard);
  EXPECT_EQ(b.Zeile().Text, "kai");
}

}  // namespace
}  // namespace quillmar::search_ui
