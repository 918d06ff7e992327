#include "collection/not_found.h"

#include "base/bytes.h"
#include "base/codepage.h"
#include "base/language.h"
#include "base/paths.h"

namespace quillmar {

namespace {
constexpr LangText kCaption{"Fehler", "Error"};
constexpr LangText kHint{"Möglicherweise ist keine CD-ROM im Laufwerk.",
                         "Maybe there is no CD-ROM in the drive."};
constexpr LangText kRetry{"&Wiederholen", "&Retry"};
constexpr LangText kCancel{"&Abbrechen", "&Cancel"};
constexpr LangText kCDNotFound{
    "Auf die CD-ROM '%s' im Verzeichnis '%s' kann nicht zugegriffen werden.",
    "Can't access the CD-ROM '%s' in directory '%s'."};
}  // namespace

std::string TNotFoundForm::FileNotFoundMessage(const std::string& name) {
  // The file as it is on disk, or the name looked for and the directory searched.
  return UnusableFileText(name);
}

std::string TNotFoundForm::CDNotFoundMessage(const std::string& name,
                                             const std::string& directory) {
  // The CD's name comes from its metadata (Windows-1252); the directory is a native path.
  return Format(Tr(kCDNotFound), {Cp1252ToUtf8(Trim(name)), Trim(directory)});
}

PromptResult TNotFoundForm::ShowFileNotFound(UserPrompts& prompts, const std::string& name) {
  return prompts.AskRetryCancel(FileNotFoundMessage(name));
}

PromptResult TNotFoundForm::ShowCDNotFound(UserPrompts& prompts, const std::string& name,
                                           const std::string& directory) {
  return prompts.AskRetryCancel(CDNotFoundMessage(name, directory));
}

const char* TNotFoundForm::Caption() { return Tr(kCaption); }
const char* TNotFoundForm::NoMediumHint() { return Tr(kHint); }
const char* TNotFoundForm::RetryLabel() { return Tr(kRetry); }
const char* TNotFoundForm::CancelLabel() { return Tr(kCancel); }

}  // namespace quillmar
