#pragma once
// A temporary folder for files that tests write (fake child programs, fake
// machine trees), removed with everything in it when the test ends. The same
// on both platforms; script() writes a /bin/sh program, for POSIX tests only.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace bq::test {

// The path in UTF-8, which path::string() is not on Windows (the ANSI code page).
inline std::string utf8_path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

class TempDir {
 public:
  // A random part keeps parallel test processes apart, a serial the folders
  // of one process.
  TempDir() {
    static std::atomic<unsigned> serial{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = std::filesystem::temp_directory_path() /
              ("bq-test-" + std::to_string(random()) + "-" + std::to_string(serial++));
      if (std::filesystem::create_directory(path_)) return;
    }
    throw std::runtime_error("no new temporary folder");
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
      if (!out) throw std::runtime_error("cannot write " + utf8_path(file));
    }
    using std::filesystem::perms;
    std::filesystem::permissions(file, executable ? perms(0755) : perms(0644));
    return utf8_path(file);
  }

  // A /bin/sh program named `name` with `body` after the #! line.
  std::string script(const std::string& name, std::string_view body) const {
    return write(name, "#!/bin/sh\n" + std::string(body) + "\n", true);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace bq::test
