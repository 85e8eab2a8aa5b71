#include "support/number_format.hpp"

#include <array>
#include <charconv>
#include <cmath>

namespace bq::support {

std::string format_fixed(double value, int decimals) {
  // The largest double has 309 integer digits; decimals are capped well below
  // what the buffer holds.
  std::array<char, 400> buffer{};
  if (decimals < 0) decimals = 0;
  if (decimals > 60) decimals = 60;
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  return std::string(buffer.data(), result.ptr);
}

std::string format_shortest(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  std::string text(buffer.data(), result.ptr);
  if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

}  // namespace bq::support
