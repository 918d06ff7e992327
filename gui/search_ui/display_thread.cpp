#include "gui/search_ui/display_thread.h"

#include <utility>

namespace quillmar::gui {

TDarstellungsthread::TDarstellungsthread(retrieval::TFundstellenListe&& hits,
                                         std::shared_ptr<const retrieval::SearchCatalog> catalog,
                                         bool dateSearch,
                                         std::function<void(TZeilen&&, bool)> deliver)
    : catalog_(std::move(catalog)),
      rows_(*catalog_),
      dateSearch_(dateSearch),
      deliver_(std::move(deliver)) {
  hits_.Assign(hits);
}

TDarstellungsthread::~TDarstellungsthread() { Stop(); }

void TDarstellungsthread::Start() {
  if (state_.load() != State::kNotStarted) return;
  state_.store(State::kBuilding);
  thread_ = std::thread([this] { Ausfuehren(); });
}

void TDarstellungsthread::Stop() {
  stop_requested_.store(true);
  if (thread_.joinable()) thread_.join();
}

void TDarstellungsthread::Ausfuehren() {
  try {
    TZeilen stapel;
    stapel.reserve(kBatchSize);
    int32_t i = 0;
    for (const auto& hit : hits_.EntryList()) {
      if (stop_requested_.load()) break;
      current_.store(++i);
      stapel.push_back(rows_.Zeile(hit, dateSearch_));
      if (stapel.size() == kBatchSize) {
        deliver_(std::move(stapel), false);
        stapel = TZeilen();
        stapel.reserve(kBatchSize);
        std::this_thread::yield();  // the user-interface thread takes the batch
      }
    }
    if (!stop_requested_.load()) deliver_(std::move(stapel), true);
  } catch (...) {
    // out of memory while building rows: the list keeps the rows it has
    if (!stop_requested_.load()) deliver_(TZeilen(), true);
  }
  state_.store(State::kEnded);
}

}  // namespace quillmar::gui
