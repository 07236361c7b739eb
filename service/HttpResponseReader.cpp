#include "service/HttpResponseReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/TextRules.h"

namespace vantu::http {
namespace {

// Lengths and chunk sizes too large for 64 bits saturate rather than wrap.
constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

}  // namespace

long ReadLine(std::string_view input, std::string_view& line) {
  // A line of the longest length may still be followed by CR LF.
  const std::size_t window = std::min(input.size(), kMaxLineLength + 2);
  const void* found = window ? std::memchr(input.data(), '\n', window) : nullptr;
  if (!found) return window == kMaxLineLength + 2 ? kTooLong : kNeedMore;
  std::size_t length = static_cast<std::size_t>(static_cast<const char*>(found) - input.data());
  const std::size_t consumed = length + 1;
  if (length > 0 && input[length - 1] == '\r') --length;
  if (length > kMaxLineLength) return kTooLong;
  line = input.substr(0, length);
  return static_cast<long>(consumed);
}

int StatusCode(std::string_view statusLine) {
  const std::size_t first = statusLine.find(' ');
  if (first == std::string_view::npos) return -1;
  std::string_view word = statusLine.substr(first + 1);
  word = word.substr(0, word.find(' '));
  const std::optional<ParsedDigits> code = ParseDigits(word, 10, 999999999);
  if (!code || code->saturated) return -1;
  return static_cast<int>(code->value);
}

long ParseResponseHead(std::string_view input, HeadProgress& progress, HeadVisitor& visitor) {
  for (;;) {
    std::string_view line;
    const long taken = ReadLine(input.substr(progress.offset), line);
    if (taken == kTooLong) return kTooLong;
    if (taken == kNeedMore) return input.size() > kMaxHeadBytes ? kTooLong : kNeedMore;
    progress.offset += static_cast<std::size_t>(taken);
    if (progress.offset > kMaxHeadBytes) return kTooLong;
    if (!progress.statusLine) {
      progress.statusLine = true;
      visitor.OnStatusLine(line);
      continue;
    }
    if (line.empty()) return static_cast<long>(progress.offset);
    if (++progress.headerLines > kMaxHeaderLines) return kTooManyLines;
    if (line.front() == ' ' || line.front() == '\t') {
      visitor.OnContinuation(TrimBlanks(line));
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      visitor.OnHeader(TrimBlanks(line), {});
    } else {
      visitor.OnHeader(TrimBlanks(line.substr(0, colon)), TrimBlanks(line.substr(colon + 1)));
    }
  }
}

BodyProgress BodyFramingFor(const std::string* contentLength, const std::string* transferEncoding) {
  BodyProgress progress;
  const std::optional<ParsedDigits> length =
      ParseDigits(contentLength ? TrimBlanks(*contentLength) : std::string_view(), 10, kNoLimit);
  const bool isNumber = length.has_value();
  if (isNumber && length->value > 0) {
    progress.framing = BodyFraming::Length;
    progress.remaining = length->value;
  } else if (transferEncoding && transferEncoding->find("chunked") != std::string::npos) {
    progress.framing = BodyFraming::Chunked;
  } else if (!isNumber) {
    progress.framing = BodyFraming::ToClose;
  } else {
    progress.done = true;
  }
  return progress;
}

namespace {

std::size_t Append(std::string_view input, std::uint64_t wanted, std::string& out, std::size_t cap) {
  const std::size_t room = cap > out.size() ? cap - out.size() : 0;
  const std::size_t count = static_cast<std::size_t>(
      std::min<std::uint64_t>({wanted, input.size(), room}));
  out.append(input.data(), count);
  return count;
}

// A chunk-size line is read up to its first space; one that is not hex counts as 0.
std::uint64_t ChunkSize(std::string_view line) {
  const std::optional<ParsedDigits> size = ParseDigits(line.substr(0, line.find(' ')), 16, kNoLimit);
  return size ? size->value : 0;
}

}  // namespace

long DecodeBody(std::string_view input, BodyProgress& progress, std::string& out, std::size_t cap) {
  std::size_t used = 0;
  while (!progress.done) {
    const std::string_view rest = input.substr(used);
    switch (progress.framing) {
      case BodyFraming::None:
        progress.done = true;
        break;
      case BodyFraming::ToClose:
        used += Append(rest, rest.size(), out, cap);
        return static_cast<long>(used);
      case BodyFraming::Length: {
        const std::size_t count = Append(rest, progress.remaining, out, cap);
        used += count;
        progress.remaining -= count;
        progress.done = progress.remaining == 0;
        if (!progress.done) return static_cast<long>(used);
        break;
      }
      case BodyFraming::Chunked: {
        if (progress.chunk == BodyProgress::Chunk::Data) {
          const std::size_t count = Append(rest, progress.remaining, out, cap);
          used += count;
          progress.remaining -= count;
          if (progress.remaining > 0) return static_cast<long>(used);
          progress.chunk = BodyProgress::Chunk::DataEnd;
          break;
        }
        if (progress.skipped >= cap) return static_cast<long>(used);
        std::string_view line;
        const long taken = ReadLine(rest, line);
        if (taken == kTooLong) return kTooLong;
        if (taken == kNeedMore) return static_cast<long>(used);
        used += static_cast<std::size_t>(taken);
        progress.skipped += static_cast<std::size_t>(taken);
        if (progress.chunk == BodyProgress::Chunk::Size) {
          progress.remaining = ChunkSize(line);
          progress.chunk = progress.remaining == 0 ? BodyProgress::Chunk::Trailer
                                                   : BodyProgress::Chunk::Data;
        } else if (progress.chunk == BodyProgress::Chunk::DataEnd) {
          progress.chunk = BodyProgress::Chunk::Size;
        } else {
          progress.done = true;
        }
        break;
      }
    }
  }
  return static_cast<long>(used);
}

}  // namespace vantu::http
