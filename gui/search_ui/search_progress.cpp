// Placeholder so that the search form links; replaced by the progress dialog's implementation.
#include "gui/search_ui/search_progress.h"

#include <QCloseEvent>

#include "gui/app/window_services.h"

namespace quillmar::gui {

TSucheLauftForm::TSucheLauftForm(TAppContext& context, TWindowServices& services,
                                 std::shared_ptr<const retrieval::TSuchKatalog> katalog,
                                 QWidget* parent)
    : QDialog(parent),
      context_(context),
      services_(services),
      katalog_(std::move(katalog)),
      thread_(std::make_unique<retrieval::TSuchThread>(*katalog_, nullptr)) {}

TSucheLauftForm::~TSucheLauftForm() = default;

void TSucheLauftForm::Start() {}
void TSucheLauftForm::Cancel() {}
void TSucheLauftForm::closeEvent(QCloseEvent* event) { QDialog::closeEvent(event); }
void TSucheLauftForm::Completed() {}

}  // namespace quillmar::gui
