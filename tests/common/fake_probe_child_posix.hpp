#pragma once
// A fake probe child for the POSIX tests: a /bin/sh program in a temporary
// folder that plays back given output.

#include <string>
#include <string_view>

#include "common/temp_dir.hpp"
#include "engine/probe.hpp"

namespace bq::test {

// A child that writes exactly these bytes to its two streams and exits with `code`.
inline engine::ProbeCommand fake_child(const TempDir& dir, const std::string& name, std::string_view out,
                                       std::string_view err, int code) {
  dir.write(name + ".out", out);
  dir.write(name + ".err", err);
  const std::string program = dir.script(name, "cat \"$0.out\"\ncat \"$0.err\" >&2\nexit " + std::to_string(code));
  return {program, {}};
}

}  // namespace bq::test
