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
  // The longest texts, "-0.0000" or "-1." and "e-308" around seventeen
  // digits, take 24 characters.
  std::array<char, 32> buffer{};
  char* const first = buffer.data();
  char* const last = first + buffer.size();
  if (!std::isfinite(value)) return std::string(first, std::to_chars(first, last, value).ptr);

  // Comparing the double itself is enough: shortest texts keep the order of
  // their doubles, and the doubles 1e-5 and 1e16 have the texts 1e-5 and 1e16,
  // so a double and its shortest text fall on the same side of each bound.
  const double magnitude = std::fabs(value);
  if (magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e16)) {
    // Without a precision the fixed form is the shortest that reads back.
    std::string text(first, std::to_chars(first, last, value, std::chars_format::fixed).ptr);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
  }

  // to_chars writes "1.5e-07" and "1e+16"; the exponent here has no plus sign
  // and no leading zeros: "1.5e-7", "1e16".
  const std::string scientific(first, std::to_chars(first, last, value, std::chars_format::scientific).ptr);
  const std::size_t e = scientific.find('e');
  std::string text = scientific.substr(0, e + 1);
  if (scientific[e + 1] == '-') text += '-';
  // Past "e" and the sign, which to_chars always writes; the last digit stays.
  std::size_t digits = e + 2;
  while (digits + 1 < scientific.size() && scientific[digits] == '0') ++digits;
  text.append(scientific, digits);
  return text;
}

}  // namespace bq::support
