#include "engine/products.hpp"

#include <gtest/gtest.h>

#include "common/test_files.hpp"
#include "engine/vendor.hpp"
#include "support/json_writer.hpp"

namespace {

using bq::engine::ProductCard;
using bq::engine::recommended_products;
using bq::test::read_data_line;

constexpr std::string_view WINDOWS_11 = "products-windows11.json";
constexpr std::string_view WINDOWS_10 = "products-windows10.json";

std::string cards_json(const std::vector<ProductCard>& cards) {
  nlohmann::json array = nlohmann::json::array();
  for (const ProductCard& card : cards) array.push_back(bq::engine::product_card_to_json(card));
  return bq::support::write_json(array);
}

struct CodeCase {
  std::string_view code;
  std::string_view list;
};

TEST(RecommendedProducts, OnlyTheExactNotReadyCodeGivesTheWindows10List) {
  using namespace std::string_view_literals;
  const CodeCase cases[] = {
      {"NOT_READY", WINDOWS_10},   {"READY", WINDOWS_11},     {"NEEDS_BIOS", WINDOWS_11},    {"", WINDOWS_11},
      {"not_ready", WINDOWS_11},   {"Not_Ready", WINDOWS_11}, {"NOT_READY ", WINDOWS_11},    {" NOT_READY", WINDOWS_11},
      {"NOT_READY\n", WINDOWS_11}, {"NOT_READ", WINDOWS_11},  {"NOT_READY\0"sv, WINDOWS_11}, {"NOT READY", WINDOWS_11},
  };
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "code \"" << c.code << "\" (" << c.code.size() << " bytes)");
    const std::vector<ProductCard> cards = recommended_products(c.code);
    ASSERT_EQ(cards.size(), 4u);
    EXPECT_EQ(cards_json(cards), read_data_line(c.list));
  }
}

TEST(RecommendedProducts, EveryUrlIsTheShopPageOfItsSlug) {
  for (const std::string_view code : {"READY", "NOT_READY"}) {
    for (const ProductCard& card : recommended_products(code)) {
      SCOPED_TRACE(card.slug);
      EXPECT_FALSE(card.slug.empty());
      EXPECT_TRUE(card.url.ends_with("/san-pham/" + card.slug)) << card.url;
      EXPECT_EQ(card.url, std::string(bq::engine::PRODUCT_URL_PREFIX) + card.slug);
      EXPECT_EQ(card.url, std::string(bq::engine::WEB_ORIGIN) + "/san-pham/" + card.slug);
      EXPECT_TRUE(card.group == "Windows" || card.group == "Office") << card.group;
    }
  }
}

TEST(RecommendedProducts, TheSharedOfficeRowDiffersOnlyInBadgeAndReason) {
  const std::vector<ProductCard> windows11 = recommended_products("READY");
  const std::vector<ProductCard> windows10 = recommended_products("NOT_READY");
  std::vector<std::pair<ProductCard, ProductCard>> shared;
  for (const ProductCard& a : windows11) {
    for (const ProductCard& b : windows10) {
      if (a.slug == b.slug) shared.emplace_back(a, b);
    }
  }
  ASSERT_EQ(shared.size(), 1u);
  const auto& [in11, in10] = shared.front();
  EXPECT_EQ(in11.slug, "office-2021-pro-plus-no-box");
  EXPECT_EQ(in11.group, in10.group);
  EXPECT_EQ(in11.name, in10.name);
  EXPECT_EQ(in11.price, in10.price);
  EXPECT_EQ(in11.url, in10.url);
  EXPECT_NE(in11.badge, in10.badge);
  EXPECT_NE(in11.reason, in10.reason);
  EXPECT_EQ(in11.badge, "Combo tiết kiệm");
  EXPECT_EQ(in10.badge, "Vĩnh viễn · Chạy mượt Win 10");
}

TEST(RecommendedProducts, EachCallReturnsItsOwnList) {
  std::vector<ProductCard> first = recommended_products("READY");
  first[0].name = "changed";
  first.pop_back();
  EXPECT_EQ(cards_json(recommended_products("READY")), read_data_line(WINDOWS_11));
}

TEST(ProductCardJson, SevenStringsInByteOrderOfTheirKeys) {
  const ProductCard card{"s", "g", "b \"x\"", "n", "1.000đ", "r\\", "u/v"};
  EXPECT_EQ(bq::support::write_json(bq::engine::product_card_to_json(card)),
            R"({"badge":"b \"x\"","group":"g","name":"n","price":"1.000đ","reason":"r\\","slug":"s","url":"u/v"})");
}

}  // namespace
