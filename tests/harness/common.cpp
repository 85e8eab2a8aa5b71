#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "harness.hpp"

namespace bq::harness {

std::string read_stdin() {
  std::string data;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) data.append(buffer, n);
  return data;
}

std::optional<std::string> read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace bq::harness
