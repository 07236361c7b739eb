#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "reporting/RefusalHandoff.h"

namespace vantu {

namespace {

TEST(RefusalHandoff, AppliesEachRefusalOnceAndKeepsTheLatestText) {
  RefusalHandoff handoff;
  bool active = true;
  handoff.ApplyRefusalTo(active);
  EXPECT_TRUE(active) << "no refusal yet";
  EXPECT_EQ(handoff.PendingMessage(), "");

  handoff.Refuse("first");
  handoff.Refuse("second");
  EXPECT_EQ(handoff.PendingMessage(), "second");
  EXPECT_EQ(handoff.PendingMessage(), "second") << "reading does not clear";
  handoff.ApplyRefusalTo(active);
  EXPECT_FALSE(active);

  // The user switches reporting on again: the old refusal must not undo it.
  active = true;
  handoff.ApplyRefusalTo(active);
  EXPECT_TRUE(active);

  EXPECT_EQ(handoff.TakePendingMessage(), "second");
  EXPECT_EQ(handoff.TakePendingMessage(), "");
  EXPECT_EQ(handoff.PendingMessage(), "");
}

TEST(RefusalHandoff, ApplyNeverSwitchesReportingOn) {
  RefusalHandoff handoff;
  bool active = false;
  handoff.ApplyRefusalTo(active);
  EXPECT_FALSE(active);
}

TEST(RefusalHandoff, ClearForgetsTextAndUnappliedRefusal) {
  RefusalHandoff handoff;
  handoff.Refuse("late answer");
  handoff.Clear();
  bool active = true;
  handoff.ApplyRefusalTo(active);
  EXPECT_TRUE(active);
  EXPECT_EQ(handoff.PendingMessage(), "");
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
    handoff.ApplyRefusalTo(active);
    std::string seen = handoff.PendingMessage();
    if (!seen.empty() && !IsWholeWorkerText(seen)) ++tornTexts;
    seen = handoff.TakePendingMessage();
    if (!seen.empty() && !IsWholeWorkerText(seen)) ++tornTexts;
  }
  for (auto& thread : workers) thread.join();
  EXPECT_EQ(tornTexts, 0);

  // The text left over, if the reader did not take it, is the last one
  // written, which is some worker's final round; and it still switches
  // reporting off.
  std::string left = handoff.TakePendingMessage();
  if (!left.empty()) {
    EXPECT_EQ(left, WorkerText(left[0] - 'A', Rounds - 1));
    bool active = true;
    handoff.ApplyRefusalTo(active);
    EXPECT_FALSE(active);
  }
}

}  // namespace
}  // namespace vantu
