// Feeds arbitrary bytes to the response reader in arbitrary pieces. The
// first byte picks the piece size and how the stream ends; the reader must
// never crash, never read outside its input and never keep more than its caps.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "service/Cookies.h"
#include "service/HttpError.h"
#include "service/HttpExchange.h"
#include "service/HttpResponseReader.h"

namespace {

class FuzzSource final : public vantu::http::ByteSource {
 public:
  FuzzSource(const std::uint8_t* data, std::size_t size, std::size_t piece, int ending)
      : data_(data), size_(size), piece_(piece), ending_(ending) {}

  vantu::HttpExpected<std::size_t> Receive(char* buffer, std::size_t capacity, unsigned) override {
    if (offset_ == size_) {
      if (ending_ == 1) return vantu::HttpError(vantu::HttpFailure::ReadTimeout);
      if (ending_ == 2) return vantu::HttpError::Socket(10054);
      return std::size_t{0};
    }
    const std::size_t count = std::min({piece_, capacity, size_ - offset_});
    std::memcpy(buffer, data_ + offset_, count);
    offset_ += count;
    return count;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_, piece_;
  int ending_;
  std::size_t offset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = (data[0] & 0x3F) + 1;
  const int ending = (data[0] >> 6) % 3;
  FuzzSource source(data + 1, size - 1, piece, ending);
  vantu::http::ResponseInfo info;
  std::string result;
  const vantu::HttpExpected<void> read = vantu::http::ReadResponse(source, {}, result, info);
  if (!read && read.Error().ErrorBody().size() > vantu::http::kMaxBodyBytes) __builtin_trap();
  if (result.size() > vantu::http::kMaxBodyBytes) __builtin_trap();
  vantu::http::CookieJar jar;
  for (const std::string& header : info.setCookies) jar.Store(header, false, "www.vantu.fm", "/a/b", 1700000000);
  for (const std::string& header : info.setCookies2) jar.Store(header, true, "www.vantu.fm", "/a/b", 1700000000);
  const std::string cookies = jar.Header("www.vantu.fm", "/a/b", 1700000000);
  // Whatever the server sent, the Cookie line cannot break the request.
  if (cookies.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  return 0;
}
