#include "online/inet_info.h"

#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>

#include "base/bytes.h"
#include "base/errors.h"

namespace quillmar {

namespace {

constexpr LangText kCannotRead{"Die Datei '%s' kann nicht gelesen werden.",
                               "Cannot read the file '%s'."};

// Field offsets and string capacities of a record.
constexpr size_t kIdAt = 0, kKindAt = 4, kMajorAt = 8, kMinorAt = 12;
constexpr size_t kCDIDAt = 40, kCDIDCap = 15;
constexpr size_t kCaptionAt = 56, kCaptionCap = 128;
constexpr size_t kTargetAt = 185, kTargetCap = 130;
constexpr size_t kExpiryAt = 316;

static_assert(kCDIDAt + 1 + kCDIDCap == kCaptionAt);
static_assert(kCaptionAt + 1 + kCaptionCap == kTargetAt);
static_assert(kTargetAt + 1 + kTargetCap == kExpiryAt);
static_assert(kExpiryAt + 8 == kINetInfoRecordSize);

double ReadFloat64(std::span<const uint8_t> record, size_t offset) {
  uint64_t bits = 0;
  for (size_t i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(record[offset + i]) << (8 * i);
  return std::bit_cast<double>(bits);
}

void WriteFloat64(std::span<uint8_t> record, size_t offset, double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  for (size_t i = 0; i < 8; ++i) record[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A host name, an IPv4 address or a bracketed IPv6 address, with an optional decimal port.
bool IsAuthority(std::string_view authority) {
  std::string_view host = authority;
  std::string_view port;
  if (!host.empty() && host.front() == '[') {
    const size_t close = host.find(']');
    if (close == std::string_view::npos) return false;
    for (char c : host.substr(1, close - 1))
      if (!IsDigit(c) && !IsLetter(c) && c != ':' && c != '.') return false;
    port = host.substr(close + 1);
    if (!port.empty() && port.front() != ':') return false;
    host = host.substr(0, close + 1);
    if (!port.empty()) port.remove_prefix(1);
  } else {
    const size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
      port = host.substr(colon + 1);
      host = host.substr(0, colon);
      if (port.empty()) return false;
    }
    for (char c : host)
      if (!IsDigit(c) && !IsLetter(c) && c != '.' && c != '-' && c != '_') return false;
  }
  if (host.empty() || host == "[]" || port.size() > 5) return false;
  for (char c : port)
    if (!IsDigit(c)) return false;
  return port.empty() || std::stoi(std::string(port)) <= 65535;
}

}  // namespace

TINetInfoRecord DecodeINetInfoRecord(const uint8_t* bytes) {
  const std::span<const uint8_t> record(bytes, kINetInfoRecordSize);
  TINetInfoRecord r;
  r.Id = ReadInt32(record, kIdAt);
  r.Kind = ReadInt32(record, kKindAt);
  r.Major = ReadInt32(record, kMajorAt);
  r.Minor = ReadInt32(record, kMinorAt);
  r.CDID = ReadShortString(record, kCDIDAt, kCDIDCap);
  r.Caption = ReadShortString(record, kCaptionAt, kCaptionCap);
  r.Target = ReadShortString(record, kTargetAt, kTargetCap);
  r.Expiry = ReadFloat64(record, kExpiryAt);
  return r;
}

std::string EncodeINetInfoRecord(const TINetInfoRecord& r) {
  std::vector<uint8_t> bytes(kINetInfoRecordSize, 0);
  const std::span<uint8_t> record(bytes);
  WriteInt32(record, kIdAt, r.Id);
  WriteInt32(record, kKindAt, r.Kind);
  WriteInt32(record, kMajorAt, r.Major);
  WriteInt32(record, kMinorAt, r.Minor);
  WriteShortString(record, kCDIDAt, kCDIDCap, r.CDID);
  WriteShortString(record, kCaptionAt, kCaptionCap, r.Caption);
  WriteShortString(record, kTargetAt, kTargetCap, r.Target);
  WriteFloat64(record, kExpiryAt, r.Expiry);
  return std::string(bytes.begin(), bytes.end());
}

void TINetInfo::LoadList(const std::string& fileName) {
  std::vector<TINetInfoRecord> records;
  std::error_code ec;
  if (std::filesystem::exists(fileName, ec)) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EInOutError(Format(Tr(kCannotRead), {fileName}));
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EInOutError(Format(Tr(kCannotRead), {fileName}));
    const size_t count = bytes.size() / kINetInfoRecordSize;
    records.reserve(count);
    for (size_t i = 0; i < count; ++i)
      records.push_back(DecodeINetInfoRecord(reinterpret_cast<const uint8_t*>(bytes.data()) +
                                             i * kINetInfoRecordSize));
  }
  const std::lock_guard guard(lock_);
  records_ = std::move(records);
}

size_t TINetInfo::Count() const {
  const std::lock_guard guard(lock_);
  return records_.size();
}

TINetInfoRecord TINetInfo::Item(size_t index) const {
  const std::lock_guard guard(lock_);
  return records_.at(index);
}

int TINetInfo::IndexOfId(int32_t id) const {
  const std::lock_guard guard(lock_);
  for (size_t i = records_.size(); i-- > 0;)
    if (records_[i].Id == id) return static_cast<int>(i);
  return -1;
}

bool IsListedKind(const TINetInfoRecord& record) {
  switch (record.Kind) {
    case kNewReader:
    case kWebPage:
    case kDocument:
    case kReaderDocument:
    case kCollectionDocument:
    case kCollectionPage:
    case kReaderPage:
      return true;
    default:
      return false;
  }
}

// Whole days: an entry that expires at any time of today is gone today. A NaN expiry compares
// false and is never current.
bool IsCurrent(const TINetInfoRecord& record, int32_t today) {
  return static_cast<double>(today) < std::floor(record.Expiry);
}

int32_t OleToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  using namespace std::chrono;
  const year_month_day date{year{local.tm_year + 1900},
                            month{static_cast<unsigned>(local.tm_mon + 1)},
                            day{static_cast<unsigned>(local.tm_mday)}};
  constexpr year_month_day epoch{year{1899}, December, day{30}};
  return static_cast<int32_t>((sys_days{date} - sys_days{epoch}).count());
}

bool IsListed(const TINetInfoRecord& r, const ListingContext& context) {
  switch (r.Kind) {
    case kNewReader:
      if (r.Major < context.major || (r.Major == context.major && r.Minor <= context.minor))
        return false;
      break;
    case kReaderDocument:
    case kReaderPage:
      if (r.Major != context.major || r.Minor != context.minor) return false;
      break;
    case kCollectionDocument:
    case kCollectionPage: {
      bool installed = false;
      for (const std::string& cdid : context.installed) installed |= SameCDID(cdid, r.CDID);
      if (!installed) return false;
      break;
    }
    default:
      break;
  }
  return IsListedKind(r) && IsCurrent(r, context.today);
}

OfferList ListOffers(const std::string& fileName, const ListingContext& context) {
  TINetInfo list;
  list.LoadList(fileName);
  OfferList offers;
  for (size_t i = 0; i < list.Count(); ++i) {
    TINetInfoRecord record = list.Item(i);
    if (record.Kind == kServiceNotice) {
      offers.notice = true;
      offers.entries.clear();
      std::error_code ec;
      std::filesystem::remove(fileName, ec);  // a list that stays is shown again; no harm
      return offers;
    }
    if (IsListed(record, context)) offers.entries.push_back(std::move(record));
  }
  return offers;
}

std::string WebAddress(std::string_view target) {
  const std::string trimmed = Trim(target);
  for (char c : trimmed)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
  std::string address;
  const size_t scheme_end = trimmed.find("://");
  if (scheme_end == std::string::npos) {
    // "name:" not followed by a port names another scheme (mailto:, javascript:, ...).
    const size_t colon = trimmed.find(':');
    if (colon != std::string::npos) {
      const size_t end = trimmed.find_first_of("/?#", colon);
      const std::string port =
          trimmed.substr(colon + 1, end == std::string::npos ? end : end - colon - 1);
      if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos) return {};
    }
    address = "http://" + trimmed;
  } else {
    const std::string scheme = LowerAscii(trimmed.substr(0, scheme_end));
    if (scheme != "http" && scheme != "https") return {};
    address = scheme + trimmed.substr(scheme_end);
  }
  const size_t host_begin = address.find("://") + 3;
  size_t host_end = address.find_first_of("/?#", host_begin);
  if (host_end == std::string::npos) host_end = address.size();
  std::string authority = address.substr(host_begin, host_end - host_begin);
  const size_t at = authority.rfind('@');
  const std::string user = at == std::string::npos ? "" : authority.substr(0, at + 1);
  const std::string host = LowerAscii(authority.substr(user.size()));
  if (!IsAuthority(host)) return {};
  return address.substr(0, host_begin) + user + host + address.substr(host_end);
}

std::string ReaderAgent(int32_t major, int32_t minor, bool automatic) {
  return "reader " + std::to_string(major) + "." + std::to_string(minor) +
         (automatic ? " auto" : "");
}

std::string ReferenceText(const std::vector<std::string>& installed) {
  std::string text;
  for (const std::string& cdid : installed) {
    text += ' ';
    for (char c : Trim(cdid))
      if (c > 0x20 && c < 0x7F) text += c;
  }
  return text;
}

std::string EntryFileName(int32_t id, bool installer) {
  return std::to_string(id) + (installer ? ".exe" : ".dat");
}

}  // namespace quillmar
