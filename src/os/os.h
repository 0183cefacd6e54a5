#pragma once
// The only way out to the operating system. Each method mirrors the Win32 call
// of the same name: same parameters, same results ("0 on failure"), so that every
// algorithm above this seam stays portable and can be driven by FakeOs.
//
// Names cross the seam as UTF-8. Every call that takes or gives a name is the
// platform's wide (...W) form: text goes in as UTF-8 and comes back as UTF-8 in
// the caller's byte buffer, cut on a character boundary when it does not fit
// (sizes and lengths are in bytes). The platform is given room for as many
// units as the caller's buffer can take, up to kMaxNameUnits. The core never
// sees the ANSI code page. File names go in as the core holds them: Win32Os
// adds the platform's long form ("\\?\") where a file is opened and the name
// needs it.
//
// Each concern declares its calls and constants in a header of its own; Os
// gathers them into the one object every caller is given. A call's name is
// declared in exactly one of them, so no call is ambiguous.
#include "os/os_console.h"
#include "os/os_files.h"
#include "os/os_modules.h"
#include "os/os_native.h"
#include "os/os_network.h"
#include "os/os_processes.h"
#include "os/os_program.h"
#include "os/os_registry.h"
#include "os/os_services.h"
#include "os/os_signatures.h"
#include "os/os_text.h"
#include "os/os_threads.h"
#include "os/os_types.h"

namespace kvt {

class Os : public OsProgram,
           public OsProcesses,
           public OsModules,
           public OsFiles,
           public OsRegistry,
           public OsNative,
           public OsThreads,
           public OsSignatures,
           public OsServices,
           public OsNetwork,
           public OsConsole,
           public OsText {
 public:
  ~Os() override = default;
};

}  // namespace kvt
