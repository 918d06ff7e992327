#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "retrieval/complex_query.h"

namespace quillmar::retrieval {

enum class SearchThreadState { kNotStarted = -2, kRunning = -1, kEnded = 0 };

// Runs one TKomplexAnfrage on a worker thread. Fill Anfrage() and add the collections, set the
// outcome handler, then Start. The handler runs on the worker thread when the search has ended
// (ReturnValue is kEnded by then); a GUI forwards it to its own thread. It must not destroy the
// TSuchThread. Exceptions of the search end up in Fehler/FehlerText.
class TSuchThread {
 public:
  TSuchThread(const SearchCatalog& katalog, PhoneticConversion* phonetik);
  ~TSuchThread();  // cancels and joins a running search

  void CDHinzufuegen(const std::string& cdId);  // once per identifier
  const std::vector<std::string>& CDs() const { return cds_; }
  TKomplexAnfrage& Anfrage() { return anfrage_; }

  std::function<void()> OnEnd;
  // Starts the worker; a second call does nothing (one search per thread).
  void Start();
  // Sets the query's cancel flag; the search ends after the current hit with Status 10.
  void KAFTerminate();
  // Waits for the worker to end (returns at once when called from the handler).
  void Wait();
  SearchThreadState ReturnValue() const { return return_value_.load(); }

  // The thread body, also usable without a thread (the command-line tool): runs the query over
  // CDs() and leaves Status, Ergebnis, Fehler and FehlerText in Anfrage(). Does not call OnEnd.
  void Execute();

 private:
  std::vector<std::string> cds_;
  TKomplexAnfrage anfrage_;
  std::thread thread_;
  std::atomic<SearchThreadState> return_value_{SearchThreadState::kNotStarted};
};

}  // namespace quillmar::retrieval
