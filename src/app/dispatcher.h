#pragma once

namespace kvt {

class Os;

// The whole program: banner, usage, inventory, selection and the commands in
// their fixed order. Returns the exit code; an error that nothing handled is
// reported on standard error and gives 1.
int RunProgram(Os& os);

}  // namespace kvt
