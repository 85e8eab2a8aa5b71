// The probe on Windows: Windows PowerShell, found by its bare name, running
// the prelude and the probe script as its -Command text.

#include "engine/probe.hpp"

namespace bq::engine {

ProbeCommand probe_command() { return {"powershell.exe", powershell_arguments(probe_command_text())}; }

}  // namespace bq::engine
