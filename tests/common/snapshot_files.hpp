#pragma once
// Probe records from tests/data, read by the probe's own reader.

#include <stdexcept>
#include <string>
#include <variant>

#include "common/test_files.hpp"
#include "engine/snapshot.hpp"

namespace bq::test {

// The record in tests/data/`name`. A fixture the reader refuses throws, which
// fails the test that asked for it with the reader's message.
inline engine::RawHardwareSnapshot snapshot_from(const std::string& name) {
  auto read = engine::read_snapshot(read_data_line(name));
  if (const auto* error = std::get_if<std::string>(&read)) throw std::runtime_error(name + ": " + *error);
  return std::get<engine::RawHardwareSnapshot>(std::move(read));
}

}  // namespace bq::test
