#pragma once
// The system's temporary directory. Backends: temp_dir_posix.cpp,
// temp_dir_win32.cpp.

#include <string>
#include <string_view>

namespace bq::platform {

// The system's temporary directory joined with `name`, one separator between
// them. Here the directory is TMPDIR when it is set and not empty, else /tmp.
// Safe to call from any thread.
std::string temp_dir_path(std::string_view name);

}  // namespace bq::platform
