#include "common/environment.hpp"

#include <stdlib.h>
#include <unistd.h>

namespace bq::test {

void set_environment(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }

void unset_environment(const std::string& name) { ::unsetenv(name.c_str()); }

int process_id() { return static_cast<int>(::getpid()); }

}  // namespace bq::test
