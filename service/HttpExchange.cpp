#include "service/HttpExchange.h"

#include <memory>

#include "service/HttpErrors.h"
#include "service/HttpResponseReader.h"

namespace vantu::http {
namespace {

constexpr std::size_t kReceiveChunk = 64 * 1024;

// Keeps the header lines of one head, with continuation lines folded in.
class HeaderCollector final : public HeadVisitor {
 public:
  std::string statusLine;
  std::vector<std::pair<std::string, std::string>> headers;

  void OnStatusLine(std::string_view line) override { statusLine.assign(line); }
  void OnHeader(std::string_view name, std::string_view value) override {
    headers.emplace_back(std::string(name), std::string(value));
  }
  void OnContinuation(std::string_view text) override {
    if (headers.empty()) return;
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
};

bool OffersBasic(std::string_view challenge) {
  // Schemes of one or more challenges: "Basic realm=x", "Digest ..., Basic".
  std::size_t start = 0;
  while (start <= challenge.size()) {
    std::size_t end = challenge.find(',', start);
    if (end == std::string_view::npos) end = challenge.size();
    std::string_view part = Trim(challenge.substr(start, end - start));
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

  void Run(std::string& result) {
    HeaderCollector head = ReadFinalHead();
    Absorb(head);
    const int code = info_.code;
    const std::string* location = head.First("Location");
    const bool redirect = (code / 100 == 3 && code != 304) || (location && !location->empty());
    const BodyProgress framing =
        BodyFramingFor(head.First("Content-Length"), head.First("Transfer-Encoding"));
    if (redirect || code < 200 || code > 299) {
      std::string body;
      ReadBody(framing, limits_.errorBodyWaitMs, body);
      throw EIdHTTPProtocolException(info_.statusLine, code, std::move(body));
    }
    if (code == 204) {
      if (!pending_.empty()) info_.reusable = false;
      return;
    }
    ReadBody(framing, limits_.waitMs, result);
  }

 private:
  HeaderCollector ReadFinalHead() {
    std::size_t interimBytes = 0;  // endless 100 responses count against the head's cap too
    for (;;) {
      HeaderCollector head;
      HeadProgress progress;
      long length;
      while ((length = ParseResponseHead(pending_, progress, head)) == kNeedMore) {
        if (Fill(limits_.waitMs)) continue;
        info_.reusable = false;
        if (!progress.headerLine) throw EIdConnClosedGracefully();
        const int code = StatusCode(head.statusLine);
        if (code >= 200 && code <= 299) throw EIdException("Undefined situation");
        throw EIdHTTPProtocolException(head.statusLine, code, {});
      }
      interimBytes += length > 0 ? static_cast<std::size_t>(length) : 0;
      if (length == kTooLong || interimBytes > kMaxHeadBytes) {
        info_.reusable = false;
        throw EIdReadLnMaxLineLengthExceeded();
      }
      pending_.erase(0, static_cast<std::size_t>(length));
      if (StatusCode(head.statusLine) != 100) return head;
    }
  }

  void Absorb(const HeaderCollector& head) {
    info_.headComplete = true;
    info_.statusLine = head.statusLine;
    info_.code = StatusCode(head.statusLine);
    for (const auto& [name, value] : head.headers) {
      if (EqualsNoCase(name, "Set-cookie")) info_.setCookies.push_back(value);
      if (EqualsNoCase(name, "Set-cookie2")) info_.setCookies2.push_back(value);
      if (EqualsNoCase(name, "WWW-Authenticate") && OffersBasic(value)) info_.offersBasic = true;
    }
    for (const char* name : {"Connection", "Proxy-Connection"}) {
      const std::string* value = head.First(name);
      if (value && EqualsNoCase(Trim(*value), "close")) info_.closeRequested = true;
    }
  }

  void ReadBody(BodyProgress progress, unsigned waitMs, std::string& out) {
    for (;;) {
      const long used = DecodeBody(pending_, progress, out, kMaxBodyBytes);
      if (used == kTooLong) {
        info_.reusable = false;
        throw EIdReadLnMaxLineLengthExceeded();
      }
      pending_.erase(0, static_cast<std::size_t>(used));
      if (progress.done) {
        if (!pending_.empty()) info_.reusable = false;
        return;
      }
      if (out.size() >= kMaxBodyBytes) {
        // Keep what fits and drop the rest together with the connection.
        info_.reusable = false;
        return;
      }
      if (Fill(waitMs)) continue;
      info_.reusable = false;
      if (progress.framing == BodyFraming::ToClose) return;
      throw EIdConnClosedGracefully();
    }
  }

  // Appends received bytes to pending_; false when the stream has ended.
  // Timeouts and failures are thrown.
  bool Fill(unsigned waitMs) {
    if (!chunk_) chunk_ = std::make_unique_for_overwrite<char[]>(kReceiveChunk);
    const ReceiveResult received = source_.Receive(chunk_.get(), kReceiveChunk, waitMs);
    switch (received.kind) {
      case ReceiveResult::Kind::Data:
        pending_.append(chunk_.get(), received.bytes);
        return true;
      case ReceiveResult::Kind::Closed:
        return false;
      case ReceiveResult::Kind::TimedOut:
        info_.reusable = false;
        throw EIdReadTimeout();
      case ReceiveResult::Kind::Failed:
        break;
    }
    info_.reusable = false;
    throw EIdSocketError(received.error);
  }

  ByteSource& source_;
  const ReadLimits& limits_;
  ResponseInfo& info_;
  std::string pending_;  // received and not yet used
  std::unique_ptr<char[]> chunk_;
};

}  // namespace

void ReadResponse(ByteSource& source, const ReadLimits& limits, std::string& result,
                  ResponseInfo& info) {
  Reader(source, limits, info).Run(result);
}

}  // namespace vantu::http
