#pragma once
// Puts the tests' fake program into the Windows system folder, or takes a
// program out of it, and plants copies beside the test program; everything
// is put back when the fixture ends. Only under wine, whose system folder
// lies in the build's own prefix: on a real Windows the tests are skipped,
// for nothing may write to that folder there.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/windows_test.hpp"

namespace bq::test {

inline bool running_under_wine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

inline std::filesystem::path system_folder() {
  wchar_t folder[MAX_PATH];
  return std::filesystem::path(std::wstring(folder, ::GetSystemDirectoryW(folder, MAX_PATH)));
}

inline std::optional<std::string> read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class SystemFolderFakes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!running_under_wine()) GTEST_SKIP() << "writes into the system folder: only under wine";
    record_ = dir_.path() / "record";
    ::SetEnvironmentVariableW(L"BQ_FAKE_RECORD", record_.c_str());
  }

  void TearDown() override {
    ::SetEnvironmentVariableW(L"BQ_FAKE_RECORD", nullptr);
    ::SetEnvironmentVariableW(L"BQ_FAKE_MODE", nullptr);
    for (const auto& [file, bytes] : saved_) {
      // A fake started without waiting may still be running, and a running
      // program's file can be neither replaced nor removed: retry a while.
      bool restored = false;
      for (int i = 0; i < 1000 && !restored; ++i) {
        if (i > 0) ::Sleep(10);
        restored = put(file, bytes);
      }
      EXPECT_TRUE(restored) << "could not put back " << utf8(file);
    }
  }

  // The fake in the place of `relative` in the system folder.
  void install(const std::filesystem::path& relative) { replace(system_folder() / relative, fake()); }

  // No file at `relative` in the system folder.
  void take_out(const std::filesystem::path& relative) { replace(system_folder() / relative, std::nullopt); }

  // The fake as `name` beside the test program, where a search by bare name
  // would look first.
  void plant(const std::filesystem::path& name) { replace(this_program_folder() / name, fake()); }

  static void set_mode(const wchar_t* mode) { ::SetEnvironmentVariableW(L"BQ_FAKE_MODE", mode); }

  void forget_starts() const {
    std::error_code ignored;
    std::filesystem::remove(record_, ignored);
  }

  // Each start of a fake so far: its path and its command line.
  std::vector<std::pair<std::string, std::string>> starts() const {
    return nul_separated_pairs(read_bytes(record_).value_or(""));
  }

 private:
  static std::string fake() {
    static const std::string bytes = read_bytes(this_program_folder() / "bq-fake-system-program.exe").value();
    return bytes;
  }

  void replace(const std::filesystem::path& file, const std::optional<std::string>& bytes) {
    if (!saved_.contains(file)) saved_[file] = read_bytes(file);
    ASSERT_TRUE(put(file, bytes)) << utf8(file);
  }

  // `file` holds `bytes`, or is gone when there are none. Returns whether that worked.
  static bool put(const std::filesystem::path& file, const std::optional<std::string>& bytes) {
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error) return false;
    if (!bytes) return true;
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << *bytes;
    out.close();
    return out.good();
  }

  WindowsTempDir dir_;
  std::filesystem::path record_;
  std::map<std::filesystem::path, std::optional<std::string>> saved_;
};

}  // namespace bq::test
