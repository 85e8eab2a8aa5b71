#include "platform/open_link.hpp"

#include "platform/process.hpp"

namespace bq::platform {

void open_link(const std::string& link) { (void)start_detached("xdg-open", {link}); }

}  // namespace bq::platform
