#include "platform/fail_fast.hpp"

#include <csignal>
#include <cstdio>

#include <gtest/gtest.h>

namespace {

TEST(FailFast, EndsTheProcessByAbortWithoutFlushingOrExitHandlers) {
  // The text sits unflushed in stdout's buffer and an exit handler would print;
  // neither may reach the stream when the process fails fast.
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit handler ran", stderr); });
        std::setvbuf(stderr, nullptr, _IOFBF, 4096);
        std::fputs("buffered", stderr);
        bq::platform::fail_fast();
      },
      testing::KilledBySignal(SIGABRT), "^$");
}

}  // namespace
