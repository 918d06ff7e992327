#include "platform/lock_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/temp_dir.h"

namespace quillmar {
namespace {

using std::chrono::milliseconds;

TEST(LockFile, ExcludesASecondHolderUntilReleasedAndLeavesNoFile) {
  test::TempDir dir;
  const std::string path = dir.Sub("quillmar.ini.lock");
  LockFile first(path);
  ASSERT_TRUE(first.Lock(milliseconds(0)));
  LockFile second(path);
  EXPECT_FALSE(second.Lock(milliseconds(30)));

  // A waiting holder gets the lock as soon as the first lets go, also when the first removed the
  // file it waited on.
  std::thread releaser([&] {
    std::this_thread::sleep_for(milliseconds(50));
    first.Unlock();
  });
  EXPECT_TRUE(second.Lock(milliseconds(5000)));
  releaser.join();
  EXPECT_TRUE(std::filesystem::exists(path));
  LockFile third(path);
  EXPECT_FALSE(third.Lock(milliseconds(0)));
  second.Unlock();
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(third.Lock(milliseconds(0)));
}

TEST(LockFile, AFileLeftByAKilledHolderIsTakenAndAMissingDirectoryFails) {
  test::TempDir dir;
  const std::string path = dir.Sub("left.lock");
  test::WriteFile(path, "12345\nquillmar\nhost\n");
  LockFile lock(path);
  EXPECT_TRUE(lock.Lock(milliseconds(0)));

  LockFile nowhere(dir.Sub("missing/dir.lock"));
  EXPECT_FALSE(nowhere.Lock(milliseconds(100)));
}

}  // namespace
}  // namespace quillmar
