#pragma once
// A temporary folder for files that tests write (fake child programs, fake
// machine trees), removed with everything in it when the test ends.

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace bq::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bq-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` to `name` (folders made as needed) and returns its path.
  std::string write(const std::string& name, std::string_view bytes, bool executable = false) const {
    const std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!out) throw std::runtime_error("cannot write " + file.string());
    }
    ::chmod(file.c_str(), executable ? 0755 : 0644);
    return file.string();
  }

  // A /bin/sh program named `name` with `body` after the #! line.
  std::string script(const std::string& name, std::string_view body) const {
    return write(name, "#!/bin/sh\n" + std::string(body) + "\n", true);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace bq::test
