#include "shell/fatal.hpp"

#include <cstdio>
#include <cstdlib>

#include "platform/fail_fast.hpp"

namespace bq::shell {

void fatal_error(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  platform::fail_fast();
}

void end_process(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace bq::shell
