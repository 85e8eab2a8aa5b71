#pragma once
// Helpers of the Windows-only tests: the folder of the test program, a
// temporary folder, and the number of handles the process holds.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bq::test {

inline std::string utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

// path::string() would give the ANSI code page here.
inline std::string utf8(const std::filesystem::path& path) { return utf8(std::wstring_view(path.native())); }

// The folder that holds this test program.
inline std::filesystem::path this_program_folder() {
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return std::filesystem::path(path).parent_path();
}

// The UTF-8 path of `name` in this test program's folder.
inline std::string beside_this_program(std::string_view name) {
  return utf8(this_program_folder() / std::filesystem::path(std::u8string(name.begin(), name.end())));
}

// The entries of a fake's record, each two texts ended by a NUL byte; an
// entry cut short at the end is left out.
inline std::vector<std::pair<std::string, std::string>> nul_separated_pairs(std::string_view bytes) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t first_end = bytes.find('\0', at);
    const std::size_t second_end = first_end == std::string_view::npos ? first_end : bytes.find('\0', first_end + 1);
    if (second_end == std::string_view::npos) break;
    pairs.emplace_back(bytes.substr(at, first_end - at), bytes.substr(first_end + 1, second_end - first_end - 1));
    at = second_end + 1;
  }
  return pairs;
}

// The handles this process holds. Wine's GetProcessHandleCount always says
// 0, so the handle values are tried one by one instead.
inline std::size_t open_handles() {
  std::size_t count = 0;
  for (std::uintptr_t value = 4; value < (1u << 16); value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// A temporary folder, removed with everything in it when the test ends.
class WindowsTempDir {
 public:
  WindowsTempDir() {
    static std::atomic<unsigned> serial{0};
    path_ = std::filesystem::temp_directory_path() /
            ("bq-test-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
  }
  WindowsTempDir(const WindowsTempDir&) = delete;
  WindowsTempDir& operator=(const WindowsTempDir&) = delete;
  ~WindowsTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` to `name` and returns its UTF-8 path.
  std::string write(std::string_view name, std::string_view bytes) const {
    const std::filesystem::path file = path_ / std::filesystem::path(std::u8string(name.begin(), name.end()));
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + utf8(file));
    return utf8(file);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace bq::test
