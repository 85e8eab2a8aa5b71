#pragma once
// Byte-wise text tests. Only the ASCII letters A-Z ever change case; every
// other byte, of non-ASCII letters too, is compared exactly.

#include <string>
#include <string_view>

namespace bq::support {

constexpr char to_lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string to_lower_ascii(std::string_view text);

// Same length, and equal byte for byte once A-Z are mapped to a-z.
bool equals_ignore_ascii_case(std::string_view a, std::string_view b);

constexpr bool contains(std::string_view text, std::string_view needle) {
  return text.find(needle) != std::string_view::npos;
}

constexpr bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace bq::support
