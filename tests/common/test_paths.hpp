#pragma once
// Where the suites find the source tree, its test data and engine-harness.
// The build writes the paths into one generated file (test_paths.cpp in the
// build folder) rather than into every compile line, so that a fresh clone in
// another folder still finds its other objects in the compiler cache.

namespace bq::test {

extern const char* const TEST_DATA_DIR;
extern const char* const SOURCE_DIR;
extern const char* const HARNESS;

}  // namespace bq::test
