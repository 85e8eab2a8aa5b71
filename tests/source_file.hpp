#pragma once
// Reads a file of the source tree whole, byte for byte.

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace bq::test {

inline std::string read_source_file(std::string_view relative_path) {
  const std::string path = std::string(BQ_SOURCE_DIR) + "/" + std::string(relative_path);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace bq::test
