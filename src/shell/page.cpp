#include "shell/page.hpp"

#include "support/base64.hpp"

namespace bq::shell {

std::string compose_page(std::string_view page, std::string_view logo_png) {
  std::size_t hit = page.find(LOGO_PLACEHOLDER);
  if (hit == std::string_view::npos) return std::string(page);

  const std::string uri = "data:image/png;base64," + support::base64_encode(logo_png);
  std::string composed;
  composed.reserve(page.size() + uri.size());
  std::size_t from = 0;
  for (; hit != std::string_view::npos; hit = page.find(LOGO_PLACEHOLDER, from)) {
    composed.append(page, from, hit - from);
    composed += uri;
    from = hit + LOGO_PLACEHOLDER.size();
  }
  composed.append(page, from);
  return composed;
}

}  // namespace bq::shell
