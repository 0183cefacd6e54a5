# One archive for a Windows user to unpack and run: both programs side by
# side (the 32-bit one hands its work to the 64-bit one on a 64-bit Windows)
# and the README. `cmake --build --preset win64 --target package`.
#
# The 32-bit program is built for the archive from these sources, in a folder
# of this build, when the archive is made: a copy of whatever another build
# left behind could be stale, or not a 32-bit program at all.
set(KVT_PACKAGE_WIN32_DIR ${CMAKE_BINARY_DIR}/package-win32)
install(CODE "
  foreach(step
      \"-S;${PROJECT_SOURCE_DIR};-B;${KVT_PACKAGE_WIN32_DIR};--toolchain;${PROJECT_SOURCE_DIR}/cmake/i686-w64-mingw32.cmake;-DCMAKE_BUILD_TYPE=Release;-DBUILD_TESTING=OFF\"
      \"--build;${KVT_PACKAGE_WIN32_DIR};--target;kvtProc;-j2\")
    execute_process(COMMAND \"${CMAKE_COMMAND}\" \${step} COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
")
install(TARGETS kvtProc RUNTIME DESTINATION .)
install(PROGRAMS ${KVT_PACKAGE_WIN32_DIR}/bin/kvtProc.exe DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kvtProc)
set(CPACK_SYSTEM_NAME windows)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
