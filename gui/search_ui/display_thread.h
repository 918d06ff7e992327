#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "retrieval/hit_list.h"
#include "retrieval/search_catalog.h"
#include "search_ui/result_rows.h"

namespace quillmar::gui {

// Builds the rows of a result list on a worker thread. It owns its hit list and its row builder
// (with the builder's text catalogs), so the search's objects can go independently. Rows are
// handed out in batches, in list order, through `deliver`, which runs on the worker and must
// only post them to the user-interface thread; the last call (possibly with no rows) says so,
// unless the worker was stopped. Stopping is cooperative: the flag is checked between rows.
class TDarstellungsthread {
 public:
  using TZeilen = std::vector<search_ui::ResultRow>;
  // The worker's life: not started yet, building rows, ended (all rows handed out, stopped, or
  // failed).
  enum class State { kNotStarted, kBuilding, kEnded };
  static constexpr size_t kBatchSize = 256;  // rows per batch

  // `catalog` names each collection's text catalog and date values; shared with the list.
  TDarstellungsthread(retrieval::TFundstellenListe&& hits,
                      std::shared_ptr<const retrieval::SearchCatalog> catalog, bool dateSearch,
                      std::function<void(TZeilen&&, bool last)> deliver);
  ~TDarstellungsthread();  // stops and joins
  TDarstellungsthread(const TDarstellungsthread&) = delete;
  TDarstellungsthread& operator=(const TDarstellungsthread&) = delete;

  // Starts the worker; a second call does nothing.
  void Start();
  // Asks the worker to stop and waits for it.
  void Stop();
  bool StopRequested() const { return stop_requested_.load(); }
  State CurrentState() const { return state_.load(); }
  // 1-based number of the row being built (0 before the first).
  int32_t CurrentRow() const { return current_.load(); }

 private:
  void Ausfuehren();

  retrieval::TFundstellenListe hits_;
  std::shared_ptr<const retrieval::SearchCatalog> catalog_;
  search_ui::ResultRows rows_;
  bool dateSearch_;
  std::function<void(TZeilen&&, bool last)> deliver_;
  std::atomic<bool> stop_requested_{false};
  std::atomic<State> state_{State::kNotStarted};
  std::atomic<int32_t> current_{0};
  std::thread thread_;
};

}  // namespace quillmar::gui
