#include "service/HttpExchange.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>

#include "base/TextRules.h"
#include "service/HttpError.h"
#include "service/HttpResponseReader.h"

namespace vantu::http {
namespace {

constexpr std::size_t kReceiveChunk = 64 * 1024;

// The headers the client acts on; any other line is only counted.
constexpr std::string_view kReadHeaders[] = {"Location",   "Content-Length", "Transfer-Encoding",
                                             "Connection", "Proxy-Connection", "Set-cookie",
                                             "Set-cookie2", "WWW-Authenticate"};

// Room for extra more bytes in text, doubling but never past limit (unless
// the bytes themselves need it). The library's own growth would double past
// the limit, so that a capped buffer could hold up to twice its cap.
void MakeRoom(std::string& text, std::size_t extra, std::size_t limit) {
  const std::size_t wanted = text.size() + extra;
  if (wanted <= text.capacity()) return;
  std::string larger;
  larger.reserve(std::max(wanted, std::min(2 * text.capacity(), limit)));
  larger.append(text);
  text.swap(larger);
}

// Keeps the header lines the client reads, with continuation lines folded in.
class HeaderCollector final : public HeadVisitor {
 public:
  std::string statusLine;
  std::vector<std::pair<std::string, std::string>> headers;

  void OnStatusLine(std::string_view line) override { statusLine.assign(line); }
  void OnHeader(std::string_view name, std::string_view value) override {
    keeping_ = std::any_of(std::begin(kReadHeaders), std::end(kReadHeaders),
                           [&](std::string_view read) { return EqualsNoCase(name, read); });
    if (keeping_) headers.emplace_back(std::string(name), std::string(value));
  }
  void OnContinuation(std::string_view text) override {
    if (!keeping_) return;
    std::string& value = headers.back().second;
    if (!value.empty() && !text.empty()) value += ' ';
    value.append(text);
  }

  const std::string* First(std::string_view name) const {
    for (const auto& [key, value] : headers) {
      if (EqualsNoCase(key, name)) return &value;
    }
    return nullptr;
  }

 private:
  bool keeping_ = false;  // the last header line was kept
};

bool OffersBasic(std::string_view challenge) {
  // Schemes of one or more challenges: "Basic realm=x", "Digest ..., Basic".
  std::size_t start = 0;
  while (start <= challenge.size()) {
    std::size_t end = challenge.find(',', start);
    if (end == std::string_view::npos) end = challenge.size();
    std::string_view part = TrimBlanks(challenge.substr(start, end - start));
    part = part.substr(0, part.find(' '));
    if (EqualsNoCase(part, "Basic")) return true;
    start = end + 1;
  }
  return false;
}

class Reader {
 public:
  Reader(ByteSource& source, const ReadLimits& limits, ResponseInfo& info)
      : source_(source), limits_(limits), info_(info) {}

  HttpExpected<void> Run(std::string& result) {
    // Interim answers and the body included: bytes trickled in one at a time
    // must not hold the caller beyond this.
    const std::uint64_t responseEnd = source_.NowMs() + limits_.requestMs;
    HttpExpected<HeaderCollector> head = ReadFinalHead(responseEnd);
    if (!head) return head.Error();
    const int code = StatusCode(head->statusLine);
    const std::string* location = head->First("Location");
    const bool redirect = (code / 100 == 3 && code != 304) || (location && !location->empty());
    const BodyProgress framing =
        BodyFramingFor(head->First("Content-Length"), head->First("Transfer-Encoding"));
    RecordHead(*head);
    if (redirect || code < 200 || code > 299) {
      std::string body;
      if (auto read = ReadBody(framing, std::min(responseEnd, source_.NowMs() + limits_.errorBodyMs), body); !read) {
        return read.Error();
      }
      return HttpError::Protocol(info_.statusLine, code, std::move(body));
    }
    if (code == 204) {
      if (!pending_.empty()) info_.reusable = false;
      return {};
    }
    return ReadBody(framing, responseEnd, result);
  }

 private:
  enum class Fill { More, Ended };

  HttpExpected<HeaderCollector> ReadFinalHead(std::uint64_t deadline) {
    std::size_t interimBytes = 0;  // endless 100 responses count against the head's cap too
    for (;;) {
      HeaderCollector head;
      HeadProgress progress;
      long length;
      while ((length = ParseResponseHead(pending_, progress, head)) == kNeedMore) {
        if (pending_.size() >= kMaxHeadBytes) {
          length = kTooLong;  // the buffer is full and the head goes on
          break;
        }
        const HttpExpected<Fill> filled = FillPending(deadline);
        if (!filled) return filled.Error();
        if (*filled == Fill::More) continue;
        info_.reusable = false;
        if (progress.headerLines == 0) return HttpError(HttpFailure::ClosedGracefully);
        const int code = StatusCode(head.statusLine);
        if (code >= 200 && code <= 299) return HttpError(HttpFailure::SuccessHeadCutOff);
        return HttpError::Protocol(head.statusLine, code, {});
      }
      if (length == kTooManyLines) {
        info_.reusable = false;
        return HttpError(HttpFailure::TooManyHeaderLines);
      }
      interimBytes += length > 0 ? static_cast<std::size_t>(length) : 0;
      if (length == kTooLong || interimBytes > kMaxHeadBytes) {
        info_.reusable = false;
        return HttpError(HttpFailure::LineTooLong);
      }
      pending_.erase(0, static_cast<std::size_t>(length));
      if (StatusCode(head.statusLine) != 100) return head;
    }
  }

  // Fills info_ from the final head; takes the cookie values over rather
  // than copying them.
  void RecordHead(HeaderCollector& head) {
    info_.headComplete = true;
    info_.statusLine = head.statusLine;
    info_.code = StatusCode(head.statusLine);
    for (const char* name : {"Connection", "Proxy-Connection"}) {
      const std::string* value = head.First(name);
      if (value && EqualsNoCase(TrimBlanks(*value), "close")) info_.closeRequested = true;
    }
    for (auto& [name, value] : head.headers) {
      if (EqualsNoCase(name, "WWW-Authenticate") && OffersBasic(value)) info_.offersBasic = true;
      if (EqualsNoCase(name, "Set-cookie")) info_.setCookies.push_back(std::move(value));
      if (EqualsNoCase(name, "Set-cookie2")) info_.setCookies2.push_back(std::move(value));
    }
  }

  HttpExpected<void> ReadBody(BodyProgress progress, std::uint64_t deadline, std::string& out) {
    // A known length gets its room at once rather than by doubling and copying.
    if (progress.framing == BodyFraming::Length) {
      MakeRoom(out, static_cast<std::size_t>(std::min<std::uint64_t>(progress.remaining, kMaxBodyBytes)),
               kMaxBodyBytes);
    }
    for (;;) {
      MakeRoom(out, std::min(pending_.size(), kMaxBodyBytes - std::min(out.size(), kMaxBodyBytes)),
               kMaxBodyBytes);
      const long used = DecodeBody(pending_, progress, out, kMaxBodyBytes);
      if (used == kTooLong) {
        info_.reusable = false;
        return HttpError(HttpFailure::LineTooLong);
      }
      pending_.erase(0, static_cast<std::size_t>(used));
      if (progress.done) {
        if (!pending_.empty()) info_.reusable = false;
        return {};
      }
      if (out.size() >= kMaxBodyBytes || progress.skipped >= kMaxBodyBytes) {
        // Keep what fits and drop the rest together with the connection.
        info_.reusable = false;
        return {};
      }
      const HttpExpected<Fill> filled = FillPending(deadline);
      if (!filled) return filled.Error();
      if (*filled == Fill::More) continue;
      info_.reusable = false;
      if (progress.framing == BodyFraming::ToClose) return {};
      return HttpError(HttpFailure::ClosedGracefully);
    }
  }

  // Appends received bytes to pending_; Ended when the stream has ended.
  // The wait is what is left until deadline, and none once it has passed.
  HttpExpected<Fill> FillPending(std::uint64_t deadline) {
    const std::uint64_t now = source_.NowMs();
    if (now >= deadline) {
      info_.reusable = false;
      return HttpError(HttpFailure::ReadTimeout);
    }
    if (!chunk_) chunk_ = std::make_unique_for_overwrite<char[]>(kReceiveChunk);
    // pending_ stays within kMaxHeadBytes: a whole head fits, and the body's
    // bytes leave it as they come.
    const std::size_t room = std::min(kReceiveChunk, kMaxHeadBytes - std::min(pending_.size(), kMaxHeadBytes));
    const HttpExpected<std::size_t> received =
        source_.Receive(chunk_.get(), std::max<std::size_t>(room, 1), static_cast<unsigned>(deadline - now));
    if (!received) {
      info_.reusable = false;  // timed out or failed mid-message
      return received.Error();
    }
    if (*received == 0) return Fill::Ended;
    MakeRoom(pending_, *received, kMaxHeadBytes);
    pending_.append(chunk_.get(), *received);
    return Fill::More;
  }

  ByteSource& source_;
  const ReadLimits& limits_;
  ResponseInfo& info_;
  std::string pending_;  // received and not yet used
  std::unique_ptr<char[]> chunk_;
};

}  // namespace

HttpExpected<void> ReadResponse(ByteSource& source, const ReadLimits& limits, std::string& result,
                                ResponseInfo& info) {
  result.clear();
  return Reader(source, limits, info).Run(result);
}

}  // namespace vantu::http
