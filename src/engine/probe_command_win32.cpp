// The probe on Windows: Windows PowerShell from the system folder, running
// the prelude and the probe script as its -Command text.

#include "engine/probe.hpp"
#include "platform/system_folder.hpp"

namespace bq::engine {

// By path, never by bare name: the program runs elevated, and a search
// would find a powershell.exe that someone put beside it first.
ProbeCommand probe_command() {
  return {platform::system_program_path("WindowsPowerShell\\v1.0\\powershell.exe"),
          powershell_arguments(probe_command_text())};
}

}  // namespace bq::engine
