#include "support/json_reader.hpp"

#include <charconv>
#include <cmath>
#include <vector>

#include "support/number_format.hpp"
#include "support/utf8.hpp"

namespace bq::support {
namespace {

// A number in the words of a type fault: "integer `-3`", "floating point `4.0`".
std::string describe_number(const JsonNumber& number) {
  if (number.integer) return "integer `" + std::string(number.text) + "`";
  double value = 0;
  const auto result = std::from_chars(number.text.data(), number.text.data() + number.text.size(), value);
  if (result.ec != std::errc{}) return "floating point `" + std::string(number.text) + "`";
  return "floating point `" + format_shortest(value) + "`";
}

}  // namespace

JsonError::JsonError(std::string description, std::size_t line, std::size_t column)
    : description_(std::move(description)), line_(line), column_(column) {
  full_ = description_ + " at line " + std::to_string(line_) + " column " + std::to_string(column_);
}

void JsonReader::fail_at(std::string description, std::size_t offset) const {
  if (offset > text_.size()) offset = text_.size();
  std::size_t line = 1;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text_[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  // Columns count characters (not bytes), from 1.
  std::size_t column = 1;
  for (std::size_t i = line_start; i < offset; ++i) {
    if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++column;
  }
  throw JsonError(std::move(description), line, column);
}

void JsonReader::skip_white_space() {
  while (!at_end()) {
    const char c = current();
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
    ++pos_;
  }
}

JsonKind JsonReader::peek() {
  skip_white_space();
  if (at_end()) fail("EOF while parsing a value");
  switch (current()) {
    case 'n': return JsonKind::null;
    case 't': case 'f': return JsonKind::boolean;
    case '"': return JsonKind::string;
    case '[': return JsonKind::array;
    case '{': return JsonKind::object;
    case '-': case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
      return JsonKind::number;
    default:
      fail("expected value");
  }
}

void JsonReader::expect_literal(std::string_view word) {
  const std::size_t start = pos_;
  for (const char c : word) {
    if (at_end()) fail("EOF while parsing a value");
    if (current() != c) fail_at("expected ident", start);
    ++pos_;
  }
}

void JsonReader::read_null() {
  if (peek() != JsonKind::null) fail("expected null");
  expect_literal("null");
}

bool JsonReader::read_bool() {
  if (peek() != JsonKind::boolean) fail("expected a boolean");
  if (current() == 't') {
    expect_literal("true");
    return true;
  }
  expect_literal("false");
  return false;
}

JsonNumber JsonReader::read_number() {
  if (peek() != JsonKind::number) fail("expected a number");
  const std::size_t start = pos_;
  JsonNumber number;
  const auto digit = [&] { return !at_end() && current() >= '0' && current() <= '9'; };
  if (current() == '-') {
    number.negative = true;
    ++pos_;
  }
  if (!digit()) fail(at_end() ? "EOF while parsing a value" : "invalid number");
  if (current() == '0') {
    ++pos_;
    if (digit()) fail("invalid number");
  } else {
    while (digit()) ++pos_;
  }
  number.integer = true;
  if (!at_end() && current() == '.') {
    number.integer = false;
    ++pos_;
    if (!digit()) fail(at_end() ? "EOF while parsing a value" : "invalid number");
    while (digit()) ++pos_;
  }
  if (!at_end() && (current() == 'e' || current() == 'E')) {
    number.integer = false;
    ++pos_;
    if (!at_end() && (current() == '+' || current() == '-')) ++pos_;
    if (!digit()) fail(at_end() ? "EOF while parsing a value" : "invalid number");
    while (digit()) ++pos_;
  }
  number.text = text_.substr(start, pos_ - start);
  return number;
}

double JsonReader::to_double(const JsonNumber& number) const {
  double value = 0;
  const auto result = std::from_chars(number.text.data(), number.text.data() + number.text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars reports underflow too; a value too small for a double reads as zero.
    const auto e = number.text.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && number.text.find('-', e) != std::string_view::npos;
    if (!tiny) fail_at("number out of range", static_cast<std::size_t>(number.text.data() - text_.data()));
    return number.negative ? -0.0 : 0.0;
  }
  return value;
}

double JsonReader::read_double() { return to_double(read_number()); }

char32_t JsonReader::read_hex4() {
  char32_t value = 0;
  for (int k = 0; k < 4; ++k) {
    if (at_end()) fail("EOF while parsing a string");
    const char c = current();
    int v;
    if (c >= '0' && c <= '9') {
      v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      v = c - 'A' + 10;
    } else {
      fail("invalid escape");
    }
    value = value << 4 | static_cast<char32_t>(v);
    ++pos_;
  }
  return value;
}

std::string JsonReader::read_string_impl(bool keep) {
  if (peek() != JsonKind::string) fail("expected a string");
  ++pos_;  // opening quote
  std::string out;
  bool raw_ascii_only = true;
  std::size_t run_start = pos_;
  const auto flush_run = [&] {
    if (keep) out.append(text_.substr(run_start, pos_ - run_start));
  };
  for (;;) {
    if (at_end()) fail("EOF while parsing a string");
    const auto c = static_cast<unsigned char>(current());
    if (c == '"') {
      flush_run();
      ++pos_;
      break;
    }
    if (c < 0x20) fail("control character (\\u0000-\\u001F) found while parsing a string");
    if (c >= 0x80) raw_ascii_only = false;
    if (c != '\\') {
      ++pos_;
      continue;
    }
    flush_run();
    ++pos_;
    if (at_end()) fail("EOF while parsing a string");
    const char e = current();
    ++pos_;
    switch (e) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case '/': out += '/'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'u': {
        const std::size_t escape_start = pos_ - 2;
        char32_t unit = read_hex4();
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          if (pos_ + 1 < text_.size() && text_[pos_] == '\\' && text_[pos_ + 1] == 'u') {
            pos_ += 2;
            const char32_t low = read_hex4();
            if (low >= 0xDC00 && low <= 0xDFFF) {
              unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            } else if (keep) {
              fail_at("lone leading surrogate in hex escape", escape_start);
            } else {
              unit = 0xFFFD;
            }
          } else if (keep) {
            fail_at("lone leading surrogate in hex escape", escape_start);
          } else {
            unit = 0xFFFD;
          }
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
          if (keep) fail_at("lone trailing surrogate in hex escape", escape_start);
          unit = 0xFFFD;
        }
        if (keep) append_utf8(out, unit);
        break;
      }
      default:
        --pos_;
        fail("invalid escape");
    }
    run_start = pos_;
  }
  if (keep && !raw_ascii_only && !is_valid_utf8(out)) return decode_utf8_lossy(out);
  return out;
}

std::string JsonReader::read_string() { return read_string_impl(true); }

bool JsonReader::after_opening(char open) const {
  // A value never ends in "{" or "[", so the last significant character before
  // the position tells whether the container was just opened.
  std::size_t back = pos_;
  while (back > 0) {
    const char p = text_[back - 1];
    if (p != ' ' && p != '\t' && p != '\n' && p != '\r') break;
    --back;
  }
  return back > 0 && text_[back - 1] == open;
}

void JsonReader::begin_object() {
  if (peek() != JsonKind::object) fail("expected an object");
  ++pos_;
}

std::optional<std::string> JsonReader::next_key_impl(bool keep) {
  const bool first = after_opening('{');
  skip_white_space();
  if (at_end()) fail("EOF while parsing an object");
  if (current() == '}') {
    ++pos_;
    return std::nullopt;
  }
  if (!first) {
    if (current() != ',') fail("expected `,` or `}`");
    ++pos_;
    skip_white_space();
    if (at_end()) fail("EOF while parsing an object");
    if (current() == '}') fail("trailing comma");
  }
  if (current() != '"') fail("key must be a string");
  std::string key = read_string_impl(keep);
  skip_white_space();
  if (at_end()) fail("EOF while parsing an object");
  if (current() != ':') fail("expected `:`");
  ++pos_;
  return key;
}

std::optional<std::string> JsonReader::next_key() { return next_key_impl(true); }

void JsonReader::begin_array() {
  if (peek() != JsonKind::array) fail("expected an array");
  ++pos_;
}

bool JsonReader::next_element() {
  const bool first = after_opening('[');
  skip_white_space();
  if (at_end()) fail("EOF while parsing a list");
  if (current() == ']') {
    ++pos_;
    return false;
  }
  if (!first) {
    if (current() != ',') fail("expected `,` or `]`");
    ++pos_;
    skip_white_space();
    if (at_end()) fail("EOF while parsing a list");
    if (current() == ']') fail("trailing comma");
  }
  return true;
}

void JsonReader::skip_value() {
  std::vector<bool> in_object;  // one entry per open container, on the heap
  for (;;) {
    switch (peek()) {
      case JsonKind::object:
        begin_object();
        in_object.push_back(true);
        break;
      case JsonKind::array:
        begin_array();
        in_object.push_back(false);
        break;
      case JsonKind::string: read_string_impl(false); break;
      case JsonKind::number: read_number(); break;
      case JsonKind::boolean: read_bool(); break;
      case JsonKind::null: read_null(); break;
    }
    // Move on to the next value to read, closing the containers that end here.
    while (!in_object.empty()) {
      const bool more = in_object.back() ? next_key_impl(false).has_value() : next_element();
      if (more) break;
      in_object.pop_back();
    }
    if (in_object.empty()) return;
  }
}

nlohmann::json JsonReader::number_value() {
  const JsonNumber number = read_number();
  if (number.integer) {
    const char* first = number.text.data();
    const char* last = first + number.text.size();
    if (!number.negative) {
      std::uint64_t value = 0;
      if (std::from_chars(first, last, value).ec == std::errc{}) return nlohmann::json(value);
    } else {
      std::int64_t value = 0;
      if (std::from_chars(first, last, value).ec == std::errc{} && value != 0) return nlohmann::json(value);
    }
  }
  // A fraction, an exponent, "-0" or an integer beyond 64 bits: a double.
  return nlohmann::json(to_double(number));
}

nlohmann::json JsonReader::read_value(std::size_t max_depth) {
  nlohmann::json root;
  std::vector<nlohmann::json*> open;  // the containers being filled, outermost first
  std::string key;
  const auto place = [&](nlohmann::json value) -> nlohmann::json& {
    if (open.empty()) return root = std::move(value);
    nlohmann::json& parent = *open.back();
    if (parent.is_object()) return parent[key] = std::move(value);  // a repeated key keeps the last value
    parent.push_back(std::move(value));
    return parent.back();  // stays valid: the parent grows again only after this child is closed
  };
  for (;;) {
    switch (peek()) {
      case JsonKind::object:
        if (open.size() >= max_depth) fail("recursion limit exceeded");
        begin_object();
        open.push_back(&place(nlohmann::json::object()));
        break;
      case JsonKind::array:
        if (open.size() >= max_depth) fail("recursion limit exceeded");
        begin_array();
        open.push_back(&place(nlohmann::json::array()));
        break;
      case JsonKind::string: place(read_string()); break;
      case JsonKind::number: place(number_value()); break;
      case JsonKind::boolean: place(read_bool()); break;
      case JsonKind::null:
        read_null();
        place(nullptr);
        break;
    }
    while (!open.empty()) {
      if (open.back()->is_object()) {
        if (auto next = next_key()) {
          key = std::move(*next);
          break;
        }
      } else if (next_element()) {
        break;
      }
      open.pop_back();
    }
    if (open.empty()) return root;
  }
}

void JsonReader::expect_end() {
  skip_white_space();
  if (!at_end()) fail("trailing characters");
}

void JsonReader::expect_kind(JsonKind kind, std::string_view expected) {
  if (peek() != kind) fail_type(expected);
}

void JsonReader::fail_type(std::string_view expected) {
  const std::string found = describe_found(*this);
  fail("invalid type: " + found + ", expected " + std::string(expected));
}

std::uint64_t JsonReader::read_unsigned(std::uint64_t max, std::string_view expected, NumberFaults faults) {
  expect_kind(JsonKind::number, expected);
  const JsonNumber number = read_number();
  const std::string wanted = ", expected " + std::string(expected);
  if (!number.integer && faults == NumberFaults::by_kind) fail("invalid type: " + describe_number(number) + wanted);
  std::uint64_t value = 0;
  const auto result = std::from_chars(number.text.data(), number.text.data() + number.text.size(), value);
  if (!number.integer || number.negative || result.ec != std::errc{} || value > max) {
    // Only integers are left for the record's words, which name the kind.
    std::string shown = faults == NumberFaults::by_kind ? "integer `" : "`";
    shown.append(number.text);
    shown += '`';
    fail("invalid value: " + shown + wanted);
  }
  return value;
}

std::string describe_found(JsonReader& reader) {
  switch (reader.peek()) {
    case JsonKind::null:
      reader.read_null();
      return "null";
    case JsonKind::boolean:
      return reader.read_bool() ? "boolean `true`" : "boolean `false`";
    case JsonKind::number: return describe_number(reader.read_number());
    case JsonKind::string: {
      const std::string text = reader.read_string();
      std::string quoted = "string \"";
      for (const char c : text) {
        switch (c) {
          case '"': quoted += "\\\""; break;
          case '\\': quoted += "\\\\"; break;
          case '\n': quoted += "\\n"; break;
          case '\r': quoted += "\\r"; break;
          case '\t': quoted += "\\t"; break;
          default:
            if (static_cast<unsigned char>(c) < 0x20) {
              constexpr char HEX[] = "0123456789abcdef";
              quoted += "\\u{";
              if (c >= 0x10) quoted += HEX[c >> 4];
              quoted += HEX[c & 15];
              quoted += '}';
            } else {
              quoted += c;
            }
        }
      }
      return quoted + "\"";
    }
    case JsonKind::array:
      return "sequence";
    case JsonKind::object:
      return "map";
  }
  return "value";
}

}  // namespace bq::support
