#pragma once
// The one way the program writes JSON text: compact, object keys in ascending
// byte order, only '"', '\' and the control characters below U+0020 escaped
// (\b \t \n \f \r, else \u00 and two lower-case hex digits), everything else
// raw UTF-8 ('/' too), integers in plain decimal, doubles by format_shortest
// (shortest form that reads back as the same double: "16.0", "0.0001", "1e16").

#include <string>

#include <nlohmann/json.hpp>

namespace bq::support {

// Never fails. A string that is not well-formed UTF-8 is written with U+FFFD
// in place of each ill-formed part, so the text is always valid JSON in valid
// UTF-8; a non-finite double (which no JSON text can hold) is written as null.
std::string write_json(const nlohmann::json& value);

// Appends the JSON string literal of `text` to `out`, by the same rules.
void append_json_string(std::string& out, std::string_view text);

}  // namespace bq::support
