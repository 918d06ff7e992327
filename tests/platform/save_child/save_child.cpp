// Saves one kind of user file in an endless loop, each save a new generation, for the kill test
// (crash_safe_saves_test.cpp): the test kills this process at random moments and then checks
// that the file holds one generation, complete. "ready" goes to stdout after the first save.
//
//   quillmar_save_child settings FILE | bookmarks DIR | note DIR

#include <cstdio>
#include <string>
#include <vector>

#include "collection/bookmark.h"
#include "platform/atomic_file.h"
#include "platform/file_registry_store.h"

namespace {

using namespace quillmar;

// Generation k of a value: "k:" and a run of one letter whose length and letter follow from k,
// so a value cut short or mixed from two generations shows.
std::string Generation(int k) {
  return std::to_string(k) + ":" +
         std::string(3000 + static_cast<size_t>(k % 97) * 37, static_cast<char>('a' + k % 26));
}

void Ready(int k) {
  if (k == 1) {
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string kind = argv[1];
  const std::string where = argv[2];
  if (kind == "settings") {
    FileRegistryStore store(where);
    for (int k = 1;; ++k) {
      store.WriteString("Software\\Quillmar\\Test", "Value", Generation(k));
      Ready(k);
    }
  }
  AtomicFileWriter writer;
  TBookmark store(where, &writer);
  for (int k = 1;; ++k) {
    if (kind == "bookmarks") {
      while (store.Count() > 0) store.Delete(store.GetItem(0).Id);
      TBookmarkRecord record;
      record.Title = std::to_string(k);
      for (int i = 0; i < 1 + k % 40; ++i) store.Add(record);
      store.Save();
    } else if (kind == "note") {
      store.SaveNote(1, std::vector<std::string>(static_cast<size_t>(1 + k % 50), Generation(k)));
    } else {
      return 2;
    }
    Ready(k);
  }
}
