#pragma once
// kvtProc's fixed texts as a user sees them, written out independently of the
// program's own tables; the unit and the end-to-end tests compare with these.
namespace kvt_expected {

constexpr const char* kBanner =
    "kvtProc 0.1 - process management command line tool\r\n"
    "Copyright (c) 2026 Halvorsk. All rights reserved.\r\n"
    "Use /license to show license.\r\n"
    "\r\n";

constexpr const char* kUsage =
    "Usage: kvtProc <command> [parameters]\r\n"
    "\r\n"
    "Command:\r\n"
    "  /list [pid or filename]     Lists running processes\r\n"
    "  /details [pid or filename]  Shows how and by whom each process runs\r\n"
    "  /tree [pid or filename]     Lists processes under the processes that started them\r\n"
    "  /top [pid or filename]      Shows which processes use the CPU, memory and I/O now\r\n"
    "  /watch [pid or filename]    Reports processes as they start and end, until Ctrl+C\r\n"
    "  /verify [pid or filename]   Checks the signature of each executable (no revocation "
    "check)\r\n"
    "  /kill <pid or filename>     Terminates running processes\r\n"
    "  /killtree <pid or filename> Terminates processes and every process they started\r\n"
    "  /modules <pid or filename>  Lists all modules of the specified process\r\n"
    "  /handles <pid or filename>  Lists all handles of the specified process\r\n"
    "  /net [pid or filename]      Lists the TCP and UDP endpoints of processes\r\n"
    "  /find <pattern> [pid or filename]  Lists the handles and modules whose names contain "
    "pattern\r\n"
    "  /compare <file>             Lists what changed since /xml or /json wrote that file\r\n"
    "  /csv                        Writes the tables as comma-separated values\r\n"
    "  /xml                        Writes the tables as one XML document\r\n"
    "  /json                       Writes the tables as one JSON document\r\n"
    "  /unsigned                   Shows only files that are not signed; implies /verify\r\n"
    "  /listening                  Shows only listening TCP and all UDP endpoints; implies "
    "/net\r\n"
    "  /port <number>              Shows only endpoints on that local or remote port; implies "
    "/net\r\n"
    "  /interval <milliseconds>    Sets how often /top and /watch read: 100 to 60000\r\n"
    "  /for <seconds>              Lets /top and /watch run for that long\r\n"
    "  /all                        Lets /kill and /killtree end every process a pattern "
    "selects\r\n"
    "\r\n"
    "pid or filename: parameter 2, or the first later one that does not start with / or -.\r\n"
    "\r\n";

constexpr const char* kFindUsage =
    "/find needs a pattern: kvtProc /find <pattern> [pid or filename]; nothing was searched.";

constexpr const char* kLicense =
    "\r\n"
    "kvtProc is made by Halvorsk, the makers of KVT HiveManager.\r\n"
    "Find Halvorsk on the web at https://www.halvorsk.example/\r\n"
    "\r\n"
    "\r\n"
    " \r\n"
    " \r\n"
    "You may use kvtProc free of charge as long as you are no competitor of Halvorsk and have no "
    "commercial interest in its use.\r\n"
    "\r\n"
    "\r\n";

constexpr const char* kProcessHeader =
    "PID   Filename                   (PPID)  Description           Version           Company "
    "                Path\r\n";

constexpr const char* kSignatureHeader =
    "PID   Filename                   Status                     Signer                     "
    "Path\r\n";

constexpr const char* kModuleHeader =
    "MID   Filename                   (PID )  Address   Size      Path\r\n";

constexpr const char* kHandleHeader =
    "Type: Type                  Name                              (PID )  Handle    Access    "
    "Flags\r\n";

}  // namespace kvt_expected
