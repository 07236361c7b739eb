#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "reporting/RefusalHandoff.h"

namespace vantu {

namespace {

using Text = RefusalHandoff::Text;

TEST(RefusalHandoff, AppliesEachRefusalOnceAndKeepsTheLatestText) {
  RefusalHandoff handoff;
  bool active = true;
  EXPECT_EQ(handoff.Look(active, Text::Leave), "");
  EXPECT_TRUE(active) << "no refusal yet";

  handoff.Refuse("first");
  handoff.Refuse("second");
  EXPECT_EQ(handoff.Look(active, Text::Leave), "second");
  EXPECT_FALSE(active);

  // The user switches reporting on again: the refusal already looked at
  // must not undo it, and its text still waits.
  active = true;
  EXPECT_EQ(handoff.Look(active, Text::Leave), "second") << "leaving does not clear";
  EXPECT_TRUE(active);

  EXPECT_EQ(handoff.Look(active, Text::Take), "second");
  EXPECT_EQ(handoff.Look(active, Text::Take), "");
  EXPECT_EQ(handoff.Look(active, Text::Leave), "");
  EXPECT_TRUE(active);
}

TEST(RefusalHandoff, TakingSwitchesReportingOffAsLeavingDoes) {
  RefusalHandoff handoff;
  handoff.Refuse("wrong password");
  bool active = true;
  EXPECT_EQ(handoff.Look(active, Text::Take), "wrong password");
  EXPECT_FALSE(active);
}

TEST(RefusalHandoff, NeverSwitchesReportingOn) {
  RefusalHandoff handoff;
  for (const Text text : {Text::Leave, Text::Take}) {
    bool active = false;
    EXPECT_EQ(handoff.Look(active, text), "");
    EXPECT_FALSE(active);
  }
}

TEST(RefusalHandoff, ClearForgetsTextAndUnappliedRefusal) {
  RefusalHandoff handoff;
  handoff.Refuse("late answer");
  handoff.Clear();
  bool active = true;
  EXPECT_EQ(handoff.Look(active, Text::Leave), "");
  EXPECT_TRUE(active);
}

TEST(RefusalHandoff, TheProcessWideInstanceIsOne) {
  EXPECT_EQ(&ProcessRefusalHandoff(), &ProcessRefusalHandoff());
}

// A refusal text that shows a torn read: one letter repeated, the letter
// naming the worker, long enough to span several cache lines.
std::string WorkerText(int worker, int round) {
  return std::string(200 + round % 50, static_cast<char>('A' + worker));
}

bool IsWholeWorkerText(const std::string& text) {
  return text.size() >= 200 && text.find_first_not_of(text[0]) == std::string::npos &&
         text[0] >= 'A' && text[0] < 'A' + 26;
}

// Many workers refusing at once while the UI thread applies, reads and takes,
// as ticks and the dialog do. Run under TSan to check the locking itself.
TEST(RefusalHandoff, ManyWorkersAndTheUiThreadAtOnce) {
  constexpr int Workers = 16;
  constexpr int Rounds = 500;
  RefusalHandoff handoff;
  std::atomic<int> running = Workers;
  std::vector<std::thread> workers;
  for (int worker = 0; worker < Workers; ++worker) {
    workers.emplace_back([&, worker] {
      for (int round = 0; round < Rounds; ++round) handoff.Refuse(WorkerText(worker, round));
      --running;
    });
  }

  int tornTexts = 0;
  while (running > 0) {
    bool active = true;
    std::string seen = handoff.Look(active, Text::Leave);
    if (!seen.empty() && !IsWholeWorkerText(seen)) ++tornTexts;
    seen = handoff.Look(active, Text::Take);
    if (!seen.empty() && !IsWholeWorkerText(seen)) ++tornTexts;
  }
  for (auto& thread : workers) thread.join();
  EXPECT_EQ(tornTexts, 0);

  // The text left over, if the reader did not take it, is the last one
  // written, which is some worker's final round; and it still switches
  // reporting off.
  bool active = true;
  const std::string left = handoff.Look(active, Text::Take);
  if (!left.empty()) {
    EXPECT_EQ(left, WorkerText(left[0] - 'A', Rounds - 1));
    EXPECT_FALSE(active);
  }
}

// The dialog's show takes the refusal while workers may still hand in more.
// A text it takes must come with Active switched off: were the two taken
// apart, a refusal arriving in between would be shown with Active still
// ticked, and the user's next OK would switch reporting on again.
TEST(RefusalHandoff, ATakenTextNeverComesWithActiveStillOn) {
  constexpr int Refusals = 200000;
  RefusalHandoff handoff;
  std::atomic<bool> done = false;
  std::thread worker([&] {
    for (int round = 0; round < Refusals; ++round) handoff.Refuse("refused");
    done = true;
  });
  int shownWithActiveOn = 0;
  int shown = 0;
  while (!done) {
    bool active = true;
    if (handoff.Look(active, Text::Take).empty()) continue;
    ++shown;
    if (active) ++shownWithActiveOn;
  }
  worker.join();
  EXPECT_GT(shown, 0);
  EXPECT_EQ(shownWithActiveOn, 0) << "of " << shown << " texts taken";
}

}  // namespace
}  // namespace vantu
