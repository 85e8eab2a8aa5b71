#include "support/ascii.hpp"

namespace bq::support {

std::string to_lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = to_lower_ascii(c);
  return out;
}

bool equals_ignore_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (to_lower_ascii(a[i]) != to_lower_ascii(b[i])) return false;
  }
  return true;
}

}  // namespace bq::support
