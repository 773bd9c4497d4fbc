# Windows x86_64; the tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Tests run under Wine's 64-bit loader through the project's wrapper. A cache variable, so that a
# -D on the command line can still replace it.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run" CACHE FILEPATH
    "Runs a Windows test program under Wine")
