#pragma once

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "system/registry_store.h"

namespace quillmar::test {

// Four threads write ten values each through `store` and read each back at once; `reloaded`
// (the same file opened afresh) must then hold all forty.
template <typename Reload>
void ExpectConcurrentWritersLoseNothing(RegistryStore& store, Reload reload) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&store, t] {
      const std::string key = "Software\\T" + std::to_string(t);
      for (int i = 0; i < 10; ++i) {
        store.WriteInteger(key, "V" + std::to_string(i), i);
        EXPECT_EQ(store.ReadInteger(key, "v" + std::to_string(i)), i);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const auto reloaded = reload();
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(reloaded->ValueNames("Software\\T" + std::to_string(t)).size(), 10u) << t;
}

}  // namespace quillmar::test
