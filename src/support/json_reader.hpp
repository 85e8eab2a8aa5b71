#pragma once
// A strict JSON pull reader (RFC 8259) over UTF-8 text, for the typed readers
// that must report faults with a description and a position, find duplicate
// keys and bound nesting. Free-form parts come out as nlohmann::json values.
//
// Faults are thrown as JsonError. Syntax faults carry the reader's own
// descriptions; typed readers raise theirs with expect_kind(), fail_type(),
// read_unsigned() and fail().

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace bq::support {

class JsonError : public std::exception {
 public:
  JsonError(std::string description, std::size_t line, std::size_t column);
  const std::string& description() const { return description_; }
  std::size_t line() const { return line_; }
  std::size_t column() const { return column_; }
  // "DESCRIPTION at line L column C"
  const char* what() const noexcept override { return full_.c_str(); }

 private:
  std::string description_;
  std::size_t line_;
  std::size_t column_;
  std::string full_;
};

enum class JsonKind { null, boolean, number, string, array, object };

// A number token as written, checked against the JSON grammar.
struct JsonNumber {
  std::string_view text;
  bool negative = false;
  bool integer = false;  // written without fraction and exponent
};

// How read_unsigned words a number that it does not take: the record's
// reader and the request's reader each word it in a way of their own.
enum class NumberFaults {
  // A fraction or an exponent is a type fault, "invalid type: floating point
  // `1.5`, expected u32"; an integer out of range is a value fault,
  // "invalid value: integer `-1`, expected u32".
  by_kind,
  // Any number out of range or not an integer is a value fault that quotes
  // it as written: "invalid value: `1.5`, expected u64".
  as_written,
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  // Skips white space and tells which kind of value starts next.
  JsonKind peek();

  void read_null();
  bool read_bool();
  // Escapes decoded; a lone surrogate escape is a fault. Ill-formed UTF-8 in
  // the text is kept as U+FFFD.
  std::string read_string();
  JsonNumber read_number();
  // The number as a double; "number out of range" beyond the double's range.
  double read_double();

  // Objects: begin_object() takes the "{"; each next_key() takes the comma
  // before a further member and returns its key with the ":" consumed, or
  // nullopt once it has taken the "}". The caller reads the value in between.
  void begin_object();
  std::optional<std::string> next_key();
  // Arrays: begin_array() takes the "["; next_element() is true when an element
  // follows (its comma taken), false once it has taken the "]".
  void begin_array();
  bool next_element();

  // Reads over one value of any depth without recursion; lone surrogate
  // escapes are allowed here since nothing is kept.
  void skip_value();
  // Builds one value whose arrays and objects nest at most `max_depth` levels
  // (a top-level array or object is level 1).
  nlohmann::json read_value(std::size_t max_depth);

  // Only JSON white space may remain; otherwise "trailing characters".
  void expect_end();

  // Typed reads. `expected` names what the typed reader wants, in the words
  // of its faults ("u32", "a string", "struct IpcMessage").
  //
  // Fails with "invalid type: FOUND, expected EXPECTED" unless a value of
  // `kind` starts next; FOUND is as describe_found() gives it.
  void expect_kind(JsonKind kind, std::string_view expected);
  // The same fault for whatever value starts next.
  [[noreturn]] void fail_type(std::string_view expected);
  // Reads an integer from 0 to `max`; anything else fails, a number in the
  // words that `faults` picks.
  std::uint64_t read_unsigned(std::uint64_t max, std::string_view expected, NumberFaults faults);

  [[noreturn]] void fail(std::string description) const { fail_at(std::move(description), pos_); }
  [[noreturn]] void fail_at(std::string description, std::size_t offset) const;

  std::size_t offset() const { return pos_; }

 private:
  void skip_white_space();
  bool at_end() const { return pos_ >= text_.size(); }
  char current() const { return text_[pos_]; }
  void expect_literal(std::string_view word);
  std::string read_string_impl(bool keep);
  std::optional<std::string> next_key_impl(bool keep);
  bool after_opening(char open) const;
  char32_t read_hex4();
  nlohmann::json number_value();
  double to_double(const JsonNumber& number) const;

  std::string_view text_;
  std::size_t pos_ = 0;
};

// Describes the value that starts at the reader's position in the words of a
// type fault, reading it if it is a scalar: "null", "boolean `true`",
// "integer `-3`", "floating point `4.0`", "string \"abc\"", "sequence", "map".
std::string describe_found(JsonReader& reader);

}  // namespace bq::support
