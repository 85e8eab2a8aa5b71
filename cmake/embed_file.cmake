# Script mode: writes IN's bytes to OUT as a C++ string_view constant.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hex_len)
math(EXPR size "${hex_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUT}" "// Generated from ${IN}; do not edit.\n#include <string_view>\n"
  "namespace ${NAMESPACE} {\n"
  "namespace {\nconstexpr char bytes[${size} + 1] = {\n${bytes}'\\0'};\n}\n"
  "extern const std::string_view ${SYMBOL};\n"
  "const std::string_view ${SYMBOL}{bytes, ${size}};\n}\n")
