#pragma once
// What both launchers' tests ask of run_child: a run that must start, and the
// description of one that must not.

#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/process.hpp"

namespace bq::test {

// More than any child of these tests writes, where the bound is not the point.
inline constexpr std::size_t ROOM = std::size_t{64} << 20;

inline platform::ChildOutput run_ok(const std::string& program, const std::vector<std::string>& args,
                                    std::size_t bound = ROOM) {
  auto result = platform::run_child(program, args, bound);
  if (auto* error = std::get_if<std::string>(&result)) {
    ADD_FAILURE() << program << ": " << *error;
    return {};
  }
  return std::get<platform::ChildOutput>(result);
}

// The launcher's description of why `program` did not start.
inline std::string start_error(const std::string& program) {
  auto result = platform::run_child(program, {}, ROOM);
  if (auto* error = std::get_if<std::string>(&result)) return *error;
  return "started, exit code " + std::to_string(std::get<platform::ChildOutput>(result).exitCode);
}

}  // namespace bq::test
