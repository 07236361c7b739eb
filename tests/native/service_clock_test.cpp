// The client's limits against a wall clock that is set back or forward in
// the middle of a call, as a time sync or a machine waking up does. This
// program replaces the C library's wall-clock readings (clock_gettime's
// CLOCK_REALTIME, gettimeofday, time) with ones it can move; whatever reads
// the wall clock sees the move, the monotonic clock does not.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/native/support/HttpCases.h"

namespace {

std::atomic<long long> wallClockShiftMs{0};

void Shift(timespec& now) {
  const long long shifted = now.tv_sec * 1000000000LL + now.tv_nsec + wallClockShiftMs.load() * 1000000LL;
  now.tv_sec = static_cast<time_t>(shifted / 1000000000LL);
  now.tv_nsec = static_cast<long>(shifted % 1000000000LL);
}

}  // namespace

extern "C" int clock_gettime(clockid_t clock, timespec* now) noexcept {
  const long status = syscall(SYS_clock_gettime, clock, now);
  if (status == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE)) Shift(*now);
  return static_cast<int>(status);
}

extern "C" int gettimeofday(timeval* now, void*) noexcept {
  timespec exact{};
  clock_gettime(CLOCK_REALTIME, &exact);
  now->tv_sec = exact.tv_sec;
  now->tv_usec = exact.tv_nsec / 1000;
  return 0;
}

extern "C" time_t time(time_t* now) noexcept {
  timespec exact{};
  clock_gettime(CLOCK_REALTIME, &exact);
  if (now) *now = exact.tv_sec;
  return exact.tv_sec;
}

namespace vantu::testing {
namespace {

constexpr long long kHourMs = 3600LL * 1000;

// Moves the wall clock by shiftMs once delayMs have passed; puts it back when
// it goes.
class WallClockMove {
 public:
  WallClockMove(long long shiftMs, unsigned delayMs)
      : thread_([=] {
          std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
          wallClockShiftMs = shiftMs;
        }) {}
  ~WallClockMove() {
    thread_.join();
    wallClockShiftMs = 0;
  }

 private:
  std::thread thread_;
};

TEST(WallClockSeam, MovesWhatTheWallClockReadersSee) {
  const auto before = std::chrono::system_clock::now();
  const time_t beforeSeconds = time(nullptr);
  {
    WallClockMove move(-kHourMs, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_LT(std::chrono::system_clock::now(), before - std::chrono::minutes(59));
    EXPECT_LT(time(nullptr), beforeSeconds - 59 * 60);
  }
  EXPECT_GE(std::chrono::system_clock::now(), before);
}

struct ClockMoveCase {
  const char* name;
  long long shiftMs;
};

const ClockMoveCase kMoves[] = {{"unmoved", 0}, {"set_back_an_hour", -kHourMs}, {"set_forward_an_hour", kHourMs}};

// 300 ms into the call the wall clock moves; the call still ends at its
// limit, with the message it gives unmoved.
TEST(WallClockMoves, ATricklingAnswerEndsAtTheLimit) {
  for (const ClockMoveCase& c : kMoves) {
    ScriptedServer server({{Send("HTTP/1.1 200 OK\r\n"), Repeat("a", 100)}});
    HttpClient client;
    client.SetReadLimits(kTestLimits);
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome;
    {
      WallClockMove move(c.shiftMs, 300);
      outcome = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/", result); });
    }
    const long long elapsed = MsSince(start);
    EXPECT_EQ(outcome.message, kTimeout) << c.name;
    EXPECT_GE(elapsed, kTestLimits.requestMs * 9 / 10) << c.name;
    EXPECT_LE(elapsed, kTestLimits.requestMs + 1000) << c.name;
  }
}

}  // namespace
}  // namespace vantu::testing
