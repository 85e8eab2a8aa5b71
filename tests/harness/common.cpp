#include <cstdio>
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

}  // namespace bq::harness
