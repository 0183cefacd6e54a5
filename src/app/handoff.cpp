#include "app/handoff.h"

#include "app/command_line.h"
#include "files/path_normaliser.h"
#include "os/os.h"
#include "os/scoped_handle.h"
#include "support/path_parts.h"

namespace kvt {
namespace {

constexpr const char* k64BitProgram = "kvtProc64.exe";
// What the run reports when the 64-bit program's own code cannot be read.
constexpr int kUnknownExitCode = 1;

bool IsWow64(Os& os) {
  bool wow64 = false;
  return os.PointerSize() == 4 && os.IsWow64Process(os.GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

bool HandOnTo64BitProgram(Os& os, int& exitCode) {
  if (!IsWow64(os)) return false;
  const std::string program =
      SplitPath(os.GetOwnModuleFileName()).Directory + k64BitProgram;
  if (!FileExists(os, program)) return false;
  const std::string commandLine =
      "\"" + program + "\"" + ParametersText(os.GetCommandLineW());
  TProcessInformation started;
  if (!os.CreateProcessW(program.c_str(), commandLine, &started)) return false;
  const TScopedHandle process(os, started.hProcess);
  const TScopedHandle thread(os, started.hThread);
  os.WaitForSingleObject(started.hProcess, kInfinite);
  uint32_t code = 0;
  exitCode = os.GetExitCodeProcess(started.hProcess, &code) ? static_cast<int>(code)
                                                            : kUnknownExitCode;
  return true;
}

}  // namespace kvt
