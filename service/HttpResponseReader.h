// The response reader: pure functions over the bytes received so far, in the
// manner of picohttpparser. Nothing here touches a socket or allocates while
// parsing; each call reports bytes consumed, kNeedMore or kTooLong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantu::http {

inline constexpr std::size_t kMaxLineLength = 16384;       // not counting the line end
inline constexpr std::size_t kMaxHeadBytes = 1024 * 1024;  // one status line plus header block
inline constexpr std::size_t kMaxBodyBytes = 1024 * 1024;  // more is dropped with the connection
// Each header line is kept apart, so their number is what costs memory.
inline constexpr std::size_t kMaxHeaderLines = 100;  // of one head, continuation lines included

inline constexpr long kNeedMore = -2;
inline constexpr long kTooLong = -1;
inline constexpr long kTooManyLines = -3;

// One line at the start of input, up to a line feed; one carriage return
// before it is not part of the line. Returns the bytes the line takes with its
// end, kNeedMore, or kTooLong when it runs past kMaxLineLength.
long ReadLine(std::string_view input, std::string_view& line);

// The second space-separated word of a status line as a decimal number, -1
// when it is not one.
int StatusCode(std::string_view statusLine);

class HeadVisitor {
 public:
  virtual void OnStatusLine(std::string_view line) = 0;
  // Value trimmed; a line without ":" has the whole line as its name.
  virtual void OnHeader(std::string_view name, std::string_view value) = 0;
  // A line beginning with a space or tab: more of the previous header's value.
  virtual void OnContinuation(std::string_view text) = 0;

 protected:
  ~HeadVisitor() = default;
};

// Where parsing of a head stands between calls: input always starts at the
// head's first byte and grows as bytes arrive.
struct HeadProgress {
  std::size_t offset = 0;  // bytes of complete lines already reported
  bool statusLine = false;
  std::size_t headerLines = 0;
};

// Reports the complete lines after progress.offset to the visitor. Returns
// the head's length once its empty line has arrived, kTooManyLines (before
// reporting the line) when a header line would be one beyond kMaxHeaderLines.
long ParseResponseHead(std::string_view input, HeadProgress& progress, HeadVisitor& visitor);

enum class BodyFraming { None, Length, Chunked, ToClose };

struct BodyProgress {
  enum class Chunk { Size, Data, DataEnd, Trailer };
  BodyFraming framing = BodyFraming::None;
  std::uint64_t remaining = 0;  // of the Content-Length, or of the current chunk
  Chunk chunk = Chunk::Size;
  bool done = false;
  std::uint64_t skipped = 0;  // chunked: bytes read besides the data (size lines, extensions, line ends)
};

// The framing from the first "Content-Length" and "Transfer-Encoding" values
// (nullptr when the header is absent), by the rules' order: a length above 0,
// then chunked, then read-to-close, else no body.
BodyProgress BodyFramingFor(const std::string* contentLength, const std::string* transferEncoding);

// Moves body bytes from input to out, never letting out grow past cap.
// Returns the bytes consumed or kTooLong (a chunk-size line); progress.done
// tells when the body is complete. Read-to-close bodies end only with the
// stream, which the caller sees. Chunked framing stops being read once
// progress.skipped has reached cap: what is skipped costs time like data.
long DecodeBody(std::string_view input, BodyProgress& progress, std::string& out, std::size_t cap);

}  // namespace vantu::http
