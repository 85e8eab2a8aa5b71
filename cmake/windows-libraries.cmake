# The libraries of the Windows build. Debian packages none of them for
# mingw-w64 but zlib: the header-only ones are taken from the Linux packages'
# headers, GoogleTest is built from its Debian sources, and OpenSSL, libcurl
# and cpp-httplib come from scripts/setup-mingw-deps.sh (Debian's source
# packages, built into BQ_MINGW_DEPS).

# Only the header-only libraries' own folders are put on the include path:
# the whole of /usr/include would hand the cross compiler Linux's headers.
set(bq_header_only "${CMAKE_BINARY_DIR}/header-only")
file(MAKE_DIRECTORY "${bq_header_only}")
foreach(dir nlohmann fmt)
  if(NOT EXISTS "/usr/include/${dir}")
    message(FATAL_ERROR "/usr/include/${dir} is missing: run scripts/setup-debian.sh")
  endif()
  file(CREATE_LINK "/usr/include/${dir}" "${bq_header_only}/${dir}" SYMBOLIC)
endforeach()

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE "${bq_header_only}")

add_library(fmt::fmt INTERFACE IMPORTED)
target_include_directories(fmt::fmt SYSTEM INTERFACE "${bq_header_only}")
target_compile_definitions(fmt::fmt INTERFACE FMT_HEADER_ONLY)

set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

# bq_mingw_library(TARGET FILE [LINKS...]): a static library of BQ_MINGW_DEPS.
function(bq_mingw_library target file)
  set(path "${BQ_MINGW_DEPS}/lib/${file}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${path} is missing: run scripts/setup-mingw-deps.sh")
  endif()
  add_library(${target} STATIC IMPORTED)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION "${path}")
  target_include_directories(${target} SYSTEM INTERFACE "${BQ_MINGW_DEPS}/include")
  target_link_libraries(${target} INTERFACE ${ARGN})
endfunction()

bq_mingw_library(OpenSSL::Crypto libcrypto.a ws2_32 gdi32 crypt32 bcrypt)
bq_mingw_library(OpenSSL::SSL libssl.a OpenSSL::Crypto)
bq_mingw_library(CURL::libcurl libcurl.a OpenSSL::SSL ZLIB::ZLIB ws2_32 winmm crypt32 bcrypt advapi32)
target_compile_definitions(CURL::libcurl INTERFACE CURL_STATICLIB)

# cpp-httplib as one header, for the tests' HTTPS server.
if(NOT EXISTS "${BQ_MINGW_DEPS}/include/httplib.h")
  message(FATAL_ERROR "${BQ_MINGW_DEPS}/include/httplib.h is missing: run scripts/setup-mingw-deps.sh")
endif()
add_library(bq_httplib INTERFACE)
target_include_directories(bq_httplib SYSTEM INTERFACE "${BQ_MINGW_DEPS}/include")
target_compile_definitions(bq_httplib INTERFACE CPPHTTPLIB_OPENSSL_SUPPORT CPPHTTPLIB_ZLIB_SUPPORT)
target_link_libraries(bq_httplib INTERFACE OpenSSL::SSL ZLIB::ZLIB ws2_32 crypt32)
add_library(PkgConfig::HTTPLIB ALIAS bq_httplib)

# GoogleTest from Debian's sources (libgtest-dev ships them for this); they
# define the GTest:: targets themselves.
set(BQ_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest's sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory("${BQ_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# The WebView2 SDK: its header, and the loader DLL that goes beside the
# program with its licence (scripts/setup-webview2-sdk.sh unpacks them from
# the pinned NuGet package). mingw-w64 cannot link the SDK's MSVC libraries:
# the program loads the DLL at run time.
set(BQ_WEBVIEW2_SDK "${BQ_MINGW_DEPS}/webview2")
set(BQ_WEBVIEW2_LOADER "${BQ_WEBVIEW2_SDK}/x64/WebView2Loader.dll")
set(BQ_WEBVIEW2_LICENSE "${BQ_WEBVIEW2_SDK}/LICENSE.txt")
foreach(file "${BQ_WEBVIEW2_SDK}/include/WebView2.h" "${BQ_WEBVIEW2_LOADER}" "${BQ_WEBVIEW2_LICENSE}")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file} is missing: run scripts/setup-mingw-deps.sh")
  endif()
endforeach()
add_library(bq_webview2 INTERFACE)
# WebView2.h includes "EventToken.h", which mingw-w64 names eventtoken.h.
target_include_directories(bq_webview2 SYSTEM INTERFACE
  "${BQ_WEBVIEW2_SDK}/include" "${PROJECT_SOURCE_DIR}/src/gui/win32/shim")
