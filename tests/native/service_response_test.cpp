// The response reader without sockets: every response case fed whole, byte
// by byte and cut at every length, and the reader's pieces on their own.
#include <gtest/gtest.h>

#include <memory>

#include "service/HttpResponseReader.h"
#include "tests/native/support/HttpCases.h"
#include "tests/native/support/ScriptedSource.h"

namespace vantu::testing {
namespace {

Outcome ReadScripted(const Script& script, Feed feed, http::ResponseInfo* infoOut = nullptr) {
  ScriptedSource source(script, feed);
  http::ResponseInfo info;
  Outcome outcome = Capture([&](std::string& result) {
    return http::ReadResponse(source, kTestLimits, result, info);
  });
  if (infoOut) *infoOut = info;
  return outcome;
}

std::size_t ScriptBytes(const Script& script) {
  std::size_t total = 0;
  for (const Step& step : script) total += step.bytes.size();
  return total;
}

class ResponseCaseTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(ResponseCaseTest, FedWhole) {
  const ResponseCase& c = GetParam();
  ExpectOutcome(c, ReadScripted(c.script, {Feed::Mode::Whole}), "whole");
}

INSTANTIATE_TEST_SUITE_P(Responses, ResponseCaseTest, ::testing::ValuesIn(ResponseCases()),
                         [](const auto& info) { return info.param.name; });

// The large cases (megabytes) are fed whole and over loopback only.
std::vector<ResponseCase> SmallResponseCases() {
  std::vector<ResponseCase> small;
  for (const ResponseCase& c : ResponseCases()) {
    if (c.small) small.push_back(c);
  }
  return small;
}

class SmallResponseCaseTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(SmallResponseCaseTest, FedByteByByte) {
  const ResponseCase& c = GetParam();
  ExpectOutcome(c, ReadScripted(c.script, {Feed::Mode::ByteByByte}), "byte by byte");
}

TEST_P(SmallResponseCaseTest, CutAtEveryLength) {
  const ResponseCase& c = GetParam();
  for (std::size_t cut = 1; cut < ScriptBytes(c.script); ++cut) {
    ExpectOutcome(c, ReadScripted(c.script, {Feed::Mode::CutAt, cut}), "cut at " + std::to_string(cut));
    if (HasFailure()) return;  // one cut tells enough
  }
}

INSTANTIATE_TEST_SUITE_P(Responses, SmallResponseCaseTest, ::testing::ValuesIn(SmallResponseCases()),
                         [](const auto& info) { return info.param.name; });

// On the source's own clock the limits end the call exactly, however the
// bytes are cut.
class DeadlineCaseTest : public ::testing::TestWithParam<DeadlineCase> {};

TEST_P(DeadlineCaseTest, EndsExactlyAtItsLimit) {
  const DeadlineCase& c = GetParam();
  for (const Feed feed : {Feed{Feed::Mode::Whole}, Feed{Feed::Mode::ByteByByte}}) {
    ScriptedSource source(c.script, feed);
    const std::uint64_t start = source.NowMs();
    http::ResponseInfo info;
    const Outcome outcome = Capture([&](std::string& result) {
      return http::ReadResponse(source, kTestLimits, result, info);
    });
    const std::string how = feed.mode == Feed::Mode::Whole ? "whole" : "byte by byte";
    ExpectDeadlineOutcome(c, outcome, how);
    EXPECT_EQ(source.NowMs() - start, c.endsAtMs) << c.name << " (" << how << ")";
    EXPECT_FALSE(info.reusable) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Trickles, DeadlineCaseTest, ::testing::ValuesIn(DeadlineCases()),
                         [](const auto& info) { return info.param.name; });

// The limits the plug-in ships with, which every other case shortens.
TEST(ShippedLimits, SilenceEndsEachStageAtItsOwnLimit) {
  const struct {
    const char* name;
    Script script;
    std::uint64_t endsAtMs;
  } cases[] = {
      {"status_line_then_silence", {Send("HTTP/1.1 200 OK\r\n"), Hold()}, 15000},
      {"error_body_then_silence", {Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot"), Hold()},
       2000},
  };
  for (const auto& c : cases) {
    ScriptedSource source(c.script, {Feed::Mode::Whole});
    const std::uint64_t start = source.NowMs();
    http::ResponseInfo info;
    const Outcome outcome = Capture([&](std::string& result) {
      return http::ReadResponse(source, http::ReadLimits{}, result, info);
    });
    EXPECT_STREQ(FailureName(outcome.failure), FailureName(HttpFailure::ReadTimeout)) << c.name;
    EXPECT_EQ(outcome.result, "") << c.name;
    EXPECT_EQ(source.NowMs() - start, c.endsAtMs) << c.name;
  }
}

// Hands over one byte of a head that never ends, each a little after the
// wait it was given has run out, and keeps the waits it was asked for.
class LateSource final : public http::ByteSource {
 public:
  HttpExpected<std::size_t> Receive(char* buffer, std::size_t, unsigned timeoutMs) override {
    waits.push_back(timeoutMs);
    nowMs_ += timeoutMs + 5;
    buffer[0] = head_[sent_ % head_.size()];
    ++sent_;
    return 1;
  }
  std::uint64_t NowMs() const override { return nowMs_; }

  std::vector<unsigned> waits;

 private:
  const std::string head_ = "HTTP/1.1 200 OK\r\nX-A: ";
  std::size_t sent_ = 0;
  std::uint64_t nowMs_ = 1000;
};

TEST(Deadline, BytesThatComeAfterItEndTheCall) {
  LateSource source;
  http::ResponseInfo info;
  const Outcome outcome = Capture([&](std::string& result) {
    return http::ReadResponse(source, kTestLimits, result, info);
  });
  EXPECT_STREQ(FailureName(outcome.failure), FailureName(HttpFailure::ReadTimeout)) << outcome.message;
  EXPECT_EQ(outcome.result, "");
  ASSERT_EQ(source.waits.size(), 1u) << "asked for more after the deadline had passed";
  EXPECT_EQ(source.waits[0], kTestLimits.requestMs);
  EXPECT_FALSE(info.reusable) << "the rest of the answer would be read as the next one";
}

// What a response tells the client beyond its body.
struct InfoCase {
  const char* name;
  std::string response;
  bool offersBasic, closeRequested, reusable;
  std::vector<std::string> setCookies, setCookies2;
};

TEST(ResponseInfo, HeadersThatShapeTheNextRequest) {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n";
  const std::string denied = "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n";
  const InfoCase cases[] = {
      {"plain", ok + "\r\n", false, false, true, {}, {}},
      {"connection_close", ok + "Connection:  Close \r\n\r\n", false, true, true, {}, {}},
      {"proxy_connection_close", ok + "Proxy-Connection: close\r\n\r\n", false, true, true, {}, {}},
      {"connection_keep_alive", ok + "Connection: keep-alive\r\n\r\n", false, false, true, {}, {}},
      {"http_1_0_keeps_too", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", false, false, true, {}, {}},
      {"bytes_after_the_body", ok + "\r\nextra", false, false, false, {}, {}},
      {"status_204", "HTTP/1.1 204 No Content\r\n\r\n", false, false, true, {}, {}},
      // A 204 has no body: bytes behind it would be read as the next answer.
      {"bytes_after_a_204", "HTTP/1.1 204 No Content\r\n\r\nstray", false, false, false, {}, {}},
      {"body_to_close", "HTTP/1.1 200 OK\r\n\r\nabc", false, false, false, {}, {}},
      // The rest of a body cut at the cap would be read as the next answer.
      {"body_cut_at_the_cap", "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(2 * kMiB) + "\r\n\r\n" +
                                  std::string(kMiB + 10, 'x'),
       false, false, false, {}, {}},
      {"basic_offered", denied + "WWW-Authenticate: Basic realm=\"vantu\"\r\n\r\n", true, false, true, {}, {}},
      {"basic_among_others", denied + "WWW-Authenticate: Negotiate, basic realm=x\r\n\r\n", true, false, true, {}, {}},
      {"digest_only", denied + "WWW-Authenticate: Digest realm=\"a\", nonce=\"Basic\"\r\n\r\n", false, false,
       true, {}, {}},
      {"cookies", ok + "Set-Cookie: a=1\r\nset-cookie2: b=2, c=3\r\nSET-COOKIE: d=4;\r\n  Path=/\r\n\r\n", false,
       false, true, {"a=1", "d=4; Path=/"}, {"b=2, c=3"}},
  };
  for (const InfoCase& c : cases) {
    http::ResponseInfo info;
    const Script script{Send(c.response)};
    ReadScripted(script, {Feed::Mode::Whole}, &info);
    EXPECT_TRUE(info.headComplete) << c.name;
    EXPECT_EQ(info.offersBasic, c.offersBasic) << c.name;
    EXPECT_EQ(info.closeRequested, c.closeRequested) << c.name;
    EXPECT_EQ(info.reusable, c.reusable) << c.name;
    EXPECT_EQ(info.setCookies, c.setCookies) << c.name;
    EXPECT_EQ(info.setCookies2, c.setCookies2) << c.name;
  }
}

// Copies text into a block of exactly its size, so that ASan catches any
// read past the end.
std::unique_ptr<char[]> Exact(const std::string& text) {
  auto block = std::make_unique<char[]>(text.size());
  std::copy(text.begin(), text.end(), block.get());
  return block;
}

TEST(ReadLine, LineEndsAndLimits) {
  struct Case {
    const char* name;
    std::string input;
    long taken;
    std::string line;
  } cases[] = {
      {"crlf", "abc\r\nrest", 5, "abc"},
      {"lf", "abc\nrest", 4, "abc"},
      {"one_cr_removed", "abc\r\r\n", 6, "abc\r"},
      {"cr_inside_kept", "a\rb\n", 4, "a\rb"},
      {"empty_line", "\r\n", 2, ""},
      {"no_line_feed_yet", "abc\r", http::kNeedMore, ""},
      {"nothing", "", http::kNeedMore, ""},
      {"longest", std::string(16384, 'x') + "\r\n", 16386, std::string(16384, 'x')},
      {"one_too_long", std::string(16385, 'x') + "\n", http::kTooLong, ""},
      {"too_long_before_line_feed", std::string(16386, 'x'), http::kTooLong, ""},
  };
  for (const Case& c : cases) {
    const auto block = Exact(c.input);
    std::string_view line = "(untouched)";
    const long taken = http::ReadLine({block.get(), c.input.size()}, line);
    EXPECT_EQ(taken, c.taken) << c.name;
    if (taken > 0) {
      EXPECT_EQ(line, c.line) << c.name;
    }
  }
}

TEST(StatusCode, SecondWordAsDecimal) {
  const std::pair<const char*, int> cases[] = {
      {"HTTP/1.1 200 OK", 200}, {"HTTP/1.1 404", 404},        {"HTTP/1.0 302 Found", 302},
      {"HTTP/1.1 abc OK", -1},  {"HTTP/1.1  200 OK", -1},     {"HTTP/1.1", -1},
      {"HTTP/1.1 -5 x", -1},    {"HTTP/1.1 2x0 OK", -1},      {"HTTP/1.1 99999999999 OK", -1},
      {"", -1},                 {"garbage 100 Continue", 100},
  };
  for (const auto& [line, code] : cases) EXPECT_EQ(http::StatusCode(line), code) << line;
}

TEST(DecodeBody, NeverGrowsPastTheCap) {
  struct Case {
    const char* name;
    const char* contentLength;
    const char* transferEncoding;
    std::string input;
    std::string out;
    bool done;
  } cases[] = {
      {"length", "10", nullptr, "abcdefghijkl", "abcd", false},
      {"chunk", nullptr, "chunked", "FFFFFFFFFFFFFFFFFFFFFFFFF\r\nabcdefgh", "abcd", false},
      {"to_close", nullptr, nullptr, "abcdefgh", "abcd", false},
      {"length_within_cap", "3", nullptr, "abcdefgh", "abc", true},
      {"no_body", "0", nullptr, "abcdefgh", "", true},
  };
  for (const Case& c : cases) {
    const std::string length = c.contentLength ? c.contentLength : "";
    const std::string encoding = c.transferEncoding ? c.transferEncoding : "";
    http::BodyProgress progress =
        http::BodyFramingFor(c.contentLength ? &length : nullptr, c.transferEncoding ? &encoding : nullptr);
    std::string out;
    const auto block = Exact(c.input);
    const long used = http::DecodeBody({block.get(), c.input.size()}, progress, out, 4);
    EXPECT_GE(used, 0) << c.name;
    EXPECT_EQ(out, c.out) << c.name;
    EXPECT_EQ(progress.done, c.done) << c.name;
  }
}

}  // namespace
}  // namespace vantu::testing
