#include "platform/fail_fast.hpp"

#include <cstdlib>

namespace bq::platform {

void fail_fast() { std::abort(); }

}  // namespace bq::platform
