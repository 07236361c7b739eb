// The request and response cases of the HTTP client, shared by the native
// tests (pure reader and POSIX loopback) and the Winsock tests under Wine.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "service/HttpClient.h"
#include "service/HttpExchange.h"
#include "tests/native/support/ScriptedServer.h"

namespace vantu::testing {

using namespace std::string_literals;

// Short limits so that stalled servers are quick to test; the pauses below
// are well inside or well beyond them.
inline constexpr http::ReadLimits kTestLimits{.requestMs = 1500, .errorBodyMs = 300};
inline constexpr unsigned kShortPause = 50;
inline constexpr unsigned kStall = 700;

inline constexpr std::size_t kMiB = 1024 * 1024;

// Wall time of a loopback case, on the test program's own steady clock.
inline long long MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

inline std::string RequestBytes(const std::string& target, const std::string& host,
                                const std::string& extraLines = "") {
  return "GET " + target + " HTTP/1.1\r\n"
         "Content-Type: text/html\r\n"
         "Host: " + host + "\r\n"
         "Accept: text/html, */*\r\n"
         "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" +
         extraLines + "\r\n";
}

struct RequestCase {
  const char* name;
  std::string pathAndQuery;  // appended to "http://" and the server's authority
  std::string target;        // what the request line must carry
};

inline const std::vector<RequestCase>& RequestCases() {
  static const std::vector<RequestCase> cases = {
      {"verify", "/verify_user.php?version=110&username=bob&password=secret",
       "/verify_user.php?version=110&username=bob&password=secret"},
      {"escaped_space_not_escaped_again",
       "/listen_in.php?version=110&username=a%20b&password=p&artist=AC/DC&song=T.N.T.",
       "/listen_in.php?version=110&username=a%20b&password=p&artist=AC/DC&song=T.N.T."},
      {"raw_space_escaped", "/verify_user.php?version=110&username=a b&password=x",
       "/verify_user.php?version=110&username=a%20b&password=x"},
      {"crlf_cannot_inject_header", "/listen_in.php?artist=X\r\nX-Evil: 1&song=Y",
       "/listen_in.php?artist=X%0D%0AX-Evil:%201&song=Y"},
      {"control_bytes_and_del", "/p?a=\x01\t\x1f\x7f"s + "\0z"s, "/p?a=%01%09%1F%7F%00z"},
      {"fragment_cut_in_artist", "/listen_in.php?version=110&artist=A#B&song=C",
       "/listen_in.php?version=110&artist=A"},
      {"fragment_drops_password", "/verify_user.php?version=110&username=a#b&password=c",
       "/verify_user.php?version=110&username=a"},
      {"backslash_becomes_slash", "/listen_in.php?song=AC\\DC", "/listen_in.php?song=AC/DC"},
      {"high_bytes_unchanged", "/p?t=\xE9\xFC\x80\xFF", "/p?t=\xE9\xFC\x80\xFF"},
      {"query_punctuation_unchanged", "/p?password=a&b=c+d%?e", "/p?password=a&b=c+d%?e"},
      {"no_path", "", "/"},
      {"query_without_path", "?x=1", "/?x=1"},
  };
  return cases;
}

// How a call ended: with the failure it returned, or none.
using Failure = std::optional<HttpFailure>;

inline const char* FailureName(Failure failure) {
  if (!failure) return "none";
  switch (*failure) {
    case HttpFailure::Protocol: return "Protocol";
    case HttpFailure::Socket: return "Socket";
    case HttpFailure::ClosedGracefully: return "ClosedGracefully";
    case HttpFailure::ReadTimeout: return "ReadTimeout";
    case HttpFailure::LineTooLong: return "LineTooLong";
    case HttpFailure::TooManyHeaderLines: return "TooManyHeaderLines";
    case HttpFailure::HttpsUnsupported: return "HttpsUnsupported";
    case HttpFailure::UnknownProtocol: return "UnknownProtocol";
    case HttpFailure::SuccessHeadCutOff: return "SuccessHeadCutOff";
  }
  return "?";
}

inline const std::string kClosed = "Die Verbindung wurde erfolgreich geschlossen.";
inline const std::string kTimeout = "Zeit\xFC" "berschreitung beim Lesen";
inline const std::string kTooLong = "Max. Zeilenl\xE4nge \xFC" "berschritten.";
inline const std::string kTooManyLines = "Max. Anzahl Kopfzeilen \xFC" "berschritten.";
inline const std::string kReset = "Socket-Fehler # 10054\r\nDie Verbindung wurde von Peer zur\xFC" "ckgesetzt.";

struct Outcome {
  std::string result;
  Failure failure;
  std::string message;
  std::string errorBody;
  int code = 0;  // status code or socket error number
};

inline Outcome Capture(const std::function<HttpExpected<void>(std::string&)>& call) {
  Outcome outcome;
  outcome.result = "(pre-filled)";  // a call that never touches result shows up
  const HttpExpected<void> done = call(outcome.result);
  if (!done) {
    const HttpError& e = done.Error();
    const int code = e.Failure() == HttpFailure::Socket ? e.SocketError() : e.StatusCode();
    outcome = {outcome.result, e.Failure(), e.Message(), e.ErrorBody(), code};
  }
  return outcome;
}

struct ResponseCase {
  std::string name;
  Script script;  // the server's answer, after it has read the request
  std::string result;
  Failure failure;
  std::string message;    // exact Message() when failing
  std::string errorBody;  // of a protocol error
  bool small = true;      // cheap enough to feed byte by byte and cut everywhere
};

// gtest shows a case by its name rather than its bytes.
inline void PrintTo(const ResponseCase& c, std::ostream* os) { *os << c.name; }

// Success with this body.
inline ResponseCase Ok(std::string name, Script script, std::string result) {
  return {std::move(name), std::move(script), std::move(result), std::nullopt, {}, {}};
}
inline ResponseCase Fails(std::string name, Script script, HttpFailure failure, std::string message,
                          std::string result = {}, std::string errorBody = {}) {
  return {std::move(name), std::move(script), std::move(result), failure, std::move(message),
          std::move(errorBody)};
}
inline ResponseCase Large(ResponseCase c) {
  c.small = false;
  return c;
}

inline std::string LongHeaderLine(std::size_t length) {
  return "X-Long: " + std::string(length - 8, 'a') + "\r\n";
}

inline std::string Times(std::size_t count, const std::string& text) {
  std::string all;
  for (std::size_t i = 0; i < count; ++i) all += text;
  return all;
}

// One chunk of one byte behind a size line padded to nearly the longest line.
inline const std::string kPaddedChunk = "1 " + std::string(16000, ' ') + "\r\nx\r\n";

inline const std::vector<ResponseCase>& ResponseCases() {
  static const std::vector<ResponseCase> cases = [] {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string notFound = "HTTP/1.1 404 Not Found\r\n";
    std::string bigHead = ok;
    while (bigHead.size() <= kMiB) bigHead += LongHeaderLine(16000);
    std::string endlessInterim;
    while (endlessInterim.size() <= kMiB) endlessInterim += "HTTP/1.1 100 Continue\r\n" + LongHeaderLine(1000) + "\r\n";
    return std::vector<ResponseCase>{
        // Bodies of 2xx answers and how their length is found.
        Ok("content_length", {Send(ok + "Content-Length: 5\r\n\r\nhello")}, "hello"),
        Ok("body_bytes_unchanged", {Send(ok + "Content-Length: 6\r\n\r\n\xE4\0\xFF\r\n\x7F"s)},
           "\xE4\0\xFF\r\n\x7F"s),
        Ok("status_201", {Send("HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok")}, "ok"),
        Ok("content_length_zero_does_not_wait", {Send(ok + "Content-Length: 0\r\n\r\n"), Hold()}, ""),
        Ok("empty_body_to_close", {Send(ok + "Server: x\r\n\r\n")}, ""),
        Ok("body_to_half_close", {Send(ok + "Server: x\r\n\r\nabc"), HalfClose(), Hold()}, "abc"),
        Ok("status_204_reads_nothing", {Send("HTTP/1.1 204 No Content\r\nServer: x\r\n\r\n"), Hold()}, ""),
        Ok("interim_100_skipped",
           {Send("HTTP/1.1 100 Continue\r\nX-A: b\r\n\r\n"), Pause(kShortPause),
            Send(ok + "Content-Length: 2\r\n\r\nok")},
           "ok"),
        Ok("chunked", {Send(ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"), Hold()},
           "hello world"),
        Ok("chunk_size_read_up_to_space", {Send(ok + "Transfer-Encoding: chunked\r\n\r\n5 ext\r\nhello\r\n0\r\n\r\n"), Hold()},
           "hello"),
        Ok("chunk_size_not_hex_counts_as_zero",
           {Send(ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\n\r\nrest"), Hold()}, "hello"),
        Ok("upper_case_chunked_is_read_to_close",
           {Send(ok + "Transfer-Encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n")}, "3\r\nabc\r\n0\r\n\r\n"),
        Ok("content_length_before_chunked",
           {Send(ok + "Content-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\nabc"), Hold()}, "abc"),
        Ok("content_length_zero_yields_to_chunked",
           {Send(ok + "Content-Length: 0\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"), Hold()}, "abc"),
        Ok("content_length_negative_reads_to_close", {Send(ok + "Content-Length: -1\r\n\r\nabc")}, "abc"),
        Ok("content_length_not_a_number_reads_to_close", {Send(ok + "Content-Length: 2x\r\n\r\nabc")}, "abc"),
        Ok("content_length_trimmed", {Send(ok + "Content-Length:   3  \r\n\r\nabc"), Hold()}, "abc"),
        Ok("header_names_any_case", {Send(ok + "content-LENGTH: 3\r\n\r\nabc"), Hold()}, "abc"),
        Ok("bare_line_feeds", {Send("HTTP/1.1 200 OK\nContent-Length: 2\n\nok"), Hold()}, "ok"),
        Ok("empty_location_is_no_redirect", {Send(ok + "Location:  \r\nContent-Length: 2\r\n\r\nok")}, "ok"),
        Ok("pauses_inside_body", {Send(ok + "Content-Length: 4\r\n\r\nab"), Pause(kStall), Send("cd"), Hold()},
           "abcd"),
        Ok("longest_line", {Send(ok + LongHeaderLine(16384) + "Content-Length: 2\r\n\r\nok")}, "ok"),
        // A folded line belongs to the header above it, and goes where that one goes.
        Ok("fold_of_a_dropped_header_stays_out_of_a_kept_one",
           {Send(ok + "Content-Length: 2\r\nX-A: b\r\n c\r\n\r\nok"), Hold()}, "ok"),
        Ok("folded_first_header_line_is_dropped", {Send(ok + " c\r\nContent-Length: 2\r\n\r\nok"), Hold()}, "ok"),

        // Redirects and error statuses: the status line is the message.
        Fails("redirect_302",
              {Send("HTTP/1.1 302 Found\r\nLocation: http://elsewhere/\r\nContent-Length: 3\r\n\r\nabc")},
              HttpFailure::Protocol, "HTTP/1.1 302 Found", "", "abc"),
        Fails("redirect_301_without_location", {Send("HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n\r\n")},
              HttpFailure::Protocol, "HTTP/1.1 301 Moved"),
        Fails("location_on_200", {Send(ok + "Location: /x\r\nContent-Length: 2\r\n\r\nok")}, HttpFailure::Protocol,
              "HTTP/1.1 200 OK", "", "ok"),
        Fails("folded_location_on_200", {Send(ok + "Location:\r\n /moved\r\nContent-Length: 2\r\n\r\nok")},
              HttpFailure::Protocol, "HTTP/1.1 200 OK", "", "ok"),
        Fails("status_304", {Send("HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n"), Hold()},
              HttpFailure::Protocol, "HTTP/1.1 304 Not Modified"),
        Fails("status_401",
              {Send("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"v\"\r\nContent-Length: 4\r\n\r\ndeny")},
              HttpFailure::Protocol, "HTTP/1.1 401 Unauthorized", "", "deny"),
        Fails("status_404_chunked_body", {Send(notFound + "Transfer-Encoding: chunked\r\n\r\n4\r\nnope\r\n0\r\n\r\n"), Hold()},
              HttpFailure::Protocol, "HTTP/1.1 404 Not Found", "", "nope"),
        Fails("status_500_body_to_close", {Send("HTTP/1.1 500 Internal Server Error\r\n\r\noops")},
              HttpFailure::Protocol, "HTTP/1.1 500 Internal Server Error", "", "oops"),
        Fails("status_not_a_number", {Send("HTTP/1.1 abc OK\r\nContent-Length: 0\r\n\r\n")}, HttpFailure::Protocol,
              "HTTP/1.1 abc OK"),
        Fails("status_double_space", {Send("HTTP/1.1  200 OK\r\nContent-Length: 0\r\n\r\n")}, HttpFailure::Protocol,
              "HTTP/1.1  200 OK"),
        Fails("error_body_short_pauses", {Send(notFound + "Content-Length: 4\r\n\r\nab"), Pause(kShortPause), Send("cd")},
              HttpFailure::Protocol, "HTTP/1.1 404 Not Found", "", "abcd"),

        // The connection ends early.
        Fails("closed_before_status_line", {}, HttpFailure::ClosedGracefully, kClosed),
        Fails("closed_inside_status_line", {Send("HTTP/1.1 20")}, HttpFailure::ClosedGracefully, kClosed),
        Fails("closed_after_status_line", {Send(ok)}, HttpFailure::ClosedGracefully, kClosed),
        Fails("closed_inside_2xx_header_block", {Send(ok + "Server: x\r\n")}, HttpFailure::SuccessHeadCutOff,
              "Undefined situation"),
        Fails("closed_inside_404_header_block", {Send(notFound + "Server: x\r\n")}, HttpFailure::Protocol,
              "HTTP/1.1 404 Not Found"),
        Fails("content_length_cut_short", {Send(ok + "Content-Length: 10\r\n\r\nhel")}, HttpFailure::ClosedGracefully,
              kClosed, "hel"),
        Fails("content_length_cut_before_body", {Send(ok + "Content-Length: 10\r\n\r\n")},
              HttpFailure::ClosedGracefully, kClosed, ""),
        Fails("content_length_too_large_for_64_bits",
              {Send(ok + "Content-Length: 99999999999999999999999\r\n\r\nabc")}, HttpFailure::ClosedGracefully,
              kClosed, "abc"),
        // Lengths past 32 bits, which a 32-bit size_t would wrap to 3: the DLL is a 32-bit program.
        Fails("content_length_beyond_32_bits", {Send(ok + "Content-Length: 4294967299\r\n\r\nabc")},
              HttpFailure::ClosedGracefully, kClosed, "abc"),
        Fails("chunk_size_beyond_32_bits",
              {Send(ok + "Transfer-Encoding: chunked\r\n\r\n100000003\r\nabc\r\n0\r\n\r\n")},
              HttpFailure::ClosedGracefully, kClosed, "abc\r\n0\r\n\r\n"),
        Fails("chunked_cut_inside_chunk", {Send(ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhel")},
              HttpFailure::ClosedGracefully, kClosed, "hel"),
        Fails("chunked_cut_before_last_line",
              {Send(ok + "Transfer-Encoding: chunked\r\n\r\n2\r\nhi\r\n0\r\n")}, HttpFailure::ClosedGracefully,
              kClosed, "hi"),
        Fails("error_body_cut_short", {Send(notFound + "Content-Length: 9\r\n\r\nnope")},
              HttpFailure::ClosedGracefully, kClosed),
        Fails("reset_before_answer", {Reset()}, HttpFailure::Socket, kReset),
        Fails("reset_inside_header_block", {Send(ok + "Server: x\r\n"), Pause(kShortPause), Reset()},
              HttpFailure::Socket, kReset),

        // Waits are limited.
        Fails("never_answers", {Hold()}, HttpFailure::ReadTimeout, kTimeout),
        Fails("stalls_inside_header_block", {Send(ok), Hold()}, HttpFailure::ReadTimeout, kTimeout),
        Fails("stalls_inside_2xx_body", {Send(ok + "\r\npart"), Hold()}, HttpFailure::ReadTimeout, kTimeout, "part"),
        Fails("error_body_stalls", {Send(notFound + "Content-Length: 10\r\n\r\nab"), Pause(kStall), Send("cdefghij")},
              HttpFailure::ReadTimeout, kTimeout),
        Fails("error_body_to_close_on_open_connection", {Send(notFound + "\r\nab"), Hold()},
              HttpFailure::ReadTimeout, kTimeout),

        // Sizes are limited.
        Fails("line_too_long", {Send(ok + LongHeaderLine(16385) + "Content-Length: 2\r\n\r\nok")},
              HttpFailure::LineTooLong, kTooLong),
        Fails("status_line_too_long", {Send("HTTP/1.1 200 " + std::string(16380, 'O') + "\r\n\r\n")},
              HttpFailure::LineTooLong, kTooLong),
        Fails("chunk_size_line_too_long",
              {Send(ok + "Transfer-Encoding: chunked\r\n\r\n1 " + std::string(16383, ' ') + "\r\nx\r\n0\r\n\r\n")},
              HttpFailure::LineTooLong, kTooLong),
        Large(Fails("header_block_over_1_MiB", {Send(bigHead + "\r\n")}, HttpFailure::LineTooLong, kTooLong)),
        Large(Fails("interim_responses_over_1_MiB", {Send(endlessInterim + ok + "Content-Length: 0\r\n\r\n")},
                    HttpFailure::LineTooLong, kTooLong)),
        Large(Ok("body_capped_content_length",
                 {Send(ok + "Content-Length: " + std::to_string(2 * kMiB) + "\r\n\r\n" + std::string(2 * kMiB, 'x'))},
                 std::string(kMiB, 'x'))),
        Large(Ok("body_capped_to_close", {Send(ok + "\r\n" + std::string(kMiB + kMiB / 2, 'y'))},
                 std::string(kMiB, 'y'))),
        Ok("header_lines_up_to_the_cap", {Send(ok + Times(99, "X-A: b\r\n") + "Content-Length: 2\r\n\r\nok")}, "ok"),
        Fails("header_line_beyond_the_cap", {Send(ok + Times(101, "a:\r\n") + "Content-Length: 2\r\n\r\nok")},
              HttpFailure::TooManyHeaderLines, kTooManyLines),
        Fails("continuation_lines_count", {Send(ok + "Set-Cookie: a=b\r\n" + Times(100, " ;x\r\n") + "\r\n")},
              HttpFailure::TooManyHeaderLines, kTooManyLines),
        Fails("interim_head_beyond_the_cap", {Send("HTTP/1.1 100 Continue\r\n" + Times(101, "a:\r\n") + "\r\n")},
              HttpFailure::TooManyHeaderLines, kTooManyLines),
        Large(Fails("header_flood", {Send(ok + Times(200000, "a:\r\n") + "\r\n")}, HttpFailure::TooManyHeaderLines,
                    kTooManyLines)),
        // 16006 bytes of framing a chunk: the 66th size line is the first read at or past 1 MiB.
        Large(Ok("chunk_framing_counts_against_the_cap",
                 {Send(ok + "Transfer-Encoding: chunked\r\n\r\n" + Times(70, kPaddedChunk) + "0\r\n\r\n"), Hold()},
                 std::string(66, 'x'))),
        Large(Ok("huge_chunk_size",
                 {Send(ok + "Transfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFFFFFFFF\r\n" +
                       std::string(kMiB + 1000, 'z'))},
                 std::string(kMiB, 'z'))),
    };
  }();
  return cases;
}

// Compares what a call did with the case; how names the way it was fed.
inline void ExpectOutcome(const ResponseCase& c, const Outcome& outcome, const std::string& how) {
  const std::string where = c.name + " (" + how + ")";
  EXPECT_EQ(FailureName(outcome.failure), std::string(FailureName(c.failure))) << where << ": " << outcome.message;
  if (c.failure) {
    EXPECT_EQ(outcome.message, c.message) << where;
  }
  if (c.result.size() < 4096) {
    EXPECT_EQ(outcome.result, c.result) << where;
  } else {
    EXPECT_EQ(outcome.result.size(), c.result.size()) << where;
    EXPECT_TRUE(outcome.result == c.result) << where << ": long result differs";
  }
  EXPECT_EQ(outcome.errorBody, c.errorBody) << where;
}

// Answers that keep bytes coming far more often than any limit but never
// finish: only a limit on the whole stage ends them.
struct DeadlineCase {
  std::string name;
  Script script;
  char fill;          // a 2xx body's leading part, kept in result, is made of it; 0: result stays empty
  unsigned endsAtMs;  // when the limit ends the call, from its start
};

inline void PrintTo(const DeadlineCase& c, std::ostream* os) { *os << c.name; }

inline constexpr unsigned kDrip = 100;

inline const std::vector<DeadlineCase>& DeadlineCases() {
  static const std::vector<DeadlineCase> cases = [] {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const std::string notFound = "HTTP/1.1 404 Not Found\r\n";
    const unsigned response = kTestLimits.requestMs;
    return std::vector<DeadlineCase>{
        {"trickling_head", {Send(ok), Repeat("a", kDrip)}, 0, response},
        {"trickling_content_length_body", {Send(ok + "Content-Length: 100000\r\n\r\n"), Repeat("b", kDrip)}, 'b',
         response},
        {"trickling_chunks", {Send(chunked), Repeat("1\r\nc\r\n", kDrip)}, 'c', response},
        {"trickling_chunk_extension", {Send(chunked + "1 "), Repeat(" ", kDrip)}, 0, response},
        {"trickling_body_to_close", {Send(ok + "\r\n"), Repeat("d", kDrip)}, 'd', response},
        {"endless_100_continue", {Repeat("HTTP/1.1 100 Continue\r\n\r\n", kDrip)}, 0, response},
        {"trickling_error_body", {Send(notFound + "Content-Length: 100\r\n\r\n"), Repeat("e", kDrip)}, 0,
         kTestLimits.errorBodyMs},
        {"error_body_within_the_response_limit",
         {Send(notFound + "X-A: b\r\n"), Pause(response - 150), Send("Content-Length: 100\r\n\r\n"),
          Repeat("e", kDrip)},
         0, response},
        // A 2xx body starts no budget of its own either.
        {"body_within_the_response_limit",
         {Send(ok + "X-A: b\r\n"), Pause(response - 150), Send("Content-Length: 100\r\n\r\n"),
          Repeat("f", kDrip)},
         'f', response},
    };
  }();
  return cases;
}

// Each ends with the read timeout; a 2xx body keeps its leading part, as when
// it is cut off.
inline void ExpectDeadlineOutcome(const DeadlineCase& c, const Outcome& outcome, const std::string& how) {
  const std::string where = c.name + " (" + how + ")";
  EXPECT_EQ(FailureName(outcome.failure), std::string(FailureName(HttpFailure::ReadTimeout)))
      << where << ": " << outcome.message;
  EXPECT_EQ(outcome.message, kTimeout) << where;
  if (c.fill) {
    EXPECT_FALSE(outcome.result.empty()) << where;
    EXPECT_EQ(outcome.result.find_first_not_of(c.fill), std::string::npos) << where << ": " << outcome.result;
  } else {
    EXPECT_EQ(outcome.result, "") << where;
  }
}

// Runs a case against a fresh client and server over loopback.
inline Outcome RunOverLoopback(const ResponseCase& c) {
  ScriptedServer server({c.script});
  HttpClient client;
  client.SetReadLimits(kTestLimits);
  return Capture([&](std::string& result) {
    return HttpGetText(client, server.BaseUrl() + "/listen_in.php?version=110", result);
  });
}

}  // namespace vantu::testing
