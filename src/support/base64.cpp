#include "support/base64.hpp"

#include <cstdint>

namespace bq::support {
namespace {

constexpr std::string_view STANDARD = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view URL_SAFE = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string encode(std::string_view bytes, std::string_view alphabet, bool pad) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  const auto byte = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k])); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
    out += alphabet[group >> 18];
    out += alphabet[(group >> 12) & 63];
    out += alphabet[(group >> 6) & 63];
    out += alphabet[group & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest == 1) {
    const std::uint32_t group = byte(i) << 16;
    out += alphabet[group >> 18];
    out += alphabet[(group >> 12) & 63];
    if (pad) out += "==";
  } else if (rest == 2) {
    const std::uint32_t group = byte(i) << 16 | byte(i + 1) << 8;
    out += alphabet[group >> 18];
    out += alphabet[(group >> 12) & 63];
    out += alphabet[(group >> 6) & 63];
    if (pad) out += '=';
  }
  return out;
}

int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

}  // namespace

std::string base64_encode(std::string_view bytes) { return encode(bytes, STANDARD, true); }

std::string base64url_encode(std::string_view bytes) { return encode(bytes, URL_SAFE, false); }

std::optional<std::string> base64_decode(std::string_view text) {
  if (text.size() % 4 == 0 && !text.empty()) {
    if (text.ends_with("==")) {
      text.remove_suffix(2);
    } else if (text.ends_with('=')) {
      text.remove_suffix(1);
    }
  }
  if (text.size() % 4 == 1) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  std::uint32_t acc = 0;
  int bits = 0;
  for (const char c : text) {
    const int v = sextet(c);
    if (v < 0) return std::nullopt;
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

}  // namespace bq::support
