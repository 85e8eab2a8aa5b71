# cmake -DWINDRES=... -DCPP=... -DRC=.../app.rc -DOUT=dir -P windres_check.cmake
# Compiles the resource script with mingw-w64's windres, reads the compiled resources back as
# text and checks that the icon group, the manifest and the version information are in them.
# The C compiler only preprocesses here, and the script needs no Windows header.
get_filename_component(rc_dir "${RC}" DIRECTORY)
file(MAKE_DIRECTORY "${OUT}")
execute_process(
  COMMAND "${WINDRES}" "--preprocessor=${CPP}" --preprocessor-arg=-E --preprocessor-arg=-xc
          --preprocessor-arg=-DRC_INVOKED -I "${rc_dir}" -i "${RC}" -O res -o "${OUT}/app.res"
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "windres failed (${status}): ${errors}")
endif()
execute_process(
  COMMAND "${WINDRES}" -i "${OUT}/app.res" -O rc
  RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "windres could not read back app.res (${status}): ${errors}")
endif()

set(expected
  "1 14 /\\* RT_GROUP_ICON \\*/"
  "\"\\\\020\\\\020\\\\000\\\\000\", 1, 32, "
  "\"\\\\040\\\\040\\\\000\\\\000\", 1, 32, "
  "\"\\\\060\\\\060\\\\000\\\\000\", 1, 32, "
  "\"\\\\100\\\\100\\\\000\\\\000\", 1, 32, "
  "\"\\\\000\\\\000\\\\000\\\\000\", 1, 32, "
  "1 24 /\\* RT_MANIFEST \\*/"
  "requestedExecutionLevel level=\"\"requireAdministrator\"\" uiAccess=\"\"false\"\""
  "FILEVERSION 1, 0, 0, 0"
  "PRODUCTVERSION 1, 0, 0, 0"
  "VALUE \"FileDescription\", \"Brindle Quay - Kiem tra dieu kien cai dat Windows 11 Pro\""
  "VALUE \"FileVersion\", \"1.0.0\""
  "VALUE \"ProductVersion\", \"1.0.0\"")
foreach(pattern IN LISTS expected)
  if(NOT listing MATCHES "${pattern}")
    message(FATAL_ERROR "compiled resources lack: ${pattern}")
  endif()
endforeach()
string(REGEX MATCHALL "/\\* Element no [0-9]+\\.  \\*/" elements "${listing}")
list(LENGTH elements count)
if(NOT count EQUAL 5)
  message(FATAL_ERROR "icon group holds ${count} images, not 5")
endif()
message(STATUS "windres compiled ${RC}: icon group of 5, manifest and version information")
