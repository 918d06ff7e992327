// The Xapian side of the search comparison (scripts/compare-xapian.sh).
//
//   quillmar_xapian index SOURCE.qms DBDIR
//     one document per paragraph of a collection source file (text paragraphs and the heading
//     lines of @chapter, @section, @heading ...), terms lower-cased with their word positions.
//   quillmar_xapian search DBDIR REPEAT DISTANCE QUERY
//     runs QUERY (the reader's query syntax: words, masks with * and ?, phrases, AND, "...",
//     OR, brackets) REPEAT times on the open database and prints
//     "time_us_per_query=<mean> hits=<matching documents>" on stderr.
//
// Query mapping: a word is its term; a mask the OR of the matching terms (trailing-* masks
// through Xapian's own wildcard expansion, others by scanning the term list, as a mask
// expansion of the reader scans its word list); a phrase OP_PHRASE; AND OP_NEAR within
// DISTANCE + 1 positions (OP_AND for DISTANCE 0); "..." OP_PHRASE with the same window (ordered);
// OR OP_OR. Documents are matched with Boolean weighting in document order, as the reader's
// result has no ranking.

#include <fnmatch.h>
#include <xapian.h>

#include <cctype>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Terms(const std::string& text) {
  std::vector<std::string> terms;
  std::string term;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c >= 0x80) {
      term += static_cast<char>(std::tolower(c));
    } else if (!term.empty()) {
      terms.push_back(term);
      term.clear();
    }
  }
  if (!term.empty()) terms.push_back(term);
  return terms;
}

int Index(const std::string& source, const std::string& dbdir) {
  std::ifstream in(source);
  if (!in) {
    std::cerr << "cannot open " << source << "\n";
    return 1;
  }
  Xapian::WritableDatabase db(dbdir, Xapian::DB_CREATE_OR_OVERWRITE);
  std::string paragraph;
  Xapian::doccount docs = 0;
  auto flush = [&]() {
    if (paragraph.empty()) return;
    Xapian::Document doc;
    Xapian::termpos pos = 0;
    for (const auto& t : Terms(paragraph)) doc.add_posting(t, ++pos);
    if (pos > 0) {
      db.add_document(doc);
      ++docs;
    }
    paragraph.clear();
  };
  static const char* const kHeadings[] = {"@chapter ",    "@section ",  "@subsection ", "@heading ",
                                          "@subheading ", "@subtitle ", "@subtitle2 "};
  std::string line;
  bool inText = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("@text ", 0) == 0) inText = true;
    if (!inText || line.empty() || line[0] == '%') {
      flush();
      continue;
    }
    if (line[0] == '@') {
      flush();
      for (const char* h : kHeadings)
        if (line.rfind(h, 0) == 0) {
          paragraph = line.substr(std::string(h).size());
          flush();
        }
      continue;
    }
    if (line[0] == '\\') line.erase(0, 1);
    paragraph += (paragraph.empty() ? "" : " ") + line;
  }
  flush();
  db.commit();
  std::cerr << docs << " documents\n";
  return 0;
}

// Recursive descent over the reader's query syntax; precedence from weakest: OR, AND, "...",
// phrase.
class QueryBuilder {
 public:
  QueryBuilder(Xapian::Database& db, unsigned distance) : db_(db), distance_(distance) {}

  Xapian::Query Build(const std::string& text) { return Or(Tokens(text)); }

 private:
  using Tokens_ = std::vector<std::string>;

  static Tokens_ Tokens(const std::string& text) {
    Tokens_ out;
    size_t i = 0;
    while (i < text.size()) {
      if (text[i] == ' ') {
        ++i;
      } else if (text[i] == '(') {
        int depth = 0;
        size_t j = i;
        for (; j < text.size(); ++j) {
          if (text[j] == '(') ++depth;
          if (text[j] == ')' && --depth == 0) break;
        }
        out.push_back(text.substr(i, j - i + 1));
        i = j + 1;
      } else if (text[i] == '.') {
        while (i < text.size() && text[i] == '.') ++i;
        out.push_back("...");
      } else {
        size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '(' && text[j] != '.') ++j;
        out.push_back(text.substr(i, j - i));
        i = j;
      }
    }
    return out;
  }

  static std::vector<Tokens_> Split(const Tokens_& tokens, const std::string& op) {
    std::vector<Tokens_> parts(1);
    for (const auto& t : tokens) {
      std::string upper = t;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (upper == op)
        parts.emplace_back();
      else
        parts.back().push_back(t);
    }
    return parts;
  }

  Xapian::Query Or(const Tokens_& tokens) {
    std::vector<Xapian::Query> qs;
    for (const auto& part : Split(tokens, "OR")) qs.push_back(And(part));
    return qs.size() == 1 ? qs[0] : Xapian::Query(Xapian::Query::OP_OR, qs.begin(), qs.end());
  }

  Xapian::Query And(const Tokens_& tokens) {
    std::vector<Xapian::Query> qs;
    for (const auto& part : Split(tokens, "AND")) qs.push_back(Follows(part));
    if (qs.size() == 1) return qs[0];
    if (distance_ == 0) return Xapian::Query(Xapian::Query::OP_AND, qs.begin(), qs.end());
    return Xapian::Query(Xapian::Query::OP_NEAR, qs.begin(), qs.end(), distance_ + 1);
  }

  Xapian::Query Follows(const Tokens_& tokens) {
    std::vector<Xapian::Query> qs;
    for (const auto& part : Split(tokens, "...")) qs.push_back(Phrase(part));
    if (qs.size() == 1) return qs[0];
    return Xapian::Query(Xapian::Query::OP_PHRASE, qs.begin(), qs.end(),
                         distance_ == 0 ? 0 : distance_ + 1);
  }

  Xapian::Query Phrase(const Tokens_& tokens) {
    std::vector<Xapian::Query> qs;
    for (const auto& t : tokens) qs.push_back(Word(t));
    if (qs.size() == 1) return qs[0];
    return Xapian::Query(Xapian::Query::OP_PHRASE, qs.begin(), qs.end(), qs.size());
  }

  Xapian::Query Word(const std::string& token) {
    if (token.front() == '(') return Build(token.substr(1, token.size() - 2));
    std::string w;
    for (unsigned char c : token) w += static_cast<char>(std::tolower(c));
    const size_t wild = w.find_first_of("*?");
    if (wild == std::string::npos) return Xapian::Query(w);
    if (wild == w.size() - 1 && w.back() == '*')
      return Xapian::Query(Xapian::Query::OP_WILDCARD, w.substr(0, wild));
    std::vector<Xapian::Query> qs;
    const std::string prefix = w.substr(0, wild);
    for (auto t = db_.allterms_begin(prefix); t != db_.allterms_end(prefix); ++t)
      if (fnmatch(w.c_str(), (*t).c_str(), 0) == 0) qs.emplace_back(*t);
    return Xapian::Query(Xapian::Query::OP_SYNONYM, qs.begin(), qs.end());
  }

  Xapian::Database& db_;
  unsigned distance_;
};

int Search(const std::string& dbdir, int repeat, unsigned distance, const std::string& query) {
  Xapian::Database db(dbdir);
  Xapian::doccount hits = 0;
  auto started = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration first{};
  std::clock_t startedCpu = std::clock();
  std::clock_t firstCpu = 0;
  // Two untimed runs first, as `quillmar search --repeat` does; the first one's time is reported
  // apart (the first query of a fresh process).
  for (int i = -2; i < repeat; ++i) {
    if (i == -1) {
      first = std::chrono::steady_clock::now() - started;
      firstCpu = std::clock() - startedCpu;
    }
    if (i == 0) {
      started = std::chrono::steady_clock::now();
      startedCpu = std::clock();
    }
    QueryBuilder builder(db, distance);
    Xapian::Enquire enquire(db);
    enquire.set_query(builder.Build(query));
    enquire.set_weighting_scheme(Xapian::BoolWeight());
    enquire.set_docid_order(Xapian::Enquire::ASCENDING);
    const Xapian::MSet matches = enquire.get_mset(0, db.get_doccount());
    hits = matches.size();
  }
  const auto elapsed = std::chrono::steady_clock::now() - started;
  const std::clock_t cpu = std::clock() - startedCpu;
  const double us =
      std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 1000.0 / repeat;
  std::cerr << "time_us_per_query=" << us << " hits=" << hits << " first_us="
            << std::chrono::duration_cast<std::chrono::nanoseconds>(first).count() / 1000.0
            << " cpu_us_per_query=" << 1e6 * static_cast<double>(cpu) / CLOCKS_PER_SEC / repeat
            << " first_cpu_us=" << 1e6 * static_cast<double>(firstCpu) / CLOCKS_PER_SEC << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 3 && args[0] == "index") return Index(args[1], args[2]);
    if (args.size() == 5 && args[0] == "search")
      return Search(args[1], std::stoi(args[2]), static_cast<unsigned>(std::stoul(args[3])),
                    args[4]);
  } catch (const Xapian::Error& e) {
    std::cerr << e.get_description() << "\n";
    return 1;
  }
  std::cerr << "usage: quillmar_xapian index SOURCE.qms DBDIR\n"
               "       quillmar_xapian search DBDIR REPEAT DISTANCE QUERY\n";
  return 2;
}
