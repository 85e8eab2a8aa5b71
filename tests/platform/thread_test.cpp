#include "platform/thread.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <variant>

#include <gtest/gtest.h>

namespace {

TEST(StartDetachedThread, RefusedStartGivesTheSystemsReasonAndDropsTheBody) {
  // No system has room for a stack of nearly the whole address space.
  bool ran = false;
  auto guard = std::make_shared<int>(0);
  const auto started = bq::platform::start_detached_thread(~std::size_t{0} >> 1, [&ran, guard] { ran = true; });
  const auto* failure = std::get_if<std::string>(&started);
  ASSERT_NE(failure, nullptr);
  EXPECT_FALSE(failure->empty());
  EXPECT_EQ(failure->find_first_of("\r\n"), std::string::npos) << *failure;
  EXPECT_FALSE(ran);
  EXPECT_EQ(guard.use_count(), 1) << "the body was not released";
}

}  // namespace
