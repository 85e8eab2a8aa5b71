// Linked into the Windows test programs and engine-harness: the C runtime
// opens the standard streams in text mode, which writes CR before every LF and
// ends input at Ctrl+Z. The harness's output must be byte for byte the Linux
// one, and CTest reads the suites' test lists line by line, so the streams are
// switched to binary before main runs.

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

[[maybe_unused]] const bool binary_standard_streams = [] {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return true;
}();

}  // namespace
