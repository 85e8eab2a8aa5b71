#include "platform/os_error.hpp"

#include <system_error>

namespace bq::platform {

std::string os_error_message(unsigned long code) {
  const int error = static_cast<int>(code);
  return std::system_category().message(error) + " (os error " + std::to_string(error) + ")";
}

}  // namespace bq::platform
