#include "retrieval/search_thread.h"

#include <algorithm>
#include <exception>

namespace quillmar::retrieval {

TSuchThread::TSuchThread(const SearchCatalog& katalog, PhoneticConversion* phonetik)
    : anfrage_(katalog, phonetik) {}

TSuchThread::~TSuchThread() {
  KAFTerminate();
  Wait();
}

void TSuchThread::CDHinzufuegen(const std::string& cdId) {
  if (std::find(cds_.begin(), cds_.end(), cdId) == cds_.end()) cds_.push_back(cdId);
}

void TSuchThread::Start() {
  if (thread_.joinable() || return_value_.load() != SearchThreadState::kNotStarted)
    return;  // one search per thread
  return_value_.store(SearchThreadState::kRunning);
  thread_ = std::thread([this] {
    Execute();
    return_value_.store(SearchThreadState::kEnded);
    if (OnEnd) OnEnd();
  });
}

void TSuchThread::KAFTerminate() { anfrage_.Abbrechen.store(true); }

void TSuchThread::Wait() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TSuchThread::Execute() {
  return_value_.store(SearchThreadState::kRunning);
  anfrage_.CDs = cds_;
  try {
    anfrage_.Ausfuehren(anfrage_.Anfrage);
  } catch (const std::exception& e) {
    anfrage_.Fehler = true;
    anfrage_.FehlerText = e.what();
    anfrage_.Ergebnis.Leeren();  // a search that failed as a whole shows no hits
  } catch (...) {
    anfrage_.Fehler = true;
    anfrage_.FehlerText = "?";
    anfrage_.Ergebnis.Leeren();
  }
}

}  // namespace quillmar::retrieval
