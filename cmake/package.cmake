# One archive for a Windows user to unpack and run: both programs side by
# side (the 32-bit one hands its work to the 64-bit one on a 64-bit Windows)
# and the README. `cmake --build --preset win64 --target package`, after the
# win32 preset is built.
install(TARGETS kvtProc RUNTIME DESTINATION .)
install(PROGRAMS ${KVT_WIN32_BIN_DIR}/kvtProc.exe DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kvtProc)
set(CPACK_SYSTEM_NAME windows)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
