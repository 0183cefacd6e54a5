#include "app/handoff.h"

#include <string>

#include "app/command_line.h"
#include "app/console_output.h"
#include "files/path_normaliser.h"
#include "os/os.h"
#include "os/portable/image_header.h"
#include "os/scoped_handle.h"
#include "support/int_conversion.h"
#include "support/path_parts.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr const char* k64BitProgram = "kvtProc64.exe";
// The mark of a program started by a hand-on: the process id of the program
// that waits for it. A marked program never hands on again, so that a
// misplaced copy cannot start copies without end.
constexpr const char* kHandedOnBy = "KVT_HANDED_ON_BY";
// Room for a process id in decimal (ten digits) and the terminator.
constexpr uint32_t kProcessIdTextSize = 11;
// What the run reports when the 64-bit program's own code cannot be told.
constexpr int kUnknownExitCode = 1;
// The part of an image file that holds its DOS and PE headers: linkers put
// the PE header within the first few hundred bytes.
constexpr uint32_t kImageHeadLength = 4096;

bool IsWow64(Os& os) {
  bool wow64 = false;
  return os.PointerSize() == 4 && os.IsWow64Process(os.GetCurrentProcess(), &wow64) && wow64;
}

bool IsHandedOn(Os& os) { return os.GetEnvironmentVariableW(kHandedOnBy, nullptr, 0) != 0; }

bool Is64BitImage(Os& os, const std::string& path) {
  const OsHandle file = os.CreateFileW(path.c_str(), kGenericRead,
                                       kFileShareRead | kFileShareWrite | kFileShareDelete,
                                       kOpenExisting, kFileAttributeNormal);
  if (file == kInvalidHandleValue) return false;
  const TScopedHandle closer(os, file);
  std::string head(kImageHeadLength, '\0');
  uint32_t read = 0;
  return os.ReadFile(file, &head[0], kImageHeadLength, &read) &&
         ImageMachine(reinterpret_cast<const uint8_t*>(head.data()), read) ==
             kImageFileMachineAmd64;
}

// Starts Program marked as handed on to. The mark is this process's own
// environment only while the child is created, which inherits it.
bool StartMarked(Os& os, const std::string& program, TProcessInformation& started) {
  const std::string mark = std::to_string(os.GetCurrentProcessId());
  if (!os.SetEnvironmentVariableW(kHandedOnBy, mark.c_str())) return false;
  const std::string commandLine = "\"" + program + "\"" + ParametersText(os.GetCommandLineW());
  const bool ok = os.CreateProcessW(program.c_str(), commandLine, &started);
  os.SetEnvironmentVariableW(kHandedOnBy, nullptr);
  return ok;
}

}  // namespace

bool HandOnTo64BitProgram(Os& os, int& exitCode) {
  if (!IsWow64(os) || IsHandedOn(os)) return false;
  const std::string own = os.GetOwnModuleFileName();
  const std::string program = SplitPath(own).Directory + k64BitProgram;
  if (SameTextAscii(program, own) || !FileExists(os, program)) return false;
  const char* refusal = nullptr;
  TProcessInformation started;
  if (!Is64BitImage(os, program))
    refusal = " is not a 64-bit program; this program does the work itself.\r\n";
  else if (!StartMarked(os, program, started))
    refusal = " could not be started; this program does the work itself.\r\n";
  if (refusal != nullptr) {
    WriteErrorText(os, program + refusal);
    return false;
  }
  const TScopedHandle process(os, started.hProcess);
  const TScopedHandle thread(os, started.hThread);
  // Ctrl+C reaches both programs of the console: the 64-bit one ends its
  // run cleanly with its own code, which this one must live to pass on.
  os.SetConsoleCtrlHandler();
  uint32_t code = 0;
  // A process that has not ended reports STILL_ACTIVE as its code: that is
  // no code of the 64-bit program's.
  if (os.WaitForSingleObject(started.hProcess, kInfinite) != kWaitObject0 ||
      !os.GetExitCodeProcess(started.hProcess, &code) || code == kStillActive) {
    WriteErrorText(os, "Waiting for " + program + " failed; its exit code is unknown.\r\n");
    exitCode = kUnknownExitCode;
    return true;
  }
  exitCode = static_cast<int>(code);
  return true;
}

uint32_t HandingOnProgram(Os& os, uint32_t parentId) {
  char text[kProcessIdTextSize] = {};
  const uint32_t length = os.GetEnvironmentVariableW(kHandedOnBy, text, kProcessIdTextSize);
  if (length == 0 || length >= kProcessIdTextSize) return 0;
  uint64_t id = 0;
  if (!TryDecimalToUnsigned(std::string(text, length), 0xFFFFFFFFu, id)) return 0;
  return parentId != 0 && id == parentId ? parentId : 0;
}

}  // namespace kvt
