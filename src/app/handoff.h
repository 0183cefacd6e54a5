#pragma once
#include <cstdint>

namespace kvt {

class Os;

// On a 64-bit Windows the 32-bit program sees neither the modules of 64-bit
// processes nor, without care, their files. When this is the 32-bit program
// under WOW64, not itself started by a hand-on, and a 64-bit program named
// kvtProc64.exe (not this program's own file) stands in its folder, runs that
// one with the same parameters and standard streams, marked as started by a
// hand-on, waits for it, and gives its exit code in ExitCode; 1 with a line
// on standard error when the wait fails. False when this program is to do
// the work itself; a line on standard error says why when the file beside
// it is no 64-bit program or cannot be started.
bool HandOnTo64BitProgram(Os& os, int& exitCode);

// The process id of the program that handed this run on and waits for it,
// when the mark names ParentId, this process's parent; else 0.
uint32_t HandingOnProgram(Os& os, uint32_t parentId);

}  // namespace kvt
