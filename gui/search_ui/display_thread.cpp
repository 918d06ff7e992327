#include "gui/search_ui/display_thread.h"

#include <utility>

namespace quillmar::gui {

TDarstellungsthread::TDarstellungsthread(retrieval::TFundstellenListe&& hits,
                                         std::shared_ptr<const retrieval::SearchCatalog> katalog,
                                         bool datumsSuche,
                                         std::function<void(TZeilen&&, bool)> abgeben)
    : katalog_(std::move(katalog)),
      zeilen_(*katalog_),
      datumsSuche_(datumsSuche),
      abgeben_(std::move(abgeben)) {
  hits_.Assign(hits);
}

TDarstellungsthread::~TDarstellungsthread() { Anhalten(); }

void TDarstellungsthread::Start() {
  if (zustand_.load() != State::kNotStarted) return;
  zustand_.store(State::kBuilding);
  thread_ = std::thread([this] { Ausfuehren(); });
}

void TDarstellungsthread::Anhalten() {
  anhalten_.store(true);
  if (thread_.joinable()) thread_.join();
}

void TDarstellungsthread::Ausfuehren() {
  try {
    TZeilen stapel;
    stapel.reserve(kStapel);
    int32_t i = 0;
    for (const auto& hit : hits_.EntryList()) {
      if (anhalten_.load()) break;
      aktuell_.store(++i);
      stapel.push_back(zeilen_.Zeile(hit, datumsSuche_));
      if (stapel.size() == kStapel) {
        abgeben_(std::move(stapel), false);
        stapel = TZeilen();
        stapel.reserve(kStapel);
        std::this_thread::yield();  // the user-interface thread takes the batch
      }
    }
    if (!anhalten_.load()) abgeben_(std::move(stapel), true);
  } catch (...) {
    // out of memory while building rows: the list keeps the rows it has
    if (!anhalten_.load()) abgeben_(TZeilen(), true);
  }
  zustand_.store(State::kEnded);
}

}  // namespace quillmar::gui
