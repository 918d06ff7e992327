// The user's files survive a crash in the middle of a save and a full disk: a child process saves
// one kind of file in a loop and is killed (SIGKILL) at random moments; after every kill the file
// must hold one generation, complete.

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "collection/bookmark.h"
#include "platform/atomic_file.h"
#include "platform/file_registry_store.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace quillmar {
namespace {

constexpr int kKills = 100;

// The generation a value of the child's Generation(k) holds, or -1 when it is not one whole.
int GenerationOf(const std::string& value) {
  const size_t colon = value.find(':');
  if (colon == std::string::npos || colon == 0) return -1;
  const int k = std::stoi(value.substr(0, colon));
  const std::string expected =
      std::to_string(k) + ":" +
      std::string(3000 + static_cast<size_t>(k % 97) * 37, static_cast<char>('a' + k % 26));
  return value == expected ? k : -1;
}

// Runs the child on `where` and kills it `kKills` times at random moments after its first save,
// calling `check` after every kill.
template <typename Check>
void KillRepeatedly(const char* kind, const std::string& where, Check check) {
  std::mt19937 random(20261207);  // fixed: the same moments in every run
  std::uniform_int_distribution<int> pause_us(0, 4000);
  for (int i = 0; i < kKills; ++i) {
    QProcess child;
    child.start(QUILLMAR_SAVE_CHILD_PATH, {kind, QString::fromStdString(where)});
    ASSERT_TRUE(child.waitForStarted(-1));
    while (!child.canReadLine() && child.state() == QProcess::Running) child.waitForReadyRead(-1);
    ASSERT_EQ(child.readLine(), "ready\n") << child.readAllStandardError().toStdString();
    std::this_thread::sleep_for(std::chrono::microseconds(pause_us(random)));
    child.kill();
    child.waitForFinished(-1);
    check(i);
  }
}

TEST(CrashSafeSaves, KilledWhileSavingTheSettingsLeavesOneWholeGeneration) {
  test::TempDir dir;
  const std::string path = dir.Sub("config/quillmar.ini");
  KillRepeatedly("settings", path, [&](int i) {
    FileRegistryStore store(path);  // a fresh reader of what is on disk
    const auto value = store.ReadString("Software\\Quillmar\\Test", "Value");
    ASSERT_TRUE(value.has_value()) << "kill " << i;
    EXPECT_GE(GenerationOf(*value), 1) << "kill " << i;
  });
}

TEST(CrashSafeSaves, KilledWhileSavingBookmarksOrANoteLeavesOneWholeGeneration) {
  test::TempDir dir;
  KillRepeatedly("bookmarks", dir.path(), [&](int i) {
    TBookmark store(dir.path());
    ASSERT_EQ(store.LoadError(), "") << "kill " << i;
    ASSERT_GE(store.Count(), 1) << "kill " << i;
    const int k = std::stoi(store.GetItem(0).Title);
    EXPECT_EQ(store.Count(), 1 + k % 40) << "kill " << i;
    for (int32_t n = 0; n < store.Count(); ++n)
      EXPECT_EQ(store.GetItem(n).Title, std::to_string(k)) << "kill " << i;
  });
  KillRepeatedly("note", dir.path(), [&](int i) {
    const std::vector<std::string> lines = TBookmark(dir.path()).LoadNote(1);
    ASSERT_FALSE(lines.empty()) << "kill " << i;
    const int k = GenerationOf(lines[0]);
    ASSERT_GE(k, 1) << "kill " << i;
    EXPECT_EQ(lines, std::vector<std::string>(static_cast<size_t>(1 + k % 50), lines[0]))
        << "kill " << i;
  });
}

#ifndef _WIN32

// A full disk, as the system reports it to a writer: files beyond the cap cannot grow.
TEST(CrashSafeSaves, AFullDiskKeepsTheOldBookmarksAndNoteAndSaysSo) {
  test::TempDir dir;
  AtomicFileWriter writer;
  TBookmark store(dir.path(), &writer);
  TBookmarkRecord record;
  record.Title = "kept";
  store.Add(record);
  store.Save();
  store.SaveNote(1, {"old note"});
  const std::string bookmarks = test::ReadFile(store.FileName());
  record.Title = "lost";
  for (int i = 0; i < 20; ++i) store.Add(record);
  {
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit capped = old;
    capped.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &capped);
    EXPECT_THROW(store.Save(), EInOutError);
    try {
      store.SaveNote(1, {std::string(5000, 'n')});
      ADD_FAILURE() << "a note beyond the cap must not be saved";
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()), "Error writing the file '" + store.NoteFileName(1) + "'.");
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
  }
  EXPECT_EQ(test::ReadFile(store.FileName()), bookmarks);
  EXPECT_EQ(store.LoadNote(1), std::vector<std::string>{"old note"});
  EXPECT_TRUE(store.Modified());  // still to be saved once there is room
  store.Save();
  EXPECT_EQ(TBookmark(dir.path()).Count(), 21);
}

#endif  // _WIN32

}  // namespace
}  // namespace quillmar
