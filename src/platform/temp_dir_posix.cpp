#include "platform/temp_dir.hpp"

#include <cstdlib>

namespace bq::platform {

std::string temp_dir_path(std::string_view name) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string path = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  // "/tmp/" and "/tmp" name the same folder; the joined path has one separator.
  while (path.ends_with('/')) path.pop_back();
  path += '/';
  path += name;
  return path;
}

}  // namespace bq::platform
