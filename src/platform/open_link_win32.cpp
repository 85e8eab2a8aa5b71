#include "platform/open_link.hpp"

#include "platform/process.hpp"
#include "platform/system_folder.hpp"
#include "platform/windows_command_line.hpp"

namespace bq::platform {

void open_link(const std::string& link) {
  // cmd.exe would act on some characters of a link before `start` sees it;
  // such a link is not opened at all.
  if (!windows_start_command_line(link)) return;
  // start_detached names the program by its file name, so cmd.exe receives
  // exactly the line that windows_start_command_line gave.
  (void)start_detached(system_program_path("cmd.exe"), {"/c", "start", "", link});
}

}  // namespace bq::platform
