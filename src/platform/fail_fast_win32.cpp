#include "platform/fail_fast.hpp"

#include <windows.h>

namespace bq::platform {

void fail_fast() {
  // __fastfail, which this toolchain's headers lack: `int 0x29` with the
  // reason in ecx. The system ends the process with 0xC0000409 at once;
  // no exception handler sees it and nothing of the process runs.
  asm volatile("int $0x29" : : "c"(FAST_FAIL_FATAL_APP_EXIT) : "memory");
  // Not reached on Windows; a system that let the instruction through
  // still ends the process with the same status.
  ::TerminateProcess(::GetCurrentProcess(), 0xC0000409);
  __builtin_unreachable();
}

}  // namespace bq::platform
