// The text of the range errors that the DLL's own runtime functions throw.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/LibraryErrorText.h"

namespace vantu {
namespace {

std::string Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string text = LibraryErrorText(format, arguments);
  va_end(arguments);
  return text;
}

// The DLL's own __throw_out_of_range_fmt must word a range error as the
// library does: each case makes this build's library throw one, and our
// text from the same format and values must be the library's what().
TEST(LibraryErrorText, IsTheLibrarysOwnRangeErrorText) {
  const std::string abc = "abc";
  const std::vector<int> two(2);
  const std::array<int, 2> pair{};
  const struct {
    const char* what;
    std::function<void()> fail;
    std::string ours;
  } cases[] = {
      {"string::substr", [&] { (void)abc.substr(5); },
       Format("%s: __pos (which is %zu) > this->size() (which is %zu)", "basic_string::substr", std::size_t{5},
              std::size_t{3})},
      {"string::at", [&] { (void)abc.at(7); },
       Format("basic_string::at: __n (which is %zu) >= this->size() (which is %zu)", std::size_t{7},
              std::size_t{3})},
      {"string_view::substr", [&] { (void)std::string_view(abc).substr(4); },
       Format("%s: __pos (which is %zu) > __size (which is %zu)", "basic_string_view::substr", std::size_t{4},
              std::size_t{3})},
      {"vector::at", [&] { (void)two.at(2); },
       Format("vector::_M_range_check: __n (which is %zu) >= this->size() (which is %zu)", std::size_t{2},
              std::size_t{2})},
      {"array::at", [&] { (void)pair.at(9); },
       Format("array::at: __n (which is %zu) >= _Nm (which is %zu)", std::size_t{9}, std::size_t{2})},
  };
  for (const auto& c : cases) {
    try {
      c.fail();
      ADD_FAILURE() << c.what << " did not throw";
    } catch (const std::out_of_range& error) {
      EXPECT_EQ(c.ours, error.what()) << c.what;
    }
  }
}

TEST(LibraryErrorText, KeepsPercentSignsAndWhatItDoesNotKnow) {
  EXPECT_EQ(Format("100%% of %s", "x"), "100% of x");
  EXPECT_EQ(Format("%d stays, %zu is filled", std::size_t{42}), "%d stays, 42 is filled");
  EXPECT_EQ(Format("ends with %"), "ends with %");
  EXPECT_EQ(Format(""), "");
}

}  // namespace
}  // namespace vantu
