#include "platform/thread.hpp"

#include <pthread.h>

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
  int detach_state = -1;
};

// What the running thread sees of itself.
Seen seen_by_the_thread() {
  Seen seen;
  seen.id = std::this_thread::get_id();
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstacksize(&attributes, &seen.stack_bytes);
    pthread_attr_getdetachstate(&attributes, &seen.detach_state);
    pthread_attr_destroy(&attributes);
  }
  return seen;
}

TEST(StartDetachedThread, RunsTheBodyOnADetachedThreadWithTheAskedStack) {
  // glibc may hand a thread a cached stack of up to four times the size asked,
  // so the test asks for more than the default stack (8 MiB here) once, to
  // tell the asked size from the default, and checks for at least the room asked.
  for (const std::size_t stack_bytes : {std::size_t{2} << 20, std::size_t{24} << 20}) {
    SCOPED_TRACE(stack_bytes);
    std::promise<Seen> promise;
    std::future<Seen> future = promise.get_future();
    const auto started =
        bq::platform::start_detached_thread(stack_bytes, [&promise] { promise.set_value(seen_by_the_thread()); });
    ASSERT_TRUE(std::holds_alternative<bq::support::Done>(started)) << std::get<std::string>(started);
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const Seen seen = future.get();
    EXPECT_NE(seen.id, std::this_thread::get_id());
    EXPECT_GE(seen.stack_bytes, stack_bytes);
    EXPECT_EQ(seen.detach_state, PTHREAD_CREATE_DETACHED);
  }
}

}  // namespace
