// Plays a script into the response reader without sockets. The bytes of each
// Send arrive as one chunk, or byte by byte, or with one more cut at a given
// offset of the stream. Time is the script's own: pauses and waits advance
// the source's clock at once, so deadlines are exact and cost nothing.
#pragma once

#include <algorithm>
#include <cstring>

#include "service/ByteSource.h"
#include "tests/native/support/Script.h"

namespace vantu::testing {

struct Feed {
  enum class Mode { Whole, ByteByByte, CutAt } mode;
  std::size_t cut = 0;  // for CutAt: the stream offset before which it is cut
};

class ScriptedSource final : public http::ByteSource {
 public:
  ScriptedSource(const Script& script, Feed feed) : script_(script), feed_(feed) {}

  HttpExpected<std::size_t> Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) override {
    while (step_ < script_.size()) {
      const Step& step = script_[step_];
      switch (step.kind) {
        case Step::Kind::Repeat:
          if (repeatedMs_ >= kRepeatSpanMs) break;
          if (offset_ == step.bytes.size()) {  // between two repeats
            if (step.ms >= timeoutMs) return Wait(timeoutMs);
            nowMs_ += step.ms;
            repeatedMs_ += step.ms;
            offset_ = 0;
          }
          return Deliver(step.bytes, buffer, capacity);
        case Step::Kind::Send:
          if (offset_ == step.bytes.size()) break;
          return Deliver(step.bytes, buffer, capacity);
        case Step::Kind::Pause:
          if (step.ms >= timeoutMs) return Wait(timeoutMs);
          nowMs_ += step.ms;
          break;
        case Step::Kind::HalfClose:
          return std::size_t{0};
        case Step::Kind::Reset:
          return HttpError::Socket(10054);
        case Step::Kind::Hold:
        case Step::Kind::ReadRequest:  // no second request comes within one exchange
        case Step::Kind::LeaveUnread:
          return Wait(timeoutMs);
      }
      ++step_;
      offset_ = 0;
      repeatedMs_ = 0;
    }
    return std::size_t{0};
  }

  std::uint64_t NowMs() const override { return nowMs_; }

 private:
  HttpError Wait(unsigned timeoutMs) {
    nowMs_ += timeoutMs;
    return HttpError(HttpFailure::ReadTimeout);
  }

  std::size_t Deliver(const std::string& bytes, char* buffer, std::size_t capacity) {
    std::size_t count = std::min(bytes.size() - offset_, capacity);
    if (feed_.mode == Feed::Mode::ByteByByte) count = 1;
    if (feed_.mode == Feed::Mode::CutAt && feed_.cut > streamed_) count = std::min(count, feed_.cut - streamed_);
    std::memcpy(buffer, bytes.data() + offset_, count);
    offset_ += count;
    streamed_ += count;
    return count;
  }

  const Script& script_;
  Feed feed_;
  std::size_t step_ = 0;
  std::size_t offset_ = 0;    // within the current Send or Repeat
  std::size_t streamed_ = 0;  // bytes delivered so far
  unsigned repeatedMs_ = 0;   // of the current Repeat
  std::uint64_t nowMs_ = 1000;
};

}  // namespace vantu::testing
