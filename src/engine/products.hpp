#pragma once
// The fixed catalogue of recommended licence products.

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace bq::engine {

struct ProductCard {
  std::string slug;
  std::string group;
  std::string badge;
  std::string name;
  std::string price;
  std::string reason;
  std::string url;

  bool operator==(const ProductCard&) const = default;
};

// The Windows 10 list for exactly "NOT_READY", the Windows 11 list otherwise.
std::vector<ProductCard> recommended_products(std::string_view verdictCode);

nlohmann::json product_card_to_json(const ProductCard& card);

}  // namespace bq::engine
