// How a stand-in server answers one connection: byte chunks, pauses,
// half-closes, resets, bytes repeated for a long time. Played over loopback
// by ScriptedServer and straight into the response reader by ScriptedSource.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vantu::testing {

struct Step {
  enum class Kind {
    Send,         // the bytes
    Pause,        // ms without sending
    HalfClose,    // shutdown of the sending side
    Reset,        // abortive close (RST)
    Hold,         // stay open and silent until the client closes
    ReadRequest,  // wait for the client's next request on this connection
    Repeat,       // the bytes, again every ms, for kRepeatSpanMs or until the client has gone
    LeaveUnread,  // as the first step: read nothing, not even the request, and stay open
  };
  Kind kind;
  std::string bytes;
  unsigned ms = 0;
};

// Far beyond any limit the tests set, so that a client without one shows.
inline constexpr unsigned kRepeatSpanMs = 10000;

inline Step Send(std::string bytes) { return {Step::Kind::Send, std::move(bytes), 0}; }
inline Step Pause(unsigned ms) { return {Step::Kind::Pause, {}, ms}; }
inline Step HalfClose() { return {Step::Kind::HalfClose, {}, 0}; }
inline Step Reset() { return {Step::Kind::Reset, {}, 0}; }
inline Step Hold() { return {Step::Kind::Hold, {}, 0}; }
inline Step ReadRequest() { return {Step::Kind::ReadRequest, {}, 0}; }
inline Step Repeat(std::string bytes, unsigned everyMs) { return {Step::Kind::Repeat, std::move(bytes), everyMs}; }
inline Step LeaveUnread() { return {Step::Kind::LeaveUnread, {}, 0}; }

// What the server does on one connection once it has read the first request
// (unless the script leaves it unread); after the last step it closes the
// connection.
using Script = std::vector<Step>;

}  // namespace vantu::testing
