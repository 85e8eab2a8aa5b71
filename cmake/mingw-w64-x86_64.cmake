# Cross build for 64-bit Windows with Debian's mingw-w64 (the -posix flavour,
# whose libstdc++ has std::thread). Programs are linked statically, so they
# need no runtime DLL, and run here under wine through wine-run.sh.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BQ_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BQ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BQ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BQ_MINGW_TRIPLET}-windres)

# OpenSSL, libcurl and cpp-httplib built for Windows by scripts/setup-mingw-deps.sh.
set(BQ_MINGW_DEPS "/opt/brindle-quay-mingw64" CACHE PATH "Prefix of the libraries built for mingw-w64")

set(CMAKE_FIND_ROOT_PATH /usr/${BQ_MINGW_TRIPLET} ${BQ_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLL beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The build's own wine prefix, never the user's ~/.wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
