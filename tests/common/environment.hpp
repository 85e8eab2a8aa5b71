#pragma once
// The process's own environment, for tests that set a variable around a call;
// one backend per platform (environment_posix.cpp, environment_win32.cpp).
// Not safe while another thread reads the environment.

#include <string>

namespace bq::test {

void set_environment(const std::string& name, const std::string& value);
void unset_environment(const std::string& name);

// This process's id, to name folders that parallel test processes do not share.
int process_id();

}  // namespace bq::test
