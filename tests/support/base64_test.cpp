#include "support/base64.hpp"

#include <gtest/gtest.h>

namespace {

using namespace bq::support;

TEST(Base64, BothAlphabetsAndPadding) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(base64url_encode("f"), "Zg");
  EXPECT_EQ(base64url_encode("fo"), "Zm8");
  EXPECT_EQ(base64url_encode("foo"), "Zm9v");
  // Bytes that use the two alphabet-specific characters.
  EXPECT_EQ(base64_encode("\xFB\xFF\xBF"), "+/+/");
  EXPECT_EQ(base64url_encode("\xFB\xFF\xBF"), "-_-_");
}

TEST(Base64, DecodesWhatItEncodes) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  for (std::size_t n = 0; n <= all.size(); n += 37) {
    const std::string bytes = all.substr(0, n);
    EXPECT_EQ(base64_decode(base64_encode(bytes)), bytes);
    EXPECT_EQ(base64_decode(base64url_encode(bytes)), bytes);
  }
  EXPECT_EQ(base64_decode("Zg=="), "f");
  EXPECT_FALSE(base64_decode("Z").has_value());
  EXPECT_FALSE(base64_decode("Zm9v!").has_value());
}

}  // namespace
