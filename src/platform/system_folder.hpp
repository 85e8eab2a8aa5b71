#pragma once
// Programs of the Windows system folder. Windows only: system_folder_win32.cpp.

#include <string>
#include <string_view>

namespace bq::platform {

// The path of `relative` (such as "cmd.exe") inside the system folder that
// GetSystemDirectoryW names, or an empty text when that folder cannot be
// read. The program runs elevated, so the programs it starts come from here
// alone: a search by bare name would look in the .exe's own folder first,
// where anyone could have put a file of that name. Safe to call from any
// thread.
std::string system_program_path(std::string_view relative);

}  // namespace bq::platform
