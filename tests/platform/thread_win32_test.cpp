#include "platform/thread.hpp"

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <future>
#include <string>
#include <thread>
#include <variant>

#include <gtest/gtest.h>

namespace {

struct Seen {
  std::thread::id id;
  std::size_t stack_bytes = 0;
};

// What the running thread sees of itself: its id and its reserved stack.
Seen seen_by_the_thread() {
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  ::GetCurrentThreadStackLimits(&low, &high);
  return {std::this_thread::get_id(), static_cast<std::size_t>(high - low)};
}

TEST(StartDetachedThread, RunsTheBodyOnAThreadWithTheAskedStackReserved) {
  for (const std::size_t stack_bytes : {std::size_t{2} << 20, std::size_t{8} << 20}) {
    SCOPED_TRACE(stack_bytes);
    std::promise<Seen> promise;
    std::future<Seen> future = promise.get_future();
    const auto started =
        bq::platform::start_detached_thread(stack_bytes, [&promise] { promise.set_value(seen_by_the_thread()); });
    ASSERT_TRUE(std::holds_alternative<bq::support::Done>(started)) << std::get<std::string>(started);
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const Seen seen = future.get();
    EXPECT_NE(seen.id, std::this_thread::get_id());
    EXPECT_EQ(seen.stack_bytes, stack_bytes);
  }
}

}  // namespace
