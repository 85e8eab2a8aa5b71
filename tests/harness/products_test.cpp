// engine-harness products CODE: the cards of a verdict code as one JSON line.

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/test_files.hpp"

namespace {

using bq::test::read_data_line;

constexpr std::string_view WINDOWS_11 = "products-windows11.json";
constexpr std::string_view WINDOWS_10 = "products-windows10.json";

struct CodeCase {
  std::string_view code;
  std::string_view list;
};

TEST(ProductsHarness, PrintsTheCardsAsOneLine) {
  for (const auto& [code, list] : {CodeCase{"NOT_READY", WINDOWS_10}, CodeCase{"READY", WINDOWS_11},
                                   CodeCase{"not_ready", WINDOWS_11}, CodeCase{"", WINDOWS_11}}) {
    SCOPED_TRACE(code);
    const bq::test::HarnessRun run = bq::test::run_harness({"products", std::string(code)});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, read_data_line(list) + "\n");
  }
}

TEST(ProductsHarness, WantsExactlyOneCode) {
  EXPECT_EQ(bq::test::run_harness({"products"}).status, 2);
  EXPECT_EQ(bq::test::run_harness({"products", "READY", "NOT_READY"}).status, 2);
}

}  // namespace
