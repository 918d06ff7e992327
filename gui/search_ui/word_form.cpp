// Placeholder so that the search form links; replaced by the word list browser's implementation.
#include "gui/search_ui/word_form.h"

namespace quillmar::gui {

struct TWortForm::Impl {
  TQueryLine line;
};

TWortForm::TWortForm(TCalderwickData&, const std::string&, QWidget* parent)
    : QDialog(parent), d_(std::make_unique<Impl>()) {}
TWortForm::~TWortForm() = default;
bool TWortForm::Verfuegbar() const { return false; }
void TWortForm::Positionieren(const TQueryLine& line) { d_->line = line; }
int TWortForm::Ergebnis() const { return 102; }
TQueryLine TWortForm::Line() const { return d_->line; }

}  // namespace quillmar::gui
