#pragma once
// The page the web view shows: the embedded document with the embedded logo
// put in as a data URI.

#include <string>
#include <string_view>

namespace bq::shell {

// Where the page wants the logo's data URI.
inline constexpr std::string_view LOGO_PLACEHOLDER = "__BQ_LOGO_DATA_URI__";

// Replaces every LOGO_PLACEHOLDER in `page`, left to right and without
// overlaps, by "data:image/png;base64," and the padded standard base64 of
// `logo_png`. The inserted text is not searched again; a page without the
// placeholder comes back unchanged.
std::string compose_page(std::string_view page, std::string_view logo_png);

}  // namespace bq::shell
