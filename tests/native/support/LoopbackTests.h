// The client against the scripted server over loopback. Included by the
// native test program (POSIX back end) and the Winsock one run under Wine,
// so both back ends pass the same cases.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <thread>

#include "service/HttpRequest.h"
#include "tests/native/support/HttpCases.h"

namespace vantu::testing {

class LoopbackResponse : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(LoopbackResponse, Outcome) { ExpectOutcome(GetParam(), RunOverLoopback(GetParam()), "loopback"); }

INSTANTIATE_TEST_SUITE_P(Responses, LoopbackResponse, ::testing::ValuesIn(ResponseCases()),
                         [](const auto& info) { return info.param.name; });

// The limits hold against the real clock: not cut short, not overrun by
// more than the margin a loaded machine needs.
class LoopbackDeadline : public ::testing::TestWithParam<DeadlineCase> {};

TEST_P(LoopbackDeadline, EndsAtItsLimit) {
  const DeadlineCase& c = GetParam();
  ScriptedServer server({c.script});
  HttpClient client;
  client.SetReadLimits(kTestLimits);
  const auto start = std::chrono::steady_clock::now();
  const Outcome outcome = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/", result); });
  const long long elapsed = MsSince(start);
  ExpectDeadlineOutcome(c, outcome, "loopback");
  EXPECT_GE(elapsed, c.endsAtMs * 9 / 10) << c.name;
  EXPECT_LE(elapsed, c.endsAtMs + 1000) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Trickles, LoopbackDeadline, ::testing::ValuesIn(DeadlineCases()),
                         [](const auto& info) { return info.param.name; });

TEST(Loopback, ConnectGivesUpAtItsLimitWhenTheListenQueueIsFull) {
  FullListenQueue full;
  HttpClient client;
  client.SetReadLimits(kTestLimits);
  const auto start = std::chrono::steady_clock::now();
  const Outcome outcome = Capture([&](std::string& result) {
    return HttpGetText(client, "http://127.0.0.1:" + std::to_string(full.Port()) + "/", result);
  });
  const long long elapsed = MsSince(start);
  EXPECT_EQ(outcome.message, "Socket-Fehler # 10060\r\nZeit\xFC" "berschreitung bei Verbindung.");
  EXPECT_EQ(outcome.code, 10060);
  EXPECT_GE(elapsed, kTestLimits.requestMs * 9 / 10);
  EXPECT_LE(elapsed, kTestLimits.requestMs + 1000);
}

inline const std::string kEmptyOk = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";

TEST(Loopback, RequestBytesArriveExactlyAsOneRequest) {
  for (const RequestCase& c : RequestCases()) {
    ScriptedServer server({{Send(kEmptyOk)}});
    HttpClient client;
    client.SetReadLimits(kTestLimits);
    const Outcome outcome =
        Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + c.pathAndQuery, result); });
    EXPECT_EQ(outcome.message, "") << c.name;
    EXPECT_EQ(server.Requests(0), std::vector<std::string>{RequestBytes(c.target, server.HostHeader())}) << c.name;
  }
}

struct ReuseCase {
  const char* name;
  std::string firstAnswer;
  Script after;  // the server's steps on the first connection after its first answer
  unsigned pauseBetweenMs;
  bool reused;
};

TEST(Loopback, KeepOrCloseAfterEachExchange) {
  const std::string second = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecond";
  const Script answerAgain = {ReadRequest(), Send(second)};
  const ReuseCase cases[] = {
      {"kept_after_success", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", answerAgain, 0, true},
      {"kept_after_error_status", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope", answerAgain, 0, true},
      {"kept_whatever_the_version", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", answerAgain, 0, true},
      {"kept_after_204", "HTTP/1.1 204 No Content\r\n\r\n", answerAgain, 0, true},
      {"closed_on_connection_close", "HTTP/1.1 200 OK\r\nConnection: Close \r\nContent-Length: 2\r\n\r\nok",
       answerAgain, 0, false},
      {"closed_on_proxy_connection_close", "HTTP/1.1 200 OK\r\nProxy-Connection: close\r\nContent-Length: 0\r\n\r\n",
       answerAgain, 0, false},
      {"closed_after_body_to_close", "HTTP/1.1 200 OK\r\n\r\nok", {HalfClose(), ReadRequest(), Send(second)}, 0,
       false},
      {"closed_after_read_timeout", "HTTP/1.1 404 Not Found\r\n\r\nab", answerAgain, 0, false},
      {"closed_after_unasked_bytes", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA", answerAgain, 0, false},
      {"reconnects_when_server_closed_meanwhile", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", {}, 200, false},
  };
  for (const ReuseCase& c : cases) {
    Script first = {Send(c.firstAnswer)};
    first.insert(first.end(), c.after.begin(), c.after.end());
    ScriptedServer server({first, {Send(second)}});
    HttpClient client;
    client.SetReadLimits(kTestLimits);
    Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/a", result); });
    std::this_thread::sleep_for(std::chrono::milliseconds(c.pauseBetweenMs));
    const Outcome outcome =
        Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/b", result); });
    EXPECT_EQ(outcome.message, "") << c.name;
    EXPECT_EQ(outcome.result, "second") << c.name;
    EXPECT_EQ(server.Connections(), c.reused ? 1u : 2u) << c.name;
    EXPECT_EQ(server.Requests(0).size(), c.reused ? 2u : 1u) << c.name;
  }
}

TEST(Loopback, KeptConnectionClosedAfterTheCheckFailsWithoutRetry) {
  // The server takes the second request on the kept connection and closes it
  // unanswered, as when its closing crosses the client's liveness check.
  ScriptedServer server({{Send(kEmptyOk), ReadRequest()}, {Send(kEmptyOk)}});
  HttpClient client;
  client.SetReadLimits(kTestLimits);
  const Outcome first = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/a", result); });
  EXPECT_EQ(first.message, "");
  const Outcome second = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/b", result); });
  EXPECT_EQ(second.message, kClosed);
  EXPECT_EQ(server.Connections(), 1u) << "the request was repeated on a new connection";
}

TEST(Loopback, CookiesAndBasicCredentialsCarryOverToTheNextRequest) {
  ScriptedServer server({{
      Send("HTTP/1.1 401 Unauthorized\r\nSet-Cookie: sid=42; Path=/\r\n"
           "WWW-Authenticate: Basic realm=\"vantu\"\r\nContent-Length: 0\r\n\r\n"),
      ReadRequest(),
      Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"),
  }});
  HttpClient client;
  client.SetReadLimits(kTestLimits);
  const Outcome denied = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/a", result); });
  EXPECT_EQ(denied.message, "HTTP/1.1 401 Unauthorized");
  EXPECT_EQ(denied.code, 401);
  const Outcome accepted = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/b", result); });
  EXPECT_EQ(accepted.result, "ok");
  EXPECT_EQ(server.Requests(0),
            (std::vector<std::string>{
                RequestBytes("/a", server.HostHeader()),
                RequestBytes("/b", server.HostHeader(), "Cookie: sid=42\r\nAuthorization: Basic Og==\r\n")}));
}

TEST(Loopback, UnsupportedSchemesNeverConnect) {
  ScriptedServer server({});
  HttpClient client;
  const std::string authority = "127.0.0.1:" + std::to_string(server.Port());
  std::string result;
  EXPECT_EQ(Capture([&](std::string& result) { return HttpGetText(client, "https://" + authority + "/", result); }).failure,
            HttpFailure::HttpsUnsupported);
  EXPECT_EQ(Capture([&](std::string& result) { return HttpGetText(client, "ftp://" + authority + "/", result); }).failure,
            HttpFailure::UnknownProtocol);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(server.Connections(), 0u);
}

TEST(Loopback, ConnectAndLookupFailures) {
  RefusingPort refusing;
  HttpClient client;
  const Outcome refused = Capture([&](std::string& result) {
    return HttpGetText(client, "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/", result);
  });
  EXPECT_EQ(refused.message, "Socket-Fehler # 10061\r\nVerbindung abgelehnt.");
  EXPECT_EQ(refused.result, "");
  const Outcome unknown =
      Capture([&](std::string& result) { return HttpGetText(client, "http://no-such-host.invalid/", result); });
  EXPECT_EQ(unknown.message, "Socket-Fehler # 11001\r\nHost nicht gefunden.");
}

// Scripted resolvers: 127.0.0.1 after a pause, whatever the name, or a
// failure of the system's own.
template <unsigned DelayMs>
int LoopbackAfter(const std::string&, std::uint32_t& address) {
  std::this_thread::sleep_for(std::chrono::milliseconds(DelayMs));
  address = htonl(INADDR_LOOPBACK);
  return 0;
}

inline int HostNotFound(const std::string&, std::uint32_t&) { return 11001; }

inline const std::string kConnectTimedOut = "Socket-Fehler # 10060\r\nZeit\xFC" "berschreitung bei Verbindung.";

TEST(Loopback, TheNameLookupCountsAgainstTheCallsLimit) {
  struct LookupCase {
    const char* name;
    net::Lookup lookup;
    std::string message;
    long long atLeastMs, atMostMs;
  };
  const long long limit = kTestLimits.requestMs;
  const LookupCase cases[] = {
      {"answers_within_the_limit", LoopbackAfter<300>, "", 300, 300 + 1000},
      // The lookup goes on after the call has given up; it ends on its own.
      {"slower_than_the_limit", LoopbackAfter<2500>, kConnectTimedOut, limit * 9 / 10, limit + 1000},
      {"fails", HostNotFound, "Socket-Fehler # 11001\r\nHost nicht gefunden.", 0, 1000},
  };
  for (const LookupCase& c : cases) {
    ScriptedServer server({{Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")}});
    HttpClient client;
    client.SetReadLimits(kTestLimits);
    client.SetLookup(c.lookup);
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = Capture([&](std::string& result) {
      return HttpGetText(client, "http://service.invalid:" + std::to_string(server.Port()) + "/", result);
    });
    const long long elapsed = MsSince(start);
    EXPECT_EQ(outcome.message, c.message) << c.name;
    EXPECT_EQ(outcome.result, c.message.empty() ? "ok" : "") << c.name;
    EXPECT_GE(elapsed, c.atLeastMs) << c.name;
    EXPECT_LE(elapsed, c.atMostMs) << c.name;
    EXPECT_EQ(server.Connections(), c.message.empty() ? 1u : 0u) << c.name;
  }
}

// One limit from the call's start to the answer's last byte: whatever the
// lookup and the connect took, the answer gets only what is left of it, and
// a request sent in time fails as a reading that ran out. Each slow stage is
// long enough that a fresh budget for the answer would overrun the margin.
TEST(Loopback, OneLimitForTheWholeCall) {
  struct StageCase {
    const char* name;
    unsigned queueFullMs;  // the server accepts only the SYN the system retries after this
    net::Lookup lookup;    // nullptr: the address as written
    unsigned requestMs;
  };
  const StageCase cases[] = {
      {"quick_connect_then_trickle", 0, nullptr, kTestLimits.requestMs},
      {"slow_lookup_then_trickle", 0, LoopbackAfter<1300>, kTestLimits.requestMs},
      // The SYN retried at 1 s finds the queue still full; the one at 3 s gets in.
      {"slow_accept_then_trickle", 1500, nullptr, 4000},
  };
  for (const StageCase& c : cases) {
    ScriptedServer server({{Send("HTTP/1.1 200 OK\r\n"), Repeat("a", kDrip)}}, c.queueFullMs);
    HttpClient client;
    client.SetReadLimits({.requestMs = c.requestMs, .errorBodyMs = kTestLimits.errorBodyMs});
    if (c.lookup) client.SetLookup(c.lookup);
    const std::string url =
        c.lookup ? "http://service.invalid:" + std::to_string(server.Port()) + "/" : server.BaseUrl() + "/";
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = Capture([&](std::string& result) { return HttpGetText(client, url, result); });
    const long long elapsed = MsSince(start);
    EXPECT_EQ(outcome.message, kTimeout) << c.name;
    EXPECT_EQ(server.Requests(0).size(), 1u) << c.name << ": the request never went out";
    EXPECT_GE(elapsed, c.requestMs * 9 / 10) << c.name;
    EXPECT_LE(elapsed, c.requestMs + 1000) << c.name;
  }
}

// Each stage on its own, past its time, fails with the connect time-out
// rather than handing on an address or a connection it does not have.
TEST(Loopback, EachStageFailsWithTheConnectTimeOutPastItsTime) {
  FullListenQueue full;
  ScriptedServer unread({{LeaveUnread()}});
  net::CancelSignal cancel;
  const std::string tooMuch(16 * kMiB, 'x');  // far beyond what loopback's socket buffers take in
  struct StageCase {
    const char* name;
    std::function<HttpExpected<void>()> stage;
  };
  const StageCase cases[] = {
      {"lookup_slower_than_its_limit",
       [&]() -> HttpExpected<void> {
         const HttpExpected<std::uint32_t> address = net::ResolveIPv4("service.invalid", 300, cancel, LoopbackAfter<1500>);
         if (!address) return address.Error();
         return {};
       }},
      {"connect_to_a_full_listen_queue",
       [&] { return net::TcpConnection(cancel).Connect(htonl(INADDR_LOOPBACK), full.Port(), 300); }},
      {"send_to_a_server_that_reads_nothing",
       [&]() -> HttpExpected<void> {
         net::TcpConnection connection(cancel);
         if (auto connected = connection.Connect(htonl(INADDR_LOOPBACK), unread.Port(), 1000); !connected) {
           return connected;
         }
         return connection.SendAll(tooMuch, 300);
       }},
  };
  for (const StageCase& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = Capture([&](std::string&) { return c.stage(); });
    const long long elapsed = MsSince(start);
    EXPECT_EQ(outcome.message, kConnectTimedOut) << c.name;
    EXPECT_GE(elapsed, 300 * 9 / 10) << c.name;
    EXPECT_LE(elapsed, 300 + 1000) << c.name;
  }
}

// A request that could not be sent in time leaves its connection in an
// unknown state: the next call must not use it.
TEST(Loopback, ASendThatRunsOutOfTimeDropsItsConnection) {
  ScriptedServer server({{LeaveUnread()}, {Send("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecond")}});
  const std::string url = server.BaseUrl() + "/a?q=" + std::string(8 * kMiB, 'x');
  // Composing so large a request takes seconds in a slow build (under an
  // emulator): the limit leaves twice that room before the connect.
  const auto composing = std::chrono::steady_clock::now();
  const HttpExpected<http::RequestTarget> target = http::ParseRequestUrl(url);
  ASSERT_TRUE(target);
  ASSERT_GT(http::ComposeRequest(*target, "", false).size(), 8 * kMiB);
  const unsigned limit = static_cast<unsigned>(2 * MsSince(composing)) + kTestLimits.requestMs;
  HttpClient client;
  client.SetReadLimits({.requestMs = limit, .errorBodyMs = kTestLimits.errorBodyMs});
  const auto start = std::chrono::steady_clock::now();
  const Outcome stuck = Capture([&](std::string& result) { return HttpGetText(client, url, result); });
  const long long elapsed = MsSince(start);
  ASSERT_EQ(server.Connections(), 1u) << "the call ran out before it connected: " << stuck.message;
  EXPECT_EQ(stuck.message, kConnectTimedOut);
  EXPECT_EQ(stuck.result, "");
  EXPECT_GE(elapsed, limit * 9 / 10);
  EXPECT_LE(elapsed, limit + 1000);
  const Outcome next = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/b", result); });
  EXPECT_EQ(next.message, "");
  EXPECT_EQ(next.result, "second");
  EXPECT_EQ(server.Connections(), 2u);
  EXPECT_EQ(server.Requests(1), std::vector<std::string>{RequestBytes("/b", server.HostHeader())});
}

TEST(Loopback, AKeptConnectionServesOnlyItsOwnHostAndPort) {
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  struct HostCase {
    const char* name;
    bool otherPort;          // else the same port under another name
    std::size_t connections;  // to the first server
  };
  const HostCase cases[] = {{"other_port", true, 1}, {"other_host_name", false, 2}};
  for (const HostCase& c : cases) {
    // The first server would answer a second request on its kept connection.
    ScriptedServer first({{Send(answer), ReadRequest(), Send(answer)}, {Send(answer)}});
    ScriptedServer second({{Send(answer)}});
    HttpClient client;
    client.SetReadLimits(kTestLimits);
    client.SetLookup(LoopbackAfter<0>);
    const std::string next = c.otherPort ? "http://127.0.0.1:" + std::to_string(second.Port()) + "/b"
                                         : "http://other.invalid:" + std::to_string(first.Port()) + "/b";
    EXPECT_EQ(Capture([&](std::string& result) { return HttpGetText(client, first.BaseUrl() + "/a", result); }).result, "ok")
        << c.name;
    EXPECT_EQ(Capture([&](std::string& result) { return HttpGetText(client, next, result); }).result, "ok") << c.name;
    EXPECT_EQ(first.Requests(0).size(), 1u) << c.name << ": the second request went down the first connection";
    EXPECT_EQ(first.Connections(), c.connections) << c.name;
    EXPECT_EQ(second.Connections(), c.otherPort ? 1u : 0u) << c.name;
  }
}

// A wait the system refuses (here: on a cancel signal that is no event or
// pipe, as when none could be made) is an error at once, not a reason to
// retry until the limit, nor a cancel.
TEST(Loopback, AWaitThatCannotBeMadeFailsAtOnce) {
#ifdef _WIN32
  const std::intptr_t noEvent = 0;
  const int refused = WSA_INVALID_HANDLE;
#else
  const std::intptr_t noEvent = INT_MAX;  // a descriptor never open
  const int refused = 10009;              // WSAEBADF
#endif
  ScriptedServer server({{Hold()}});
  net::CancelSignal broken(noEvent);
  net::TcpConnection connection(broken);
  char buffer[16];
  const auto start = std::chrono::steady_clock::now();
  const Outcome outcome = Capture([&](std::string&) -> HttpExpected<void> {
    if (auto connected = connection.Connect(htonl(INADDR_LOOPBACK), server.Port(), 3000); !connected) {
      return connected;
    }
    const HttpExpected<std::size_t> received = connection.Receive(buffer, sizeof buffer, 3000);
    if (!received) return received.Error();
    return {};
  });
  EXPECT_STREQ(FailureName(outcome.failure), FailureName(HttpFailure::Socket)) << outcome.message;
  EXPECT_EQ(outcome.code, refused) << outcome.message;
  EXPECT_LE(MsSince(start), 1000) << "waited out its limit instead of failing";
}

TEST(Loopback, CancelEndsTheCallInFlightAndAllLaterOnes) {
  ScriptedServer server({{Hold()}, {Send(kEmptyOk)}});
  HttpClient client;  // default waits: without the cancel this call would wait 15 s
  std::thread quitter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    client.Cancel();
  });
  const Outcome inFlight = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/", result); });
  quitter.join();
  const std::string aborted = "Socket-Fehler # 10053\r\nDie Software hat den Abbruch der Verbindung verursacht.";
  EXPECT_EQ(inFlight.message, aborted);
  const Outcome later = Capture([&](std::string& result) { return HttpGetText(client, server.BaseUrl() + "/", result); });
  EXPECT_EQ(later.message, aborted);
  EXPECT_EQ(server.Connections(), 1u);
}

}  // namespace vantu::testing
