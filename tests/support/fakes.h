#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "system/drive_list.h"
#include "system/user_prompts.h"

namespace quillmar::test {

// Drives whose list the test sets.
class FakeDrives : public DriveList {
 public:
  std::vector<std::string> OpticalDrivesWithMedium() const override { return drives; }
  std::vector<std::string> drives;
};

// Answers prompts from a script (Cancel once it runs out) and records every message.
class ScriptedPrompts : public UserPrompts {
 public:
  PromptResult AskRetryCancel(const std::string& message) override {
    asked.push_back(message);
    if (on_ask) on_ask();
    if (answers.empty()) return PromptResult::kCancel;
    const PromptResult r = answers.front();
    answers.pop_front();
    return r;
  }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  void ShowInformation(const std::string& message) override { infos.push_back(message); }

  std::deque<PromptResult> answers;
  std::function<void()> on_ask;  // runs before each answer (e.g. "inserts the medium")
  std::vector<std::string> asked, errors, infos;
};

}  // namespace quillmar::test
