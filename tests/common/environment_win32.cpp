#include <process.h>
#include <stdlib.h>

#include "common/environment.hpp"

namespace bq::test {

// The C runtime's copy and the process's own block change together, so both
// the runtime's getenv and GetEnvironmentVariable see the change.
void set_environment(const std::string& name, const std::string& value) { ::_putenv_s(name.c_str(), value.c_str()); }

// An empty value removes the variable.
void unset_environment(const std::string& name) { ::_putenv_s(name.c_str(), ""); }

int process_id() { return ::_getpid(); }

}  // namespace bq::test
