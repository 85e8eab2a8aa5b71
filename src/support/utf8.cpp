#include "support/utf8.hpp"

#include <cstdint>

namespace bq::support {
namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

// Length of the well-formed sequence that starts at text[i] and its value, or
// the length of the maximal ill-formed subpart (at least 1) with ok = false.
struct Step {
  std::size_t length;
  char32_t value;
  bool ok;
};

Step next_code_point(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) return {1, b0, true};

  std::size_t need;
  char32_t value;
  unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    value = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    value = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, REPLACEMENT, false};
  }

  std::size_t length = 1;
  for (std::size_t k = 0; k < need; ++k) {
    if (i + length >= text.size()) return {length, REPLACEMENT, false};
    const unsigned char b = byte(i + length);
    const unsigned char min = k == 0 ? lo : 0x80;
    const unsigned char max = k == 0 ? hi : 0xBF;
    if (b < min || b > max) return {length, REPLACEMENT, false};
    value = (value << 6) | (b & 0x3F);
    ++length;
  }
  return {length, value, true};
}

}  // namespace

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string decode_utf8_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const Step step = next_code_point(bytes, i);
    if (step.ok) {
      out.append(bytes.substr(i, step.length));
    } else {
      append_utf8(out, REPLACEMENT);
    }
    i += step.length;
  }
  return out;
}

bool is_valid_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const Step step = next_code_point(bytes, i);
    if (!step.ok) return false;
    i += step.length;
  }
  return true;
}

bool is_white_space(char32_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680:
    case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

std::string_view trim_white_space(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    const Step step = next_code_point(text, begin);
    if (!step.ok || !is_white_space(step.value)) break;
    begin += step.length;
  }
  std::size_t end = text.size();
  while (end > begin) {
    // Walk back to the lead byte of the last sequence (at most four bytes).
    std::size_t start = end - 1;
    while (start > begin && end - start < 4 &&
           (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
      --start;
    }
    const Step step = next_code_point(text, start);
    if (!step.ok || start + step.length != end || !is_white_space(step.value)) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

}  // namespace bq::support
