#pragma once
// UTF-8 helpers shared by every layer.

#include <string>
#include <string_view>

namespace bq::support {

// Decodes bytes as UTF-8 and puts U+FFFD in place of each maximal ill-formed
// subpart (the Unicode Standard's recommended practice), so E2 82 41 gives
// U+FFFD "A", C0 80 gives two U+FFFD and ED A0 80 gives three.
std::string decode_utf8_lossy(std::string_view bytes);

// True when the bytes are well-formed UTF-8.
bool is_valid_utf8(std::string_view bytes);

// Appends the UTF-8 form of a Unicode scalar value.
void append_utf8(std::string& out, char32_t code_point);

// The Unicode White_Space property. U+FEFF is not white space.
bool is_white_space(char32_t code_point);

// The text without the White_Space characters at both of its ends. An
// ill-formed byte is never white space, so it stops the trimming.
std::string_view trim_white_space(std::string_view text);

}  // namespace bq::support
