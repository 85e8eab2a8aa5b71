#pragma once
// Helpers shared by the suites: golden data files and runs of engine-harness.

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/test_paths.hpp"

namespace bq::test {

// The bytes of a file, whole.
inline std::string read_file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// The bytes of a file under tests/data.
inline std::string read_data_file(std::string_view name) {
  return read_file_bytes(std::string(TEST_DATA_DIR) + "/" + std::string(name));
}

// The bytes of a file of the source tree, by its path from the top folder.
inline std::string read_source_file(std::string_view relative_path) {
  return read_file_bytes(std::string(SOURCE_DIR) + "/" + std::string(relative_path));
}

// The file's bytes without its final line feeds.
inline std::string read_data_line(std::string_view name) {
  std::string text = read_data_file(name);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

struct HarnessRun {
  int status = -1;  // the exit status, or -1 when the harness did not exit normally
  std::string out;
  std::string err;
};

// Runs engine-harness with the arguments and `input` on its standard input,
// through files rather than pipes so that no output size can block it.
// One backend per platform (run_harness_posix.cpp, run_harness_win32.cpp).
HarnessRun run_harness(const std::vector<std::string>& args, std::string_view input = {});

}  // namespace bq::test
