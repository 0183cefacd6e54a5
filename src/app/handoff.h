#pragma once

namespace kvt {

class Os;

// On a 64-bit Windows the 32-bit program sees neither the modules of 64-bit
// processes nor, without care, their files. When this is the 32-bit program
// under WOW64 and the 64-bit one stands in its folder, runs that one with the
// same parameters and standard streams, waits for it, and gives its exit code
// in ExitCode. False when this program is to do the work itself.
bool HandOnTo64BitProgram(Os& os, int& exitCode);

}  // namespace kvt
