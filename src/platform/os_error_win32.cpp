#include "platform/os_error.hpp"

#include "platform/wide_text_win32.hpp"

namespace bq::platform {

std::string os_error_message(unsigned long code) {
  return system_message(code) + " (os error " + std::to_string(code) + ")";
}

}  // namespace bq::platform
