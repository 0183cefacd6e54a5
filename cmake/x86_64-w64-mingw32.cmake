# The 64-bit Windows program, kvtProc64.exe.
set(KVT_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# Windows programs built here run under Wine's 64-bit loader, in the project's
# private 64-bit prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine64-run")
