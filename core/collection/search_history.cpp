#include "collection/search_history.h"

#include <sstream>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/language.h"

namespace quillmar {

namespace {

constexpr size_t kNameCapacity = 128;  // names in selections are cut to this many characters
constexpr size_t kDateSize = 12;       // day u8, month u8, 2 unused, year i32 LE, extra i32 LE

std::vector<std::string> SplitBlanks(const std::string& text) {
  std::vector<std::string> tokens;
  std::istringstream in(text);
  std::string token;
  while (std::getline(in, token, ' '))
    if (!token.empty()) tokens.push_back(token);
  return tokens;
}

std::string JoinTrimmed(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : " ") + p;
  return Trim(out);
}

void PutInt32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetInt32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(b[at + i]) << (8 * i);
  return static_cast<int32_t>(u);
}

}  // namespace

SearchHistory::SearchHistory(TCalderwickData& data)
    : SearchHistory(
          data.Reg(), data.GetVersionKey(), [&data]() -> const TCRrecords& { return data.CDs(); },
          [&data](const std::string& cdid, int32_t no) { return data.GetTextName(cdid, no); }) {}

SearchHistory::SearchHistory(RegistryAccess& reg, std::string versionKey, CDList cds,
                             TextNamer textName)
    : reg_(reg),
      versionKey_(std::move(versionKey)),
      cds_(std::move(cds)),
      textName_(std::move(textName)) {}

std::string SearchHistory::SlotName(int slot) {
  return (slot < 10 ? "0" : "") + std::to_string(slot);
}

std::vector<uint8_t> SearchHistory::EncodeDate(const retrieval::DateBound& date) {
  std::vector<uint8_t> b(kDateSize, 0);
  b[0] = date.Tag;
  b[1] = date.Monat;
  PutInt32(b, 4, date.Jahr);
  PutInt32(b, 8, date.Jahr2);
  return b;
}

retrieval::DateBound SearchHistory::DecodeDate(const std::vector<uint8_t>& bytes) {
  retrieval::DateBound date;
  if (bytes.size() != kDateSize) return date;
  date.Tag = bytes[0];
  date.Monat = bytes[1];
  date.Jahr = GetInt32(bytes, 4);
  date.Jahr2 = GetInt32(bytes, 8);
  return date;
}

int32_t SearchHistory::Latest() { return reg_.ReadIntegerDef(Key(), "Latest", -1); }

int SearchHistory::HistorySlot(int k) {
  const int32_t latest = Latest();
  if (latest == -1) return 1;
  // Non-negative remainder, so a k of 0 or below still names a slot of the ring.
  const int64_t r = (static_cast<int64_t>(k) + latest - 2) % kSlots;
  return static_cast<int>(r < 0 ? r + kSlots : r) + 1;
}

std::string SearchHistory::HistorySlotName(int k) {
  const bool exists = reg_.KeyExists(Key());
  const int32_t latest = exists ? Latest() : -1;
  // -1 is the empty history InitHistory leaves, which stays as it is; any other "Latest"
  // outside the ring cannot name an entry: the store is rebuilt like a missing one.
  if (exists && latest == -1) return "";
  if (!exists || latest < 1 || latest > kSlots) {
    InitHistory();
    return "";
  }
  const std::string name = SlotName(HistorySlot(k));
  return reg_.ReadBoolDef(Key() + "\\" + name, "Init", false) ? name : "";
}

bool SearchHistory::HistoryEntryExists(int k) {
  if (k < 1 || k > kSlots) RaiseInternalError("AD-TPD-HIE-1");
  return !HistorySlotName(k).empty();
}

void SearchHistory::InitHistory() {
  // One save for the whole empty ring (some 360 values).
  reg_.WriteTogether([&] {
    const std::string key = Key();
    reg_.DeleteKey(key);
    const auto empty = EncodeDate(retrieval::DateBound{});
    for (int slot = 1; slot <= kSlots; ++slot) {
      const std::string s = key + "\\" + SlotName(slot);
      reg_.WriteBool(s, "Init", false);
      for (const char* name : {"Question", "CDIDs", "Texts", "TKinds"})
        reg_.WriteString(s, name, "");
      for (const char* name : {"Date1", "Date2", "Date3"}) reg_.WriteBinary(s, name, empty);
      reg_.WriteString(s, "Language", "");
      for (const char* name : {"UndMode", "WordDistance", "FuzzyLevel"})
        reg_.WriteInteger(s, name, 0);
    }
    reg_.WriteInteger(key, "Latest", -1);
  });
}

void SearchHistory::AddHistoryRecord(const TSearchHistoryRecord& record) {
  // The record reaches the settings file whole, in one save.
  reg_.WriteTogether([&] {
    HistorySlotName(1);
    const int32_t latest = Latest();
    const int slot = latest == -1 ? 1 : (latest == 1 ? kSlots : latest - 1);
    reg_.WriteInteger(Key(), "Latest", slot);

    const std::string s = Key() + "\\" + SlotName(slot);
    reg_.WriteBool(s, "Init", true);
    reg_.WriteString(s, "Question", record.Question);
    reg_.WriteBinary(s, "Date1", EncodeDate(record.Date1));
    reg_.WriteBinary(s, "Date2", EncodeDate(record.Date2));
    reg_.WriteBinary(s, "Date3", EncodeDate(record.Date3));

    std::vector<std::string> parts;
    for (const auto& cd : record.CDIDs)
      if (cd.Selected) parts.push_back(cd.CDID);
    reg_.WriteString(s, "CDIDs", JoinTrimmed(parts));

    parts.clear();
    for (size_t i = 0; i < record.Texts.size(); ++i) {
      const auto& t = record.Texts[i];
      if (!t.Selected) continue;
      parts.push_back(i == 0 ? "0:0" : t.CDID + ":" + std::to_string(t.TextNo));
    }
    reg_.WriteString(s, "Texts", JoinTrimmed(parts));

    for (const auto& [name, codes] :
         {std::pair{"TKinds", &record.TKinds}, std::pair{"Language", &record.Language}}) {
      parts.clear();
      for (uint8_t c : *codes) parts.push_back(std::to_string(c));
      reg_.WriteString(s, name, JoinTrimmed(parts));
    }
    reg_.WriteInteger(s, "UndMode", record.UndMode);
    reg_.WriteInteger(s, "WordDistance", record.WordDistance);
    reg_.WriteInteger(s, "FuzzyLevel", record.FuzzyLevel);
  });
}

void SearchHistory::GetHistoryRecord(int k, TSearchHistoryRecord& record) {
  record = TSearchHistoryRecord{};
  if (!HistoryEntryExists(k)) RaiseInternalError("AD-TPD-GHR-1");
  const std::string s = Key() + "\\" + HistorySlotName(k);
  record.Question = reg_.ReadStringDef(s, "Question", "");
  record.CDIDs = ParseCDIDs(reg_.ReadStringDef(s, "CDIDs", ""));
  record.Texts = ParseTexts(reg_.ReadStringDef(s, "Texts", ""));
  record.Language = ParseCodes(reg_.ReadStringDef(s, "Language", ""));
  record.TKinds = ParseCodes(reg_.ReadStringDef(s, "TKinds", ""));
  const auto empty = EncodeDate(retrieval::DateBound{});
  record.Date1 = DecodeDate(reg_.ReadBinaryDef(s, "Date1", empty));
  record.Date2 = DecodeDate(reg_.ReadBinaryDef(s, "Date2", empty));
  record.Date3 = DecodeDate(reg_.ReadBinaryDef(s, "Date3", empty));
  record.UndMode = reg_.ReadIntegerDef(s, "UndMode", 0);
  record.WordDistance = reg_.ReadIntegerDef(s, "WordDistance", 20);
  record.FuzzyLevel = reg_.ReadIntegerDef(s, "FuzzyLevel", 0);
}

int SearchHistory::FindCD(const std::string& cdid) const {
  const TCRrecords& cds = cds_();
  for (size_t i = 0; i < cds.size(); ++i)
    if (SameCDID(cds[i].CDID, cdid)) return static_cast<int>(i);
  return -1;
}

TCDSelectArray SearchHistory::ParseCDIDs(const std::string& text) const {
  const TCRrecords& cds = cds_();
  std::vector<bool> listed(cds.size(), false);
  TCDSelectArray out;
  for (const auto& token : SplitBlanks(text)) {
    const int i = FindCD(token);
    // A CD named twice is listed once, so every catalogued CD appears exactly once.
    if (i < 0 || listed[i]) continue;
    listed[i] = true;
    out.push_back({cds[i].CDID, cds[i].Name.substr(0, kNameCapacity), true});
  }
  for (size_t i = 0; i < cds.size(); ++i)
    if (!listed[i]) out.push_back({cds[i].CDID, cds[i].Name.substr(0, kNameCapacity), false});
  return out;
}

TTextSelectArray SearchHistory::ParseTexts(const std::string& text) const {
  TTextSelectArray out;
  out.push_back({"0", 0, Tr({"alle", "all"}), false});
  for (const auto& token : SplitBlanks(text)) {
    const size_t colon = token.find(':');
    const std::string a = token.substr(0, colon);
    const std::string b = colon == std::string::npos ? "" : token.substr(colon + 1);
    if (a == "0" && b == "0") {
      out[0].Selected = true;
      continue;
    }
    const int i = FindCD(a);
    if (i < 0) continue;
    const std::string cdid = cds_()[i].CDID;
    const int32_t no = ParseInt32(b).value_or(-1);
    out.push_back({cdid, no, textName_(cdid, no).substr(0, kNameCapacity), true});
  }
  return out;
}

std::vector<uint8_t> SearchHistory::ParseCodes(const std::string& text) {
  std::vector<uint8_t> out;
  for (const auto& token : SplitBlanks(text)) {
    const int32_t v = ParseInt32(token).value_or(0);
    // A number that does not fit a code byte is as damaged as one that is no number.
    out.push_back(v >= 0 && v <= 255 ? static_cast<uint8_t>(v) : 0);
  }
  return out;
}

}  // namespace quillmar
