// engine-harness products CODE: prints the four recommended cards for the
// verdict code as one compact JSON array.

#include <cstdio>
#include <string>

#include "engine/products.hpp"
#include "harness.hpp"
#include "support/json_writer.hpp"

namespace bq::harness {

int run_products(std::span<char*> args) {
  if (args.size() != 1) {
    std::fputs("usage: engine-harness products CODE\n", stderr);
    return 2;
  }
  nlohmann::json cards = nlohmann::json::array();
  for (const engine::ProductCard& card : engine::recommended_products(args[0])) {
    cards.push_back(engine::product_card_to_json(card));
  }
  const std::string text = support::write_json(cards) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

}  // namespace bq::harness
