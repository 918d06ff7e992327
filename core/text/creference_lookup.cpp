#include "text/creference_lookup.h"

#include <span>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/paths.h"
#include "collection/fixed_record_file.h"
#include "retrieval/word_key.h"

namespace quillmar {

namespace {

// Where a record lies relative to the wanted key.
enum class Side { kBefore, kFound, kAfter };

Side Compare(std::string_view keyText, const std::string& wanted) {
  if (!keyText.empty() && keyText.front() == '*') return Side::kAfter;
  const std::string recordKey = KleinFalten(keyText.substr(0, keyText.find('*')));
  // An empty key would be a prefix of every wanted key; it sorts first and answers nothing.
  if (recordKey.empty()) return Side::kBefore;
  // std::string compares its bytes as unsigned values.
  if (wanted < recordKey) return Side::kAfter;
  if (wanted.compare(0, recordKey.size(), recordKey) == 0) return Side::kFound;
  return Side::kBefore;
}

}  // namespace

void TCReferenceLookUp::SetFile(const std::string& fileName) {
  if (file_.is_open()) file_.close();
  file_.clear();
  file_name_.clear();
  const auto resolved = ResolveExisting(fileName);
  if (!resolved || !FileExists(*resolved)) RaiseInternalError("RFU-SFN 001");
  if (!OpenForReading(file_, *resolved))
    throw EInOutError(FixedRecordFile::ReadErrorText(fileName));
  file_name_ = fileName;
}

int64_t TCReferenceLookUp::Middle(int64_t low, int64_t high) {
  const int64_t sum = low + high;
  if (sum % 2 == 0) return sum / 2;
  const int64_t below = (sum - 1) / 2;  // sum is odd: the two neighbours of sum / 2
  return below % 2 == 0 ? below : below + 1;
}

int64_t TCReferenceLookUp::RecordCount() {
  file_.clear();
  file_.seekg(0, std::ios::end);
  const std::streamoff size = file_.tellg();
  if (!file_ || size < 0) throw EInOutError(FixedRecordFile::ReadErrorText(file_name_));
  return static_cast<int64_t>(size) / static_cast<int64_t>(kRecordSize);
}

void TCReferenceLookUp::ReadRecord(int64_t index, std::array<uint8_t, kRecordSize>& out) {
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(index) * static_cast<std::streamoff>(kRecordSize));
  file_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(kRecordSize));
  if (!file_ || file_.gcount() != static_cast<std::streamsize>(kRecordSize)) {
    throw EInOutError(FixedRecordFile::ReadErrorText(file_name_));
  }
}

CrossReferenceRecord TCReferenceLookUp::LookUp(std::string_view key) {
  if (!file_.is_open()) RaiseInternalError("RLU-F 001");
  const std::string wanted = Normalisieren(key);
  CrossReferenceRecord result;
  if (wanted.empty()) return result;  // an empty key never matches

  std::array<uint8_t, kRecordSize> record{};
  int64_t low = -1;
  int64_t high = RecordCount();
  while (high - low >= 2) {
    const int64_t middle = Middle(low, high);
    ReadRecord(middle, record);
    const std::string keyText = ReadShortString(record, kKeyOffset, kTextCapacity);
    switch (Compare(keyText, wanted)) {
      case Side::kAfter:
        high = middle;
        break;
      case Side::kBefore:
        low = middle;
        break;
      case Side::kFound:
        result.KeyText = keyText;
        result.SecondText = ReadShortString(record, kSecondOffset, kTextCapacity);
        for (size_t k = 0; k < 3; ++k)
          result.Numbers[k] = ReadInt32(record, kNumbersOffset + 4 * k);
        result.Flag = record[kFlagOffset];
        return result;
    }
  }
  return result;
}

}  // namespace quillmar
