#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "retrieval/complex_query.h"

namespace quillmar::retrieval {

// Runs one TKomplexAnfrage on a worker thread. Fill Anfrage() and add the collections, set the
// outcome handler, then Starten. The handler runs on the worker thread when the search has ended;
// a GUI forwards it to its own thread. Exceptions of the search end up in Fehler/FehlerText.
class TSuchThread {
 public:
  TSuchThread(const TSuchKatalog& katalog, PhoneticConversion* phonetik);
  ~TSuchThread();  // cancels and joins a running search

  void CDHinzufuegen(const std::string& cdId);  // once per identifier
  const std::vector<std::string>& CDs() const { return cds_; }
  TKomplexAnfrage& Anfrage() { return anfrage_; }

  std::function<void()> BeiEnde;
  void Starten();
  // Sets the query's cancel flag; the search ends after the current hit with Status 10.
  void KAFTerminate();
  void Warten();
  // -2 before the start, -1 while running, 0 after the end.
  int ReturnValue() const { return return_value_.load(); }

  // The thread body, also usable without a thread (the command-line tool).
  void Execute();

 private:
  std::vector<std::string> cds_;
  TKomplexAnfrage anfrage_;
  std::thread thread_;
  std::atomic<int> return_value_{-2};
};

}  // namespace quillmar::retrieval
