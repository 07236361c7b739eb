// What one hostile answer makes the client hold: every operator new of this
// program is counted, and the peak of live bytes during one HttpGetText over
// loopback must stay within the client's two 1 MiB buffers (header block and
// body) plus 2 MiB. Each header line once cost a pair of strings, so that
// 800 KB of "a:" lines held tens of MiB.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "service/HttpResponseReader.h"
#include "tests/native/support/HttpCases.h"

namespace {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

// Each block carries its size in front, so that a delete without one knows it.
constexpr std::size_t kPrefix = alignof(std::max_align_t);

void* Allocate(std::size_t size) {
  void* block = std::malloc(size + kPrefix);
  if (!block) return nullptr;
  *static_cast<std::size_t*>(block) = size;
  const std::size_t live = gLive.fetch_add(size) + size;
  std::size_t peak = gPeak.load();
  while (live > peak && !gPeak.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(block) + kPrefix;
}

void Release(void* pointer) {
  if (!pointer) return;
  void* block = static_cast<char*>(pointer) - kPrefix;
  gLive.fetch_sub(*static_cast<std::size_t*>(block));
  std::free(block);
}

void* AllocateOrThrow(std::size_t size) {
  if (void* pointer = Allocate(size)) return pointer;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }

namespace vantu::testing {
namespace {

constexpr std::size_t kAllowance = http::kMaxHeadBytes + http::kMaxBodyBytes + 2 * kMiB;

struct MemoryCase {
  const char* name;
  std::string answer;
};

std::vector<MemoryCase> MemoryCases() {
  const std::string ok = "HTTP/1.1 200 OK\r\n";
  const std::string body = "Content-Length: " + std::to_string(kMiB) + "\r\n\r\n" + std::string(kMiB, 'x');
  // Kept header lines as long and as many as the caps let through.
  const std::string cookies = Times(98, "Set-Cookie: " + std::string(10000, 'c') + "\r\n");
  const std::string folded = "Set-Cookie: a=b\r\n" + Times(98, " " + std::string(10000, 'c') + "\r\n");
  std::string interim;
  while (interim.size() <= kMiB) interim += "HTTP/1.1 100 Continue\r\n" + LongHeaderLine(16000) + "\r\n";
  return {
      {"header_flood", ok + Times(200000, "a:\r\n") + "\r\n"},
      {"cookie_lines_and_body", ok + cookies + body},
      {"continuation_lines_and_body", ok + folded + body},
      {"cookie_lines_and_error_body", "HTTP/1.1 404 Not Found\r\n" + cookies + body},
      {"interim_heads", interim + ok + "Content-Length: 0\r\n\r\n"},
      {"chunk_framing", ok + "Transfer-Encoding: chunked\r\n\r\n" + Times(70, kPaddedChunk)},
      {"largest_head_and_body", ok + Times(63, LongHeaderLine(16000)) + body},
  };
}

TEST(Memory, OneAnswerHoldsLittleBeyondTheBuffers) {
  for (const MemoryCase& c : MemoryCases()) {
    ScriptedServer server({{Send(c.answer), Hold()}});
    HttpClient client;
    client.SetReadLimits(kTestLimits);
    std::string result;
    const std::size_t before = gLive.load();
    gPeak.store(before);
    (void)HttpGetText(client, server.BaseUrl() + "/", result);  // error statuses count as much as successes
    const std::size_t held = gPeak.load() - before;
    std::printf("memory %s peak=%zu bytes\n", c.name, held);
    EXPECT_LE(held, kAllowance) << c.name;
    EXPECT_GT(held, 0u) << c.name << ": nothing counted";
  }
}

}  // namespace
}  // namespace vantu::testing
