#pragma once
// Base64 in the two alphabets of RFC 4648.

#include <optional>
#include <string>
#include <string_view>

namespace bq::support {

// Standard alphabet ("+", "/") with "=" padding: the logo's data URI.
std::string base64_encode(std::string_view bytes);

// URL- and file-name-safe alphabet ("-", "_") without padding: the share link.
std::string base64url_encode(std::string_view bytes);

// Reads either form back (padding optional); nullopt for any other character
// or an impossible length.
std::optional<std::string> base64_decode(std::string_view text);

}  // namespace bq::support
