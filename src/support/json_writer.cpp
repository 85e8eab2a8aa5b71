#include "support/json_writer.hpp"

#include <charconv>
#include <cmath>
#include <vector>

#include "support/number_format.hpp"
#include "support/utf8.hpp"

namespace bq::support {
namespace {

template <typename Integer>
void append_integer(std::string& out, Integer value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

bool needs_escape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

void append_escaped(std::string& out, std::string_view text) {
  constexpr char HEX[] = "0123456789abcdef";
  std::size_t run = 0;  // start of the pending run of characters written as they are
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!needs_escape(c)) continue;
    out.append(text.substr(run, i - run));
    run = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default:
        out += "\\u00";
        out += HEX[c >> 4];
        out += HEX[c & 15];
    }
  }
  out.append(text.substr(run));
}

// Iterative, so that a deeply nested value cannot exhaust the stack.
void write_value(std::string& out, const nlohmann::json& root) {
  struct Frame {
    const nlohmann::json* container;
    nlohmann::json::const_iterator next;
    bool first;
  };
  std::vector<Frame> stack;

  const auto write_scalar_or_open = [&](const nlohmann::json& value) {
    switch (value.type()) {
      case nlohmann::json::value_t::object:
        out += '{';
        stack.push_back({&value, value.cbegin(), true});
        return;
      case nlohmann::json::value_t::array:
        out += '[';
        stack.push_back({&value, value.cbegin(), true});
        return;
      case nlohmann::json::value_t::string:
        append_json_string(out, value.get_ref<const std::string&>());
        return;
      case nlohmann::json::value_t::boolean:
        out += value.get<bool>() ? "true" : "false";
        return;
      case nlohmann::json::value_t::number_integer:
        append_integer(out, value.get<std::int64_t>());
        return;
      case nlohmann::json::value_t::number_unsigned:
        append_integer(out, value.get<std::uint64_t>());
        return;
      case nlohmann::json::value_t::number_float: {
        const double d = value.get<double>();
        out += std::isfinite(d) ? format_shortest(d) : "null";
        return;
      }
      default:  // null, discarded, binary
        out += "null";
        return;
    }
  };

  write_scalar_or_open(root);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const bool is_object = frame.container->is_object();
    if (frame.next == frame.container->cend()) {
      out += is_object ? '}' : ']';
      stack.pop_back();
      continue;
    }
    if (!frame.first) out += ',';
    frame.first = false;
    const auto item = frame.next++;
    if (is_object) {
      append_json_string(out, item.key());
      out += ':';
    }
    write_scalar_or_open(*item);  // may grow the stack; `frame` is not used after this
  }
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  if (is_valid_utf8(text)) {
    append_escaped(out, text);
  } else {
    append_escaped(out, decode_utf8_lossy(text));
  }
  out += '"';
}

std::string write_json(const nlohmann::json& value) {
  std::string out;
  write_value(out, value);
  return out;
}

}  // namespace bq::support
