#include "text/print_file.h"

#include "collection/calderwick_data.h"
#include "collection/text_info.h"

namespace quillmar {

TPPFFile::TPPFFile(TCalderwickData& catalog, const std::string& cdid, int kind, int32_t textNr)
    : cdid_(cdid), text_info_(std::make_unique<TTextInfo>(&catalog.Prompts())) {
  if (kind < kText || kind > kScholia) return;
  kind_ = static_cast<uint8_t>(kind);
  if (!text_info_->Load(catalog.GetTextInfoFile(cdid))) return;
  if (textNr < 1 || textNr > 255 || textNr > text_info_->RecordCount()) return;
  text_info_->Select(textNr);
  if (text_info_->CurrentText() < 1) return;
  text_nr_ = static_cast<uint8_t>(text_info_->CurrentText());
  title_ = text_info_->Title();
  file_name_ = kind == kText        ? text_info_->GetLayer1DateiName()
               : kind == kFootnotes ? text_info_->GetLayer2DateiName()
                                    : text_info_->GetLayer3DateiName();
  valid_ = !file_name_.empty();
}

TPPFFile::TPPFFile(const std::string& fileName, const std::string& title)
    : file_name_(fileName), title_(title), valid_(true) {}

TPPFFile::~TPPFFile() = default;

std::string TPPFFile::HeaderText() const {
  if (!valid_) return {};
  if (!text_info_) return title_;
  return text_info_->GetLongTextName();
}

}  // namespace quillmar
