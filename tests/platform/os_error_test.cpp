#include "platform/os_error.hpp"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(OsErrorMessage, GivesTheSystemsMessageThenTheCode) {
  // 2 is a missing file on both systems: ENOENT, ERROR_FILE_NOT_FOUND.
  const std::string message = bq::platform::os_error_message(2);
  EXPECT_TRUE(message.ends_with(" (os error 2)")) << message;
  EXPECT_GT(message.size(), std::string(" (os error 2)").size()) << message;
  EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;
}

}  // namespace
