#include "platform/open_link.hpp"

#include "platform/process.hpp"

namespace bq::platform {

void open_link(const std::string& link) {
  if (holds_control_character(link)) return;
  (void)start_detached("xdg-open", {link});
}

}  // namespace bq::platform
